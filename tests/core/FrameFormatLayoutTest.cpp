#include "core/FrameFormatLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "core/PlugRecords.h"
#include "zebplug/ZEBPlugEnums.h"

namespace {

constexpr uint8_t kUntouchedByte = 0xCD;
constexpr uint32_t kUntouchedLength = 7;
constexpr uint32_t kUntouchedPixels = 9;

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> bytes;
  for (size_t at = 0; at + 1 < text.size(); at += 3) {
    bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(at, 2), nullptr, 16)));
  }
  return bytes;
}

std::string Times(const std::string& unit, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += unit + " ";
  return text;
}

// Empty hex: the plane's pattern and its lengths must stay as they were.
struct PatternWant {
  std::string hex;
  uint32_t pixels = 0;
};

struct LayoutCase {
  const char* name;
  uint32_t colorFormat, width, height, videoRange, wantWidth, wantHeight;
  std::array<uint32_t, 3> wantRowBytes;  // a second plane makes the layout planar Y, Cb, Cr
  std::array<uint32_t, 3> wantPlaneSize;
  PatternWant wantPackedPattern = {};  // planar layouts fill black: 00 for luma, 80 for chroma
};

const std::string kV210Black = Times("00 02 01 20 40 00 08 04", 4);
const std::string kV210FullRangeBlack = Times("00 02 00 20 00 00 08 00", 4);
const std::string kPacked10Black = Times("80 04 08 00 40", 8);
const std::string kPacked10FullBlack = Times("80 00 08 00 00", 8);
const std::string kF19Black = Times("10 80", 8) + Times("FF", 8);
const std::string kF19FullBlack = Times("00 80", 8) + Times("FF", 8);

// Width 1913 is odd and not a multiple of 3, 4, 6, 8 or 16, so every
// rounding rule shows; height 1081 is odd for the 4:2:0 rule. One row for
// each rule of the layout table: formats 9 to 12 share the sizes of 3, 1, 5
// and 6, and full range changes the black of packed layouts only.
const std::vector<LayoutCase> kLayoutCases = {
    {"Bgra", 1, 1913, 1081, 1, 1913, 1081, {7652}, {8271812}, {"00 00 00 FF", 1}},
    {"F2Round3Round128", 2, 1913, 1081, 1, 1913, 1081, {10240}, {11069440}, {}},
    {"F3", 3, 1913, 1081, 1, 1913, 1081, {15304}, {16543624}, {"00 00 00 00 00 00 FF FF", 1}},
    {"F4", 4, 1913, 1081, 1, 1913, 1081, {5739}, {6203859}, {"00 00 00", 1}},
    {"F5Round4Round3", 5, 1913, 1081, 1, 1913, 1081, {7680}, {8302080}, {"00 00 00 00", 1}},
    {"F6", 6, 1913, 1081, 1, 1913, 1081, {11478}, {12407718}, {"00 00 00 00 00 00", 1}},
    {"F7", 7, 1913, 1081, 1, 1913, 1081, {7652}, {8271812}, {"80 80 10 FF", 1}},
    {"F8", 8, 1913, 1081, 1, 1913, 1081, {10240}, {11069440}, {}},
    {"F13", 13, 1913, 1081, 1, 1914, 1081, {3828}, {4138068}, {"00 80 10 80", 2}},
    {"F13FullRange", 13, 1913, 1081, 0, 1914, 1081, {3828}, {4138068}, {"00 80 00 80", 2}},
    {"Uyvy", 14, 1913, 1081, 1, 1914, 1081, {3828}, {4138068}, {"80 10 80 10", 2}},
    {"V210", 15, 1913, 1081, 1, 1913, 1081, {5120}, {5534720}, {kV210Black, 12}},
    {"V210FullRange", 15, 1920, 1080, 0, 1920, 1080, {5120}, {5529600}, {kV210FullRangeBlack, 12}},
    {"F16", 16, 1913, 1081, 1, 1914, 1081, {7656}, {8276136}, {"80 10 80 10 80 10 80 10", 2}},
    {"F17", 17, 1913, 1081, 1, 1920, 1081, {3840}, {4151040}, {"00 80 10 80", 2}},
    {"F18", 18, 1913, 1081, 1, 1920, 1081, {4864}, {5257984}, {kPacked10Black, 16}},
    {"F18FullRange", 18, 1913, 1081, 0, 1920, 1081, {4864}, {5257984}, {kPacked10FullBlack, 16}},
    {"F19", 19, 1913, 1081, 1, 1920, 1081, {5760}, {6226560}, {kF19Black, 8}},
    {"F19FullRange", 19, 1913, 1081, 0, 1920, 1081, {5760}, {6226560}, {kF19FullBlack, 8}},
    {"F20", 20, 1913, 1081, 1, 1913, 1081, {4782}, {5169342}, {}},
    {"UnknownIsFourBytes", 25, 1913, 1081, 1, 1913, 1081, {7652}, {8271812}, {}},
    {"Yuv444p", 21, 1913, 1081, 1, 1914, 1081, {1914, 1914, 1914}, {2069034, 2069034, 2069034}},
    {"Yuv422p", 22, 1913, 1081, 1, 1914, 1081, {1914, 957, 957}, {2069034, 1034517, 1034517}},
    {"Yuv420p", 23, 1913, 1081, 1, 1914, 1082, {1914, 957, 957}, {2070948, 517737, 517737}},
    {"Yuv420pOddBoth", 23, 721, 481, 1, 722, 482, {722, 361, 361}, {348004, 87001, 87001}},
    {"Yuv411p", 24, 1913, 1081, 1, 1916, 1081, {1916, 479, 479}, {2071196, 517799, 517799}},
};

