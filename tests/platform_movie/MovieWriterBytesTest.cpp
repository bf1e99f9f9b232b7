// Byte-exact checks of the atom builder and of the sample tables as written.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/movie/ByteWriter.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/MovieAtomWriter.h"
#include "platform/movie/SampleTableBuilder.h"
#include "tests/platform_movie/MovieWriterTestSupport.h"

namespace zeb::movie {
namespace {

using Bytes = std::vector<uint8_t>;
using test::AtomPayloads;

// Expected bytes are spelled out with these, independently of ByteWriter.
void Be(Bytes& out, uint64_t value, int width) {
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}
Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}
Bytes U8(uint8_t v) { return {v}; }
Bytes U16(uint16_t v) { Bytes b; Be(b, v, 2); return b; }
Bytes U32(uint32_t v) { Bytes b; Be(b, v, 4); return b; }
Bytes U64(uint64_t v) { Bytes b; Be(b, v, 8); return b; }
Bytes Code(const char (&code)[5]) { return U32(FourCC(code)); }
// A full atom: size, code, version, flags, then the payload.
Bytes Full(const char (&code)[5], uint8_t version, const Bytes& payload) {
    return Cat({U32(static_cast<uint32_t>(12 + payload.size())), Code(code), U8(version), U8(0), U16(0), payload});
}

struct BuilderCase {
    const char* name;
    std::function<void(ByteWriter&)> build;
    Bytes expected;
    bool ok;
};

TEST(MovieWriterBytes, AtomBuilderPatchesSizesAndWritesBigEndian) {
    const BuilderCase cases[] = {
        {"EmptyAtomIsItsHeader", [](ByteWriter& w) { w.Begin(FourCC("free")); w.End(); },
         Cat({U32(8), Code("free")}), true},
        {"NestedAtomsPatchedInnermostFirst",
         [](ByteWriter& w) {
             w.Begin(FourCC("moov"));
             w.Begin(FourCC("udta"));
             w.PutU8(0xAB);
             w.End();
             w.PutU16(0xCDEF);
             w.End();
         },
         Cat({U32(19), Code("moov"), U32(9), Code("udta"), U8(0xAB), U16(0xCDEF)}), true},
        {"FullAtomCarriesVersionAndFlags",
         [](ByteWriter& w) { w.BeginFull(FourCC("mvhd"), 1, 0x0A0B0C); w.End(); },
         Cat({U32(12), Code("mvhd"), U8(1), U8(0x0A), U8(0x0B), U8(0x0C)}), true},
        {"IntegersMostSignificantByteFirst",
         [](ByteWriter& w) {
             w.PutU16(0x0102);
             w.PutU24(0x030405);
             w.PutU32(0x06070809);
             w.PutU64(0x0A0B0C0D0E0F1011);
             w.PutZeros(2);
         },
         Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 0, 0}, true},
        {"SiblingsEachGetTheirOwnSize",
         [](ByteWriter& w) {
             w.Begin(FourCC("skip"));
             w.PutU32(7);
             w.End();
             w.Begin(FourCC("free"));
             w.End();
         },
         Cat({U32(12), Code("skip"), U32(7), U32(8), Code("free")}), true},
        {"EndWithoutBeginFails", [](ByteWriter& w) { w.End(); }, Bytes{}, false},
    };
    for (const BuilderCase& c : cases) {
        SCOPED_TRACE(c.name);
        ByteWriter writer;
        c.build(writer);
        EXPECT_EQ(writer.Ok(), c.ok);
        EXPECT_EQ(writer.OpenAtoms(), 0u);
        EXPECT_EQ(writer.Bytes(), c.expected);
    }
}

// One call on the table: a new chunk, or samples appended to the open one.
struct TableStep {
    bool newChunk;
    uint64_t chunkOffset;
    uint32_t descriptionIndex;
    SampleRun run;
};

TableStep Chunk(uint64_t offset, uint32_t description = 1) { return {true, offset, description, {}}; }
TableStep Samples(uint32_t count, uint32_t size, uint32_t duration, int32_t offset = 0, bool sync = true) {
    return {false, 0, 0, {count, size, duration, offset, sync}};
}

struct TableCase {
    const char* name;
    std::vector<TableStep> steps;
    Bytes expected;
};

Bytes Stco(std::initializer_list<uint32_t> offsets) {
    Bytes payload = U32(static_cast<uint32_t>(offsets.size()));
    for (uint32_t offset : offsets) payload = Cat({payload, U32(offset)});
    return Full("stco", 0, payload);
}

