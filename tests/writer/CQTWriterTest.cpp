// CQTWriter on its own: what each frame and audio block becomes in the file
// (display offsets, sync flags, the IMX item, descriptions, the split across
// sound tracks), the refusals of open and add, and the writer thread's ring.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/movie/FourCC.h"
#include "tests/host/LogCapture.h"
#include "tests/support/MovieWriting.h"
#include "tests/support/Shell.h"
#include "tests/writer/WriterTestSupport.h"
#include "writer/CQTWriter.h"
#include "zebplug/ZEBPlugResults.h"

namespace zeb::writer::test {
namespace {

using zeb::movie::FourCC;

std::u16string Path16(const std::string& path) { return std::u16string(path.begin(), path.end()); }

// Opens a writer on a fresh file `name`, optionally on its thread.
struct OpenWriter {
  OpenWriter(const std::string& name, const WriterSetup& setup, bool thread = false)
      : path(ScratchPath(name)) {
    std::filesystem::remove(path);
    EXPECT_EQ(writer.Open(Path16(path), setup), ZEB_OK);
    if (thread) writer.StartWriterThread(25);
  }
  std::vector<WrittenTrack> Finish() {
    EXPECT_EQ(writer.Close(), ZEB_OK);
    return ReadWrittenMovie(path);
  }
  std::string path;
  CQTWriter writer;
};

struct OffsetRow {
  uint32_t fourcc;
  std::vector<uint16_t> temporalReferences;  // decode order
  std::vector<bool> keys;
  std::vector<int64_t> offsetsInFrames;
};

TEST(CQTWriterVideo, DisplayOffsetsComeFromTemporalReferences) {
  // I B B P B B | I B B in decode order: the second GOP restarts the count.
  const std::vector<uint16_t> refs = {2, 0, 1, 5, 3, 4, 2, 0, 1};
  const std::vector<bool> keys = {true, false, false, false, false, false, true, false, false};
  const OffsetRow rows[] = {
      {FourCC("mpeg"), refs, keys, {3, 0, 0, 3, 0, 0, 3, 0, 0}},
      {FourCC("xd5c"), refs, keys, {2, -1, -1, 2, -1, -1, 2, -1, -1}},
      {FourCC("mp4v"), refs, keys, {0, 0, 0, 0, 0, 0, 0, 0, 0}},  // no temporal references read
  };
  for (const OffsetRow& row : rows) {
    const std::string name = zeb::movie::FourCCToString(row.fourcc);
    SCOPED_TRACE(name);
    OpenWriter open("offsets_" + name + ".mov",
                    VideoOnlySetup(row.fourcc, 30000, 1001, 1920, 1080));
    std::vector<WrittenSample> expected;
    for (size_t i = 0; i < row.temporalReferences.size(); ++i) {
      const Bytes frame = MpegPicture(row.temporalReferences[i], 100 + i);
      ASSERT_EQ(open.writer.AddVideoSample(0, frame, row.keys[i] ? 16 : 0, {}), ZEB_OK);
      expected.push_back({frame, 1001, row.offsetsInFrames[i] * 1001, row.keys[i], 1});
    }
    const std::vector<WrittenTrack> tracks = open.Finish();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].samples, expected);
  }
}

TEST(CQTWriterVideo, PictureWithoutItsStartCodeIsNotAdded) {
  OpenWriter open("no_picture.mov", VideoOnlySetup(FourCC("mpeg")));
  const Bytes refused[] = {
      {0x00, 0x00, 0x01, 0xB3, 0x12, 0x34},  // a sequence header only
      {0x47, 0x00, 0x00, 0x01, 0x00},        // the start code ends the frame
      {0x00, 0x00, 0x01, 0x00, 0x40},        // one byte of the two that carry the reference
      {},
  };
  for (const Bytes& frame : refused) {
    EXPECT_EQ(open.writer.AddVideoSample(0, frame, 16, {}), ZEB_E_EMPTY_FRAME);
  }
  const Bytes good = MpegPicture(0);
  EXPECT_EQ(open.writer.AddVideoSample(0, good, 16, {}), ZEB_OK);
  const std::vector<WrittenTrack> tracks = open.Finish();
  ASSERT_EQ(tracks.size(), 1u);
  ASSERT_EQ(tracks[0].samples.size(), 1u);
  EXPECT_EQ(tracks[0].samples[0].displayOffset, 1);  // the refused frames moved no counter
}

