// Adding samples: video frames with their display offsets and descriptions,
// audio blocks split across the sound tracks.
#include <algorithm>
#include <cstring>

#include "core/QtLog.h"
#include "media/FourCC.h"
#include "media/ImxKlv.h"
#include "media/MpegPictureHeader.h"
#include "platform/movie/ByteReader.h"
#include "platform/movie/SampleReference.h"
#include "platform/movie/SpanWriter.h"
#include "writer/AudioDescriptionBlock.h"
#include "writer/CQTWriter.h"
#include "zebplug/ZEBPlugResults.h"

using zeb::movie::Status;

namespace {

constexpr size_t kDescriptionHead = 8;  // length, codec
constexpr uint8_t kBerThreeByteLength = 0x83;
constexpr size_t kBerLengthBytes = 3;

// A header word in the machine's order; 0 past the end.
uint32_t NativeWord(std::span<const uint8_t> bytes, size_t at) {
  uint32_t word = 0;
  return zeb::movie::ByteReader(bytes).ReadNativeAt(at, word).IsOk() ? word : 0;
}

// The description's own bytes (its first word long), or nothing when the
// bytes given cannot hold what it claims.
std::span<const uint8_t> ImageDescriptionIn(std::span<const uint8_t> bytes) {
  if (bytes.size() < kDescriptionHead) return {};
  const uint32_t length = NativeWord(bytes, 0);
  if (length < kDescriptionHead || length > bytes.size()) return {};
  return bytes.first(length);
}

// The XDCAM codes 'xdv1'..'xdvf' and 'xd59'..'xd5f', by numeric range.
bool IsXdcam(uint32_t fourcc) {
  return (fourcc >= 0x78647631 && fourcc <= 0x78647666) ||
         (fourcc >= 0x78643539 && fourcc <= 0x78643566);
}

void LogAddFailure(const wchar_t* format, const Status& status) {
  ZEB_OutputW(kQtLogSource, ZEB_INFO_TRACE, format, static_cast<int>(status.Err()));
}

}  // namespace

uint32_t CQTWriter::AddVideoSample(uint32_t /*index*/, std::span<const uint8_t> bytes,
                                   uint32_t keyFlag, std::span<const uint8_t> description,
                                   int64_t displayOffset) {
  return SubmitSample(true, 1, bytes, keyFlag, ImageDescriptionIn(description), displayOffset);
}

uint32_t CQTWriter::AddAudioSamples(uint32_t /*index*/, int32_t count,
                                    std::span<const uint8_t> bytes,
                                    std::span<const uint8_t> block) {
  return SubmitSample(false, count, bytes, 1, AudioDescriptionBlockIn(block), 0);
}

// The key stays from open; the BER length and the frame follow it. The
// caller has checked that the frame fits.
std::span<const uint8_t> CQTWriter::WrapImxFrame(std::span<const uint8_t> frame) {
  zeb::movie::SpanWriter item(klvBuffer_);
  const bool wrapped =
      item.Seek(zeb::media::kKlvLengthByteAt).IsOk() && item.PutU8(kBerThreeByteLength).IsOk() &&
      item.PutBigEndian(kBerLengthBytes, frame.size()).IsOk() && item.PutBytes(frame).IsOk();
  return std::span<const uint8_t>(klvBuffer_).first(wrapped ? item.Position() : 0);
}

bool CQTWriter::ReplaceVideoDescription(std::span<const uint8_t> description) {
  if (description.empty() || NativeWord(description, 4) != videoFourcc_) return true;
  zeb::movie::Handle current = videoDescription_.get();
  const size_t recorded = NativeWord({*current, kDescriptionHead}, 0);
  if (recorded < description.size() || zeb::movie::GetHandleSize(current) < description.size()) {
    videoDescription_.reset(zeb::movie::NewHandle(description.size()));
    if (!videoDescription_) return false;
  }
  std::memcpy(*videoDescription_, description.data(), description.size());
  return true;
}