TEST(MovieWriterBytes, SampleTablesAsWritten) {
    const TableCase cases[] = {
        {"ConstantSizeAllSyncHasNoArraysNoStssNoCtts",
         {Chunk(36), Samples(2, 100, 1001), Samples(1, 100, 1001)},
         Cat({Full("stts", 0, Cat({U32(1), U32(3), U32(1001)})),
              Full("stsc", 0, Cat({U32(1), U32(1), U32(3), U32(1)})),
              Full("stsz", 0, Cat({U32(100), U32(3)})), Stco({36})})},
        {"SizeChangeTurnsConstantIntoArrayKeepingEarlierSamples",
         {Chunk(36), Samples(2, 7, 1), Samples(1, 9, 1)},
         Cat({Full("stts", 0, Cat({U32(1), U32(3), U32(1)})),
              Full("stsc", 0, Cat({U32(1), U32(1), U32(3), U32(1)})),
              Full("stsz", 0, Cat({U32(0), U32(3), U32(7), U32(7), U32(9)})), Stco({36})})},
        {"NonSyncListsEarlierSyncSamplesOneBased",
         {Chunk(36), Samples(2, 5, 10), Samples(1, 5, 10, 0, false), Samples(1, 5, 10)},
         Cat({Full("stts", 0, Cat({U32(1), U32(4), U32(10)})),
              Full("stss", 0, Cat({U32(3), U32(1), U32(2), U32(4)})),
              Full("stsc", 0, Cat({U32(1), U32(1), U32(4), U32(1)})),
              Full("stsz", 0, Cat({U32(5), U32(4)})), Stco({36})})},
        {"PositiveDisplayOffsetsGiveCttsVersion0",
         {Chunk(36), Samples(1, 5, 10, 20), Samples(2, 5, 10, 0), Samples(1, 5, 10, 20)},
         Cat({Full("stts", 0, Cat({U32(1), U32(4), U32(10)})),
              Full("ctts", 0, Cat({U32(3), U32(1), U32(20), U32(2), U32(0), U32(1), U32(20)})),
              Full("stsc", 0, Cat({U32(1), U32(1), U32(4), U32(1)})),
              Full("stsz", 0, Cat({U32(5), U32(4)})), Stco({36})})},
        {"NegativeDisplayOffsetGivesCttsVersion1",
         {Chunk(36), Samples(1, 5, 10, 10), Samples(1, 5, 10, -10)},
         Cat({Full("stts", 0, Cat({U32(1), U32(2), U32(10)})),
              Full("ctts", 1, Cat({U32(2), U32(1), U32(10), U32(1), U32(0xFFFFFFF6)})),
              Full("stsc", 0, Cat({U32(1), U32(1), U32(2), U32(1)})),
              Full("stsz", 0, Cat({U32(5), U32(2)})), Stco({36})})},
        {"ChunksOfEqualShapeShareOneStscRun",
         {Chunk(100), Samples(2, 4, 1), Chunk(200), Samples(2, 4, 1), Chunk(300), Samples(3, 4, 1),
          Chunk(400, 2), Samples(3, 4, 1)},
         Cat({Full("stts", 0, Cat({U32(1), U32(10), U32(1)})),
              Full("stsc", 0,
                   Cat({U32(3), U32(1), U32(2), U32(1), U32(3), U32(3), U32(1), U32(4), U32(3), U32(2)})),
              Full("stsz", 0, Cat({U32(4), U32(10)})), Stco({100, 200, 300, 400})})},
        {"DurationChangesStartNewTimeRuns",
         {Chunk(36), Samples(1, 3, 1001), Samples(1, 3, 1001), Samples(1, 3, 1002), Samples(1, 3, 1001)},
         Cat({Full("stts", 0, Cat({U32(3), U32(2), U32(1001), U32(1), U32(1002), U32(1), U32(1001)})),
              Full("stsc", 0, Cat({U32(1), U32(1), U32(4), U32(1)})),
              Full("stsz", 0, Cat({U32(3), U32(4)})), Stco({36})})},
        {"ChunkPast4GiBSwitchesAllOffsetsTo64Bit",
         {Chunk(36), Samples(1, 8, 1), Chunk(0x100000010ull), Samples(1, 8, 1)},
         Cat({Full("stts", 0, Cat({U32(1), U32(2), U32(1)})),
              Full("stsc", 0, Cat({U32(1), U32(1), U32(1), U32(1)})),
              Full("stsz", 0, Cat({U32(8), U32(2)})),
              Full("co64", 0, Cat({U32(2), U64(36), U64(0x100000010ull)}))})},
        {"ChunkAtExactly4GiBMinusOneStays32Bit",
         {Chunk(0xFFFFFFFFull), Samples(1, 8, 1)},
         Cat({Full("stts", 0, Cat({U32(1), U32(1), U32(1)})),
              Full("stsc", 0, Cat({U32(1), U32(1), U32(1), U32(1)})),
              Full("stsz", 0, Cat({U32(8), U32(1)})), Stco({0xFFFFFFFFu})})},
        {"HourOfPcmIsAHandfulOfEntries",
         {Chunk(36), Samples(86'400'000, 4, 1), Chunk(345'600'036), Samples(86'400'000, 4, 1)},
         Cat({Full("stts", 0, Cat({U32(1), U32(172'800'000), U32(1)})),
              Full("stsc", 0, Cat({U32(1), U32(1), U32(86'400'000), U32(1)})),
              Full("stsz", 0, Cat({U32(4), U32(172'800'000)})), Stco({36, 345'600'036})})},
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
    uint8_t mdhdVersion;
    uint8_t tkhdVersion;
};

Bytes Elst(uint8_t version, std::initializer_list<Bytes> entries) {
    Bytes payload = U32(static_cast<uint32_t>(entries.size()));
    for (const Bytes& entry : entries) payload = Cat({payload, entry});
    return Full("elst", version, payload);
}

// Movie time scale 600 throughout.
TEST(MovieWriterBytes, MovieAtomEditsAndVersions) {
    const EditCase cases[] = {
        {"WholeMediaFromZeroNeedsNoEditList", 30000, {{30, 10, 1001, 0, true}}, {{0, 0, 30030, kFixedOne}},
         {}, 0, 0},
        {"NothingInsertedIsAnEmptyEditList", 30000, {{30, 10, 1001, 0, true}}, {},
         Elst(0, {}), 0, 0},
        {"StartPastTheEndLeavesAnEmptyEdit", 25, {{25, 10, 1, 0, true}}, {{1200, 0, 25, kFixedOne}},
         Elst(0, {Cat({U32(1200), U32(0xFFFFFFFF), U32(kFixedOne)}), Cat({U32(600), U32(0), U32(kFixedOne)})}),
         0, 0},
        {"MediaTimeOffsetIsKept", 25, {{25, 10, 1, 0, true}}, {{0, 5, 20, kFixedOne}},
         Elst(0, {Cat({U32(480), U32(5), U32(kFixedOne)})}), 0, 0},
        {"HalfRateDoublesTrackTime", 25, {{25, 10, 1, 0, true}}, {{0, 0, 25, kFixedOne / 2}},
         Elst(0, {Cat({U32(1200), U32(0), U32(kFixedOne / 2)})}), 0, 0},
        {"DurationsPast32BitsUseVersion1", 1, {{3, 10, 0xF0000000u, 0, true}}, {{0, 0, 0x2D0000000ull, kFixedOne}},
         {}, 1, 1},
        {"LongEditUsesElstVersion1", 1, {{3, 10, 0xF0000000u, 0, true}}, {{0, 1, 0x2CFFFFFFFull, kFixedOne}},
         Elst(1, {Cat({U64(0x2CFFFFFFFull * 600), U64(1), U32(kFixedOne)})}), 1, 1},
    };
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriterMedia media(FourCC("vide"), c.timeScale);
        media.UseDescription(Cat({U32(86), Code("avc1"), Bytes(78, 0)}));
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

        const std::vector<Bytes> edts = AtomPayloads(moov, "trak/edts");
        EXPECT_EQ(edts.empty() ? Bytes{} : edts.front(), c.expectedEdts);
        EXPECT_EQ(AtomPayloads(moov, "trak/mdia/mdhd").at(0).at(0), c.mdhdVersion);
        EXPECT_EQ(AtomPayloads(moov, "trak/tkhd").at(0).at(0), c.tkhdVersion);
        EXPECT_EQ(AtomPayloads(moov, "mvhd").at(0).at(0), c.tkhdVersion);
    }
}

