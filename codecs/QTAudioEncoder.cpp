#include "codecs/QTAudioEncoder.h"

#include <new>

#include "core/PlugRecords.h"
#include "core/QtLog.h"
#include "framework/proxy/include/ZEBProxyCodec.h"
#include "media/SampleDescriptionLayout.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr uint64_t kUnsetPosition = 0x00000000FFFFFFFFull;

// Samples per channel of each chunk the PCM encoder cuts: whole packets, and
// about one second of them for codings of constant-size packets.
int32_t ChunkSamples(uint32_t samplesPerPacket, int32_t compressionId, uint32_t sampleRate) {
  if (samplesPerPacket < 2) return static_cast<int32_t>(sampleRate);
  if (compressionId != zeb::media::sound::kVariableCompressionId) {
    return static_cast<int32_t>(samplesPerPacket * (sampleRate / samplesPerPacket));
  }
  return static_cast<int32_t>(samplesPerPacket);
}

bool OddAboveOne(uint32_t channels) { return channels > 1 && channels % 2 == 1; }

}  // namespace

QTAudioEncoder::~QTAudioEncoder() { Close(); }

uint32_t QTAudioEncoder::CheckFormat(const SPlugAudioStreamInfo* info) {
  if (info == nullptr) return ZEB_E_NULL_POINTER;
  if (GetQuickTimeAudioFOURCC(info) == ZEB_FOURCC_NONE) {
    QtLogError(L"QTAudioEncoder--Not Support Audio Foramt");
    return ZEB_E_AUDIO_ENCODER_PARAMS;
  }
  if (OddAboveOne(info->channels)) {
    QtLogError(L"QTAudioEncoder--Audio Channel count must 1,2,4,8");
    return ZEB_E_AUDIO_ENCODER_PARAMS;
  }
  return ZEB_OK;
}

uint32_t QTAudioEncoder::Open(const SPlugAudioStreamInfo* info, const SPlugPrivateDesc* custom) {
  Close();
  if (info == nullptr) return ZEB_E_NULL_POINTER;
  (void)CheckFormat(info);
  AudioEncoderParams params;
  params.format = GetQuickTimeAudioFOURCC(info);
  params.channels = info->channels;
  params.sampleSize = info->bitsPerSample;
  params.sampleRate = info->sampleRate;
  params.bitRate = info->bitRate;
  const uint8_t* customData = nullptr;
  uint32_t customSize = 0;
  if (custom != nullptr && custom->kind == PLUG_PRIVATE_AUDIO_SETTINGS) {
    customData = static_cast<const uint8_t*>(custom->address);
    customSize = custom->size;
  }
  qtEncoder_.reset(new (std::nothrow) CQTAEnCoder());
  pcmEncoder_.reset(new (std::nothrow) CPCMAudioEncoder());
  description_.reset(new (std::nothrow)
                         SPlugPrivateDesc{PLUG_PRIVATE_AUDIO_DESCRIPTION, nullptr, 0});
  // An odd count above one cannot be cut into pairs: its frames would be
  // read with the stride of the pairs and coded as other channels' samples.
  if (!qtEncoder_ || !pcmEncoder_ || !description_ || OddAboveOne(params.channels) ||
      qtEncoder_->Open(params, customData, customSize) != ZEB_OK ||
      pcmEncoder_->Init(info, 0) != ZEB_OK ||
      pcmEncoder_->SetChunkSize(ChunkSamples(qtEncoder_->SamplesPerPacket(),
                                             qtEncoder_->CompressionId(), info->sampleRate)) !=
          ZEB_OK) {
    QtLogError(
        L"QTAudioEncoder: Init QtAudio Encoder error, Encode parament error or need plug for this "
        L"audio format");
    Close();
    return ZEB_E_AUDIO_ENCODER_PARAMS;
  }
  return ZEB_OK;
}

