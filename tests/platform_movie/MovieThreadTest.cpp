// Video and sound of one movie read from two threads at once give the same
// bytes as reads from one thread: tables are immutable and reads positioned.
#include <gtest/gtest.h>

#include <thread>

#include "platform/movie/FourCC.h"
#include "tests/platform_movie/MovieTestUtil.h"
#include "tests/support/Sha256.h"

namespace zeb::movie::test {
namespace {

// Hash of every sample read one at a time (sound: 1000 frames at a time).
std::vector<std::string> HashesOf(const Media& media) {
  std::vector<std::string> hashes;
  const uint32_t perRead = media.Type() == FourCC("soun") ? 1000 : 1;
  for (uint64_t n = 1; n <= media.SampleCount(); n += perRead) {
    int64_t time = 0;
    int64_t duration = 0;
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

TEST(MovieThreadTest, VideoAndSoundReadConcurrently) {
  std::unique_ptr<Movie> movie;
  ASSERT_TRUE(Movie::Open(FixtureFile("avc1_pcm.mov"), movie).IsOk());
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