SPlugVideoFrameFormat MakeFormat(uint32_t colorFormat, uint32_t width, uint32_t height,
                                 uint32_t videoRange) {
  SPlugVideoFrameFormat format;
  std::memset(&format, kUntouchedByte, sizeof format);
  PlugRecords::Init(format);
  format.colorFormat = colorFormat;
  format.width = width;
  format.height = height;
  format.videoRange = videoRange;
  for (uint32_t plane = 0; plane < PLUG_PLANE_COUNT; ++plane) {
    format.patternBytes[plane] = kUntouchedLength;
    format.patternPixels[plane] = kUntouchedPixels;
  }
  return format;
}

void ExpectPattern(const SPlugVideoFrameFormat& format, uint32_t plane, const PatternWant& want) {
  SCOPED_TRACE("plane " + std::to_string(plane));
  const std::vector<uint8_t> wantBytes = Hex(want.hex);
  const uint8_t* stored = format.fillPattern[plane];
  if (wantBytes.empty()) {
    EXPECT_EQ(format.patternBytes[plane], kUntouchedLength);
    EXPECT_EQ(format.patternPixels[plane], kUntouchedPixels);
  } else {
    EXPECT_EQ(format.patternBytes[plane], wantBytes.size());
    EXPECT_EQ(format.patternPixels[plane], want.pixels);
    EXPECT_EQ(std::vector<uint8_t>(stored, stored + wantBytes.size()), wantBytes);
  }
  // Bytes past the pattern are never written.
  for (size_t at = wantBytes.size(); at < PLUG_PATTERN_BYTES; ++at) {
    EXPECT_EQ(stored[at], kUntouchedByte) << "byte " << at;
  }
}

TEST(FrameFormatLayout, EveryColourFormat) {
  for (const LayoutCase& c : kLayoutCases) {
    SCOPED_TRACE(c.name);
    SPlugVideoFrameFormat format = MakeFormat(c.colorFormat, c.width, c.height, c.videoRange);
    ASSERT_EQ(PlugRecords::ComputeFrameFormatLayout(format), 1u);
    EXPECT_EQ(format.width, c.wantWidth);
    EXPECT_EQ(format.height, c.wantHeight);
    const bool planar = c.wantRowBytes[1] != 0;
    EXPECT_EQ(format.planeCount, planar ? 3u : 1u);
    for (uint32_t plane = 0; plane < 3; ++plane) {
      EXPECT_EQ(format.rowBytes[plane], c.wantRowBytes[plane]) << "plane " << plane;
      EXPECT_EQ(format.planeSize[plane], c.wantPlaneSize[plane]) << "plane " << plane;
      const PatternWant planarBlack{plane == 0 ? "00" : "80", 1};
      ExpectPattern(format, plane,
                    planar       ? planarBlack
                    : plane == 0 ? c.wantPackedPattern
                                 : PatternWant{});
    }
    EXPECT_EQ(format.rowBytes[3], 0u);
    EXPECT_EQ(format.planeSize[3], 0u);
    ExpectPattern(format, 3, {});
  }
}

