#include "core/FrameFormatLayout.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <optional>

#include "zebplug/ZEBPlugEnums.h"

namespace PlugRecords {
namespace {

// Matrix code points (ISO/IEC 23001-8) chosen for a record that leaves the
// matrix at 0: BT.709 above standard-definition width, BT.601 otherwise.
constexpr uint32_t kMatrixBt709 = 1;
constexpr uint32_t kMatrixBt601 = 5;
constexpr uint32_t kStandardDefinitionWidth = 720;

constexpr uint8_t kChroma8 = 0x80;
constexpr uint32_t kChroma10 = 512;

// The smallest multiple of step not below value, in 32-bit unsigned
// arithmetic like every other layout figure (it wraps on absurd widths).
constexpr uint32_t RoundUp(uint32_t value, uint32_t step) {
  return (value + step - 1) / step * step;
}

uint8_t BlackLuma8(const SPlugVideoFrameFormat& format) { return format.videoRange != 0 ? 16 : 0; }

uint32_t BlackLuma10(const SPlugVideoFrameFormat& format) {
  return format.videoRange != 0 ? 64 : 0;
}

// The bytes of a black run and the pixels one run covers.
struct BlackPattern {
  std::array<uint8_t, PLUG_PATTERN_BYTES> bytes{};
  uint32_t length = 0;
  uint32_t pixels = 0;

