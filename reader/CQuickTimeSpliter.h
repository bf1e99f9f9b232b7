// The reader family's object: one per source file. Owns the CQTReader of the
// open movie, the H.264 analyser of its open and the two stream records the
// host reads back. The host drives one object from one thread at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "core/PlugRecords.h"
#include "platform/sys/AlignedBuffer.h"
#include "zebplug/ZEBPlugRecords.h"

#include "reader/CQTReader.h"

class H264AnalyzerModule;

class CQuickTimeSpliter {
 public:
  explicit CQuickTimeSpliter(DirectRead directRead = DirectRead::kAllowed);
  ~CQuickTimeSpliter();
  CQuickTimeSpliter(const CQuickTimeSpliter&) = delete;
  CQuickTimeSpliter& operator=(const CQuickTimeSpliter&) = delete;

  // Releases the open movie and the H.264 analyser; also the first step of
  // every open and of destruction.
  void Close();
  // Opens the one file that `param` names (ordinal 404).
  uint32_t Open(const SPlugOpenParam* param);

  uint32_t GetProgramCount() const { return programCount_; }
  uint32_t GetVideoStreamCount() const { return videoStreamCount_; }
  uint32_t GetAudioStreamCount() const { return audioStreamCount_; }
  uint32_t GetState() const { return state_; }
  uint32_t GetMaxVideoFrameSize() const { return maxVideoFrameSize_; }
  uint32_t GetReservedSize() const { return reservedSize_; }

  // Copy the stream record (nothing when `info` is null).
  uint32_t GetVideoStreamInfo(uint32_t program, uint32_t index, SPlugStreamInfo* info) const;
  uint32_t GetAudioStreamInfo(uint32_t program, uint32_t index, SPlugStreamInfo* info);
  // Stores the selection only when every index is in range. The audio
  // selection chooses the track that audio reads come from.
  uint32_t SelectStreams(uint32_t program, uint32_t video, uint32_t audio);
  // The ten ReadOptions words; setting them switches read-ahead (word 3) with
  // word 4 as the read-ahead size in bytes.
  uint32_t SetReadOptions(const uint32_t* options);
  uint32_t GetReadOptions(uint32_t* options) const;

  // Video frames by decode index (ordinals 420 to 426). Shared-buffer reads
  // hand out the object's own buffer, valid until the next call.
  uint32_t ReadVideoFrame(uint32_t index, uint8_t* buffer, SPlugFrameInfo* info);
  uint32_t ReadVideoFrameShared(uint32_t index, uint8_t** buffer, SPlugFrameInfo* info);
  uint32_t ReadKeyFrameBefore(uint32_t index, uint8_t** buffer, SPlugFrameInfo* info);
  uint32_t PeekKeyFrameBefore(uint32_t index, SPlugFrameInfo* info);
  uint32_t ReadCurrentVideoFrame(uint8_t** buffer, SPlugFrameInfo* info);
  uint32_t ReadCurrentFrameInfo(SPlugFrameInfo* info);
  uint32_t PeekNextReferenceFrame(uint32_t index, SPlugFrameInfo* info);

  // Audio blocks of `count` packets from `start` (ordinals 428, 429).
  uint32_t ReadAudioSamples(uint32_t start, uint32_t count, uint8_t* buffer, SPlugFrameInfo* info);
  uint32_t ReadAudioSamplesAlt(uint32_t start, uint32_t count, uint8_t** buffer,
                               SPlugFrameInfo* info);

 private:
  // The counts, selection and records of a movie not yet opened.
  void ResetStreams();
  uint32_t CheckSourceFile(const char16_t* path);
  void FillVideoRecord(const VideoTrackDesc& track);
  void CompleteVideoRecord(uint32_t frameCount);
  void CompleteAudioRecord();
  void FillAudioRecord(const SoundTrack& track, const AudioTrackDesc& desc, uint32_t packets);

  // Settles videoType, videoSubType and colorFormat by the compressor code.
  // A value ends the open with that result.
  std::optional<uint32_t> SettleVideoType(uint32_t fourcc);
  void ProbeDvStream();
  void ProbeMpegStream();
  std::optional<uint32_t> ProbeH264Stream();
  std::optional<uint32_t> SettleDnxhd();
  // Reads frames from 0 into a scratch buffer, after clearing the video
  // record, and hands each to `feed` until it reports the record complete, a
  // read fails or `maxFrames` have been read.
  void ProbeFrames(uint32_t maxFrames, const std::function<bool(const uint8_t*, uint32_t)>& feed);

  // The frame-walks of ordinals 422/423 and 426.
  uint32_t WalkToKeyFrame(uint32_t index, uint8_t** buffer, SPlugFrameInfo* info);
  // maxVideoFrameSize_ bytes, allocated at its first use.
  uint8_t* SharedFrameBuffer();
  bool IsPastLastFrame(uint32_t index) const;
  // Ordinal 420 into a buffer of `capacity` bytes.
  uint32_t ReadFrameInto(uint32_t index, uint8_t* buffer, uint32_t capacity, SPlugFrameInfo* info);

  const DirectRead directRead_;
  CQTReader* reader_ = nullptr;
  uint32_t readOptions_[PLUG_READ_OPTIONS_WORDS];
  uint32_t frameCount_ = 0;
  uint32_t nextFrame_ = 0;
  // maxVideoFrameSize_ bytes, allocated at its first use, page-aligned so
  // that direct reads can put a frame into it without a copy.
  zeb::sys::AlignedBuffer frameBuffer_;
  PlugRecords::PrivateDesc videoDesc_;
  PlugRecords::PrivateDesc audioDesc_;
  SPlugStreamInfo videoStream_;
  SPlugStreamInfo audioStream_;
  uint32_t state_ = 1;
  uint32_t maxVideoFrameSize_ = 0;
  uint32_t reservedSize_ = 0;
  uint32_t programCount_ = 0;
  uint32_t currentProgram_ = 0;
  uint32_t videoStreamCount_ = 0;
  uint32_t currentVideoStream_ = 0;
  uint32_t audioStreamCount_ = 0;
  uint32_t currentAudioStream_ = 0;
  uint64_t fileSize_ = 0;
  std::unique_ptr<H264AnalyzerModule> analyzer_;
};
