#include "reader/CQuickTimeSpliter.h"

#include <cstdlib>
#include <cstring>

#include "reader/CQTReader.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr uint32_t kDefaultReadOptions[PLUG_READ_OPTIONS_WORDS] = {
    1, 1, 0, 0x100000, 0x20000080, 0, 0, 0, 0, 0};

// The record defaults a fresh stream record starts from.
void InitStreamRecord(SPlugStreamInfo& record) {
  std::memset(&record, 0, sizeof(record));
  record.structVersion = 1;
  SPlugVideoStreamInfo& video = record.video;
  video.size = sizeof(SPlugVideoStreamInfo);
  video.width = 720;
  video.height = 576;
  video.aspectX = 4;
  video.aspectY = 3;
  video.frameRateNum = 25;
  video.frameRateDen = 1;
  video.colorFormat = 23;
  video.colorPrimaries = 5;
  video.transferFunction = 5;
  video.matrix = 5;
  video.componentDepth = -1;
  video.gopSize = 12;
  video.gopReserved = 2;
  video.videoRange = 1;
  video.reserved18 = 1;
  SPlugAudioStreamInfo& audio = record.audio;
  audio.size = sizeof(SPlugAudioStreamInfo);
  audio.audioType = 1;
  audio.channels = 2;
  audio.bitsPerSample = 16;
  audio.sampleRate = 48000;
  audio.bitRate = 1536000;
  audio.blockAlign = 2;
  audio.reserved8 = 1;
  audio.reserved9 = 1;
  audio.reserved10 = 1;
  record.framesPerPacket = 1;
}

}  // namespace

CQuickTimeSpliter::CQuickTimeSpliter() {
  std::memcpy(readOptions_, kDefaultReadOptions, sizeof(readOptions_));
  InitStreamRecord(videoStream_);
  InitStreamRecord(audioStream_);
}

CQuickTimeSpliter::~CQuickTimeSpliter() { Close(); }

void CQuickTimeSpliter::Close() {
  if (reader_ != nullptr) {
    reader_->Close();
    delete reader_;
    reader_ = nullptr;
  }
  std::free(frameBuffer_);
  frameBuffer_ = nullptr;
}

uint32_t CQuickTimeSpliter::GetVideoStreamInfo(uint32_t program, uint32_t index,
                                               SPlugStreamInfo* info) const {
  if (program >= programCount_ || index >= videoStreamCount_) return ZEB_E_OUT_OF_RANGE;
  if (info != nullptr) *info = videoStream_;
  return ZEB_OK;
}

uint32_t CQuickTimeSpliter::SelectStreams(uint32_t program, uint32_t video, uint32_t audio) {
  if (program >= programCount_ || video >= videoStreamCount_ || audio >= audioStreamCount_) {
    return ZEB_E_OUT_OF_RANGE;
  }
  currentProgram_ = program;
  currentVideoStream_ = video;
  currentAudioStream_ = audio;
  return ZEB_OK;
}

uint32_t CQuickTimeSpliter::GetReadOptions(uint32_t* options) const {
  std::memcpy(options, readOptions_, sizeof(readOptions_));
  return ZEB_OK;
}