uint32_t CQTWriter::DisplayOffset(std::span<const uint8_t> frame, int64_t hostDisplayOffset,
                                  int64_t& offset) const {
  const bool mpeg = videoFourcc_ == zeb::media::FourCC("mpeg");
  if (!mpeg && !IsXdcam(videoFourcc_)) {
    // Pictures without temporal references (H.264, MPEG-4) keep the order
    // the host's positions give; without it B-frames would play in decode order.
    offset = hostDisplayOffset;
    return ZEB_OK;
  }
  const std::optional<uint16_t> temporalReference = zeb::media::FirstTemporalReference(frame);
  if (!temporalReference) return ZEB_E_EMPTY_FRAME;
  if (mpeg) {
    // 32-bit arithmetic, sign-extended: a frame shown more than a frame
    // before its decode position gets a negative offset, not 4 billion ticks.
    const uint32_t frames = *temporalReference - decodeIndex_ + gopStartIndex_ + 1;
    offset = static_cast<int32_t>(frames * static_cast<uint32_t>(frameDuration_));
  } else {
    offset =
        (int64_t{*temporalReference} + gopStartIndex_ - int64_t{decodeIndex_}) * frameDuration_;
  }
  return ZEB_OK;
}

uint32_t CQTWriter::WriteVideoSample(std::span<const uint8_t> bytes, uint32_t keyFlag,
                                     std::span<const uint8_t> description,
                                     int64_t hostDisplayOffset) {
  if (!movie_ || videoMedia_ == nullptr) return ZEB_E_ADD_SAMPLE;
  std::span<const uint8_t> sample = bytes;
  if (!klvBuffer_.empty()) {
    if (bytes.size() > kMaxImxFrameSize) {
      QtLogMessage(L"Video--MPEG IMX frame of %zu bytes exceeds %u", bytes.size(),
                   kMaxImxFrameSize);
      return ZEB_E_ADD_SAMPLE;
    }
    sample = WrapImxFrame(bytes);
  }
  uint32_t flags = zeb::movie::kSampleNotSync;
  if (keyFlag != 0) {
    gopStartIndex_ = decodeIndex_;
    flags = 0;
  }
  if (!ReplaceVideoDescription(description)) return ZEB_E_ADD_SAMPLE;
  int64_t displayOffset = 0;
  if (const uint32_t found = DisplayOffset(sample, hostDisplayOffset, displayOffset);
      found != ZEB_OK)
    return found;
  ++decodeIndex_;
  const Status added = movie_->AddMediaSample2(
      videoMedia_, sample.data(), static_cast<uint32_t>(sample.size()), frameDuration_,
      displayOffset, videoDescription_.get(), 1, flags, nullptr);
  if (added.IsOk()) return ZEB_OK;
  LogAddFailure(L"Video--AddMediaSample2() return error %d", added);
  return ZEB_E_ADD_SAMPLE;
}

uint32_t CQTWriter::WriteAudioSamples(int32_t count, std::span<const uint8_t> bytes,
                                      std::span<const uint8_t> block) {
  if (!movie_ || audioTrackCount_ == 0) return ZEB_E_ADD_SAMPLE;
  int64_t samples = count;
  int64_t duration = 1;
  if (!block.empty()) {
    // A description with extensions grows the handle; the handle never shrinks.
    const std::span<const uint8_t> sound = block.subspan(kSoundDescriptionAt);
    if (zeb::movie::GetHandleSize(soundDescription_.get()) < sound.size() &&
        !zeb::movie::SetHandleSize(soundDescription_.get(), sound.size()).IsOk()) {
      return ZEB_E_ADD_SAMPLE;
    }
    std::copy(sound.begin(), sound.end(), *soundDescription_);
    const auto mode = static_cast<int32_t>(NativeWord(block, 0));
    const auto value = static_cast<int32_t>(NativeWord(block, 4));
    if (mode == kModeSampleDuration) {
      duration = value;
    } else {
      samples = int64_t{value} * count;
    }
  }
  if (samples <= 0 || samples > UINT32_MAX) {
    QtLogMessage(L"Audio--%lld samples in a unit cannot be added", static_cast<long long>(samples));
    return ZEB_E_ADD_SAMPLE;
  }
  const size_t part = bytes.size() / audioTrackCount_;
  Status failed;
  for (size_t i = 0; i < audioTrackCount_; ++i) {
    const Status added = movie_->AddMediaSample2(
        audioMedias_[i], bytes.subspan(i * part, part).data(), static_cast<uint32_t>(part),
        duration, 0, soundDescription_.get(), static_cast<uint32_t>(samples), 0, nullptr);
    if (!added.IsOk()) failed = added;
  }
  if (failed.IsOk()) return ZEB_OK;
  LogAddFailure(L"Audio--AddMediaSample2() return error %d", failed);
  return ZEB_E_ADD_SAMPLE;
}