  BlackPattern& Append(std::initializer_list<uint8_t> unit, uint32_t times = 1) {
    for (uint32_t i = 0; i < times; ++i) {
      for (const uint8_t byte : unit) {
        bytes.at(length++) = byte;
      }
    }
    return *this;
  }
};

BlackPattern Pattern(uint32_t pixels, std::initializer_list<uint8_t> unit, uint32_t times = 1) {
  BlackPattern pattern;
  pattern.pixels = pixels;
  return pattern.Append(unit, times);
}

// Three 10-bit samples in one little-endian word, the first in the low bits.
void AppendV210Word(BlackPattern& pattern, uint32_t first, uint32_t second, uint32_t third) {
  const uint32_t word = first | second << 10 | third << 20;
  pattern.Append({static_cast<uint8_t>(word), static_cast<uint8_t>(word >> 8),
                  static_cast<uint8_t>(word >> 16), static_cast<uint8_t>(word >> 24)});
}

// Six pixels in four words: Cb0 Y0 Cr0 | Y1 Cb1 Y2 | Cr1 Y3 Cb2 | Y4 Cr2 Y5.
// Two groups are written so that the 32 recorded bytes are all black and
// repeat over a row at the format's 16 bytes per 6 pixels.
BlackPattern V210Black(const SPlugVideoFrameFormat& format) {
  const uint32_t y = BlackLuma10(format);
  BlackPattern pattern;
  pattern.pixels = 12;
  for (int group = 0; group < 2; ++group) {
    AppendV210Word(pattern, kChroma10, y, kChroma10);
    AppendV210Word(pattern, y, kChroma10, y);
    AppendV210Word(pattern, kChroma10, y, kChroma10);
    AppendV210Word(pattern, y, kChroma10, y);
  }
  return pattern;
}

// One pixel pair Cb Y Cr Y as 40 bits, most significant bit first; eight
// pairs fill the 40-byte pattern of 16 pixels.
BlackPattern PackedYuv10Black(const SPlugVideoFrameFormat& format) {
  const uint64_t y = BlackLuma10(format);
  const uint64_t pair = uint64_t{kChroma10} << 30 | y << 20 | uint64_t{kChroma10} << 10 | y;
  return Pattern(16,
                 {static_cast<uint8_t>(pair >> 32), static_cast<uint8_t>(pair >> 24),
                  static_cast<uint8_t>(pair >> 16), static_cast<uint8_t>(pair >> 8),
                  static_cast<uint8_t>(pair)},
                 8);
}

std::optional<BlackPattern> PackedBlackPattern(const SPlugVideoFrameFormat& format) {
  const uint8_t y = BlackLuma8(format);
  switch (format.colorFormat) {
    case PLUG_COLOR_FORMAT_RGB24_:
      return Pattern(1, {0x00, 0x00, 0x00});
    case PLUG_COLOR_FORMAT_ARGB32_:
      return Pattern(1, {0x00, 0x00, 0x00, 0xFF});
    case PLUG_COLOR_FORMAT_5_:
      return Pattern(1, {0x00, 0x00, 0x00, 0x00});
    case PLUG_COLOR_FORMAT_RGB48_:
      return Pattern(1, {0x00}, 6);
    case PLUG_COLOR_FORMAT_ARGB64_:
      return Pattern(1, {0x00}, 6).Append({0xFF}, 2);
    case PLUG_COLOR_FORMAT_AYUV_:
      return Pattern(1, {kChroma8, kChroma8, y, 0xFF});
    case PLUG_COLOR_FORMAT_UYVY_:
      return Pattern(2, {kChroma8, y, kChroma8, y});
    case PLUG_COLOR_FORMAT_YUV422_13_:
    case PLUG_COLOR_FORMAT_17_:
      return Pattern(2, {0x00, kChroma8, y, kChroma8});
    case PLUG_COLOR_FORMAT_16_:
      return Pattern(2, {kChroma8, y}, 4);
    case PLUG_COLOR_FORMAT_19_:
      return Pattern(8, {y, kChroma8}, 8).Append({0xFF}, 8);
    case PLUG_COLOR_FORMAT_V210_:
      return V210Black(format);
    case PLUG_COLOR_FORMAT_18_:
      return PackedYuv10Black(format);
    default:
      return std::nullopt;
  }
}

uint32_t PackedWidthStep(uint32_t colorFormat) {
  switch (colorFormat) {
    case PLUG_COLOR_FORMAT_YUV422_13_:
    case PLUG_COLOR_FORMAT_UYVY_:
    case PLUG_COLOR_FORMAT_16_:
      return 2;
    case PLUG_COLOR_FORMAT_17_:
    case PLUG_COLOR_FORMAT_18_:
      return 16;
    case PLUG_COLOR_FORMAT_19_:
      return 8;
    default:
      return 1;
  }
}

uint32_t PackedRowBytes(uint32_t colorFormat, uint32_t width) {
  switch (colorFormat) {
    case PLUG_COLOR_FORMAT_2_:
    case PLUG_COLOR_FORMAT_8_:
      return RoundUp(16 * RoundUp(width, 3) / 3, 128);
    case PLUG_COLOR_FORMAT_ARGB64_:
    case PLUG_COLOR_FORMAT_9_:
      return 8 * width;
    case PLUG_COLOR_FORMAT_RGB24_:
      return 3 * width;
    case PLUG_COLOR_FORMAT_5_:
    case PLUG_COLOR_FORMAT_11_:
      return RoundUp(4 * RoundUp(RoundUp(width, 4), 3), 128);
    case PLUG_COLOR_FORMAT_RGB48_:
    case PLUG_COLOR_FORMAT_12_:
      return 6 * width;
    case PLUG_COLOR_FORMAT_YUV422_13_:
    case PLUG_COLOR_FORMAT_UYVY_:
      return 2 * width;
    case PLUG_COLOR_FORMAT_17_:
      return RoundUp(2 * RoundUp(width, 16), 128);
    case PLUG_COLOR_FORMAT_V210_:
      return RoundUp(8 * RoundUp(width, 6) / 3, 128);
    case PLUG_COLOR_FORMAT_18_:
      return RoundUp(5 * RoundUp(width, 16) / 2, 128);
    case PLUG_COLOR_FORMAT_19_:
      return RoundUp(3 * width, 32);
    case PLUG_COLOR_FORMAT_20_:
      return 20 * width / 8;
    default:
      return 4 * width;
  }
}

void WritePattern(SPlugVideoFrameFormat& format, uint32_t plane, const BlackPattern& pattern) {
  std::copy_n(pattern.bytes.begin(), pattern.length, format.fillPattern[plane]);
  format.patternBytes[plane] = pattern.length;
  format.patternPixels[plane] = pattern.pixels;
}

void LayOutPacked(SPlugVideoFrameFormat& format) {
  format.width = RoundUp(format.width, PackedWidthStep(format.colorFormat));
  format.planeCount = 1;
  if (format.rowBytes[0] == 0) {
    format.rowBytes[0] = PackedRowBytes(format.colorFormat, format.width);
  }
  format.planeSize[0] = format.height * format.rowBytes[0];
  for (uint32_t plane = 1; plane < PLUG_PLANE_COUNT; ++plane) {
    format.rowBytes[plane] = 0;
    format.planeSize[plane] = 0;
  }
  if (const auto pattern = PackedBlackPattern(format)) {
    WritePattern(format, 0, *pattern);
  }
}

// How a planar format subsamples its two chroma planes; the picture's width
// and height are rounded up so that every plane has whole samples.
struct PlanarSampling {
  uint32_t widthStep;
  uint32_t chromaColumns;  // luma columns per chroma sample
  uint32_t chromaLines;    // luma lines per chroma line
};

std::optional<PlanarSampling> FindPlanarSampling(uint32_t colorFormat) {
  switch (colorFormat) {
    case PLUG_COLOR_FORMAT_YUV444P_:
      return PlanarSampling{2, 1, 1};
    case PLUG_COLOR_FORMAT_YUV422P_:
      return PlanarSampling{2, 2, 1};
    case PLUG_COLOR_FORMAT_YUV420P_:
      return PlanarSampling{2, 2, 2};
    case PLUG_COLOR_FORMAT_YUV411P_:
      return PlanarSampling{4, 4, 1};
    default:
      return std::nullopt;
  }
}

// Row bytes are one byte a sample and stay as given when nonzero on entry.
void SetPlane(SPlugVideoFrameFormat& format, uint32_t plane, uint32_t columns, uint32_t lines) {
  if (format.rowBytes[plane] == 0) {
    format.rowBytes[plane] = columns;
  }
  format.planeSize[plane] = format.rowBytes[plane] * lines;
}

// The planar fill is 00 for luma whatever the range, 80 for chroma.
void LayOutPlanar(SPlugVideoFrameFormat& format, const PlanarSampling& sampling) {
  format.width = RoundUp(format.width, sampling.widthStep);
  format.height = RoundUp(format.height, sampling.chromaLines);
  format.planeCount = 3;
  const uint32_t chromaColumns = format.width / sampling.chromaColumns;
  const uint32_t chromaLines = format.height / sampling.chromaLines;
  SetPlane(format, 0, format.width, format.height);
  SetPlane(format, 1, chromaColumns, chromaLines);
  SetPlane(format, 2, chromaColumns, chromaLines);
  WritePattern(format, 0, Pattern(1, {0x00}));
  WritePattern(format, 1, Pattern(1, {kChroma8}));
  WritePattern(format, 2, Pattern(1, {kChroma8}));
}

}  // namespace

uint32_t ComputeFrameFormatLayout(SPlugVideoFrameFormat& format) {
  if (format.colorFormat == PLUG_COLOR_FORMAT_NONE_) {
    return 0;
  }
  if (const auto sampling = FindPlanarSampling(format.colorFormat)) {
    LayOutPlanar(format, *sampling);
  } else {
    LayOutPacked(format);
  }
  if (format.matrix == 0) {
    format.matrix = format.width > kStandardDefinitionWidth ? kMatrixBt709 : kMatrixBt601;
  }
  return 1;
}

}  // namespace PlugRecords
