#include "reader/PcmByteOrder.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "reader/FourCC.h"

namespace {

// Sound description header offsets (machine order).
constexpr size_t kFormatAt = 4;
constexpr size_t kVersionAt = 16;
constexpr size_t kSampleSizeAt = 26;
constexpr size_t kBytesPerSampleAt = 48;  // version 1
constexpr size_t kBitsPerChannelAt = 56;  // version 2
constexpr size_t kFormatFlagsAt = 60;     // version 2
constexpr uint32_t kBigEndianFlag = 0x2;

PcmLayout Layout(uint32_t bytes, PcmTreatment treatment) {
  return PcmLayout{bytes != 0, bytes, treatment};
}

// Big-endian integers of any width come out little-endian, as 'in24' and
// 'in32' do; 8-bit values are single bytes.
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

// 'twos', 'sowt' and 'raw ' carry their width in the header: the version-1
// bytes-per-sample field when set, else the sample size in bits.
uint32_t HeaderValueBytes(const ByteView& description, uint16_t version) {
  uint32_t bytes = 0;
  if (version == 1 && description.Native32(kBytesPerSampleAt, bytes) && bytes != 0) return bytes;
  uint16_t bits = 0;
  return description.Native16(kSampleSizeAt, bits) ? bits / 8u : 0u;
}

PcmLayout LpcmLayout(const ByteView& description, uint16_t version) {
  uint32_t bits = 0;
  uint32_t flags = 0;
  if (version != 2 || !description.Native32(kBitsPerChannelAt, bits) ||
      !description.Native32(kFormatFlagsAt, flags)) {
    return {};
  }
  const bool bigEndian = (flags & kBigEndianFlag) != 0;
  if (bigEndian && bits == 16) return Layout(2, PcmTreatment::kSwap16);
  if (bigEndian && bits == 24) return Layout(3, PcmTreatment::kSwap24);
  return Layout(bits / 8, PcmTreatment::kNone);
}

}  // namespace

PcmLayout PcmLayoutOf(const ByteView& description) {
  uint32_t format = 0;
  uint16_t version = 0;
  if (!description.Native32(kFormatAt, format) || !description.Native16(kVersionAt, version)) {
    return {};
  }
  switch (format) {
    case FourCC("twos"): {
      const uint32_t bytes = HeaderValueBytes(description, version);
      return Layout(bytes, BigEndianTreatment(bytes));
    }
    case FourCC("sowt"):
    case FourCC("raw "):
      return Layout(HeaderValueBytes(description, version), PcmTreatment::kNone);
    case FourCC("in24"):
      return Layout(3, PcmTreatment::kSwap24);
    case FourCC("42ni"):
      return Layout(3, PcmTreatment::kNone);
    case FourCC("in32"):
      return Layout(4, PcmTreatment::kReverse32);
    case FourCC("23ni"):
    case FourCC("fl32"):
      return Layout(4, PcmTreatment::kNone);
    case FourCC("fl64"):
      return Layout(8, PcmTreatment::kNone);
    case FourCC("lpcm"):
      return LpcmLayout(description, version);
    default:
      return {};
  }
}

void ApplyPcmTreatment(PcmTreatment treatment, uint8_t* data, size_t bytes) {
  switch (treatment) {
    case PcmTreatment::kNone:
      return;
    case PcmTreatment::kSwap16:
      for (size_t i = 0; i + 2 <= bytes; i += 2) std::swap(data[i], data[i + 1]);
      return;
    case PcmTreatment::kSwap24:
      for (size_t i = 0; i + 3 <= bytes; i += 3) std::swap(data[i], data[i + 2]);
      return;
    case PcmTreatment::kReverse32:
      for (size_t i = 0; i + 4 <= bytes; i += 4) std::reverse(data + i, data + i + 4);
      return;
  }
}

void InterleaveTrack(const PcmLayout& layout, const TrackColumn& track, uint32_t frames,
                     uint8_t* out, size_t outFrameBytes) {
  for (uint32_t s = 0; s < frames; ++s) {
    uint8_t* to = out + s * outFrameBytes + track.column;
    if (s < track.framesRead) {
      std::memcpy(to, track.samples + size_t{s} * track.frameBytes, track.frameBytes);
      ApplyPcmTreatment(layout.treatment, to, track.frameBytes);
    } else {
      std::memset(to, 0, track.frameBytes);
    }
  }
}
