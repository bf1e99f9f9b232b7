// Movies past 4 GiB: 64-bit chunk offsets and a 64-bit 'mdat' size, right at
// the boundaries. The sample data is zeros, which the writer leaves as holes,
// so each file takes almost no disk.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/movie/FileSink.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/Movie.h"
#include "platform/movie/MovieWriter.h"
#include "tests/support/MovieWriting.h"

namespace zeb::movie::test {
namespace {

constexpr uint64_t k4GiB = uint64_t{1} << 32;
constexpr uint64_t kDataStart = 36;   // ftyp 20, wide 8, mdat header 8
constexpr uint64_t kSoundBytes = 16;  // the sound sample that follows the video

// Writes `videoBytes` of zero video samples, then one sound sample, then the movie.
Status WriteLargeMovie(const std::string& path, uint64_t videoBytes, const Bytes& sound) {
  static const Bytes zeros(size_t{64} << 20, 0);
  TestMovie movie;
  ZEB_MOVIE_TRY(
      movie.Create(path, {{FourCC("vide"), 25, 16 << 16, 16 << 16}, {FourCC("soun"), 48000}}));
  const NativeDescription video(FourCC("vide"), ImageDescription(FourCC("raw "), 16, 16));
  const NativeDescription sound_description(FourCC("soun"),
                                            SoundDescription(FourCC("twos"), 0, 2, 16, 48000));
  for (uint64_t left = videoBytes; left > 0;) {
    const auto size = static_cast<uint32_t>(std::min<uint64_t>(left, zeros.size()));
    ZEB_MOVIE_TRY(movie.Writer().AddMediaSample2(movie.Media(0), zeros.data(), size, 1, 0,
                                                 video.Get(), 1, 0, nullptr));
    left -= size;
  }
  ZEB_MOVIE_TRY(movie.Writer().AddMediaSample2(
      movie.Media(1), sound.data(), static_cast<uint32_t>(sound.size()), 1, 0,
      sound_description.Get(), static_cast<uint32_t>(sound.size() / 4), 0, nullptr));
  return movie.Finish();
}

// Whether the fixture folder keeps zero blocks as holes; without that each
// case would write gigabytes.
bool FolderHasSparseFiles() {
  const std::string probe = OutputPath("sparse_probe.bin");
  FileSink sink;
  const bool written = sink.Open(probe).IsOk() && sink.Append(Bytes(size_t{8} << 20, 0)).IsOk() &&
                       sink.Append(Bytes(1, 1)).IsOk() && sink.Close().IsOk();
  struct stat info;
  const bool sparse =
      written && ::stat(probe.c_str(), &info) == 0 && info.st_blocks * 512 < (4 << 20);
  std::remove(probe.c_str());
  return sparse;
}

struct LargeCase {
  const char* name;
  uint64_t videoBytes;
  bool mdat64, videoCo64, soundCo64;
};

TEST(MovieWriterLargeFile, OffsetsAndMdatSizeSwitchTo64BitAtTheBoundary) {
  if (!FolderHasSparseFiles())
    GTEST_SKIP() << "the fixture folder's file system has no sparse files";
  const LargeCase cases[] = {
      // The sound chunk starts at 2^32 - 1: the last offset 'stco' can hold.
      {"SoundChunkAtLast32BitOffset", k4GiB - 1 - kDataStart, false, false, false},
      // 'mdat' (header + video + sound) is exactly 2^32 - 1 bytes.
      {"MdatSizeAtLast32BitValue", k4GiB - 1 - 8 - kSoundBytes, false, false, true},
      {"MdatSizeOnePast32Bits", k4GiB - 8 - kSoundBytes, true, false, true},
      // Video chunks start past 4 GiB too.
      {"FiveGiB", 5 * (k4GiB / 4), true, true, true},
  };
  const Bytes sound = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  const std::string path = OutputPath("large.mov");
  for (const LargeCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Status written = WriteLargeMovie(path, c.videoBytes, sound);
    ASSERT_TRUE(written.IsOk()) << written.ToString();

    const std::vector<AtomInfo> atoms = TopLevelAtoms(path);
    ASSERT_GE(atoms.size(), 3u);
    const AtomInfo& mdat = c.mdat64 ? atoms[1] : atoms[2];
    EXPECT_EQ(mdat.type, FourCC("mdat"));
    EXPECT_EQ(mdat.headerSize, c.mdat64 ? 16u : 8u);
    EXPECT_EQ(mdat.offset, c.mdat64 ? 20u : 28u);
    EXPECT_EQ(mdat.offset + mdat.size, kDataStart + c.videoBytes + kSoundBytes);
    EXPECT_EQ(atoms[1].type, c.mdat64 ? FourCC("mdat") : FourCC("wide"));
    EXPECT_EQ(atoms.back().type, FourCC("moov"));

    const Bytes moov = MoovBytes(path);
    const uint64_t sound_offset = kDataStart + c.videoBytes;
    const auto chunkTables = [&](int track, bool co64) {
      return AtomPayloads(moov, "moov/trak[" + std::to_string(track) + "]/mdia/minf/stbl/" +
                                    (co64 ? "co64" : "stco"));
    };
    EXPECT_EQ(chunkTables(1, c.videoCo64).size(), 1u);
    const std::vector<Bytes> sound_table = chunkTables(2, c.soundCo64);
    ASSERT_EQ(sound_table.size(), 1u);
    // The one entry follows version, flags and count.
    EXPECT_EQ(BigEndian(sound_table[0], 8, c.soundCo64 ? 8 : 4), sound_offset);
    EXPECT_EQ(ReadFile(path, sound_offset, kSoundBytes), sound);

    std::unique_ptr<Movie> movie;
    const Status opened = Movie::Open(path, movie);
    ASSERT_TRUE(opened.IsOk()) << opened.ToString();
    ASSERT_EQ(movie->TrackCount(), 2u);
    EXPECT_EQ(movie->GetTrack(1)->GetMedia().SampleCount(),
              (c.videoBytes + (uint64_t{64} << 20) - 1) >> 26);
    Bytes read_back(kSoundBytes);
    SampleReadResult result;
    const Status read = movie->GetTrack(2)->GetMedia().ReadSamples(
        {0, read_back.data(), static_cast<uint32_t>(read_back.size()), 0}, result);
    ASSERT_TRUE(read.IsOk()) << read.ToString();
    EXPECT_EQ(read_back, sound);

    EXPECT_EQ(zeb::test::RunCommand("ffprobe -v error -show_streams '" + path + "'").exitCode, 0);
    struct stat info;
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_LT(static_cast<uint64_t>(info.st_blocks) * 512, uint64_t{64} << 20);
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace zeb::movie::test
