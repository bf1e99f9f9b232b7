#include "reader/CQuickTimeSpliter.h"

#include <cstdlib>
#include <cstring>

#include "reader/CQTReader.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr uint32_t kDefaultReadOptions[PLUG_READ_OPTIONS_WORDS] = {
    1, 1, 0, 0x100000, 0x20000080, 0, 0, 0, 0, 0};

}  // namespace

CQuickTimeSpliter::CQuickTimeSpliter() {
  std::memcpy(readOptions_, kDefaultReadOptions, sizeof(readOptions_));
  PlugRecords::Init(videoStream_);
  PlugRecords::Init(audioStream_);
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
