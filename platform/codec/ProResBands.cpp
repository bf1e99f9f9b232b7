#include "platform/codec/ProResBands.h"

#include <algorithm>
#include <numeric>

#include "platform/movie/ByteReader.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace zeb::codec {
namespace {

constexpr uint32_t kFrameId = 0x69637066;  // 'icpf'
constexpr size_t kFrameStart = 8;          // the frame's size and id
constexpr size_t kHeightAt = 10;           // in the frame header
constexpr size_t kFlagsAt = 12;
constexpr uint8_t kInterlaceBits = 0x0C;
constexpr uint8_t kPictureHeaderBits = 64;
constexpr size_t kPictureHeaderSize = kPictureHeaderBits / 8;

// One band's frame, viewed in its bytes.
struct BandFrame {
  std::span<const uint8_t> header;  // the frame header, its size word first
  uint8_t sliceShape = 0;           // log2 of the macroblocks a slice takes
  std::span<const uint8_t> sliceTable;
  std::span<const uint8_t> slices;
};

bool ReadBandFrame(std::span<const uint8_t> bytes, BandFrame& band) {
  movie::ByteReader reader(bytes);
  uint32_t frameSize = 0;
  uint32_t id = 0;
  uint16_t headerSize = 0;
  std::span<const uint8_t> headerRest;
  if (!reader.ReadU32(frameSize).IsOk() || frameSize != bytes.size() ||
      !reader.ReadU32(id).IsOk() || id != kFrameId || !reader.ReadU16(headerSize).IsOk() ||
      headerSize <= kFlagsAt || !reader.ReadBytes(headerSize - 2u, headerRest).IsOk()) {
    return false;
  }
  band.header = bytes.subspan(kFrameStart, headerSize);
  if ((band.header[kFlagsAt] & kInterlaceBits) != 0) return false;
  uint8_t pictureHeaderBits = 0;
  uint32_t pictureSize = 0;
  uint16_t sliceCount = 0;
  if (!reader.ReadU8(pictureHeaderBits).IsOk() || pictureHeaderBits != kPictureHeaderBits ||
      !reader.ReadU32(pictureSize).IsOk() || !reader.ReadU16(sliceCount).IsOk() ||
      !reader.ReadU8(band.sliceShape).IsOk() ||
      !reader.ReadBytes(size_t{sliceCount} * 2, band.sliceTable).IsOk()) {
    return false;
  }
  band.slices = reader.Rest();
  uint64_t sliceBytes = 0;
  movie::ByteReader table(band.sliceTable);
  for (uint16_t size = 0; table.ReadU16(size).IsOk();) sliceBytes += size;
  return sliceBytes == band.slices.size() &&
         pictureSize == kPictureHeaderSize + band.sliceTable.size() + band.slices.size();
}

// Headers that differ only in the height.
bool SameHeader(const BandFrame& first, const BandFrame& band) {
  const auto a = first.header;
  const auto b = band.header;
  return a.size() == b.size() && band.sliceShape == first.sliceShape &&
         std::equal(a.begin(), a.begin() + kHeightAt, b.begin()) &&
         std::equal(a.begin() + kHeightAt + 2, a.end(), b.begin() + kHeightAt + 2);
}

}  // namespace

bool InheritProResBudget(const AVCodecContext& whole, AVDictionary** options) {
  int64_t bitsPerMacroblock = 0;
  if (av_opt_get_int(whole.priv_data, "bits_per_mb", 0, &bitsPerMacroblock) < 0) return false;
  return av_dict_set_int(options, "bits_per_mb", bitsPerMacroblock, 0) >= 0;
}

bool JoinProResBands(std::span<const std::span<const uint8_t>> bands, int height,
                     movie::ByteWriter& frame) {
  frame.Clear();
  std::vector<BandFrame> parsed(bands.size());
  for (size_t i = 0; i < bands.size(); ++i) {
    if (!ReadBandFrame(bands[i], parsed[i]) || !SameHeader(parsed.front(), parsed[i])) {
      return false;
    }
  }
  if (parsed.empty() || height <= 0 || height > UINT16_MAX) return false;
  const auto sum = [&](auto part) {
    return std::accumulate(
        parsed.begin(), parsed.end(), uint64_t{0},
        [&](uint64_t total, const BandFrame& band) { return total + part(band); });
  };
  const uint64_t sliceCount = sum([](const BandFrame& band) { return band.sliceTable.size() / 2; });
  const uint64_t pictureSize = kPictureHeaderSize + sum([](const BandFrame& band) {
                                 return band.sliceTable.size() + band.slices.size();
                               });
  const std::span<const uint8_t> header = parsed.front().header;
  const uint64_t frameSize = kFrameStart + header.size() + pictureSize;
  if (sliceCount > UINT16_MAX || frameSize > UINT32_MAX) return false;

  frame.Reserve(frameSize);
  frame.PutU32(static_cast<uint32_t>(frameSize));
  frame.PutU32(kFrameId);
  frame.PutBytes(header.first(kHeightAt));
  frame.PutU16(static_cast<uint16_t>(height));
  frame.PutBytes(header.subspan(kHeightAt + 2));
  frame.PutU8(kPictureHeaderBits);
  frame.PutU32(static_cast<uint32_t>(pictureSize));
  frame.PutU16(static_cast<uint16_t>(sliceCount));
  frame.PutU8(parsed.front().sliceShape);
  for (const BandFrame& band : parsed) frame.PutBytes(band.sliceTable);
  for (const BandFrame& band : parsed) frame.PutBytes(band.slices);
  return true;
}

const BandCoding kProResBands{16, InheritProResBudget, JoinProResBands};

}  // namespace zeb::codec