uint32_t QTAudioEncoder::EncodeAudio(const uint8_t* data, const SPlugFrameInfo* info) {
  if (!pcmEncoder_) return ZEB_E_AUDIO_ENCODER_PARAMS;
  if (info == nullptr) return ZEB_E_NULL_POINTER;
  return pcmEncoder_->PutInterleaved(data, info->dataSize, info->streamState);
}

uint32_t QTAudioEncoder::EncodeAudioChannel(uint32_t channel, const uint8_t* data,
                                            const SPlugFrameInfo* info) {
  if (!pcmEncoder_) return ZEB_E_AUDIO_ENCODER_PARAMS;
  if (info == nullptr) return ZEB_E_NULL_POINTER;
  return pcmEncoder_->PutChannel(channel, data, info->dataSize, info->streamState);
}

uint32_t QTAudioEncoder::GetEncodedAudio(const uint8_t** out, SPlugFrameInfo* info) {
  if (out == nullptr || info == nullptr) return ZEB_E_NULL_POINTER;
  info->frameType = PLUG_FRAME_COMPRESS_TYPE_I_;
  info->unitCount = 1;
  info->streamType = PLUG_STREAM_TYPE_AUDIO_;
  info->dataSize = 0;
  info->decodePosition = kUnsetPosition;
  info->presentationPosition = kUnsetPosition;
  info->privateKind = PLUG_PRIVATE_NONE;
  if (!pcmEncoder_ || !qtEncoder_) return ZEB_OK;
  if (nextUnit_ < qtEncoder_->Units().size()) {
    HandOutUnit(out, *info);
    return ZEB_OK;
  }
  SPlugFrameInfo chunkInfo;
  PlugRecords::Init(chunkInfo);
  const uint8_t* chunk = nullptr;
  (void)pcmEncoder_->GetChunk(&chunk, &chunkInfo);
  info->unitCount = 0;
  info->streamState = chunkInfo.streamState;
  if (chunkInfo.dataSize > 0) {
    uint32_t bytes = 0;
    uint32_t frames = 0;
    (void)qtEncoder_->Encode(chunk, chunkInfo.dataSize, out, &bytes, &frames,
                             chunkInfo.streamState == PLUG_STREAMSTATE_END_);
    SetDescription(qtEncoder_->DescriptionBlock());
    nextUnit_ = 0;
    chunkState_ = chunkInfo.streamState;
    if (!qtEncoder_->Units().empty()) HandOutUnit(out, *info);
  }
  info->privateKind = description_->kind;
  info->privateAddress = description_->address;
  info->privateSize = description_->size;
  return ZEB_OK;
}

// Units before the last of a chunk are followed by more, whatever the chunk's
// own state says.
void QTAudioEncoder::HandOutUnit(const uint8_t** out, SPlugFrameInfo& info) {
  const auto units = qtEncoder_->Units();
  const EncodedAudioUnit& unit = units[nextUnit_++];
  SetDescription(qtEncoder_->DescriptionBlockFor(unit));
  *out = unit.data;
  info.dataSize = unit.bytes;
  info.unitCount = unit.frames;
  info.streamState = nextUnit_ < units.size() ? uint32_t{PLUG_STREAMSTATE_MORE_} : chunkState_;
  info.privateKind = description_->kind;
  info.privateAddress = description_->address;
  info.privateSize = description_->size;
}

void QTAudioEncoder::SetDescription(std::span<const uint8_t> block) {
  *description_ = {PLUG_PRIVATE_AUDIO_DESCRIPTION, const_cast<uint8_t*>(block.data()),
                   static_cast<uint32_t>(block.size())};
}

uint32_t QTAudioEncoder::Close() {
  if (pcmEncoder_) pcmEncoder_->Reset();
  pcmEncoder_.reset();
  if (qtEncoder_) qtEncoder_->Close();
  qtEncoder_.reset();
  description_.reset();
  nextUnit_ = 0;
  chunkState_ = 0;
  return ZEB_OK;
}
