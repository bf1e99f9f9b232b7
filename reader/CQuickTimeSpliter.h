// The reader family's object: one per source file. Owns the CQTReader of the
// open movie and the two stream records the host reads back.
#pragma once

#include <cstdint>

#include "frame/PlugRecords.h"
#include "zebplug/ZEBPlugRecords.h"

class CQTReader;

class CQuickTimeSpliter {
 public:
  CQuickTimeSpliter();
  ~CQuickTimeSpliter();
  CQuickTimeSpliter(const CQuickTimeSpliter&) = delete;
  CQuickTimeSpliter& operator=(const CQuickTimeSpliter&) = delete;

  // Releases the open movie and the H.264 analyser; also the first step of
  // every open and of destruction.
  void Close();

  uint32_t GetProgramCount() const { return programCount_; }
  uint32_t GetVideoStreamCount() const { return videoStreamCount_; }
  uint32_t GetAudioStreamCount() const { return audioStreamCount_; }
  uint32_t GetState() const { return state_; }
  uint32_t GetMaxVideoFrameSize() const { return maxVideoFrameSize_; }
  uint32_t GetReservedSize() const { return reservedSize_; }

  // Copies the video stream record (nothing when `info` is null).
  uint32_t GetVideoStreamInfo(uint32_t program, uint32_t index, SPlugStreamInfo* info) const;
  // Stores the selection only when every index is in range.
  uint32_t SelectStreams(uint32_t program, uint32_t video, uint32_t audio);
  // Fills the ten ReadOptions words as they stand.
  uint32_t GetReadOptions(uint32_t* options) const;

 private:
  CQTReader* reader_ = nullptr;
  uint32_t readOptions_[PLUG_READ_OPTIONS_WORDS];
  uint32_t frameCount_ = 0;
  uint32_t nextFrame_ = 0;
  uint32_t audioPacketCount_ = 0;
  uint32_t nextAudio_ = 0;
  uint8_t* frameBuffer_ = nullptr;
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
  void* analyzerModule_ = nullptr;
  void* analyzer_ = nullptr;
};
