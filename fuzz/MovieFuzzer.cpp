// Opens arbitrary bytes as a movie and exercises everything a caller can ask
// of it: descriptions, sound extensions, references, timing and sample reads.
// Any result is fine as long as it is a defined status; crashes, hangs,
// leaks and oversized allocations are what the fuzzer looks for.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/movie/FourCC.h"
#include "platform/movie/MemorySource.h"
#include "platform/movie/Movie.h"
#include "platform/movie/SoundDescriptionExtension.h"

namespace {

using namespace zeb::movie;

// Bounds the work per input; the tables themselves may claim far more.
constexpr uint32_t kMaxSamplesRead = 2000;
constexpr uint32_t kMaxRecords = 2000;
constexpr uint32_t kMaxReadBytes = 1 << 20;

void Check(const Status& status) {
  if (status.IsOk() != (status.Err() == kNoErr) || status.Code() > StatusCode::kNoMemory)
    std::abort();
}

void ExerciseDescriptions(const Media& media) {
  Handle description = NewHandle(0);
  for (uint32_t index = 1; index <= media.SampleDescriptionCount() && index <= 8; ++index) {
    Check(media.GetSampleDescription(index, description));
    if (media.Type() != FourCC("soun")) continue;
    for (const uint32_t type : {FourCC("wave"), FourCC("esds")}) {
      Handle extension = nullptr;
      Check(GetSoundDescriptionExtension(description, type, extension));
      if (extension != nullptr) Check(AddSoundDescriptionExtension(description, extension, type));
      DisposeHandle(extension);
    }
  }
  DisposeHandle(description);
}

void ExerciseSamples(const Media& media, std::vector<uint8_t>& buffer) {
  int64_t bytes = 0;
  Check(media.GetDataSize(0, static_cast<int64_t>(media.Duration() & INT64_MAX), bytes));
  std::vector<SampleReference64> records(kMaxRecords);
  uint32_t filled = 0;
  Check(media.GetSampleReferences(0, kMaxRecords, records.data(), filled));
  SampleReadResult result;
  Check(media.ReadSamples(SampleReadRequest{0, nullptr, 0, 0}, result));
  for (uint64_t number = 1; number <= media.SampleCount() && number <= kMaxSamplesRead; ++number) {
    int64_t time = 0;
    int64_t duration = 0;
    int32_t time32 = 0;
    int32_t duration32 = 0;
    Check(media.SampleNumToMediaTime(static_cast<uint32_t>(number), time32, duration32));
    const Status status = media.GetSampleDecodeTime(number, time, duration);
    Check(status);
    if (!status.IsOk()) continue;
    Check(media.ReadSamples(SampleReadRequest{time, buffer.data(), kMaxReadBytes,
                                              static_cast<uint32_t>(1 + (number % 3) * 500)},
                            result));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto source = std::make_shared<MemorySource>(std::vector<uint8_t>(data, data + size));
  std::unique_ptr<Movie> movie;
  const Status status = Movie::Open(source, movie);
  Check(status);
  if (!status.IsOk()) return 0;
  for (const Status& note : movie->Notes()) {
    if (note.IsOk()) std::abort();
    Check(note);
  }
  std::vector<uint8_t> buffer(kMaxReadBytes);
  for (uint32_t index = 1; index <= movie->TrackCount(); ++index) {
    const Track& track = *movie->GetTrack(index);
    const Media& media = track.GetMedia();
    Check(track.OpenStatus());
    // A track that cannot be used has nothing to read.
    if (!track.OpenStatus().IsOk() &&
        (media.SampleCount() != 0 || media.SampleDescriptionCount() != 0)) {
      std::abort();
    }
    ExerciseDescriptions(media);
    ExerciseSamples(media, buffer);
  }
  return 0;
}
