// The object behind the muxer ordinals: opened once with an output file and
// the stream records, then handed coded units one at a time, which it passes
// to the movie writer. In aligned mode (PCM with video, at most two
// channels) video frames wait in an elementary-stream buffer while the PCM
// is re-cut into one chunk per frame, and a pump adds them alternately.
//
// Threads: one caller at a time; the writer's own thread is reached only
// through its submit operations.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "framework/io/include/ZEBSoftCodecIO.h"
#include "media/CPCMAudioEncoder.h"
#include "platform/movie/Handle.h"
#include "writer/CQTWriter.h"
#include "writer/SampleJobRing.h"
#include "writer/WriterSetup.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugRecords.h"

class CMuxerForQuickTime {
 public:
  static constexpr size_t kAudioChunkCycle = 5;
  // Kinds of the private description a unit carries.
  static constexpr uint32_t kPrivateImageDescription = 5;
  static constexpr uint32_t kPrivateAudioDescription = 9;

  CMuxerForQuickTime() = default;
  virtual ~CMuxerForQuickTime();
  CMuxerForQuickTime(const CMuxerForQuickTime&) = delete;
  CMuxerForQuickTime& operator=(const CMuxerForQuickTime&) = delete;

  uint32_t Open(const SPlugOpenParam& open, const SPlugMuxParam& param);
  // `stream` 0 is the video stream, any other the audio stream.
  uint32_t Write(uint32_t stream, const uint8_t* data, const SPlugFrameInfo& info);
  // Writes what is parked and finishes the movie; safe on an unopened muxer.
  uint32_t Close();

  bool Aligned() const { return aligned_; }
  const std::array<uint32_t, kAudioChunkCycle>& AudioChunkTable() const { return audioChunkTable_; }

 private:
  uint32_t SetUpVideo(const SPlugStreamInfo& stream);
  uint32_t SetUpAudio(const SPlugStreamInfo& stream);
  void SetUpAlignedMode(const SPlugAudioStreamInfo& audio);
  uint32_t WriteDirect(uint32_t stream, std::span<const uint8_t> unit, const SPlugFrameInfo& info);
  uint32_t WriteAligned(uint32_t stream, std::span<const uint8_t> unit, const SPlugFrameInfo& info);
  uint32_t ParkVideo(std::span<const uint8_t> unit, const SPlugFrameInfo& info);
  uint32_t Pump();
  bool AudioIsBehind() const;
  // Display minus decode position of a frame, in media ticks; 0 when the
  // record does not give both.
  int64_t HostDisplayOffset(const SPlugFrameInfo& info) const;
  // Each returns whether the pump goes on; `result` takes a failure.
  bool PumpAudioChunk(uint32_t& result);
  bool PumpVideoFrame(uint32_t& result);

  std::unique_ptr<CQTWriter> writer_;
  uint32_t audioUnitCount_ = 0;
  WriterSetup setup_;
  zeb::movie::OwnedHandle presetDescription_;  // the host's kind-5 description, as a handle
  std::unique_ptr<CSoftEsBuffer> videoBuffer_;
  uint32_t framesWritten_ = 0;
  uint32_t audioSamplesWritten_ = 0;
  bool aligned_ = false;
  std::vector<uint8_t> sideBlock_;
  std::unique_ptr<CPCMAudioEncoder> pcmEncoder_;
  // The audio description block of the last audio unit, copied (empty:
  // none): the host's block may be gone when the pump adds the chunks cut from it.
  std::vector<uint8_t> currentAudioDescription_;
  std::array<uint32_t, kAudioChunkCycle> audioChunkTable_{};
  size_t audioChunkIndex_ = 0;
  bool audioEnded_ = false;
};
