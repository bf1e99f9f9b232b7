// The sample tables and movie atom as written, where the bytes matter beyond
// what reading them back shows: tables that stay compact, the 'ctts' version,
// edit lists and header versions. The samples themselves are checked by
// reading written movies back (MovieWriterReadBackTest) and with ffprobe.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/movie/ByteWriter.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/MovieAtomWriter.h"
#include "platform/movie/SampleTableBuilder.h"
#include "tests/support/MovieWriting.h"

namespace zeb::movie::test {
namespace {

// One call on the table: a new chunk, or samples appended to the open one.
struct TableStep {
  bool newChunk;
  uint64_t chunkOffset;
  uint32_t descriptionIndex;
  SampleRun run;
};

TableStep Chunk(uint64_t offset, uint32_t description = 1) {
  return {true, offset, description, {}};
}
TableStep Samples(uint32_t count, uint32_t size, uint32_t duration, int32_t offset = 0,
                  bool sync = true) {
  return {false, 0, 0, {count, size, duration, offset, sync}};
}

struct TableCase {
  const char* name;
  std::vector<TableStep> steps;
  Bytes expected;
};

TEST(MovieWriterBytes, SampleTablesAsWritten) {
  const TableCase cases[] = {
      {"ConstantSizeAllSyncHasNoArraysNoStssNoCtts",
       {Chunk(36), Samples(2, 100, 1001), Samples(1, 100, 1001)},
       Concat({Stts({{3, 1001}}), Stsc({{1, 3, 1}}), Stsz(100, 3), Stco({36})})},
      {"NegativeDisplayOffsetGivesCttsVersion1",
       {Chunk(36), Samples(1, 5, 10, 10), Samples(1, 5, 10, -10)},
       Concat({Stts({{2, 10}}), Ctts(1, {{1, 10}, {1, -10}}), Stsc({{1, 2, 1}}), Stsz(5, 2),
               Stco({36})})},
      {"ChunksOfEqualShapeShareOneStscRun",
       {Chunk(100), Samples(2, 4, 1), Chunk(200), Samples(2, 4, 1), Chunk(300), Samples(3, 4, 1),
        Chunk(400, 2), Samples(3, 4, 1)},
       Concat({Stts({{10, 1}}), Stsc({{1, 2, 1}, {3, 3, 1}, {4, 3, 2}}), Stsz(4, 10),
               Stco({100, 200, 300, 400})})},
      {"DurationChangesStartNewTimeRuns",
       {Chunk(36), Samples(1, 3, 1001), Samples(1, 3, 1001), Samples(1, 3, 1002),
        Samples(1, 3, 1001)},
       Concat(
           {Stts({{2, 1001}, {1, 1002}, {1, 1001}}), Stsc({{1, 4, 1}}), Stsz(3, 4), Stco({36})})},
      {"HourOfPcmIsAHandfulOfEntries",
       {Chunk(36), Samples(86'400'000, 4, 1), Chunk(345'600'036), Samples(86'400'000, 4, 1)},
       Concat({Stts({{172'800'000, 1}}), Stsc({{1, 86'400'000, 1}}), Stsz(4, 172'800'000),
               Stco({36, 345'600'036})})},
  };
  for (const TableCase& c : cases) {
    SCOPED_TRACE(c.name);
    SampleTableBuilder table;
    for (const TableStep& step : c.steps) {
      if (step.newChunk) {
        table.StartChunk(step.chunkOffset, step.descriptionIndex);
      } else {
        ASSERT_TRUE(table.CanAppend(step.run.count));
        table.Append(step.run);
      }
    }
    ByteWriter out;
    table.WriteTables(out);
    EXPECT_TRUE(out.Ok());
    EXPECT_EQ(out.Bytes(), c.expected);
    EXPECT_EQ(table.TablesSize(), out.Size());
  }
}

TEST(MovieWriterBytes, SampleCountStopsAt32Bits) {
  SampleTableBuilder table;
  table.StartChunk(36, 1);
  table.Append({0xFFFFFFF0u, 2, 1, 0, true});
  EXPECT_TRUE(table.CanAppend(0xF));
  EXPECT_FALSE(table.CanAppend(0x10));
  EXPECT_FALSE(table.CanAppend(0));
}

// One track's media and the edits inserted into it, as the movie atom shows them.
struct EditCase {
  const char* name;
  uint32_t timeScale;
  std::vector<SampleRun> samples;
  std::vector<TrackEdit> inserts;  // trackDuration unused: {start, mediaTime, mediaDuration, rate}
  Bytes expectedEdts;              // payload of 'edts', empty when none is written
  uint8_t version;                 // of 'mvhd', 'tkhd' and 'mdhd'
};

// Movie time scale 600 throughout. The system inserts each media whole from
// track time 0 at normal rate, after AAC's priming: the audio encoder's AAC
// round trips decode that edit in the ffmpeg tool.
TEST(MovieWriterBytes, MovieAtomEditsAndVersions) {
  const std::vector<SampleRun> ntscSecond = {{30, 10, 1001, 0, true}};
  const std::vector<SampleRun> past32Bits = {{3, 10, 0xF0000000u, 0, true}};
  const EditCase cases[] = {
      {"WholeMediaFromZeroNeedsNoEditList", 30000, ntscSecond, {{0, 0, 30030, kFixedOne}}, {}, 0},
      {"NothingInsertedIsAnEmptyEditList", 30000, ntscSecond, {}, Elst(0, {}), 0},
      {"DurationsPast32BitsUseVersion1", 1, past32Bits, {{0, 0, 0x2D0000000ull, kFixedOne}}, {}, 1},
      {"LongEditUsesElstVersion1",
       1,
       past32Bits,
       {{0, 1, 0x2CFFFFFFFull, kFixedOne}},
       Elst(1, {{0x2CFFFFFFFll * 600, 1, kFixedOne}}),
       1},
  };
  for (const EditCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriterMedia media(FourCC("vide"), c.timeScale);
    media.UseDescription(ImageDescription(FourCC("avc1"), 160, 120));
    media.StartChunk(36, 1);
    for (const SampleRun& run : c.samples) media.Append(run);
    WriterTrack track(1, 160 << 16, 120 << 16, 0);
    track.SetMedia(&media);
    for (const TrackEdit& insert : c.inserts) {
      const Status inserted = track.InsertMedia(insert.trackDuration, insert.mediaTime,
                                                insert.mediaDuration, insert.rate, 600);
      ASSERT_TRUE(inserted.IsOk()) << inserted.ToString();
    }
    const WriterTrack* tracks[] = {&track};
    std::vector<uint8_t> moov;
    const Status built = BuildMovieAtom({}, tracks, moov);
    ASSERT_TRUE(built.IsOk()) << built.ToString();
    ASSERT_EQ(moov.size(), PredictMovieAtomSize(tracks, 0));

    const std::vector<Bytes> edts = AtomPayloads(moov, "moov/trak/edts");
    EXPECT_EQ(edts.empty() ? Bytes{} : edts.front(), c.expectedEdts);
    for (const char* header : {"moov/mvhd", "moov/trak/tkhd", "moov/trak/mdia/mdhd"})
      EXPECT_EQ(AtomPayloads(moov, header).at(0).at(0), c.version) << header;
  }
}

}  // namespace
}  // namespace zeb::movie::test
