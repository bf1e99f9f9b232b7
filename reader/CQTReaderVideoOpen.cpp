// The open's video side: the track's description, timing, group-of-pictures
// length and the direct-read tables.
#include <algorithm>
#include <limits>

#include "core/QtLog.h"
#include "reader/CQTFileReader.h"
#include "reader/CQTReader.h"
#include "reader/ImageDescriptionAnalysis.h"
#include "reader/MediaMeasures.h"

namespace {

// Frames larger than this on a side are taken for a damaged description:
// the frame buffers (width × height × 4 bytes each) stay bounded.
constexpr uint32_t kMaxFrameSide = 16384;
// The direct-read tables cost about 30 bytes a frame; beyond this many frames
// (six days at 30 frames a second) frames come through the media layer.
constexpr uint32_t kMaxDirectReadFrames = 16u << 20;
constexpr uint32_t kDefaultVideoBitRate = 800000;

bool UsableFrameSize(const VideoTrackDesc& track) {
  return track.width >= 1 && track.width <= kMaxFrameSide && track.height >= 1 &&
         track.height <= kMaxFrameSide;
}

}  // namespace

void CQTReader::DescribeVideoTrack(const zeb::movie::Media& media) {
  const uint32_t descriptions = media.SampleDescriptionCount();
  if (descriptions == 0) return;
  for (uint32_t j = 1; j <= descriptions; ++j) {
    std::vector<uint8_t> description = CopySampleDescription(media, j);
    AnalyseImageDescription(description, videoTrack_, avcConfig_);
    imageDescription_ = std::move(description);
  }
  // A movie that claims more frames than its file has bytes, or frames of no
  // usable size, is read as if it had no video track.
  const uint64_t samples = media.SampleCount();
  if (!UsableFrameSize(videoTrack_) || samples > movie_->FileSize() ||
      samples > std::numeric_limits<uint32_t>::max()) {
    videoTrack_ = {};
    imageDescription_.clear();
    avcConfig_.reset();
    return;
  }
  videoTrackCount_ = 1;
  videoMedia_ = &media;
  frameCount_ = static_cast<uint32_t>(samples);
  MeasureVideoTiming(media);
  SetUpDirectRead();
  // After the direct tables exist: the walk then costs no media query a frame.
  videoTrack_.gopSize = MeasureGopSize();
}

void CQTReader::MeasureVideoTiming(const zeb::movie::Media& media) {
  videoTrack_.timeScale = media.TimeScale();
  // The middle sample; a one-frame media uses its only sample.
  const uint64_t middle = std::max<uint64_t>(frameCount_ / 2, 1);
  int64_t decodeTime = 0;
  int64_t duration = 0;
  if (media.GetSampleDecodeTime(middle, decodeTime, duration).IsOk()) {
    videoTrack_.frameDuration = static_cast<uint32_t>(duration);
  }
  if (videoTrack_.timeScale == 2997 && videoTrack_.frameDuration == 100) {
    videoTrack_.timeScale = 30000;
    videoTrack_.frameDuration = 1001;
  }
  videoTrack_.bitRate = MediaBitRate(media, kDefaultVideoBitRate);
}

// A stream that starts with a key frame gets the distance between its first
// two key frames; one that does not, the frames before its first key frame.
// All key frames give 1; a single key frame at the start gives 0.
uint32_t CQTReader::MeasureGopSize() {
  uint32_t run = 0;
  uint32_t best = 0;
  for (uint32_t i = 0; i < frameCount_; ++i, ++run) {
    uint32_t size = 0;
    uint32_t key = 0;
    GetVideoFrame(i, nullptr, 0, &size, &key, nullptr);
    if (key == 0) continue;
    best = std::max(best, run);
    run = 0;
    if (best != 0) break;
  }
  return best;
}

void CQTReader::SetUpDirectRead() {
  if (directRead_ == DirectRead::kRefused || !BuildSampleRefTable()) return;
  if (videoMedia_->HasDisplayOffsets()) BuildDisplayOffsetTable();
  fileReader_ = std::make_unique<CQTFileReader>();
  if (fileReader_->OpenFile(path_.c_str(), CQTFileReader::kFileFlagNoBuffering) != 0) {
    QtLogError(L"Can't open File handle For QuickTime");
    fileReader_->Close();
    fileReader_.reset();
  }
  QtLogTrace(L"QTReader--Direct Read File Mode!");
}

// One reference per frame. The media layer hands out one record for a run of
// back-to-back samples of one size, duration and sync-ness, its dataSize the
// bytes of all of them; such a record is cut into its samples.
bool CQTReader::BuildSampleRefTable() {
  if (frameCount_ == 0 || frameCount_ > kMaxDirectReadFrames) return false;
  std::vector<zeb::movie::SampleReference64> records(frameCount_);
  uint32_t filled = 0;
  if (!videoMedia_->GetSampleReferences(0, frameCount_, records.data(), filled).IsOk() ||
      filled == 0) {
    return false;
  }
  records.resize(filled);
  if (filled == frameCount_) {
    sampleRefs_ = std::move(records);
    return true;
  }
  QtLogTrace(L"QTReader--Not one Entry to one frame, Need Create new Video SampleRefs!");
  sampleRefs_.reserve(frameCount_);
  for (const zeb::movie::SampleReference64& record : records) {
    if (record.numberOfSamples == 0) continue;
    const uint32_t sampleSize = record.dataSize / record.numberOfSamples;
    for (uint32_t k = 0; k < record.numberOfSamples && sampleRefs_.size() < frameCount_; ++k) {
      zeb::movie::SampleReference64 entry = record;
      entry.dataOffset = record.dataOffset + int64_t{k} * sampleSize;
      entry.dataSize = sampleSize;
      entry.numberOfSamples = 1;
      sampleRefs_.push_back(entry);
    }
  }
  if (sampleRefs_.size() == frameCount_) return true;
  QtLogError(L"QTReader--Create new Video SampleRefs Error!");
  sampleRefs_.clear();
  return false;
}

// Display offsets in frames: the media's offset over the frame's decode
// duration, truncated toward zero; a frame of no duration gets 0.
void CQTReader::BuildDisplayOffsetTable() {
  std::vector<zeb::movie::SampleTiming> timings(frameCount_);
  displayOffsets_.assign(frameCount_, 0);
  if (!videoMedia_->GetSampleTimings(timings).IsOk()) return;
  for (uint32_t i = 0; i < frameCount_; ++i) {
    const zeb::movie::SampleTiming timing = timings[i];
    if (timing.duration != 0) displayOffsets_[i] = int64_t{timing.displayOffset} / timing.duration;
  }
}