TEST(CQTWriterVideo, ImxFramesAreWrappedInTheD10Item) {
  OpenWriter open("imx.mov", VideoOnlySetup(FourCC("mx5p"), 25, 1, 720, 608));
  const size_t sizes[] = {1, 1000, CQTWriter::kMaxImxFrameSize};
  for (size_t size : sizes) {
    ASSERT_EQ(open.writer.AddVideoSample(0, Pattern(size, 7), 16, {}), ZEB_OK);
  }
  LogCapture log;
  EXPECT_EQ(open.writer.AddVideoSample(0, Pattern(CQTWriter::kMaxImxFrameSize + 1), 16, {}),
            ZEB_E_ADD_SAMPLE);
  EXPECT_FALSE(log.Texts().empty());
  const std::vector<WrittenTrack> tracks = open.Finish();
  ASSERT_EQ(tracks.size(), 1u);
  ASSERT_EQ(tracks[0].samples.size(), std::size(sizes));
  const Bytes key = {0x06, 0x0E, 0x2B, 0x34, 0x01, 0x02, 0x01, 0x01,
                     0x0D, 0x01, 0x03, 0x01, 0x05, 0x01, 0x01, 0x00};
  for (size_t i = 0; i < std::size(sizes); ++i) {
    const Bytes length = {0x83, static_cast<uint8_t>(sizes[i] >> 16),
                          static_cast<uint8_t>(sizes[i] >> 8), static_cast<uint8_t>(sizes[i])};
    EXPECT_EQ(tracks[0].samples[i].bytes,
              zeb::movie::test::Concat({key, length, Pattern(sizes[i], 7)}));
  }
}

TEST(CQTWriterVideo, DescriptionOfTheTracksCodecReplacesTheOneInUse) {
  using zeb::movie::test::NativeDescription;
  OpenWriter open("description.mov", VideoOnlySetup(FourCC("mp4v"), 25, 1, 320, 240));
  const Bytes extension = {0, 0, 0, 12, 'a', 'b', 'c', 'd', 1, 2, 3, 4};
  const Bytes longer = zeb::movie::test::ImageDescription(FourCC("mp4v"), 320, 240, extension);
  const NativeDescription replacement(FourCC("vide"), longer);
  const NativeDescription otherCodec(FourCC("vide"),
                                     zeb::movie::test::ImageDescription(FourCC("jpeg"), 320, 240));
  const Bytes frame = Pattern(50);
  const Bytes whole = replacement.Native();
  EXPECT_EQ(open.writer.AddVideoSample(0, frame, 16, {}), ZEB_OK);
  EXPECT_EQ(open.writer.AddVideoSample(0, frame, 0, whole), ZEB_OK);
  EXPECT_EQ(open.writer.AddVideoSample(0, frame, 0, otherCodec.Native()), ZEB_OK);
  const Bytes cut(whole.begin(), whole.begin() + 40);
  EXPECT_EQ(open.writer.AddVideoSample(0, frame, 0, cut), ZEB_OK);  // claims more than it holds
  const std::vector<WrittenTrack> tracks = open.Finish();
  ASSERT_EQ(tracks.size(), 1u);
  ASSERT_EQ(tracks[0].descriptions.size(), 2u);
  EXPECT_EQ(tracks[0].descriptions[1], whole);
  std::vector<uint32_t> used;
  for (const WrittenSample& sample : tracks[0].samples) used.push_back(sample.descriptionIndex);
  EXPECT_EQ(used, (std::vector<uint32_t>{1, 2, 2, 2}));
}

struct SplitRow {
  int32_t channels;
  size_t tracks;
};

