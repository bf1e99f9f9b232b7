#include "codecs/CQTSupportAudioDec.h"

#include <new>

#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr uint64_t kUnsetPosition = 0x00000000FFFFFFFFull;
constexpr uint32_t kAudioStream = 2;

}  // namespace

uint32_t CQTSupportAudioDec::Open(const SPlugPrivateDesc* description) {
  Close();
  if (description == nullptr) return ZEB_E_NULL_POINTER;
  if (description->kind != PLUG_PRIVATE_QT_SOUND_DESCRIPTION) return ZEB_E_NOT_SOUND_DESCRIPTION;
  decoder_.reset(new (std::nothrow) CQTADeCoder);
  if (!decoder_ ||
      decoder_->Open(static_cast<const uint8_t*>(description->address), description->size) != 0) {
    return ZEB_E_AUDIO_DECODER_SETUP;
  }
  pendingData_ = nullptr;
  pendingSize_ = 0;
  return ZEB_OK;
}

uint32_t CQTSupportAudioDec::IsPacketSizeConstant() const {
  return decoder_ && decoder_->VariablePackets() ? 0 : 1;
}

uint32_t CQTSupportAudioDec::Decode(const uint8_t* data, const SPlugFrameInfo* info) {
  if (info == nullptr) return ZEB_E_NULL_POINTER;
  pendingData_ = data;
  pendingSize_ = info->dataSize;
  pendingCount_ = info->unitCount;
  pendingState_ = info->streamState;
  return ZEB_OK;
}

uint32_t CQTSupportAudioDec::GetDecoded(uint8_t** out, SPlugFrameInfo* info) {
  if (pendingSize_ == 0 || !decoder_) return ZEB_OK;
  if (out == nullptr || info == nullptr) return ZEB_E_NULL_POINTER;
  uint32_t outSize = 0;
  (void)decoder_->Decode(pendingData_, pendingSize_, pendingCount_, out, &outSize);
  pendingSize_ = 0;
  info->streamType = kAudioStream;
  info->frameType = PLUG_FRAME_COMPRESS_TYPE_DECODED_;
  info->unitCount = pendingCount_;
  info->dataSize = outSize;
  info->decodePosition = kUnsetPosition;
  info->presentationPosition = kUnsetPosition;
  return ZEB_OK;
}

uint32_t CQTSupportAudioDec::Close() {
  decoder_.reset();
  return ZEB_OK;
}