struct EntryRowBytesCase {
  const char* name;
  uint32_t colorFormat, width, height;
  std::array<uint32_t, 4> entryRowBytes, wantRowBytes, wantPlaneSize;
};

// Row bytes a caller sets stay, and the plane sizes follow them; a packed
// layout clears whatever planes 1 to 3 held.
const std::vector<EntryRowBytesCase> kEntryRowBytesCases = {
    {"PackedKeepsPlane0", 1, 1913, 1081, {8000}, {8000}, {8648000}},
    {"PackedClearsOtherPlanes", 14, 1919, 1080, {4096, 11, 22, 33}, {4096}, {4423680}},
    {"Yuv420pKeepsLuma", 23, 721, 481, {1024}, {1024, 361, 361}, {493568, 87001, 87001}},
    {"Yuv422pKeepsOneChroma", 22, 720, 486, {0, 512}, {720, 512, 360}, {349920, 248832, 174960}},
    {"Yuv411pKeepsAll", 24, 720, 480, {768, 256, 192}, {768, 256, 192}, {368640, 122880, 92160}},
};

TEST(FrameFormatLayout, RowBytesGivenOnEntry) {
  for (const EntryRowBytesCase& c : kEntryRowBytesCases) {
    SCOPED_TRACE(c.name);
    SPlugVideoFrameFormat format = MakeFormat(c.colorFormat, c.width, c.height, 1);
    std::copy(c.entryRowBytes.begin(), c.entryRowBytes.end(), format.rowBytes);
    ASSERT_EQ(PlugRecords::ComputeFrameFormatLayout(format), 1u);
    for (uint32_t plane = 0; plane < PLUG_PLANE_COUNT; ++plane) {
      EXPECT_EQ(format.rowBytes[plane], c.wantRowBytes[plane]) << "plane " << plane;
      EXPECT_EQ(format.planeSize[plane], c.wantPlaneSize[plane]) << "plane " << plane;
    }
  }
}

struct MatrixCase {
  uint32_t colorFormat, width, matrix, want;
};

TEST(FrameFormatLayout, ZeroMatrixFollowsRoundedWidth) {
  const MatrixCase cases[] = {
      {23, 720, 0, 5}, {23, 1280, 0, 1}, {1, 721, 0, 1}, {14, 719, 0, 5},
      {14, 721, 0, 1}, {23, 1280, 9, 9}, {1, 640, 1, 1}, {18, 1913, 0, 1},
  };
  for (const MatrixCase& c : cases) {
    SCOPED_TRACE("format " + std::to_string(c.colorFormat) + " width " + std::to_string(c.width));
    SPlugVideoFrameFormat format = MakeFormat(c.colorFormat, c.width, 576, 1);
    format.matrix = c.matrix;
    ASSERT_EQ(PlugRecords::ComputeFrameFormatLayout(format), 1u);
    EXPECT_EQ(format.matrix, c.want);
  }
}

TEST(FrameFormatLayout, NoColourFormatLeavesEveryByte) {
  SPlugVideoFrameFormat format;
  std::memset(&format, 0xAB, sizeof format);
  format.colorFormat = PLUG_COLOR_FORMAT_NONE_;
  format.matrix = 0;
  const SPlugVideoFrameFormat before = format;
  EXPECT_EQ(PlugRecords::ComputeFrameFormatLayout(format), 0u);
  EXPECT_EQ(std::memcmp(&format, &before, sizeof format), 0);
}

}  // namespace
