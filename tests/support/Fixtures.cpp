#include "tests/support/Fixtures.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zeb::test {

namespace {

// Sources shared by the rows below.
#define ZEB_VIDEO_SOURCE "-f lavfi -i testsrc2=size=160x120:rate=25:duration=1 "
#define ZEB_TONE(rate) "-f lavfi -i sine=frequency=440:sample_rate=" #rate ":duration=1 "

constexpr std::array kFixtures = {
    FixtureRecipe{"avc1_bframes.mov",
                  ZEB_VIDEO_SOURCE "-c:v libx264 -preset veryfast -bf 2 -g 12 -pix_fmt yuv420p"},
    FixtureRecipe{"prores.mov", ZEB_VIDEO_SOURCE "-c:v prores_ks -profile:v 2"},
    FixtureRecipe{
        "dvvideo.mov",
        "-f lavfi -i testsrc2=size=720x576:rate=25:duration=0.4 -c:v dvvideo -pix_fmt yuv420p"},
    FixtureRecipe{"dnxhd.mov",
                  "-f lavfi -i testsrc2=size=1280x720:rate=25:duration=0.12 -c:v dnxhd -b:v 60M "
                  "-pix_fmt yuv422p"},
    FixtureRecipe{"mpeg2_xd5c.mov", ZEB_VIDEO_SOURCE "-c:v mpeg2video -g 6 -bf 2 -tag:v xd5c"},
    FixtureRecipe{"mpeg2_mx5p.mov",
                  "-f lavfi -i testsrc2=size=720x608:rate=25:duration=0.4 -c:v mpeg2video -g 1 "
                  "-pix_fmt yuv422p "
                  "-tag:v mx5p"},
    FixtureRecipe{"mjpeg.mov", ZEB_VIDEO_SOURCE "-c:v mjpeg -pix_fmt yuvj420p"},
    FixtureRecipe{
        "uyvy_2vuy.mov",
        "-f lavfi -i testsrc2=size=64x48:rate=25:duration=0.4 -c:v rawvideo -pix_fmt uyvy422"},
    FixtureRecipe{"pcm_twos.mov", ZEB_TONE(48000) "-ac 2 -c:a pcm_s16be"},
    FixtureRecipe{"pcm_sowt.mov", ZEB_TONE(44100) "-ac 2 -c:a pcm_s16le"},
    FixtureRecipe{"pcm_in24_be.mov", ZEB_TONE(48000) "-c:a pcm_s24be"},
    FixtureRecipe{"pcm_in24_le.mov", ZEB_TONE(48000) "-c:a pcm_s24le"},
    FixtureRecipe{"pcm_in32.mov", ZEB_TONE(48000) "-c:a pcm_s32be"},
    FixtureRecipe{"pcm_fl32.mov", ZEB_TONE(48000) "-c:a pcm_f32be"},
    FixtureRecipe{"pcm_lpcm_96k.mov", ZEB_TONE(96000) "-c:a pcm_s24le"},
    FixtureRecipe{"pcm_mono_tracks.mov", ZEB_TONE(48000) ZEB_TONE(48000)
                                             ZEB_TONE(48000) "-map 0 -map 1 -map 2 -c:a pcm_s16le"},
    FixtureRecipe{"ima4.mov", ZEB_TONE(44100) "-c:a adpcm_ima_qt"},
    FixtureRecipe{"aac.mov", ZEB_TONE(48000) "-c:a aac -b:a 96k"},
    FixtureRecipe{
        "avc1_aac.mp4",
        ZEB_VIDEO_SOURCE ZEB_TONE(44100) "-map 0 -map 1 -c:v libx264 -preset veryfast -bf 2 -g 10 "
                                         "-pix_fmt yuv420p -c:a aac -b:a 64k"},
    FixtureRecipe{"avc1_pcm.mov", ZEB_VIDEO_SOURCE ZEB_TONE(
                                      48000) "-map 0 -map 1 -c:v libx264 -preset veryfast -g 5 "
                                             "-pix_fmt yuv420p -c:a pcm_s16le"},
    // The movie writer's row: B-frames beside two sound tracks of different formats.
    FixtureRecipe{
        "avc1_bframes_pcm_tracks.mov",
        ZEB_VIDEO_SOURCE ZEB_TONE(48000) ZEB_TONE(
            44100) "-map 0 -map 1 -map 2 -c:v libx264 -preset veryfast "
                   "-bf 2 -g 12 -pix_fmt yuv420p -c:a:0 pcm_s16be -c:a:1 pcm_s16le -ac:a:1 2"},
    // The reader's rows: DV sizes, DNxHD variants, more PCM codes, tracks
    // that merge or stay apart.
    FixtureRecipe{"dv_ntsc.mov",
                  "-f lavfi -i testsrc2=size=720x480:rate=30000/1001:duration=0.2 -c:v dvvideo "
                  "-pix_fmt yuv411p"},
    FixtureRecipe{"dv_hd_1080.mov",
                  "-f lavfi -i testsrc2=size=1280x1080:rate=30000/1001:duration=0.07 -c:v dvvideo "
                  "-pix_fmt yuv422p"},
    FixtureRecipe{"dv_hd_720.mov",
                  "-f lavfi -i testsrc2=size=960x720:rate=60000/1001:duration=0.04 -c:v dvvideo "
                  "-pix_fmt yuv422p"},
    FixtureRecipe{"dnxhd_1253.mov",
                  "-f lavfi -i testsrc2=size=1920x1080:rate=25:duration=0.08 -c:v dnxhd -b:v 36M "
                  "-pix_fmt yuv422p"},
    FixtureRecipe{"dnxhd_1242.mov",
                  "-f lavfi -i testsrc2=size=1920x1080:rate=25:duration=0.08 -c:v dnxhd -b:v 120M "
                  "-flags +ildct "
                  "-pix_fmt yuv422p"},
    FixtureRecipe{"avc1_long.mov",
                  "-f lavfi -i testsrc2=size=96x64:rate=25:duration=4 -c:v libx264 -preset "
                  "veryfast -bf 2 -g 12 "
                  "-pix_fmt yuv420p"},
    FixtureRecipe{"pcm_in32_le.mov", ZEB_TONE(48000) "-c:a pcm_s32le"},
    FixtureRecipe{"pcm_raw_u8.mov", ZEB_TONE(22050) "-c:a pcm_u8"},
    FixtureRecipe{
        "pcm_unequal_tracks.mov",
        ZEB_TONE(
            48000) "-f lavfi -i sine=frequency=660:sample_rate=48000:duration=0.5 -map 0 -map 1 "
                   "-c:a pcm_s16le"},
    FixtureRecipe{"pcm_mixed_formats.mov",
                  ZEB_TONE(48000)
                      ZEB_TONE(48000) "-map 0 -map 1 -c:a:0 pcm_s16be -c:a:1 pcm_s16le"},
    // With a video track, so that a host can select the second sound track.
    FixtureRecipe{"mjpeg_pcm_unequal_tracks.mov",
                  ZEB_VIDEO_SOURCE ZEB_TONE(
                      48000) "-f lavfi -i sine=frequency=660:sample_rate=48000:duration=0.5 -map 0 "
                             "-map 1 -map 2 "
                             "-c:v mjpeg -c:a pcm_s16le"},
    FixtureRecipe{"mjpeg_pcm_mixed_formats.mov",
                  ZEB_VIDEO_SOURCE ZEB_TONE(48000) ZEB_TONE(
                      48000) "-map 0 -map 1 -map 2 -c:v mjpeg -c:a:0 pcm_s16be -c:a:1 pcm_s16le"},
};

#undef ZEB_VIDEO_SOURCE
#undef ZEB_TONE

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::span<const FixtureRecipe> FixtureRecipes() { return kFixtures; }

std::string FixtureDir() { return ZEB_FIXTURE_DIR; }
std::string CorpusDir() { return ZEB_CORPUS_DIR; }

std::string FixturePath(const std::string& name, std::string& error) {
  const auto* recipe = std::find_if(kFixtures.begin(), kFixtures.end(),
                                    [&](const FixtureRecipe& row) { return name == row.name; });
  if (recipe == kFixtures.end()) {
    error = "no fixture named " + name;
    return {};
  }
  const std::filesystem::path dir = FixtureDir();
  const std::filesystem::path target = dir / name;
  if (std::filesystem::exists(target)) return target.string();

  std::filesystem::create_directories(dir);
  static std::atomic<int> serial{0};
  const std::string unique = ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
  const std::filesystem::path temporary =
      dir / (target.stem().string() + unique + target.extension().string());
  const std::filesystem::path log = dir / (target.stem().string() + unique + ".log");
  const std::string command = "ffmpeg -hide_banner -loglevel error -nostdin -y " +
                              std::string(recipe->arguments) + " -fflags +bitexact '" +
                              temporary.string() + "' 2>'" + log.string() + "'";
  const int status = std::system(command.c_str());
  const std::string complaint = ReadText(log);
  std::filesystem::remove(log);
  if (status != 0 || !std::filesystem::exists(temporary)) {
    std::filesystem::remove(temporary);
    error = "ffmpeg failed for " + name + ": " + complaint;
    return {};
  }
  std::filesystem::rename(temporary, target);
  return target.string();
}

}  // namespace zeb::test
