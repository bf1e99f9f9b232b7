// Movies made by ffmpeg and the real-world corpus, read through our layer and
// compared with ffprobe sample by sample (ProbeComparison.h says what "agree"
// means); a compressed movie header made from one of them; video
// and sound read from two threads at once.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <thread>

#include "platform/movie/FourCC.h"
#include "tests/platform_movie/ProbeComparison.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/MovieBytes.h"
#include "tests/support/MovieWriting.h"

namespace zeb::movie::test {
namespace {

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

class MovieFixtureTest : public testing::TestWithParam<const char*> {};

TEST_P(MovieFixtureTest, SamplesMatchFfprobe) {
  const std::string path = Fixture(GetParam());
  ASSERT_FALSE(path.empty());
  std::unique_ptr<Movie> movie;
  const Status status = Movie::Open(path, movie);
  ASSERT_TRUE(status.IsOk()) << status.ToString();
  const zeb::test::ProbeResult probe = ProbeIgnoringEdits(path);
  ASSERT_TRUE(probe.ok) << probe.error;
  ASSERT_EQ(probe.streams.size(), movie->TrackCount());
  EXPECT_EQ(Join(CompareWithProbe(*movie, probe)), "");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MovieFixtureTest,
                         testing::Values("avc1_bframes.mov", "prores.mov", "dvvideo.mov",
                                         "dnxhd.mov", "mpeg2_xd5c.mov", "mpeg2_mx5p.mov",
                                         "mjpeg.mov", "uyvy_2vuy.mov", "pcm_twos.mov",
                                         "pcm_sowt.mov", "pcm_in24_be.mov", "pcm_in24_le.mov",
                                         "pcm_in32.mov", "pcm_fl32.mov", "pcm_lpcm_96k.mov",
                                         "pcm_mono_tracks.mov", "ima4.mov", "aac.mov",
                                         "avc1_aac.mp4", "avc1_pcm.mov"),
                         [](const auto& info) { return zeb::test::TestName(info.param); });

// Every real-world file of the corpus opens or fails with an error (never a
// crash or a hang), and where ffprobe reads a file our samples agree with its
// packets.
std::vector<std::filesystem::path> CorpusFiles() {
  std::vector<std::filesystem::path> files;
  const std::filesystem::path dir = zeb::test::CorpusDir();
  if (!std::filesystem::is_directory(dir)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string extension = entry.path().extension().string();
    if (entry.is_regular_file() && extension != ".md" && extension != ".tsv")
      files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(MovieCorpusTest, EveryFileOpensOrFailsAndAgreesWithFfprobe) {
  const std::vector<std::filesystem::path> files = CorpusFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus at " << zeb::test::CorpusDir();
  int opened = 0;
  for (const std::filesystem::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    std::unique_ptr<Movie> movie;
    const Status status = Movie::Open(file.string(), movie);
    if (!status.IsOk()) {
      EXPECT_NE(status.Err(), kNoErr);
      EXPECT_FALSE(status.Message().empty());
      continue;
    }
    ++opened;
    const zeb::test::ProbeResult probe = ProbeIgnoringEdits(file.string());
    if (!probe.ok) continue;
    for (const std::string& difference : CompareWithProbe(*movie, probe))
      ADD_FAILURE() << difference;
  }
  EXPECT_GT(opened, static_cast<int>(files.size()) / 2);
}

// The movie header of a real movie (at the end of the file) stored again as
// 'cmov': 'dcom' = 'zlib', 'cmvd' = inflated size + deflated 'moov'.
TEST(MovieFixtureTest, CompressedMovieHeaderReadsLikeThePlainOne) {
  const std::string path = Fixture("avc1_pcm.mov");
  const Bytes file = ReadFile(path);
  const Bytes moovType = Be32s({FourCC("moov")});
  const auto type = std::find_end(file.begin(), file.end(), moovType.begin(), moovType.end());
  const auto moov = type - 4;
  ASSERT_EQ(static_cast<uint64_t>(file.end() - moov),
            BigEndian(file, static_cast<size_t>(moov - file.begin())))
      << "ffmpeg puts the movie header last";

  const Bytes plain(moov, file.end());
  uLongf packedSize = compressBound(plain.size());
  Bytes packed(packedSize);
  ASSERT_EQ(compress2(packed.data(), &packedSize, plain.data(), plain.size(), 9), Z_OK);
  packed.resize(packedSize);
  const Bytes cmov = Atom(
      FourCC("cmov"),
      Concat(
          {Atom(FourCC("dcom"), Be32s({FourCC("zlib")})),
           Atom(FourCC("cmvd"), Concat({Be32s({static_cast<uint32_t>(plain.size())}), packed}))}));
  const Bytes compressed = Concat({Bytes(file.begin(), moov), Atom(FourCC("moov"), cmov)});

  std::unique_ptr<Movie> movie;
  const Status status = OpenBytes(compressed, movie);
  ASSERT_TRUE(status.IsOk()) << status.ToString();
  EXPECT_TRUE(movie->HasCompressedHeader());
  EXPECT_EQ(Join(CompareWithProbe(*movie, ProbeIgnoringEdits(path))), "");

  Bytes lying = compressed;
  const size_t sizeAt = static_cast<size_t>(moov - file.begin()) + 8 + 8 + 12 + 8;
  lying[sizeAt] = 0x7F;  // the inflated size now claims about 2 GiB
  EXPECT_EQ(OpenBytes(lying, movie).Code(), StatusCode::kInvalid);
}

// Hash of every sample read one at a time (sound: 1000 frames at a time).
std::vector<std::string> HashesOf(const Media& media) {
  std::vector<std::string> hashes;
  const uint32_t perRead = media.Type() == FourCC("soun") ? 1000 : 1;
  for (uint64_t n = 1; n <= media.SampleCount(); n += perRead) {
    int64_t time = 0, duration = 0;
    SampleReadResult result;
    std::vector<uint8_t> data;
    if (!media.GetSampleDecodeTime(n, time, duration).IsOk() ||
        !ReadAt(media, time, perRead, result, data).IsOk()) {
      hashes.push_back("error");
      continue;
    }
    hashes.push_back(zeb::test::Sha256Hex(data));
  }
  return hashes;
}

// Video and sound of one movie read from two threads at once give the same
// bytes as reads from one thread: tables are immutable and reads positioned.
TEST(MovieReaderThreads, VideoAndSoundReadConcurrently) {
  std::unique_ptr<Movie> movie;
  ASSERT_TRUE(Movie::Open(Fixture("avc1_pcm.mov"), movie).IsOk());
  ASSERT_EQ(movie->TrackCount(), 2u);
  const Media& video = movie->GetTrack(1)->GetMedia();
  const Media& sound = movie->GetTrack(2)->GetMedia();
  const std::vector<std::string> videoAlone = HashesOf(video);
  const std::vector<std::string> soundAlone = HashesOf(sound);

  std::vector<std::vector<std::string>> videoTogether(5);
  std::vector<std::vector<std::string>> soundTogether(5);
  std::thread videoThread([&] {
    for (auto& hashes : videoTogether) hashes = HashesOf(video);
  });
  std::thread soundThread([&] {
    for (auto& hashes : soundTogether) hashes = HashesOf(sound);
  });
  videoThread.join();
  soundThread.join();
  for (const auto& hashes : videoTogether) EXPECT_EQ(hashes, videoAlone);
  for (const auto& hashes : soundTogether) EXPECT_EQ(hashes, soundAlone);
}

}  // namespace
}  // namespace zeb::movie::test