TEST(CQTWriterAudio, BlocksAreSplitAcrossOneTrackPerChannelPair) {
  const SplitRow rows[] = {{1, 1}, {2, 1}, {4, 2}, {6, 3}, {8, 4}, {17, 8}};
  for (const SplitRow& row : rows) {
    SCOPED_TRACE(row.channels);
    OpenWriter open("split_" + std::to_string(row.channels) + ".mov", AudioOnlySetup(row.channels));
    const uint32_t frames = 480;
    const size_t channelsPerTrack = std::max<size_t>(row.channels / row.tracks, 1);
    const size_t partBytes = frames * channelsPerTrack * 2;
    const Bytes block = Pattern(partBytes * row.tracks, 3);
    ASSERT_EQ(open.writer.AddAudioSamples(0, frames, block, {}), ZEB_OK);
    ASSERT_EQ(open.writer.AddAudioSamples(0, frames, block, {}), ZEB_OK);
    const std::vector<WrittenTrack> tracks = open.Finish();
    ASSERT_EQ(tracks.size(), row.tracks);
    for (size_t t = 0; t < row.tracks; ++t) {
      const Bytes part(block.begin() + t * partBytes, block.begin() + (t + 1) * partBytes);
      Bytes twice = part;
      twice.insert(twice.end(), part.begin(), part.end());
      EXPECT_EQ(tracks[t].soundBytes, twice) << "track " << t;
      EXPECT_EQ(tracks[t].soundSamples, 2u * frames) << "track " << t;
      EXPECT_EQ(tracks[t].timeScale, 48000u);
    }
  }
}

TEST(CQTWriterAudio, TheBlockSaysHowLongEachSampleLasts) {
  using zeb::movie::test::NativeDescription;
  struct Row {
    int32_t mode, value, count;
    uint64_t mediaSamples;
  };
  const Row rows[] = {{0, 2, 5, 10}, {7, 1, 5, 5}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mode);
    OpenWriter open("audio_block_" + std::to_string(row.mode) + ".mov", AudioOnlySetup(2));
    const NativeDescription sound(
        FourCC("soun"),
        zeb::movie::test::SoundDescription(FourCC("twos"), 1, 2, 16, 48000, {1, 4, 4, 2}));
    Bytes block(8);
    std::memcpy(block.data(), &row.mode, 4);
    std::memcpy(block.data() + 4, &row.value, 4);
    const Bytes native = sound.Native();
    block.insert(block.end(), native.begin(), native.begin() + 52);
    ASSERT_EQ(open.writer.AddAudioSamples(0, row.count, Pattern(row.mediaSamples * 4), block),
              ZEB_OK);
    const std::vector<WrittenTrack> tracks = open.Finish();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0].soundSamples, row.mediaSamples);
  }
}

TEST(CQTWriterOpen, RefusalsLeaveNoFileBehind) {
  struct Row {
    const char* what;
    std::string path;
    WriterSetup setup;
    uint32_t result;
    const char* log;  // the first line logged, or ""
  };
  const std::string folder = ScratchPath("");
  const Row rows[] = {
      {"256 characters", folder + std::string(256 - folder.size(), 'p'),
       VideoOnlySetup(FourCC("mp4v")), ZEB_E_PATH_TOO_LONG, ""},
      {"missing folder", folder + "no/such/folder/x.mov", VideoOnlySetup(FourCC("mp4v")),
       ZEB_E_FILE_CREATE, "CQTWriter::Open--NativePathNameToFSSpec() Error("},
      {"a folder", folder + "a_folder", VideoOnlySetup(FourCC("mp4v")), ZEB_E_FILE_CREATE,
       "CQTWriter::Open--NativePathNameToFSSpec() Error("},
      {"18 channels", folder + "18ch.mov", AudioOnlySetup(18), ZEB_E_NO_AUDIO_FOURCC, ""},
  };
  std::filesystem::create_directories(folder + "a_folder");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    LogCapture log;
    CQTWriter writer;
    EXPECT_EQ(writer.Open(Path16(row.path), row.setup), row.result);
    if (*row.log != '\0') {
      ASSERT_GE(log.Texts().size(), 2u);
      EXPECT_EQ(log.Texts()[0], row.log);
      EXPECT_EQ(log.Texts()[1], row.path);
    }
    EXPECT_EQ(writer.Close(), ZEB_OK);
    EXPECT_FALSE(std::filesystem::is_regular_file(row.path));
  }
}

