#include "platform/movie/WriterTrack.h"

#include <limits>

namespace zeb::movie {
namespace {

constexpr int64_t kEmptyEdit = -1;

// Media ticks to movie ticks at a 16.16 rate, rounded to the nearest tick.
uint64_t ToMovieTicks(uint64_t mediaTicks, uint32_t mediaScale, uint32_t movieScale, int32_t rate) {
  using u128 = unsigned __int128;
  const u128 numerator = u128{mediaTicks} * movieScale * kFixedOne;
  const u128 denominator = u128{mediaScale} * static_cast<uint32_t>(rate);
  const u128 ticks = (numerator + denominator / 2) / denominator;
  return ticks > std::numeric_limits<int64_t>::max() ? std::numeric_limits<int64_t>::max()
                                                     : static_cast<uint64_t>(ticks);
}

}  // namespace

WriterTrack::WriterTrack(uint32_t trackId, int32_t width, int32_t height, int16_t volume)
    : id_(trackId), width_(width), height_(height), volume_(volume) {}

Status WriterTrack::InsertMedia(uint64_t trackStart, int64_t mediaTime, uint64_t mediaDuration,
                                int32_t rate, uint32_t movieTimeScale) {
  if (media_ == nullptr) return Status::Error(StatusCode::kInvalid, "track has no media");
  if (rate <= 0) return Status::Error(StatusCode::kOutOfRange, "edit rate must be positive");
  if (mediaTime < kEmptyEdit) return Status::Error(StatusCode::kOutOfRange, "negative media time");
  if (mediaTime != kEmptyEdit &&
      (static_cast<uint64_t>(mediaTime) > media_->Duration() ||
       mediaDuration > media_->Duration() - static_cast<uint64_t>(mediaTime))) {
    return Status::Error(StatusCode::kOutOfRange, "edit runs past the end of the media");
  }
  if (trackStart < Duration()) {
    return Status::Error(StatusCode::kUnsupported,
                         "media can only be inserted at the end of the track");
  }
  const uint64_t track_ticks =
      ToMovieTicks(mediaDuration, media_->TimeScale(), movieTimeScale, rate);
  if (track_ticks == 0) return Status::Ok();
  if (trackStart > Duration())
    edits_.push_back({trackStart - Duration(), kEmptyEdit, 0, kFixedOne});
  edits_.push_back({track_ticks, mediaTime, mediaDuration, rate});
  return Status::Ok();
}

uint64_t WriterTrack::Duration() const {
  uint64_t total = 0;
  for (const TrackEdit& edit : edits_) total += edit.trackDuration;
  return total;
}

bool WriterTrack::NeedsEditList() const {
  if (edits_.size() != 1) return true;
  const TrackEdit& edit = edits_.front();
  return edit.mediaTime != 0 || edit.rate != kFixedOne || media_ == nullptr ||
         edit.mediaDuration != media_->Duration();
}

}  // namespace zeb::movie
