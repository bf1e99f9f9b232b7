// The three roads of a frame, driven on the reader's own classes: straight
// from the file, through the frame-reader thread's ring, and one media-layer
// read per call must deliver the same frames. The ring's hand-offs run on a
// real thread; this program also runs under ThreadSanitizer.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>

#include "core/ModulePath.h"
#include "core/PlugRecords.h"
#include "reader/CQTReader.h"
#include "reader/CQuickTimeSpliter.h"
#include "tests/host/LogCapture.h"
#include "tests/reader/ReaderTestSupport.h"

namespace zeb::test {
namespace {

constexpr const char* kSeekLine = "CQTReader::GetVideoFrame--Seek Mode";
constexpr const char* kRangeLine = "Over Video Range";

void AnchorInThisProgram() {}

struct Road {
  const char* name;
  DirectRead directRead;
  bool readAhead;
};
constexpr Road kRoads[] = {{"direct", DirectRead::kAllowed, false},
                           {"direct with read-ahead", DirectRead::kAllowed, true},
                           {"plain", DirectRead::kRefused, false},
                           {"threaded", DirectRead::kRefused, true}};

struct Frame {
  uint32_t result = 0;
  std::vector<uint8_t> bytes;
  uint32_t type = 0;
  uint64_t presentation = 0;
  uint32_t state = 0;
  bool operator==(const Frame&) const = default;
};

class ReaderRoads : public testing::Test {
 protected:
  // The H.264 analyser lies beside the test program, as beside the plug-in.
  static void SetUpTestSuite() {
    RecordModulePath(reinterpret_cast<const void*>(&AnchorInThisProgram));
  }

  static std::unique_ptr<CQuickTimeSpliter> Open(const std::string& fixture, const Road& road) {
    auto spliter = std::make_unique<CQuickTimeSpliter>(road.directRead);
    const OpenRequest request(Fixture(fixture));
    EXPECT_EQ(spliter->Open(&request.param), 0u);
    SetReadAhead(*spliter, road.readAhead);
    return spliter;
  }

  static void SetReadAhead(CQuickTimeSpliter& spliter, bool on) {
    uint32_t options[PLUG_READ_OPTIONS_WORDS];
    spliter.GetReadOptions(options);
    options[PLUG_READ_OPTION_READ_AHEAD] = on ? 1 : 0;
    EXPECT_EQ(spliter.SetReadOptions(options), 0u);
  }

  static Frame Read(CQuickTimeSpliter& spliter, uint32_t index) {
    uint8_t* data = nullptr;
    SPlugFrameInfo info;
    PlugRecords::Init(info);
    Frame frame;
    frame.result = spliter.ReadVideoFrameShared(index, &data, &info);
    if (frame.result == 0) frame.bytes.assign(data, data + info.dataSize);
    frame.type = info.frameType;
    frame.presentation = info.presentationPosition;
    frame.state = info.streamState;
    return frame;
  }

  static std::vector<Frame> ReadAll(CQuickTimeSpliter& spliter,
                                    const std::vector<uint32_t>& order) {
    std::vector<Frame> frames;
    for (uint32_t index : order) frames.push_back(Read(spliter, index));
    return frames;
  }

  static std::vector<uint32_t> InOrder(uint32_t count) {
    std::vector<uint32_t> order(count);
    std::iota(order.begin(), order.end(), 0u);
    return order;
  }

  size_t Count(const std::string& text) const {
    const auto texts = log_.Texts();
    return size_t(std::count(texts.begin(), texts.end(), text));
  }