TEST(MovieWriterBytes, RefusedEdits) {
    WriterMedia media(FourCC("soun"), 48000);
    media.StartChunk(36, 1);
    media.Append({48000, 4, 1, 0, true});
    WriterTrack track(1, 0, 0, 0x100);
    track.SetMedia(&media);
    ASSERT_TRUE(track.InsertMedia(0, 0, 24000, kFixedOne, 600).IsOk());
    struct Refused {
        const char* name;
        uint64_t start;
        int64_t mediaTime;
        uint64_t mediaDuration;
        int32_t rate;
        StatusCode code;
    };
    const Refused cases[] = {
        {"BeforeTheTrackEnd", 100, 0, 10, kFixedOne, StatusCode::kUnsupported},
        {"PastTheMediaEnd", 300, 24000, 24001, kFixedOne, StatusCode::kOutOfRange},
        {"MediaTimePastTheEnd", 300, 48001, 0, kFixedOne, StatusCode::kOutOfRange},
        {"NegativeRate", 300, 0, 10, -kFixedOne, StatusCode::kOutOfRange},
        {"ZeroRate", 300, 0, 10, 0, StatusCode::kOutOfRange},
        {"MediaTimeBelowEmpty", 300, -2, 10, kFixedOne, StatusCode::kOutOfRange},
    };
    for (const Refused& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(track.InsertMedia(c.start, c.mediaTime, c.mediaDuration, c.rate, 600).Code(), c.code);
        EXPECT_EQ(track.Duration(), 300u);
    }
}

}  // namespace
}  // namespace zeb::movie
