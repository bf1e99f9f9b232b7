#include "tests/platform_movie/MovieTestUtil.h"

namespace zeb::movie::test {

Status ReadAt(const Media& media, int64_t decodeTime, uint32_t maxSamples, SampleReadResult& result,
              std::vector<uint8_t>& data, uint32_t maxBytes) {
  if (maxBytes == 0) {
    ZEB_MOVIE_TRY(media.ReadSamples(SampleReadRequest{decodeTime, nullptr, 0, maxSamples}, result));
    maxBytes = result.dataSize;
  }
  data.assign(maxBytes, 0);
  SampleReadRequest request;
  request.decodeTime = decodeTime;
  request.destination = data.data();
  request.maxBytes = maxBytes;
  request.maxSamples = maxSamples;
  Status status = media.ReadSamples(request, result);
  data.resize(status.IsOk() ? result.dataSize : 0);
  return status;
}

std::vector<Reference> AllReferences(const Media& media) {
  std::vector<SampleReference64> records(media.SampleCount() + 1);
  uint32_t filled = 0;
  if (!media.GetSampleReferences(0, static_cast<uint32_t>(records.size()), records.data(), filled)
           .IsOk()) {
    return {};
  }
  std::vector<Reference> references;
  for (uint32_t i = 0; i < filled; ++i) {
    const SampleReference64 record = records[i];
    references.push_back(Reference{record.dataOffset, record.dataSize, record.durationPerSample,
                                   record.numberOfSamples, record.sampleFlags});
  }
  return references;
}

}  // namespace zeb::movie::test
