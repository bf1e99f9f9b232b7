// 'avcC' records: what a cut or lying payload keeps, and records too large
// to build. A record made from an encoder's parameter sets is in every 'avc1'
// movie the encoder round trips write and the ffmpeg tool decodes.
#include <gtest/gtest.h>

#include <optional>

#include "media/AvcConfigRecord.h"
#include "tests/support/MovieBytes.h"

namespace {

using zeb::media::AvcConfigParse;
using zeb::media::AvcConfigRecord;
using zeb::movie::ByteReader;
using zeb::movie::test::Bytes;

const Bytes kSps = {0x67, 0x64, 0x00, 0x1F, 0xAC, 0xD9, 0x40, 0x50};
const Bytes kPps = {0x68, 0xEB, 0xE3, 0xCB};

AvcConfigRecord Record(uint8_t lengthSizeCode, size_t spsCount, size_t ppsCount) {
  AvcConfigRecord record;
  record.configuration[0] = 1;
  record.configuration[1] = 0x64;
  record.configuration[3] = 0x1F;
  record.lengthSizeCode = lengthSizeCode;
  record.sps.assign(spsCount, kSps);
  record.pps.assign(ppsCount, kPps);
  return record;
}

Bytes Built(const AvcConfigRecord& record) { return zeb::media::BuildAvcConfig(record).value(); }

TEST(AvcConfig, CutOrLyingPayloadsKeepWhatTheRecordAllows) {
  // 6 header bytes, the SPS (2 + 8), the PPS count, two PPS (2 + 4 each): 29 bytes.
  const Bytes whole = Built(Record(3, 1, 2));
  Bytes zeroSets = whole;
  zeroSets[5] = 0xE0;
  Bytes elevenSets = whole;
  elevenSets[5] = 0xEB;
  struct Case {
    const char* name;
    Bytes payload;
    AvcConfigParse outcome;
    size_t ppsBytes[2];
  };
  const Case cases[] = {
      {"whole", whole, AvcConfigParse::kComplete, {4, 4}},
      {"second PPS bytes cut",
       Bytes(whole.begin(), whole.end() - 1),
       AvcConfigParse::kPictureSetsCut,
       {4, 0}},
      {"second PPS length cut",
       Bytes(whole.begin(), whole.end() - 5),
       AvcConfigParse::kNoPictureSetLength,
       {}},
      {"no PPS count", Bytes(whole.begin(), whole.begin() + 16), AvcConfigParse::kHeadUnusable, {}},
      {"SPS cut", Bytes(whole.begin(), whole.begin() + 12), AvcConfigParse::kHeadUnusable, {}},
      {"sequence-set count 0", zeroSets, AvcConfigParse::kHeadUnusable, {}},
      {"eleven sequence sets", elevenSets, AvcConfigParse::kHeadUnusable, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AvcConfigRecord record;
    EXPECT_EQ(zeb::media::ParseAvcConfig(ByteReader(c.payload), record), c.outcome);
    if (c.outcome != AvcConfigParse::kComplete && c.outcome != AvcConfigParse::kPictureSetsCut) {
      continue;
    }
    ASSERT_EQ(record.pps.size(), 2u);
    EXPECT_EQ(record.sps, std::vector<Bytes>{kSps});
    EXPECT_EQ(record.pps[0].size(), c.ppsBytes[0]);
    EXPECT_EQ(record.pps[1].size(), c.ppsBytes[1]);
  }
}

// That what is built parses back as the record is the avcC fuzz target's check.
TEST(AvcConfig, OversizedRecordsAreRefused) {
  AvcConfigRecord longSet = Record(3, 1, 1);
  longSet.sps[0].resize(65536);
  for (const AvcConfigRecord& record :
       {Record(3, 0, 1), Record(3, 11, 1), Record(3, 1, 32), longSet}) {
    EXPECT_FALSE(zeb::media::BuildAvcConfig(record).has_value());
  }
}

}  // namespace
