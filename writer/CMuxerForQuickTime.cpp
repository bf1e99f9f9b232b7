#include "writer/CMuxerForQuickTime.h"

#include <algorithm>

#include "core/PlugRecords.h"
#include "core/QtLog.h"
#include "framework/proxy/include/ZEBProxyCodec.h"
#include "media/FourCC.h"
#include "platform/movie/ByteReader.h"
#include "writer/MuxerStreamCheck.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr size_t kLocalPathUnits = 260;
constexpr uint32_t kSourceKindFile = 0;
constexpr uint32_t kVideoDepthWithAudio = 50;
constexpr uint32_t kVideoDepth = 25;
constexpr int32_t kDvcproHdWidth = 1920;
constexpr int32_t kDvcproHdHeight = 1080;
constexpr uint64_t kBytesPerBufferedPixel = 4;

constexpr uint32_t kPrivateImageDescription = CMuxerForQuickTime::kPrivateImageDescription;

const SPlugStreamInfo* FirstStream(std::span<const SPlugStreamInfo> streams, uint32_t type) {
  const auto found = std::find_if(streams.begin(), streams.end(), [type](const SPlugStreamInfo& s) {
    return s.streamType == type;
  });
  return found == streams.end() ? nullptr : &*found;
}

// The host's image description as a handle of the movie layer, or null when
// there is none or its bytes cannot hold the length it claims.
zeb::movie::Handle PresetFrom(const SPlugStreamInfo& stream) {
  if (stream.privateKind != kPrivateImageDescription || stream.privateAddress == nullptr) {
    return nullptr;
  }
  const std::span<const uint8_t> bytes(static_cast<const uint8_t*>(stream.privateAddress),
                                       stream.privateSize);
  uint32_t length = 0;
  if (!zeb::movie::ByteReader(bytes).ReadNativeAt(0, length).IsOk() || length < sizeof length ||
      length > bytes.size()) {
    return nullptr;
  }
  zeb::movie::Handle preset = zeb::movie::NewHandle(length);
  if (preset != nullptr) std::copy_n(bytes.begin(), length, *preset);
  return preset;
}

}  // namespace

CMuxerForQuickTime::~CMuxerForQuickTime() { Close(); }

uint32_t CMuxerForQuickTime::Open(const SPlugOpenParam& open, const SPlugMuxParam& param) {
  if (param.openMode == PLUG_MUX_OPEN_READ_WHILE_WRITING) {
    QtLogError(L"CMuxerForQuickTime--Not support READ_WHILE_MODE");
    return ZEB_E_NOT_SUPPORTED;
  }
  if (param.openMode == PLUG_MUX_OPEN_APPEND) {
    QtLogError(L"CMuxerForQuickTime--Not support APPEND MODE");
    return ZEB_E_NOT_SUPPORTED;
  }
  if (open.count != 1 || open.source == nullptr || open.source->kind != kSourceKindFile) {
    return ZEB_E_NOT_SUPPORTED;
  }
  if (param.streams == nullptr && param.streamCount > 0) return ZEB_E_NULL_POINTER;
  Close();  // a second open finishes the first movie rather than losing it
  char16_t local[kLocalPathUnits] = {};
  ConvertUNC2LocalPathName(open.source->path, local);

  const std::span<const SPlugStreamInfo> streams(param.streams, param.streamCount);
  const SPlugStreamInfo* video = FirstStream(streams, PLUG_STREAM_TYPE_VIDEO_);
  const SPlugStreamInfo* audio = FirstStream(streams, PLUG_STREAM_TYPE_AUDIO_);
  audioUnitCount_ = 0;
  setup_ = WriterSetup{};
  if (video != nullptr) {
    if (const uint32_t refused = SetUpVideo(*video); refused != ZEB_OK) return refused;
  }
  if (audio != nullptr) {
    if (const uint32_t refused = SetUpAudio(*audio); refused != ZEB_OK) return refused;
  }
  aligned_ =
      audio != nullptr && video != nullptr && IsQuickTimeUnCompressAudio(setup_.audio.audioFourcc);
  if (aligned_) ZEBMSGW(kQtLogSource, L"Align Quciktime Video and Audio frame\n");
  if (aligned_) SetUpAlignedMode(audio->audio);

  writer_ = std::make_unique<CQTWriter>();
  if (const uint32_t opened = writer_->Open(local, setup_); opened != ZEB_OK) return opened;
  framesWritten_ = 0;
  audioSamplesWritten_ = 0;
  if (param.writerThreads > 0) {
    writer_->StartWriterThread(audio != nullptr ? kVideoDepthWithAudio : kVideoDepth);
  }
  return ZEB_OK;
}

