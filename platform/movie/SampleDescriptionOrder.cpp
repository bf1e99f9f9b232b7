#include "platform/movie/SampleDescriptionOrder.h"

#include <algorithm>
#include <array>
#include <bit>

#include "platform/movie/ByteReader.h"
#include "platform/movie/FourCC.h"

namespace zeb::movie {

namespace {

struct Field {
  uint8_t offset;
  uint8_t width;
};

// size, format, reserved (4 + 2), data reference index
constexpr std::array<Field, 5> kEntryFields = {{{0, 4}, {4, 4}, {8, 4}, {12, 2}, {14, 2}}};

// version, revision, vendor, temporal quality, spatial quality, width, height,
// h/v resolution, data size, frame count; name (50..81) is bytes; depth, clut id.
constexpr std::array<Field, 13> kImageFields = {{{16, 2},
                                                 {18, 2},
                                                 {20, 4},
                                                 {24, 4},
                                                 {28, 4},
                                                 {32, 2},
                                                 {34, 2},
                                                 {36, 4},
                                                 {40, 4},
                                                 {44, 4},
                                                 {48, 2},
                                                 {82, 2},
                                                 {84, 2}}};

// version, revision, vendor, channels, sample size, compression id, packet size, 16.16 rate
constexpr std::array<Field, 8> kSoundV0Fields = {
    {{16, 2}, {18, 2}, {20, 4}, {24, 2}, {26, 2}, {28, 2}, {30, 2}, {32, 4}}};
// samples per packet, bytes per packet, bytes per frame, bytes per sample
constexpr std::array<Field, 4> kSoundV1Fields = {{{36, 4}, {40, 4}, {44, 4}, {48, 4}}};
// struct size, 64-bit float rate, channels, 0x7F000000, bits per channel,
// format flags, bytes per packet, frames per packet
constexpr std::array<Field, 8> kSoundV2Fields = {
    {{36, 4}, {40, 8}, {48, 4}, {52, 4}, {56, 4}, {60, 4}, {64, 4}, {68, 4}}};

void SwapFields(std::span<const Field> fields, std::span<uint8_t> bytes) {
  if constexpr (std::endian::native == std::endian::big) return;
  for (const Field& field : fields) {
    if (size_t{field.offset} + field.width > bytes.size()) continue;
    auto value = bytes.subspan(field.offset, field.width);
    std::reverse(value.begin(), value.end());
  }
}

constexpr size_t kVersionOffset = 16;

// The 16- or 32-bit field at `offset`, in file or native order; 0 past the end.
template <typename T>
T FieldAt(std::span<const uint8_t> bytes, size_t offset, bool fileOrder) {
  ByteReader reader(bytes, 0, "sample description");
  T value = 0;
  Status status = reader.Skip(offset);
  if constexpr (sizeof(T) == 2) {
    if (status.IsOk()) status = fileOrder ? reader.ReadU16(value) : reader.ReadNative(value);
  } else {
    if (status.IsOk()) status = fileOrder ? reader.ReadU32(value) : reader.ReadNative(value);
  }
  return status.IsOk() ? value : 0;
}

uint16_t VersionOf(std::span<const uint8_t> bytes, bool fileOrder) {
  return FieldAt<uint16_t>(bytes, kVersionOffset, fileOrder);
}

void SwapHeader(uint32_t mediaType, std::span<uint8_t> bytes, bool fromFile) {
  SwapFields(kEntryFields, bytes);
  if (mediaType == FourCC("vide")) {
    SwapFields(kImageFields, bytes);
  } else if (mediaType == FourCC("soun")) {
    const uint16_t version = VersionOf(bytes, fromFile);
    SwapFields(kSoundV0Fields, bytes);
    if (version == 1) SwapFields(kSoundV1Fields, bytes);
    if (version == 2) SwapFields(kSoundV2Fields, bytes);
  }
}

}  // namespace

size_t SoundDescriptionHeaderSize(uint16_t version) {
  switch (version) {
    case 1:
      return 52;
    case 2:
      return 72;
    default:
      return 36;
  }
}

uint32_t NativeDescriptionSize(std::span<const uint8_t> description) {
  return FieldAt<uint32_t>(description, 0, false);
}

uint16_t NativeDescriptionVersion(std::span<const uint8_t> description) {
  return VersionOf(description, false);
}

void SetNativeDescriptionSize(std::span<uint8_t> description, uint32_t size) {
  if (description.size() < sizeof size) return;
  for (size_t i = 0; i < sizeof size; ++i) {
    const size_t shift = std::endian::native == std::endian::little ? 8 * i : 24 - 8 * i;
    description[i] = static_cast<uint8_t>(size >> shift);
  }
}

void SampleDescriptionToNative(uint32_t mediaType, std::span<uint8_t> description) {
  SwapHeader(mediaType, description, true);
}

void SampleDescriptionToFileOrder(uint32_t mediaType, std::span<uint8_t> description) {
  SwapHeader(mediaType, description, false);
}

}  // namespace zeb::movie
