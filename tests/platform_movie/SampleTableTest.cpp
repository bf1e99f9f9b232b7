// Sample tables read from byte-built movies: sync flags, display offsets,
// sample-to-chunk quirks. Multi-sample reads across chunks are the reader's
// audio blocks, compared with the ffmpeg tool's decode, and a sample larger
// than the room is ReaderRoads' plain road. References and packed sound are
// compared sample by sample with ffprobe on ffmpeg's movies and the corpus
// (MovieFixtureTest, the 'ima4' fixture among them).
#include <gtest/gtest.h>

#include <memory>

#include "platform/movie/FourCC.h"
#include "tests/support/MovieBytes.h"

namespace zeb::movie::test {
namespace {

const Media& OnlyMedia(const std::unique_ptr<Movie>& movie) {
  return movie->GetTrack(1)->GetMedia();
}

// One 'avc1' video track, time scale 600, with the file's data and `tables`.
Bytes Avc1Movie(const MovieBytes& file, std::initializer_list<Bytes> tables) {
  return file.Build(
      {TrackBytes{FourCC("vide"), 600, 1,
                  Concat({Stsd({ImageDescription(FourCC("avc1"), 16, 16)}), Concat(tables)})}});
}

struct FourSampleCase {
  const char* name;
  Bytes tables;
  std::vector<uint16_t> flags;
  std::vector<int64_t> offsets;
};

// Four 10-byte samples of 100 ticks in one chunk, plus each case's tables.
TEST(SampleTableTest, SyncFlagsAndDisplayOffsets) {
  const std::vector<uint16_t> allSync = {0, 0, 0, 0}, oddSync = {0, 1, 0, 1};
  const std::vector<int64_t> none = {0, 0, 0, 0};
  const Bytes stps = FullAtom(FourCC("stps"), 0, 0, Be32s({1, 3}));
  const FourSampleCase cases[] = {
      {"no stss: every sample is sync", {}, allSync, none},
      {"empty stss: no sample is sync", Stss({}), {1, 1, 1, 1}, none},
      {"stss 1 and 3", Stss({1, 3}), oddSync, none},
      {"unsorted stss", Stss({3, 1}), oddSync, none},
      {"stps adds open-GOP sync samples", Concat({Stss({1}), stps}), oddSync, none},
      {"ctts v1, negative", Ctts(1, {{1, 200}, {1, -100}, {2, 0}}), allSync, {200, -100, 0, 0}},
      {"ctts v0 read as signed", Ctts(0, {{2, -100}, {2, 300}}), allSync, {-100, -100, 300, 300}},
      {"ctts all zero", Ctts(0, {{4, 0}}), allSync, none},
      {"short ctts: the rest get 0", Ctts(0, {{1, 50}}), allSync, {50, 0, 0, 0}},
  };
  for (const FourSampleCase& c : cases) {
    SCOPED_TRACE(c.name);
    MovieBytes file;
    const uint32_t at = file.AddData(40, 0x11);
    std::unique_ptr<Movie> movie;
    ASSERT_TRUE(OpenBytes(Avc1Movie(file, {Stts({{4, 100}}), Stsc({{1, 4, 1}}), Stsz(10, 4),
                                           Stco({at}), c.tables}),
                          movie)
                    .IsOk());
    const Media& media = OnlyMedia(movie);
    EXPECT_EQ(media.HasDisplayOffsets(), c.offsets != none);
    for (uint32_t i = 0; i < 4; ++i) {
      SampleReadResult result;
      std::vector<uint8_t> data;
      ASSERT_TRUE(ReadAt(media, i * 100, 1, result, data).IsOk());
      EXPECT_EQ(result.flags, c.flags[i]) << "sample " << i + 1;
      EXPECT_EQ(result.displayOffset, c.offsets[i]) << "sample " << i + 1;
      EXPECT_EQ(result.decodeDuration, 100);
    }
    std::vector<uint16_t> referenceFlags;
    for (const Reference& record : AllReferences(media)) {
      referenceFlags.insert(referenceFlags.end(), record.count, record.flags);
    }
    EXPECT_EQ(referenceFlags, c.flags);
  }
}

struct ReadCase {
  const char* name;
  Bytes movie;
  int64_t time;
  StatusCode code;
  Bytes data;
};

TEST(SampleTableTest, SingleSampleReads) {
  MovieBytes twoChunks;  // chunks whose bytes differ, so that a wrong chunk shows
  const uint32_t first = twoChunks.AddData(20, 0xAA);
  const uint32_t second = twoChunks.AddData(20, 0xBB);
  MovieBytes one;
  const uint32_t at = one.AddData(8, 0x33);
  const Bytes instant =
      one.Build({TrackBytes{FourCC("meta"), 1000, 1,
                            Concat({Stsd({Concat({Be32s({16, FourCC("mebx"), 0}), Be16s({0, 1})})}),
                                    Stts({{1, 0}}), Stsc({{1, 1, 1}}), Stsz(8, 1), Stco({at})})}});
  // One 'alis' reference without the self-contained flag: the data is elsewhere.
  const Bytes elsewhere = one.Build({TrackBytes(
      FourCC("vide"), 600, 1,
      Concat({Stsd({ImageDescription(FourCC("jpeg"), 16, 16)}), Stts({{1, 1}}), Stsc({{1, 1, 1}}),
              Stsz(8, 1), Stco({at})}),
      FullAtom(FourCC("dref"), 0, 0, Concat({Be32s({1}), FullAtom(FourCC("alis"), 0, 0, {})})))});
  const ReadCase cases[] = {
      {"stsc first chunk 0 counts as 1",
       Avc1Movie(twoChunks,
                 {Stts({{4, 100}}), Stsc({{0, 2, 1}}), Stsz(10, 4), Stco({first, second})}),
       200, StatusCode::kOk, Bytes(10, 0xBB)},
      {"zero-duration sample is found at its time", instant, 0, StatusCode::kOk, Bytes(8, 0x33)},
      {"nothing after a zero-duration sample", instant, 1, StatusCode::kOutOfRange, {}},
      {"data in another file", elsewhere, 0, StatusCode::kUnsupported, {}},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Movie> movie;
    ASSERT_TRUE(OpenBytes(c.movie, movie).IsOk());
    SampleReadResult result;
    std::vector<uint8_t> data;
    EXPECT_EQ(ReadAt(OnlyMedia(movie), c.time, 1, result, data, 64).Code(), c.code);
    EXPECT_EQ(data, c.data);
    EXPECT_EQ(OnlyMedia(movie).ReadSamples(SampleReadRequest{c.time, nullptr, 0, 1}, result).IsOk(),
              c.code != StatusCode::kOutOfRange)
        << "describing a sample needs no data";
  }
}

TEST(SampleTableTest, SamplesReferToTheirDescriptionThroughStsc) {
  MovieBytes file;
  const uint32_t at = file.AddData(40, 0x22);
  const Bytes bytes = file.Build({TrackBytes{
      FourCC("vide"), 600, 1,
      Concat({Stsd({ImageDescription(FourCC("avc1"), 16, 16),
                    ImageDescription(FourCC("hvc1"), 32, 32)}),
              Stts({{4, 100}}), Stsc({{1, 2, 1}, {2, 2, 2}}), Stsz(10, 4), Stco({at, at + 20})})}});
  std::unique_ptr<Movie> movie;
  ASSERT_TRUE(OpenBytes(bytes, movie).IsOk());
  const Media& media = OnlyMedia(movie);
  ASSERT_EQ(media.SampleDescriptionCount(), 2u);

  SampleReadResult result;
  std::vector<uint8_t> data;
  ASSERT_TRUE(ReadAt(media, 0, 0, result, data).IsOk());
  EXPECT_EQ(result.sampleCount, 2u) << "a read stops where the description changes";
  EXPECT_EQ(result.descriptionIndex, 1u);
  ASSERT_TRUE(ReadAt(media, 250, 0, result, data).IsOk());
  EXPECT_EQ(result.sampleCount, 2u);
  EXPECT_EQ(result.descriptionIndex, 2u);
  EXPECT_EQ(result.decodeTime, 200);

  Bytes description;
  ASSERT_TRUE(DescriptionOf(media, 2, description).IsOk());
  EXPECT_EQ(NativeField(description, 4, 4), FourCC("hvc1"));
  EXPECT_EQ(DescriptionOf(media, 3, description).Code(), StatusCode::kOutOfRange);
}

// 172.8 million samples stay a handful of runs: opening, counting, timing
// and referencing never walk the samples one by one.
TEST(SampleTableTest, HourOfPcmStaysCompact) {
  constexpr uint32_t kFrames = 48000u * 3600u;
  std::vector<uint32_t> chunkOffsets;
  for (uint32_t second = 0; second < 3600; ++second) chunkOffsets.push_back(8 + second * 96000u);
  MovieBytes file;
  const Bytes bytes = file.Build({TrackBytes{
      FourCC("soun"), 48000, 1,
      Concat({Stsd({SoundDescription(FourCC("sowt"), 0, 1, 16, 48000)}), Stts({{kFrames, 1}}),
              Stsc({{1, 48000, 1}}), Stsz(2, kFrames), Stco(chunkOffsets)})}});
  std::unique_ptr<Movie> movie;
  ASSERT_TRUE(OpenBytes(bytes, movie).IsOk());
  const Media& media = OnlyMedia(movie);
  EXPECT_EQ(media.SampleCount(), kFrames);

  int64_t time = 0, duration = 0;
  ASSERT_TRUE(media.GetSampleDecodeTime(kFrames, time, duration).IsOk());
  EXPECT_EQ(time, kFrames - 1);

  const std::vector<Reference> records = AllReferences(media);
  ASSERT_EQ(records.size(), 3600u) << "one record per chunk";
  EXPECT_EQ(records[3599], (Reference{8 + 3599 * 96000, 96000, 1, 48000, 0}));

  int64_t total = 0;
  ASSERT_TRUE(media.GetDataSize(0, kFrames, total).IsOk());
  EXPECT_EQ(total, int64_t{kFrames} * 2);

  SampleReadResult result;
  ASSERT_TRUE(
      media.ReadSamples(SampleReadRequest{int64_t{kFrames} - 10, nullptr, 0, 0}, result).IsOk());
  EXPECT_EQ(result.sampleCount, 10u);
  EXPECT_EQ(result.dataSize, 20u);
}

// Times past 32 bits and numbers outside the table. The data size over the
// whole media is the reader's bit rate, checked against ffprobe.
TEST(SampleTableTest, TimeQueriesPast32BitsAndOutsideTheTable) {
  MovieBytes file;
  const uint32_t at = file.AddData(100, 0);
  std::unique_ptr<Movie> movie;
  ASSERT_TRUE(OpenBytes(Avc1Movie(file, {Stts({{2, 0x7FFFFFFF}, {1, 10}}), Stsc({{1, 3, 1}}),
                                         Stsz(0, 3, {10, 20, 30}), Stco({at})}),
                        movie)
                  .IsOk());
  const Media& media = OnlyMedia(movie);

  int32_t time32 = 0, duration32 = 0;
  ASSERT_TRUE(media.SampleNumToMediaTime(2, time32, duration32).IsOk());
  EXPECT_EQ(time32, 0x7FFFFFFF);
  EXPECT_EQ(media.SampleNumToMediaTime(3, time32, duration32).Code(), StatusCode::kOutOfRange)
      << "a time past 32 bits is refused, not truncated";
  int64_t time = 0, duration = 0;
  ASSERT_TRUE(media.GetSampleDecodeTime(3, time, duration).IsOk());
  EXPECT_EQ(time, 2 * int64_t{0x7FFFFFFF});
  EXPECT_EQ(duration, 10);
  EXPECT_EQ(media.GetSampleDecodeTime(0, time, duration).Code(), StatusCode::kOutOfRange);
  EXPECT_EQ(media.GetSampleDecodeTime(4, time, duration).Code(), StatusCode::kOutOfRange);
}

}  // namespace
}  // namespace zeb::movie::test
