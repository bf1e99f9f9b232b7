// The direct-read tables built at open (one reference and one display offset
// per frame, from the media layer's bulk queries) against the media layer's
// per-frame answers, on byte-built tables whose quirks (negative version-1
// offsets, several sample-to-chunk runs, gaps between chunks, records of
// several constant-size frames) ffmpeg does not write. On ffmpeg's movies the
// two agree in ReaderRoads.EveryRoadDeliversTheSameFrames.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/movie/FourCC.h"
#include "reader/CQTReader.h"
#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/MovieBytes.h"

namespace zeb::test {
namespace {

using movie::FourCC;
using movie::test::Bytes;
using movie::test::Concat;
using movie::test::MovieBytes;
using movie::test::TrackBytes;

// Sample `number` is `size` bytes of `number`, so a frame read from the
// wrong place shows in its bytes.
Bytes SampleBytes(uint8_t number, size_t size) { return Bytes(size, number); }

// Adds `sizes` back to back as one chunk, behind 7 filler bytes so that no
// chunk follows the one before it; returns the chunk's offset.
uint32_t AddChunk(MovieBytes& file, uint8_t& number, std::initializer_list<uint32_t> sizes) {
  file.AddData(7, 0xEE);
  uint32_t offset = 0;
  for (uint32_t size : sizes) {
    const uint32_t at = file.AddData(SampleBytes(number++, size));
    if (offset == 0) offset = at;
  }
  return offset;
}

// Twelve frames of sizes 10..21 in chunks of 2, 2, 3, 3, 1, 1 (three 'stsc'
// runs), durations 100 then 50, 'ctts' version 1 with negative offsets.
Bytes VariableSizeMovie() {
  MovieBytes file;
  uint8_t number = 1;
  std::vector<uint32_t> chunks;
  chunks.push_back(AddChunk(file, number, {10, 11}));
  chunks.push_back(AddChunk(file, number, {12, 13}));
  chunks.push_back(AddChunk(file, number, {14, 15, 16}));
  chunks.push_back(AddChunk(file, number, {17, 18, 19}));
  chunks.push_back(AddChunk(file, number, {20}));
  chunks.push_back(AddChunk(file, number, {21}));
  using namespace movie::test;
  return file.Build({TrackBytes{
      FourCC("vide"), 600, 1,
      Concat({Stsd({ImageDescription(FourCC("jpeg"), 16, 16)}), Stts({{6, 100}, {6, 50}}),
              Ctts(1, {{1, 200}, {1, -100}, {2, 0}, {3, -50}, {1, 100}, {4, -200}}),
              Stss({1, 5, 9}), Stsc({{1, 2, 1}, {3, 3, 1}, {5, 1, 1}}),
              Stsz(0, 12, {10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21}), Stco(chunks)})}});
}

// Twelve 16-byte frames, four then two to a chunk: the media layer hands out
// one reference for a whole chunk, which the reader cuts into frames.
Bytes ConstantSizeMovie() {
  MovieBytes file;
  uint8_t number = 1;
  std::vector<uint32_t> chunks;
  for (int i = 0; i < 2; ++i) chunks.push_back(AddChunk(file, number, {16, 16, 16, 16}));
  for (int i = 0; i < 2; ++i) chunks.push_back(AddChunk(file, number, {16, 16}));
  using namespace movie::test;
  return file.Build(
      {TrackBytes{FourCC("vide"), 2500, 1,
                  Concat({Stsd({ImageDescription(FourCC("2vuy"), 16, 16)}), Stts({{12, 100}}),
                          Stsc({{1, 4, 1}, {3, 2, 1}}), Stsz(16, 12), Stco(chunks)})}});
}

struct FrameView {
  uint32_t result = 0, size = 0, key = 0;
  int32_t displayOffset = 0;
  std::vector<uint8_t> bytes;
  bool operator==(const FrameView&) const = default;
};

struct DirectCase {
  const char* name;
  std::string path;
  std::vector<int32_t> displayOffsets;  // expected, when the case fixes them
};

TEST(ReaderDirectTables, MatchThePerFrameQueries) {
  const std::string variable = WriteScratchMovie("direct_tables_variable", VariableSizeMovie());
  const std::string constant = WriteScratchMovie("direct_tables_constant", ConstantSizeMovie());
  const DirectCase cases[] = {
      {"negative offsets, three stsc runs", variable, {2, -1, 0, 0, 0, 0, -1, 2, -4, -4, -4, -4}},
      {"constant-size frames, records of whole chunks", constant, {}},
  };
  for (const DirectCase& c : cases) {
    SCOPED_TRACE(c.name);
    CQTReader reader;
    OpenResult opened;
    const std::u16string path(c.path.begin(), c.path.end());
    ASSERT_EQ(reader.Open(path.c_str(), opened), 0u);
    ASSERT_TRUE(reader.IsDirectReadMode());
    ASSERT_GT(opened.frameCount, 0u);
    std::vector<uint8_t> buffer(reader.FrameBufferSize());
    std::vector<int32_t> offsets;
    for (uint32_t i = 0; i < opened.frameCount; ++i) {
      FrameView direct, perFrame;
      uint8_t* into = buffer.data();
      const uint32_t capacity = reader.FrameBufferSize();
      direct.result =
          reader.GetVideoFrame(i, into, capacity, &direct.size, &direct.key, &direct.displayOffset);
      direct.bytes.assign(buffer.begin(), buffer.begin() + direct.size);
      perFrame.result = reader.ReadFrameFromMedia(i, into, capacity, &perFrame.size, &perFrame.key,
                                                  &perFrame.displayOffset);
      perFrame.bytes.assign(buffer.begin(), buffer.begin() + perFrame.size);
      ASSERT_EQ(direct, perFrame) << "frame " << i;
      offsets.push_back(direct.displayOffset);
    }
    if (!c.displayOffsets.empty()) {
      EXPECT_EQ(offsets, c.displayOffsets);
    }
  }
  std::filesystem::remove(variable);
  std::filesystem::remove(constant);
}

}  // namespace
}  // namespace zeb::test
