// Every analyser entry point on bytes it cannot trust: each prefix of real
// frames, frames with flipped header bits, and random bytes strewn with start
// codes. Results must stay within their defined sets, a refused record must
// stay as it was, and (under AddressSanitizer) nothing may be read outside
// the buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"
#include "tests/analysis/AnalysisTestSupport.h"

namespace zeb::analysis::test {
namespace {

const char* const kSources[] = {"m2_tff.m2v",   "m1_wide.m1v", "bff_hrd.h264",
                                "high422.h264", "pal.dv",      "hd720p50.dv"};

constexpr uint8_t kStartCodeValues[] = {0x00, 0x01, 0xB3, 0xB5, 0xB8, 0x67, 0x68,
                                        0x65, 0x41, 0x06, 0x09, 0x27, 0x25};

std::vector<std::vector<uint8_t>> HostileInputs() {
  std::vector<std::vector<uint8_t>> inputs;
  std::mt19937 random(20240611);
  for (const char* source : kSources) {
    const auto frame = FirstFrame(source);
    for (size_t length = 0; length <= frame.size(); length += length < 600 ? 1 : 997) {
      inputs.emplace_back(frame.begin(), frame.begin() + static_cast<ptrdiff_t>(length));
    }
    const size_t headerBytes = std::min<size_t>(frame.size(), 600);
    for (int variant = 0; variant < 300; ++variant) {
      auto flipped = frame;
      for (int flip = 0; flip < 1 + variant % 4; ++flip) {
        flipped[random() % headerBytes] ^= static_cast<uint8_t>(1u << (random() % 8));
      }
      inputs.push_back(std::move(flipped));
    }
  }
  for (int variant = 0; variant < 400; ++variant) {
    std::vector<uint8_t> bytes(1 + random() % 3000);
    for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
    for (size_t at = random() % 16; at + 4 <= bytes.size(); at += 3 + random() % 40) {
      bytes[at] = 0;
      bytes[at + 1] = 0;
      bytes[at + 2] = 1;
      bytes[at + 3] = kStartCodeValues[random() % std::size(kStartCodeValues)];
    }
    inputs.push_back(std::move(bytes));
  }
  return inputs;
}

// A record that a refusing analyser must leave as it found it.
SPlugVideoStreamInfo Sentinel() {
  SPlugVideoStreamInfo info;
  std::memset(&info, 0xA5, sizeof info);
  return info;
}

template <class Analyse>
void ExpectDefinedRecordResult(Analyse analyse, const char* analyser, size_t input) {
  SCOPED_TRACE(std::string(analyser) + " input " + std::to_string(input));
  const SPlugVideoStreamInfo untouched = Sentinel();
  SPlugVideoStreamInfo info = Sentinel();
  const uint32_t status = analyse(&info);
  ASSERT_LE(status, uint32_t{ZEB_ANALYSIS_COMPLETE});
  if (status == ZEB_ANALYSIS_INVALID) {
    EXPECT_EQ(std::memcmp(&info, &untouched, sizeof info), 0);
  }
  if (status == ZEB_ANALYSIS_COMPLETE) {
    EXPECT_EQ(info.size, 108u);
    EXPECT_NE(info.width, 0u);
    EXPECT_NE(info.height, 0u);
  }
}

TEST(GarbageInputTest, EveryAnalyserStaysWithinItsDefinedResults) {
  const H264Analyzer analyzer;
  const auto inputs = HostileInputs();
  for (size_t i = 0; i < inputs.size(); ++i) {
    const uint8_t* data = inputs[i].data();
    const auto size = static_cast<uint32_t>(inputs[i].size());
    ExpectDefinedRecordResult([&](auto* info) { return GetMpegVideoInfo(data, size, info); },
                              "mpeg", i);
    ExpectDefinedRecordResult([&](auto* info) { return GetDVVideoInfo(data, size, info); }, "dv",
                              i);
    ExpectDefinedRecordResult([&](auto* info) { return analyzer.Feed(inputs[i], info); }, "h264",
                              i);
    if (i % 50 == 49) analyzer.Reset();  // let parameter sets of earlier inputs linger

    MpegVideoInfo picture;
    const uint32_t pictureStatus = GetMpegVideoRef(data, size, &picture);
    EXPECT_TRUE(pictureStatus == ZEB_ANALYSIS_INVALID || pictureStatus == ZEB_ANALYSIS_COMPLETE);
    EXPECT_GE(picture.pictureType, 1u) << "input " << i;
    EXPECT_LE(picture.pictureType, 3u) << "input " << i;

    const uint32_t frameType = GetH264FrameType(data, size);
    EXPECT_TRUE(frameType == 1 || frameType == 2 || frameType == 3 || frameType == 9 ||
                frameType == 100)
        << "input " << i << " gave " << frameType;
  }
}

}  // namespace
}  // namespace zeb::analysis::test