TEST(CQTWriterOpen, AnExistingFileIsReplacedAndAWriterCanReopen) {
  const std::string path = ScratchPath("replaced.mov");
  zeb::test::WriteFile(path, Pattern(100000));
  CQTWriter writer;
  ASSERT_EQ(writer.Open(Path16(path), VideoOnlySetup(FourCC("mp4v"))), ZEB_OK);
  ASSERT_EQ(writer.AddVideoSample(0, Pattern(10), 16, {}), ZEB_OK);
  // Reopening finishes the first movie and starts the second.
  const std::string second = ScratchPath("reopened.mov");
  ASSERT_EQ(writer.Open(Path16(second), VideoOnlySetup(FourCC("mp4v"))), ZEB_OK);
  ASSERT_EQ(writer.AddVideoSample(0, Pattern(20), 16, {}), ZEB_OK);
  writer.Close();
  EXPECT_LT(std::filesystem::file_size(path), 100000u);
  for (const auto& [file, size] : {std::pair{path, 10u}, std::pair{second, 20u}}) {
    const std::vector<WrittenTrack> tracks = ReadWrittenMovie(file);
    ASSERT_EQ(tracks.size(), 1u);
    ASSERT_EQ(tracks[0].samples.size(), 1u);
    EXPECT_EQ(tracks[0].samples[0].bytes.size(), size);
  }
  CQTWriter neverOpened;
  EXPECT_EQ(neverOpened.Close(), ZEB_OK);
  EXPECT_EQ(neverOpened.AddVideoSample(0, Pattern(10), 16, {}), ZEB_E_ADD_SAMPLE);
}

// The ring hands every job to the writer thread and back; each of these runs
// under ThreadSanitizer too.
TEST(CQTWriterThreads, EveryQueuedUnitIsWrittenInOrderBeforeClose) {
  WriterSetup setup = VideoOnlySetup(FourCC("mp4v"));
  setup.audioPresent = 1;
  setup.audio = AudioOnlySetup(2).audio;
  OpenWriter open("threaded.mov", setup, true);
  Bytes expectedSound;
  for (uint32_t i = 0; i < 300; ++i) {
    ASSERT_EQ(open.writer.AddVideoSample(i, Pattern(1000 + i, static_cast<uint8_t>(i)),
                                         i % 10 == 0 ? 16 : 0, {}),
              ZEB_OK);
    const Bytes block = Pattern(1920 * 4, static_cast<uint8_t>(i * 3));
    expectedSound.insert(expectedSound.end(), block.begin(), block.end());
    ASSERT_EQ(open.writer.AddAudioSamples(i, 1920, block, {}), ZEB_OK);
  }
  const std::vector<WrittenTrack> tracks = open.Finish();
  ASSERT_EQ(tracks.size(), 2u);
  ASSERT_EQ(tracks[0].samples.size(), 300u);
  for (uint32_t i = 0; i < 300; ++i) {
    EXPECT_EQ(tracks[0].samples[i].bytes, Pattern(1000 + i, static_cast<uint8_t>(i)));
    EXPECT_EQ(tracks[0].samples[i].sync, i % 10 == 0);
  }
  EXPECT_EQ(tracks[1].soundBytes, expectedSound);
}

TEST(CQTWriterThreads, AFailedJobFailsEverySubmissionThatReachesItAgain) {
  OpenWriter open("sticky.mov", VideoOnlySetup(FourCC("mpeg")), true);  // a ring of 26 jobs
  const Bytes good = MpegPicture(0);
  EXPECT_EQ(open.writer.AddVideoSample(0, Bytes{1, 2, 3}, 16, {}), ZEB_OK);  // queued, fails later
  for (int i = 1; i < 26; ++i) EXPECT_EQ(open.writer.AddVideoSample(0, good, 16, {}), ZEB_OK);
  EXPECT_EQ(open.writer.AddVideoSample(0, good, 16, {}), ZEB_E_EMPTY_FRAME);
  EXPECT_EQ(open.writer.AddVideoSample(0, good, 16, {}), ZEB_E_EMPTY_FRAME);
  const std::vector<WrittenTrack> tracks = open.Finish();
  ASSERT_EQ(tracks.size(), 1u);
  EXPECT_EQ(tracks[0].samples.size(), 25u);  // all but the bad one, nothing after the failure
}

}  // namespace
}  // namespace zeb::writer::test
