#include "platform/movie/Media.h"

#include <algorithm>
#include <limits>

#include "platform/movie/FourCC.h"
#include "platform/movie/SampleDescriptionOrder.h"
#include "platform/movie/SampleWalk.h"
#include "platform/movie/SoundPacking.h"

namespace zeb::movie {

namespace {

constexpr size_t kDataReferenceIndexOffset = 14;

// Entries are at least kSampleEntryHeaderSize bytes (checked by ParseStsd).
uint16_t DataReferenceIndex(const std::vector<uint8_t>& entry) {
  ByteReader reader(entry, 0, "sample description");
  uint16_t index = 0;
  if (!reader.Skip(kDataReferenceIndexOffset).IsOk() || !reader.ReadU16(index).IsOk()) return 0;
  return index;
}

std::vector<bool> FindDataInOtherFiles(const std::vector<std::vector<uint8_t>>& descriptions,
                                       const std::vector<DataReference>& references) {
  std::vector<bool> external;
  for (const std::vector<uint8_t>& entry : descriptions) {
    const uint16_t index = DataReferenceIndex(entry);
    // No 'dref' (or no such entry) is read as "this file", as players do.
    external.push_back(index >= 1 && index <= references.size() &&
                       !references[index - 1].selfContained);
  }
  return external;
}

}  // namespace

Status Media::Build(std::shared_ptr<const ByteSource> source, MediaAtoms atoms,
                    const std::string& where, Media& media) {
  media = Media();
  media.source_ = std::move(source);
  media.header_ = atoms.header;
  media.handler_ = atoms.handler;
  media.where_ = where;
  media.descriptions_ = atoms.samples.descriptions;
  media.dataInOtherFile_ = FindDataInOtherFiles(media.descriptions_, atoms.dataReferences);
  return media.BuildSampleTable(std::move(atoms.samples), where + "/mdia/minf/stbl");
}

Status Media::BuildSampleTable(SampleTableAtoms samples, const std::string& tablePath) {
  std::optional<SoundPacking> packing;
  const uint64_t listed = samples.sizes.Count();
  if (Type() == FourCC("soun")) packing = FindSoundPacking(samples);
  if (packing) ZEB_MOVIE_TRY(ApplySoundPacking(*packing, samples, tablePath));
  ZEB_MOVIE_TRY(SampleTable::Build(std::move(samples), tablePath, table_));
  if (listed != 0 && table_.Count() == 0) {
    return Status::Error(StatusCode::kInvalid,
                         std::to_string(listed) + " samples listed, but no chunk holds any",
                         tablePath);
  }
  if (packing) {
    framesPerSample_ = packing->framesPerPacket;
    frameCount_ = std::min(listed, table_.Count() * framesPerSample_);
  }
  return Status::Ok();
}

Media Media::WithoutSamples(const MediaHeader& header, const HandlerInfo& handler,
                            const std::string& where) {
  Media media;
  media.header_ = header;
  media.handler_ = handler;
  media.where_ = where;
  return media;
}

uint64_t Media::SampleCount() const { return framesPerSample_ > 1 ? frameCount_ : table_.Count(); }

Status Media::GetSampleDescription(uint32_t index, Handle description) const {
  if (description == nullptr) return Status::Error(StatusCode::kOutOfRange, "null handle", where_);
  if (index == 0 || index > descriptions_.size()) {
    return Status::Error(StatusCode::kOutOfRange,
                         "sample description " + std::to_string(index) + " of " +
                             std::to_string(descriptions_.size()),
                         where_);
  }
  std::vector<uint8_t> bytes = descriptions_[index - 1];
  SampleDescriptionToNative(Type(), bytes);
  // A size-0 entry (to the end of 'stsd') still reports its true length.
  SetNativeDescriptionSize(bytes, static_cast<uint32_t>(bytes.size()));
  ZEB_MOVIE_TRY(SetHandleSize(description, bytes.size()));
  std::copy(bytes.begin(), bytes.end(), *description);
  return Status::Ok();
}

Status Media::GetDataSize(int64_t startTime, int64_t duration, int64_t& bytes) const {
  bytes = 0;
  if (startTime < 0 || duration < 0 || duration > std::numeric_limits<int64_t>::max() - startTime) {
    return Status::Error(StatusCode::kOutOfRange, "time range outside the media", where_);
  }
  const uint64_t count = table_.Count();
  const uint64_t first = std::min(table_.Times().FirstAtOrAfter(startTime), count);
  const uint64_t end = std::min(table_.Times().FirstAtOrAfter(startTime + duration), count);
  if (end > first) bytes = static_cast<int64_t>(table_.Sizes().BytesOf(first, end - first));
  return Status::Ok();
}

Status Media::GetSampleDecodeTime(uint64_t sampleNumber, int64_t& decodeTime,
                                  int64_t& duration) const {
  if (sampleNumber == 0 || sampleNumber > SampleCount()) {
    return Status::Error(
        StatusCode::kOutOfRange,
        "sample " + std::to_string(sampleNumber) + " of " + std::to_string(SampleCount()), where_);
  }
  const uint64_t frame = sampleNumber - 1;
  const uint64_t index = frame / framesPerSample_;
  // Packed sound: each frame of a packet lasts one tick.
  decodeTime = table_.Times().TimeOf(index) + static_cast<int64_t>(frame % framesPerSample_);
  duration = framesPerSample_ > 1 ? 1 : table_.Times().DurationOf(index);
  return Status::Ok();
}

Status Media::GetSampleTimings(std::span<SampleTiming> timings) const {
  if (framesPerSample_ > 1)
    return Status::Error(StatusCode::kUnsupported, "timings of packed sound", where_);
  if (timings.size() > SampleCount()) {
    return Status::Error(StatusCode::kOutOfRange,
                         std::to_string(timings.size()) + " timings of " +
                             std::to_string(SampleCount()) + " samples",
                         where_);
  }
  table_.FillTimings(timings);
  return Status::Ok();
}

Status Media::SampleNumToMediaTime(uint32_t sampleNumber, int32_t& time, int32_t& duration) const {
  int64_t time64 = 0;
  int64_t duration64 = 0;
  ZEB_MOVIE_TRY(GetSampleDecodeTime(sampleNumber, time64, duration64));
  if (time64 > std::numeric_limits<int32_t>::max() ||
      duration64 > std::numeric_limits<int32_t>::max()) {
    return Status::Error(StatusCode::kOutOfRange,
                         "time of sample " + std::to_string(sampleNumber) + " passes 32 bits",
                         where_);
  }
  time = static_cast<int32_t>(time64);
  duration = static_cast<int32_t>(duration64);
  return Status::Ok();
}

Status Media::GetSampleReferences(int64_t mediaTime, uint32_t maxRecords,
                                  SampleReference64* records, uint32_t& filled) const {
  filled = 0;
  if (records == nullptr && maxRecords != 0) {
    return Status::Error(StatusCode::kOutOfRange, "null reference table", where_);
  }
  uint64_t first = 0;
  if (!table_.SampleAt(mediaTime, first)) {
    return Status::Error(StatusCode::kOutOfRange, "no sample at time " + std::to_string(mediaTime),
                         where_);
  }
  filled = CollectReferences(table_, first, maxRecords,
                             std::numeric_limits<uint32_t>::max() / framesPerSample_, records);
  if (framesPerSample_ > 1) CountFrames(first, std::span(records, filled));
  return Status::Ok();
}

Status Media::ReadSamples(const SampleReadRequest& request, SampleReadResult& result) const {
  result = SampleReadResult();
  uint64_t first = 0;
  if (!table_.SampleAt(request.decodeTime, first)) {
    return Status::Error(StatusCode::kOutOfRange,
                         "no sample at time " + std::to_string(request.decodeTime), where_);
  }
  const SampleInfo info = table_.Info(first);
  if (request.destination != nullptr) ZEB_MOVIE_TRY(CheckDataInFile(info.descriptionIndex));

  const uint64_t limitOfCount = std::numeric_limits<uint32_t>::max() / framesPerSample_;
  const uint64_t maxSamples = request.maxSamples == 0
                                  ? limitOfCount
                                  : std::max<uint64_t>(1, request.maxSamples / framesPerSample_);
  const bool byteLimited = request.destination != nullptr || request.maxBytes != 0;
  const uint64_t maxBytes = byteLimited ? request.maxBytes : std::numeric_limits<uint32_t>::max();
  const ReadPlan plan = PlanRead(table_, first, std::min(maxSamples, limitOfCount), maxBytes);
  if (plan.samples == 0) {
    return Status::Error(StatusCode::kOutOfRange,
                         "sample of " + std::to_string(info.size) + " bytes does not fit in " +
                             std::to_string(maxBytes),
                         where_, info.offset);
  }

  const uint64_t firstFrame = first * framesPerSample_;
  const uint64_t frames = framesPerSample_ > 1
                              ? std::min(plan.samples * framesPerSample_, frameCount_ - firstFrame)
                              : plan.samples;
  result.dataSize = static_cast<uint32_t>(plan.bytes);
  result.sampleCount = static_cast<uint32_t>(frames);
  result.decodeTime = info.decodeTime;
  result.decodeDuration = framesPerSample_ > 1 ? 1 : info.duration;
  result.displayOffset = info.displayOffset;
  result.flags = info.sync ? 0 : kSampleNotSync;
  result.descriptionIndex = info.descriptionIndex;
  if (request.destination == nullptr) return Status::Ok();

  return source_->ReadRanges(plan.ranges, {request.destination, static_cast<size_t>(plan.bytes)});
}

void Media::CountFrames(uint64_t firstPacket, std::span<SampleReference64> records) const {
  uint64_t frame = firstPacket * framesPerSample_;
  for (SampleReference64& record : records) {
    const uint64_t frames =
        std::min(uint64_t{record.numberOfSamples} * framesPerSample_, frameCount_ - frame);
    record.numberOfSamples = static_cast<uint32_t>(frames);
    record.durationPerSample = 1;
    frame += frames;
  }
}

Status Media::CheckDataInFile(uint32_t descriptionIndex) const {
  if (descriptionIndex >= 1 && descriptionIndex <= dataInOtherFile_.size() &&
      dataInOtherFile_[descriptionIndex - 1]) {
    return Status::Error(StatusCode::kUnsupported, "sample data lies in another file", where_);
  }
  return Status::Ok();
}

}  // namespace zeb::movie