uint32_t CMuxerForQuickTime::SetUpVideo(const SPlugStreamInfo& stream) {
  const SPlugVideoStreamInfo& info = stream.video;
  setup_.videoPresent = 1;
  setup_.videoInfo = info;
  const uint32_t fourcc = GetQuickTimeVideoTypeFOURCC(&info);
  if (fourcc == ZEB_FOURCC_NONE) return ZEB_E_NO_VIDEO_FOURCC;
  VideoDescriptionRequest& video = setup_.video;
  video = DescriptionRequestFor(fourcc, info);
  if (IsDvcproHd(fourcc)) {
    video.width = kDvcproHdWidth;
    video.height = kDvcproHdHeight;
  }
  presetDescription_.reset(PresetFrom(stream));
  video.presetDescription = presetDescription_.get();

  const uint64_t frameBytes = uint64_t{static_cast<uint32_t>(video.width)} *
                              static_cast<uint32_t>(video.height) * kBytesPerBufferedPixel;
  videoBuffer_ = std::make_unique<CSoftEsBuffer>();
  videoBuffer_->Init(static_cast<uint32_t>(std::min<uint64_t>(frameBytes, UINT32_MAX)));
  return ZEB_OK;
}

uint32_t CMuxerForQuickTime::SetUpAudio(const SPlugStreamInfo& stream) {
  const SPlugAudioStreamInfo& info = stream.audio;
  setup_.audioPresent = 1;
  AudioSetup& audio = setup_.audio;
  audio.audioFourcc = GetQuickTimeAudioFOURCC(&info);
  if (audio.audioFourcc == ZEB_FOURCC_NONE) return ZEB_E_NO_AUDIO_FOURCC;
  audio.channels = static_cast<int32_t>(info.channels);
  audio.bitsPerSample = static_cast<int32_t>(info.bitsPerSample);
  audio.sampleRate = static_cast<int32_t>(info.sampleRate);
  audio.bitRate = static_cast<int32_t>(info.bitRate);
  currentAudioDescription_.clear();
  return ZEB_OK;
}

uint32_t CMuxerForQuickTime::Write(uint32_t stream, const uint8_t* data,
                                   const SPlugFrameInfo& info) {
  if (!writer_) {
    QtLogError(L"CMuxerForQuickTime--Write before a successful Open");
    return ZEB_E_ADD_SAMPLE;
  }
  if (data == nullptr && info.dataSize > 0) return ZEB_E_NULL_POINTER;
  const std::span<const uint8_t> unit(data, data != nullptr ? info.dataSize : 0);
  return aligned_ ? WriteAligned(stream, unit, info) : WriteDirect(stream, unit, info);
}

uint32_t CMuxerForQuickTime::WriteDirect(uint32_t stream, std::span<const uint8_t> unit,
                                         const SPlugFrameInfo& info) {
  const auto* privateBytes = static_cast<const uint8_t*>(info.privateAddress);
  const std::span<const uint8_t> description(privateBytes, privateBytes ? info.privateSize : 0);
  if (stream == 0 && setup_.videoPresent) {
    const uint32_t key =
        info.frameType == PLUG_FRAME_COMPRESS_TYPE_I_ ? CQTWriter::kSyncKeyFlag : 0;
    const bool image = info.privateKind == kPrivateImageDescription;
    return writer_->AddVideoSample(framesWritten_++, unit, key,
                                   image ? description : std::span<const uint8_t>{},
                                   HostDisplayOffset(info));
  }
  const bool block = info.privateKind == kPrivateAudioDescription;
  return writer_->AddAudioSamples(audioUnitCount_++, static_cast<int32_t>(info.unitCount), unit,
                                  block ? description : std::span<const uint8_t>{});
}

int64_t CMuxerForQuickTime::HostDisplayOffset(const SPlugFrameInfo& info) const {
  if (info.decodePosition == PlugRecords::kUnsetPosition ||
      info.presentationPosition == PlugRecords::kUnsetPosition) {
    return 0;
  }
  const auto frames = static_cast<int64_t>(info.presentationPosition - info.decodePosition);
  return frames * setup_.video.frameDuration;
}

uint32_t CMuxerForQuickTime::Close() {
  if (videoBuffer_) videoBuffer_->SetEndOfInput();
  if (pcmEncoder_) pcmEncoder_->PutInterleaved(nullptr, 0, PLUG_STREAMSTATE_END_);
  if (writer_) {
    Pump();
    // Audio that ended on an empty chunk would strand the parked frames
    // beyond it; they are written too, so no frame the host gave is lost.
    audioEnded_ = true;
    Pump();
    writer_->Close();
    writer_.reset();
  }
  if (pcmEncoder_) pcmEncoder_->Reset();
  pcmEncoder_.reset();
  if (videoBuffer_) videoBuffer_->Close();
  videoBuffer_.reset();
  presetDescription_.reset();
  aligned_ = false;
  return ZEB_OK;
}
