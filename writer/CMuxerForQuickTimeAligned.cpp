// Aligned mode: video frames wait in the elementary-stream buffer, the PCM
// is re-cut into one chunk per video frame, and the pump adds whichever of
// the two is behind in time, so each frame is followed by its own audio.
#include <algorithm>

#include "core/PlugRecords.h"
#include "core/QtLog.h"
#include "writer/AudioDescriptionBlock.h"
#include "writer/CMuxerForQuickTime.h"
#include "writer/FrameInfoSideBlock.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr uint32_t kMebibyte = 1u << 20;
constexpr int32_t kMaxAlignedChannels = 2;

// a × b ÷ c rounded to nearest, halves away from zero; -1 when c is 0 or
// the result leaves 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t numerator = int64_t{a} * b;
  int64_t denominator = c;
  if (denominator < 0) {
    numerator = -numerator;
    denominator = -denominator;
  }
  const int64_t half = denominator / 2;
  const int64_t rounded = (numerator >= 0 ? numerator + half : numerator - half) / denominator;
  return rounded > INT32_MAX || rounded < INT32_MIN ? -1 : static_cast<int32_t>(rounded);
}

bool IsKeyFrame(uint32_t frameType) {
  return frameType == PLUG_FRAME_COMPRESS_TYPE_I_ ||
         frameType == PLUG_FRAME_COMPRESS_TYPE_DECODED_ ||
         frameType == PLUG_FRAME_COMPRESS_TYPE_IDR_;
}

}  // namespace

void CMuxerForQuickTime::SetUpAlignedMode(const SPlugAudioStreamInfo& audio) {
  const VideoDescriptionRequest& video = setup_.video;
  const int32_t samplesPerFrame =
      MulDiv(setup_.audio.sampleRate, video.frameDuration, video.timeScale);
  // Without a positive chunk the audio clock never moves and no frame would
  // ever be pumped; such streams go the direct way.
  if (setup_.audio.channels > kMaxAlignedChannels || samplesPerFrame < 1) {
    aligned_ = false;
    return;
  }
  pcmEncoder_ = std::make_unique<CPCMAudioEncoder>();
  pcmEncoder_->Init(&audio, 0);
  audioChunkTable_.fill(static_cast<uint32_t>(samplesPerFrame));
  if (setup_.audio.sampleRate == 48000 && video.timeScale == 30000 && video.frameDuration == 1001) {
    audioChunkTable_ = {1602, 1601, 1602, 1601, 1602};  // 8008 samples in 5 frames, exactly
  }
  audioChunkIndex_ = 0;
  audioEnded_ = false;
}

uint32_t CMuxerForQuickTime::WriteAligned(uint32_t stream, std::span<const uint8_t> unit,
                                          const SPlugFrameInfo& info) {
  if (stream == 0) {
    if (const uint32_t parked = ParkVideo(unit, info); parked != ZEB_OK) return parked;
    return Pump();
  }
  const bool block = info.privateKind == kPrivateAudioDescription && info.privateAddress != nullptr;
  const std::span<const uint8_t> described = AudioDescriptionBlockIn(
      {static_cast<const uint8_t*>(info.privateAddress), block ? info.privateSize : 0});
  currentAudioDescription_.assign(described.begin(), described.end());
  const uint32_t put = pcmEncoder_->PutInterleaved(unit.data(), static_cast<uint32_t>(unit.size()),
                                                   info.streamState);
  if (put != ZEB_OK) return put;
  return Pump();
}

uint32_t CMuxerForQuickTime::ParkVideo(std::span<const uint8_t> unit, const SPlugFrameInfo& info) {
  const size_t need = FrameInfoSideBlockSize(info);
  if (sideBlock_.size() < need) sideBlock_.resize((need / kMebibyte + 1) * kMebibyte);
  const size_t sideSize = WriteFrameInfoSideBlock(info, sideBlock_);
  if (unit.empty()) return ZEB_OK;  // nothing to add; an end marker without a frame
  if (!videoBuffer_->PutDate(0, unit.data(), static_cast<int32_t>(unit.size()), sideBlock_.data(),
                             static_cast<int32_t>(sideSize))) {
    QtLogError(L"CMuxerForQuickTime--no memory to hold a video frame");
    return ZEB_E_ADD_SAMPLE;
  }
  return ZEB_OK;
}

bool CMuxerForQuickTime::AudioIsBehind() const {
  const VideoDescriptionRequest& video = setup_.video;
  const uint64_t videoMs = uint64_t{framesWritten_} * static_cast<uint32_t>(video.frameDuration) *
                           1000 / static_cast<uint32_t>(video.timeScale);
  const uint64_t audioMs =
      uint64_t{audioSamplesWritten_} * 1000 / static_cast<uint32_t>(setup_.audio.sampleRate);
  return videoMs > audioMs;
}

uint32_t CMuxerForQuickTime::Pump() {
  if (!aligned_) return ZEB_OK;
  uint32_t result = ZEB_OK;
  for (;;) {
    const bool goOn =
        AudioIsBehind() && !audioEnded_ ? PumpAudioChunk(result) : PumpVideoFrame(result);
    if (!goOn) return result;
  }
}

bool CMuxerForQuickTime::PumpAudioChunk(uint32_t& result) {
  if (audioChunkIndex_ >= kAudioChunkCycle) audioChunkIndex_ = 0;
  pcmEncoder_->SetChunkSize(static_cast<int32_t>(audioChunkTable_[audioChunkIndex_]));
  const uint8_t* chunk = nullptr;
  SPlugFrameInfo info;
  PlugRecords::Init(info);
  pcmEncoder_->GetChunk(&chunk, &info);
  if (static_cast<int32_t>(info.dataSize) < 1 || chunk == nullptr) return false;
  ++audioChunkIndex_;
  result = writer_->AddAudioSamples(audioSamplesWritten_, static_cast<int32_t>(info.unitCount),
                                    {chunk, info.dataSize}, currentAudioDescription_);
  if (result != ZEB_OK) return false;
  audioSamplesWritten_ += info.unitCount;
  if (info.streamState == PLUG_STREAMSTATE_END_) audioEnded_ = true;
  return true;
}

bool CMuxerForQuickTime::PumpVideoFrame(uint32_t& result) {
  uint32_t index = 0;
  uint8_t* frame = nullptr;
  int32_t size = 0;
  uint8_t* side = nullptr;
  int32_t sideSize = 0;
  videoBuffer_->GetDate(&index, &frame, &size, &side, &sideSize, nullptr);
  if (size < 1) return false;
  SPlugFrameInfo info;
  PlugRecords::Init(info);
  if (!ReadFrameInfoSideBlock({side, static_cast<size_t>(std::max(sideSize, 0))}, info)) {
    info.dataSize = static_cast<uint32_t>(size);
  }
  const uint32_t key = IsKeyFrame(info.frameType) ? CQTWriter::kSyncKeyFlag : 0;
  const auto* privateBytes = static_cast<const uint8_t*>(info.privateAddress);
  const bool image = info.privateKind == kPrivateImageDescription && privateBytes != nullptr;
  const std::span<const uint8_t> description(privateBytes, image ? info.privateSize : 0);
  const uint32_t bytes = std::min(info.dataSize, static_cast<uint32_t>(size));
  result = writer_->AddVideoSample(framesWritten_++, {frame, bytes}, key, description,
                                   HostDisplayOffset(info));
  return result == ZEB_OK;
}