  LogCapture log_;
};

TEST_F(ReaderRoads, EveryRoadDeliversTheSameFrames) {
  for (const char* fixture : {"avc1_bframes.mov", "mpeg2_xd5c.mov", "prores.mov", "dvvideo.mov"}) {
    SCOPED_TRACE(fixture);
    auto reference = Open(fixture, kRoads[0]);
    SPlugStreamInfo info;
    ASSERT_EQ(reference->GetVideoStreamInfo(0, 0, &info), 0u);
    const uint32_t count = info.frameCount;
    std::vector<uint32_t> shuffled = InOrder(count);
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    for (const auto& order : {InOrder(count), shuffled}) {
      const std::vector<Frame> expected = ReadAll(*reference, order);
      for (const Road& road : kRoads) {
        SCOPED_TRACE(road.name);
        auto spliter = Open(fixture, road);
        EXPECT_TRUE(ReadAll(*spliter, order) == expected);
      }
    }
  }
}

// With the ring running, frame 10 read leaves 11 and 12 due: they come
// without a seek; 40 re-targets the whole ring to 40..64 once, and 41 and 42
// come from it again.
TEST_F(ReaderRoads, ThreadedSeekRetargetsTheRingOnce) {
  auto spliter = Open("avc1_long.mov", kRoads[3]);
  auto reference = Open("avc1_long.mov", kRoads[0]);
  for (uint32_t i = 0; i <= 10; ++i) Read(*spliter, i);
  log_.Clear();
  struct Step {
    uint32_t index;
    size_t seeks;  // seek lines logged so far
  };
  for (const Step& step :
       {Step{11, 0}, Step{12, 0}, Step{40, 1}, Step{41, 1}, Step{42, 1}, Step{3, 2}, Step{4, 2}}) {
    SCOPED_TRACE(step.index);
    EXPECT_TRUE(Read(*spliter, step.index) == Read(*reference, step.index));
    EXPECT_EQ(Count(kSeekLine), step.seeks);
  }
}

// A size-only request keeps the frame due: the same frame with a buffer
// follows without a seek.
TEST_F(ReaderRoads, SizeOnlyRequestLeavesTheFrameDue) {
  CQTReader reader(DirectRead::kRefused);
  const std::string path = Fixture("avc1_bframes.mov");
  const std::u16string units(path.begin(), path.end());
  OpenResult result;
  ASSERT_EQ(reader.Open(units.c_str(), result), 0u);
  // Before the first read the ring starts at the wrapped index, whose slot
  // fails as out of range. Four slots keep the producer short of the last
  // frame, where it would log range lines of its own.
  log_.Clear();
  ASSERT_EQ(reader.StartFrameReader(0xFFFFFFFFu, 4, 0), 0u);
  std::vector<uint8_t> buffer(reader.FrameBufferSize());
  uint32_t size = 0, key = 0, sizeOnly = 0;
  int32_t offset = 0;
  const uint32_t capacity = reader.FrameBufferSize();
  ASSERT_EQ(reader.GetVideoFrame(3, nullptr, 0, &sizeOnly, &key, &offset), 0u);
  ASSERT_EQ(reader.GetVideoFrame(3, buffer.data(), capacity, &size, &key, &offset), 0u);
  EXPECT_GE(size, sizeOnly);  // the start codes and parameter sets come with the bytes
  EXPECT_EQ(Count(kSeekLine), 1u);
  EXPECT_GE(Count(kRangeLine), 1u);
  // Out of range on the consumer's side: refused, outputs cleared, logged.
  log_.Clear();
  size = key = 7;
  offset = 7;
  EXPECT_EQ(reader.GetVideoFrame(result.frameCount, buffer.data(), capacity, &size, &key, &offset),
            0x80000006u);
  EXPECT_EQ(size + key + uint32_t(offset), 0u);
  EXPECT_EQ(Count(kRangeLine), 1u);
  EXPECT_EQ(reader.StopFrameReader(), 0u);
}

// A buffer too small for a frame, as stored or as grown by its start codes
// and parameter sets, is refused on every road and nothing is written past
// it: the direct and threaded roads say 0x80000107, the plain road passes on
// the media layer's refusal of a sample larger than its limit.
TEST_F(ReaderRoads, FramesThatDoNotFitTheBufferAreRefused) {
  constexpr uint8_t kGuard = 0xA5;
  constexpr uint32_t kMediaRefusal = 0xFFFFFFCEu;  // -50, sign-extended
  struct Case {
    const char* fixture;
    int32_t room;  // bytes of buffer beyond the stored frame
    uint32_t directOrThreaded, plain;
  };
  const Case cases[] = {
      {"prores.mov", -1, 0x80000107u, kMediaRefusal},
      {"prores.mov", 0, 0, 0},
      {"avc1_bframes.mov", 0, 0x80000107u, 0x80000107u},  // key frame 0 grows
  };
  for (const Case& c : cases) {
    for (const Road& road : kRoads) {
      SCOPED_TRACE(testing::Message() << c.fixture << " room " << c.room << " " << road.name);
      CQTReader reader(road.directRead);
      const std::string path = Fixture(c.fixture);
      const std::u16string units(path.begin(), path.end());
      OpenResult opened;
      ASSERT_EQ(reader.Open(units.c_str(), opened), 0u);
      if (road.readAhead) {
        ASSERT_EQ(reader.StartFrameReader(0, 25, 0x100000), 0u);
      }
      uint32_t stored = 0, size = 0, key = 0;
      ASSERT_EQ(reader.ReadFrameFromMedia(0, nullptr, 0, &stored, &key, nullptr), 0u);
      const uint32_t capacity = uint32_t(int64_t{stored} + c.room);
      std::vector<uint8_t> buffer(reader.FrameBufferSize(), kGuard);
      const uint32_t expected =
          road.directRead == DirectRead::kRefused && !road.readAhead ? c.plain : c.directOrThreaded;
      EXPECT_EQ(reader.GetVideoFrame(0, buffer.data(), capacity, &size, &key, nullptr), expected);
      EXPECT_TRUE(std::all_of(buffer.begin() + capacity, buffer.end(),
                              [](uint8_t byte) { return byte == kGuard; }));
    }
  }
}

// Stopping finds the producer reading, parked on a full ring or between the
// two; it always returns, and the roads that follow still deliver.
TEST_F(ReaderRoads, StopAndDestroyWhileTheProducerRuns) {
  auto reference = Open("avc1_bframes.mov", kRoads[0]);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    auto spliter = Open("avc1_bframes.mov", kRoads[3]);
    const uint32_t index = uint32_t(round % 7);
    EXPECT_TRUE(Read(*spliter, index) == Read(*reference, index));
    SetReadAhead(*spliter, false);
    EXPECT_TRUE(Read(*spliter, index + 1) == Read(*reference, index + 1));
    SetReadAhead(*spliter, true);
    SetReadAhead(*spliter, true);  // a running ring is replaced
    if (round % 2 == 0) {
      EXPECT_TRUE(Read(*spliter, index + 2) == Read(*reference, index + 2));
    }
  }  // destruction stops the ring that runs
}

// Random frames from the ring while the host's thread reads audio of the
// same movie through the media layer.
TEST_F(ReaderRoads, SeekStormWithAudioBetween) {
  auto spliter = Open("avc1_pcm.mov", kRoads[3]);
  auto reference = Open("avc1_pcm.mov", kRoads[0]);
  SPlugStreamInfo info;
  ASSERT_EQ(spliter->GetVideoStreamInfo(0, 0, &info), 0u);
  std::mt19937 random(11);
  std::vector<uint8_t> audio(2 * 384000), expectedAudio(2 * 384000);
  for (int i = 0; i < 300; ++i) {
    // Mostly onward, with jumps back and forth.
    const uint32_t index =
        random() % 4 == 0 ? random() % info.frameCount : (uint32_t(i) * 3) % info.frameCount;
    ASSERT_TRUE(Read(*spliter, index) == Read(*reference, index)) << index;
    if (i % 5 != 0) continue;
    SPlugFrameInfo got, expected;
    PlugRecords::Init(got);
    PlugRecords::Init(expected);
    const uint32_t start = random() % 40000;
    ASSERT_EQ(spliter->ReadAudioSamples(start, 960, audio.data(), &got), 0u);
    ASSERT_EQ(reference->ReadAudioSamples(start, 960, expectedAudio.data(), &expected), 0u);
    ASSERT_EQ(got.dataSize, expected.dataSize);
    ASSERT_TRUE(std::equal(audio.begin(), audio.begin() + got.dataSize, expectedAudio.begin()));
  }
}

}  // namespace
}  // namespace zeb::test
