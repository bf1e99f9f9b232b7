#include "reader/PcmByteOrder.h"

#include <algorithm>
#include <utility>

#include "media/CodecTraits.h"
#include "media/SampleDescriptionLayout.h"
#include "platform/movie/ByteReader.h"

using zeb::movie::ByteReader;
namespace sound = zeb::media::sound;

namespace {

PcmLayout Layout(uint32_t bytes, PcmTreatment treatment) {
  return PcmLayout{bytes != 0, bytes, treatment};
}

// Codes of no fixed width ('twos', 'sowt', 'raw ') carry it in the header:
// the version-1 bytes-per-sample field when set, else the sample size in bits.
uint32_t ValueBytes(const zeb::media::CodecTraits& codec, const ByteReader& description,
                    uint16_t version) {
  if (codec.pcmBytes != 0) return codec.pcmBytes;
  uint32_t bytes = 0;
  if (version == 1 && description.ReadNativeAt(sound::kBytesPerSampleAt, bytes).IsOk() &&
      bytes != 0) {
    return bytes;
  }
  uint16_t bits = 0;
  return description.ReadNativeAt(sound::kSampleSizeAt, bits).IsOk() ? bits / 8u : 0u;
}

// Big-endian integers become little-endian; single bytes have no order.
PcmTreatment BigEndianTreatment(uint32_t bytes) {
  switch (bytes) {
    case 2:
      return PcmTreatment::kSwap16;
    case 3:
      return PcmTreatment::kSwap24;
    case 4:
      return PcmTreatment::kReverse32;
    default:
      return PcmTreatment::kNone;
  }
}

PcmLayout LpcmLayout(const ByteReader& description, uint16_t version) {
  uint32_t bits = 0;
  uint32_t flags = 0;
  if (version != 2 || !description.ReadNativeAt(sound::kBitsPerChannelAt, bits).IsOk() ||
      !description.ReadNativeAt(sound::kFormatFlagsAt, flags).IsOk()) {
    return {};
  }
  const bool bigEndian = (flags & sound::kBigEndianFlag) != 0;
  if (bigEndian && bits == 16) return Layout(2, PcmTreatment::kSwap16);
  if (bigEndian && bits == 24) return Layout(3, PcmTreatment::kSwap24);
  return Layout(bits / 8, PcmTreatment::kNone);
}

}  // namespace

PcmLayout PcmLayoutOf(std::span<const uint8_t> bytes) {
  const ByteReader description(bytes);
  uint32_t format = 0;
  uint16_t version = 0;
  if (!description.ReadNativeAt(zeb::media::kDescriptionFormatAt, format).IsOk() ||
      !description.ReadNativeAt(sound::kVersionAt, version).IsOk()) {
    return {};
  }
  const zeb::media::CodecTraits* codec = zeb::media::FindAudioCodec(format);
  if (codec == nullptr) return {};
  using enum zeb::media::PcmCoding;
  switch (codec->pcm) {
    case kNotPcm:
      return {};
    case kDescribed:
      return LpcmLayout(description, version);
    case kBigEndian: {
      const uint32_t bytes = ValueBytes(*codec, description, version);
      return Layout(bytes, BigEndianTreatment(bytes));
    }
    case kLittleEndian:
    case kUnsigned:
    case kFloat:
      return Layout(ValueBytes(*codec, description, version), PcmTreatment::kNone);
  }
  return {};
}

void ApplyPcmTreatment(PcmTreatment treatment, std::span<uint8_t> samples) {
  const size_t bytes = samples.size();
  switch (treatment) {
    case PcmTreatment::kNone:
      return;
    case PcmTreatment::kSwap16:
      for (size_t i = 0; i + 2 <= bytes; i += 2) std::swap(samples[i], samples[i + 1]);
      return;
    case PcmTreatment::kSwap24:
      for (size_t i = 0; i + 3 <= bytes; i += 3) std::swap(samples[i], samples[i + 2]);
      return;
    case PcmTreatment::kReverse32:
      for (size_t i = 0; i + 4 <= bytes; i += 4) {
        std::swap(samples[i], samples[i + 3]);
        std::swap(samples[i + 1], samples[i + 2]);
      }
      return;
  }
}

bool InterleaveTrack(const PcmLayout& layout, const TrackColumn& track, uint32_t frames,
                     std::span<uint8_t> out, size_t outFrameBytes) {
  const uint32_t framesRead = std::min(track.framesRead, frames);
  if (frames == 0) return true;
  if (uint64_t{framesRead} * track.frameBytes > track.samples.size() ||
      track.column + track.frameBytes > outFrameBytes ||
      uint64_t{frames} * outFrameBytes > out.size()) {
    return false;
  }
  for (uint32_t s = 0; s < frames; ++s) {
    const auto to = out.subspan(s * outFrameBytes + track.column, track.frameBytes);
    if (s < framesRead) {
      const auto from = track.samples.subspan(size_t{s} * track.frameBytes, track.frameBytes);
      std::copy(from.begin(), from.end(), to.begin());
      ApplyPcmTreatment(layout.treatment, to);
    } else {
      std::fill(to.begin(), to.end(), uint8_t{0});
    }
  }
  return true;
}
