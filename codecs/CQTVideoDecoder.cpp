#include "codecs/CQTVideoDecoder.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "core/LoadQuickTime.h"
#include "media/AnnexB.h"
#include "media/AvcConfigRecord.h"
#include "media/CodecTraits.h"
#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"
#include "media/StartCodeScanner.h"
#include "platform/movie/ByteReader.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

using zeb::movie::ByteReader;
using zeb::movie::Handle;

constexpr uint32_t kGWorldFlags = 0x1000;
constexpr uint32_t kSequenceFlags = 1;
constexpr size_t kPictureAlignment = 64;

// The largest picture side a world's bounds can hold.
constexpr uint32_t kMaxSide = 0x7FFF;

bool ReadCodecType(Handle description, uint32_t& codecType) {
  if (description == nullptr || *description == nullptr) return false;
  const ByteReader header({*description, zeb::movie::GetHandleSize(description)});
  return header.ReadNativeAt(zeb::media::kDescriptionFormatAt, codecType).IsOk();
}

// The unit length size of the description's 'avcC'; 0 when it has none.
uint32_t AvcLengthSize(Handle description) {
  Handle atom = nullptr;
  if (!zeb::codec::GetImageDescriptionExtension(description, zeb::media::FourCC("avcC"), atom)
           .IsOk()) {
    return 0;
  }
  zeb::media::AvcConfigRecord record;
  const auto parsed =
      zeb::media::ParseAvcConfig(ByteReader({*atom, zeb::movie::GetHandleSize(atom)}), record);
  zeb::movie::DisposeHandle(atom);
  return parsed == zeb::media::AvcConfigParse::kComplete ||
                 parsed == zeb::media::AvcConfigParse::kPictureSetsCut
             ? record.NalLengthSize()
             : 0;
}

}  // namespace

CQTVideoDecoder::CQTVideoDecoder() { LoadQuickTimeOnce(); }

CQTVideoDecoder::~CQTVideoDecoder() { Close(); }

uint32_t CQTVideoDecoder::Open(Handle description, bool argbMode, uint32_t width, uint32_t height,
                               int32_t requestedRowBytes, const uint8_t* firstData,
                               uint32_t firstSize) {
  Close();
  uint32_t codecType = 0;
  if (!ReadCodecType(description, codecType) || width == 0 || height == 0 || width > kMaxSide ||
      height > kMaxSide) {
    return ZEB_E_CODEC_500;
  }
  const int32_t bytesPerPixel = argbMode ? 4 : 2;
  const int32_t rowBytes = std::max(static_cast<int32_t>(width) * bytesPerPixel, requestedRowBytes);
  pixelsSize_ = height * static_cast<uint32_t>(rowBytes);
  if (!pixels_.Allocate(pixelsSize_, kPictureAlignment)) return ZEB_E_CODEC_500;
  std::memset(pixels_.data(), 0, pixelsSize_);
  if (codecType == zeb::media::FourCC("avc1")) {
    avcLengthSize_ = AvcLengthSize(description);
    // Without an 'avcC' the decompressor has no parameter sets but the
    // frames' own, so the frames go to it with their start codes.
    if (avcLengthSize_ != 0 && !avcBuffer_.Allocate(pixelsSize_, kPictureAlignment)) {
      return ZEB_E_CODEC_500;
    }
  }
  const zeb::codec::Rect bounds{0, 0, static_cast<int16_t>(height), static_cast<int16_t>(width)};
  const uint32_t pixelFormat =
      argbMode ? zeb::codec::k32ARGBPixelFormat : zeb::codec::k2vuyPixelFormat;
  if (zeb::codec::NewGWorldFromPtr(&world_, pixelFormat, &bounds, nullptr, nullptr, kGWorldFlags,
                                   pixels_.data(), rowBytes) != 0) {
    return ZEB_E_CODEC_500;
  }
  const auto* traits = zeb::media::FindVideoCodec(codecType);
  const zeb::codec::OSErr begun = zeb::codec::DecompressSequenceBeginS(
      &sequence_, description, firstData, static_cast<int32_t>(firstSize), world_, nullptr, nullptr,
      0, nullptr, kSequenceFlags, zeb::codec::kCodecHighQuality,
      traits != nullptr ? traits->decoder : nullptr);
  return begun == 0 ? ZEB_OK : ZEB_E_CODEC_500;
}

const uint8_t* CQTVideoDecoder::LengthPrefixed(const uint8_t* data, uint32_t& size) {
  const std::span<const uint8_t> sample(data, size);
  if (zeb::media::IsLengthPrefixed(sample, avcLengthSize_) ||
      !zeb::media::StartCodeScanner(sample).FindUnitStart(0)) {
    return data;
  }
  const auto written = zeb::media::AnnexBToLengthPrefixed(
      sample, avcLengthSize_, true, std::span<uint8_t>(avcBuffer_.data(), avcBuffer_.size()));
  if (!written) return nullptr;
  size = static_cast<uint32_t>(*written);
  return avcBuffer_.data();
}

uint32_t CQTVideoDecoder::Decode(const uint8_t* data, uint32_t size, uint8_t** picture,
                                 uint32_t* pictureSize) {
  *picture = pixels_.data();
  *pictureSize = pixelsSize_;
  if (sequence_ == nullptr) return kVideoFrameNotDecoded;
  if (!avcBuffer_.empty()) data = LengthPrefixed(data, size);
  if (data == nullptr) return kVideoFrameNotDecoded;
  const zeb::codec::OSErr result = zeb::codec::DecompressSequenceFrameS(
      sequence_, data, static_cast<int32_t>(size), 0, nullptr, nullptr);
  return result == 0 ? ZEB_OK : kVideoFrameNotDecoded;
}

uint32_t CQTVideoDecoder::ReorderDepth() const {
  return static_cast<uint32_t>(std::max(zeb::codec::GetDSequenceReorderDepth(sequence_), 0));
}

void CQTVideoDecoder::Close() {
  zeb::codec::CDSequenceEnd(sequence_);
  sequence_ = nullptr;
  zeb::codec::DisposeGWorld(world_);
  world_ = nullptr;
  pixels_.Free();
  avcBuffer_.Free();
  pixelsSize_ = 0;
  avcLengthSize_ = 4;
}
