// One track being written: its header values, its media and its edits.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/movie/Status.h"
#include "platform/movie/WriterMedia.h"

namespace zeb::movie {

inline constexpr int32_t kFixedOne = 0x10000;  // 1.0 in 16.16 fixed point

// One 'elst' entry. mediaTime -1 is an empty edit (nothing shown).
struct TrackEdit {
  uint64_t trackDuration;  // movie ticks
  int64_t mediaTime;       // media ticks
  uint64_t mediaDuration;  // media ticks
  int32_t rate;            // 16.16
};

class WriterTrack {
 public:
  // `width` and `height` in 16.16 fixed point, `volume` in 8.8.
  WriterTrack(uint32_t trackId, int32_t width, int32_t height, int16_t volume);

  uint32_t Id() const { return id_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  int16_t Volume() const { return volume_; }

  WriterMedia* Media() const { return media_; }
  void SetMedia(WriterMedia* media) { media_ = media; }

  // Adds `mediaDuration` media ticks from `mediaTime` (-1: empty time) at
  // `trackStart` (movie ticks), played at `rate` (16.16). Only the end of
  // the track takes new edits; a start past it leaves an empty edit between.
  Status InsertMedia(uint64_t trackStart, int64_t mediaTime, uint64_t mediaDuration, int32_t rate,
                     uint32_t movieTimeScale);

  const std::vector<TrackEdit>& Edits() const { return edits_; }
  uint64_t Duration() const;  // movie ticks
  // False when the edits say what a reader assumes without them: the whole
  // media once, from track time 0, at normal rate.
  bool NeedsEditList() const;

 private:
  uint32_t id_;
  int32_t width_;
  int32_t height_;
  int16_t volume_;
  WriterMedia* media_ = nullptr;  // owned by the movie writer
  std::vector<TrackEdit> edits_;
};

}  // namespace zeb::movie
