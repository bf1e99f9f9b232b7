#include "tests/support/Fixtures.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <functional>
#include <iterator>

#include "tests/support/Shell.h"

namespace zeb::test {

namespace {

struct FixtureRecipe {
  const char* name;       // "avc1_bframes.mov"
  const char* arguments;  // "-f lavfi -i testsrc2=... -c:v libx264 -bf 2"
};

// Sources shared by the rows below.
#define ZEB_CLIP(size, rate, seconds) \
  "-f lavfi -i testsrc2=size=" size ":rate=" rate ":duration=" seconds " "
#define ZEB_VIDEO_SOURCE ZEB_CLIP("160x120", "25", "1")
#define ZEB_TONE(rate) "-f lavfi -i sine=frequency=440:sample_rate=" #rate ":duration=1 "
#define ZEB_X264 "-c:v libx264 -preset veryfast "
// Five or six channels, each its own tone: `sixth` is the sixth channel's
// expression (with its leading '|') or empty.
#define ZEB_CHANNEL_TONES(sixth, layout)                                                      \
  "-f lavfi -i 'aevalsrc=sin(440*2*PI*t)|sin(550*2*PI*t)|sin(660*2*PI*t)|0.3*sin(220*2*PI*t)" \
  "|sin(990*2*PI*t)" sixth ":s=48000:d=1:c=" layout "' "
#define ZEB_PATTERN(size, rate, frames) \
  "-f lavfi -i testsrc2=size=" size ":rate=" rate " -frames:v " #frames " "
#define ZEB_DV(size, rate, options) \
  ZEB_PATTERN(size, rate, 2) "-c:v dvvideo -pix_fmt " options " -f dv"

constexpr FixtureRecipe kFixtures[] = {
    {"avc1_bframes.mov", ZEB_VIDEO_SOURCE ZEB_X264 "-bf 2 -g 12 -pix_fmt yuv420p"},
    // B-frames that are references: a reorder two frames deep.
    {"avc1_pyramid.mov",
     ZEB_VIDEO_SOURCE ZEB_X264 "-bf 3 -b-pyramid normal -g 25 -pix_fmt yuv420p"},
    // Open groups (their first B-frames refer to the group before) and, at
    // the cut to the bars, a closed one.
    {"avc1_open_gop.mov",
     ZEB_CLIP("160x120", "25",
              "1.16") "-f lavfi -i smptebars=size=160x120:rate=25:duration=1 "
                      "-filter_complex concat=n=2:v=1 " ZEB_X264
                      "-bf 2 -x264-params open-gop=1:keyint=12:min-keyint=1:b-pyramid=0 -pix_fmt "
                      "yuv420p"},
    {"prores.mov", ZEB_VIDEO_SOURCE "-c:v prores_ks -profile:v 2"},
    {"dvvideo.mov", ZEB_CLIP("720x576", "25", "0.4") "-c:v dvvideo -pix_fmt yuv420p"},
    {"dnxhd.mov", ZEB_CLIP("1280x720", "25", "0.12") "-c:v dnxhd -b:v 60M -pix_fmt yuv422p"},
    {"mpeg2_xd5c.mov", ZEB_VIDEO_SOURCE "-c:v mpeg2video -g 6 -bf 2 -tag:v xd5c"},
    {"mpeg2_mx5p.mov",
     ZEB_CLIP("720x608", "25", "0.4") "-c:v mpeg2video -g 1 -pix_fmt yuv422p -tag:v mx5p"},
    {"mjpeg.mov", ZEB_VIDEO_SOURCE "-c:v mjpeg -pix_fmt yuvj420p"},
    {"mp4v_bframes.mov", ZEB_VIDEO_SOURCE "-c:v mpeg4 -bf 2 -g 12"},
    {"prores_4444.mov", ZEB_VIDEO_SOURCE "-c:v prores_ks -profile:v 4 -pix_fmt yuva444p10le"},
    {"uyvy_2vuy.mov", ZEB_CLIP("64x48", "25", "0.4") "-c:v rawvideo -pix_fmt uyvy422"},
    {"pcm_twos.mov", ZEB_TONE(48000) "-ac 2 -c:a pcm_s16be"},
    {"pcm_sowt.mov", ZEB_TONE(44100) "-ac 2 -c:a pcm_s16le"},
    {"pcm_in24_be.mov", ZEB_TONE(48000) "-c:a pcm_s24be"},
    {"pcm_in24_le.mov", ZEB_TONE(48000) "-c:a pcm_s24le"},
    {"pcm_in32.mov", ZEB_TONE(48000) "-c:a pcm_s32be"},
    {"pcm_fl32.mov", ZEB_TONE(48000) "-c:a pcm_f32be"},
    {"pcm_lpcm_96k.mov", ZEB_TONE(96000) "-c:a pcm_s24le"},
    {"pcm_mono_tracks.mov",
     ZEB_TONE(48000) ZEB_TONE(48000) ZEB_TONE(48000) "-map 0 -map 1 -map 2 -c:a pcm_s16le"},
    {"ima4.mov", ZEB_TONE(44100) "-c:a adpcm_ima_qt"},
    {"aac.mov", ZEB_TONE(48000) "-c:a aac -b:a 96k"},
    // The audio decoder's codings; the multichannel tones differ per channel.
    {"ulaw.mov", ZEB_TONE(48000) "-c:a pcm_mulaw"},
    {"alaw.mov", ZEB_TONE(44100) "-ac 2 -c:a pcm_alaw"},
    {"alac.mov", ZEB_TONE(48000) "-ac 2 -c:a alac"},
    {"alac_24.mov", ZEB_TONE(48000) "-ac 2 -c:a alac -sample_fmt s32p"},
    {"mp3.mov", ZEB_TONE(48000) "-ac 2 -c:a libmp3lame -b:a 128k"},
    {"ac3.mov", ZEB_TONE(48000) "-ac 2 -c:a ac3"},
    {"pcm_fl64.mov", ZEB_TONE(48000) "-c:a pcm_f64be"},
    // Rates above 65535 Hz are written as version-2 'lpcm'.
    {"lpcm_s16be_96k.mov", ZEB_TONE(96000) "-ac 2 -c:a pcm_s16be"},
    {"lpcm_s32le_96k.mov", ZEB_TONE(96000) "-c:a pcm_s32le"},
    {"lpcm_f32be_96k.mov", ZEB_TONE(96000) "-ac 2 -c:a pcm_f32be"},
    {"aac_51.mov", ZEB_CHANNEL_TONES("|0.5*sin(880*2*PI*t)", "5.1") "-c:a aac -b:a 256k"},
    {"aac_50.mov", ZEB_CHANNEL_TONES("", "5.0") "-c:a aac -b:a 256k"},
    {"avc1_aac.mp4",
     ZEB_VIDEO_SOURCE ZEB_TONE(44100) "-map 0 -map 1 " ZEB_X264
                                      "-bf 2 -g 10 -pix_fmt yuv420p -c:a aac -b:a 64k"},
    {"avc1_pcm.mov", ZEB_VIDEO_SOURCE ZEB_TONE(48000) "-map 0 -map 1 " ZEB_X264
                                                      "-g 5 -pix_fmt yuv420p -c:a pcm_s16le"},
    // Aligned PCM at 29.97 fps: the 1602/1601 cadence.
    {"mjpeg_pcm_ntsc.mov", ZEB_CLIP("160x120", "30000/1001", "1")
                               ZEB_TONE(48000) "-map 0 -map 1 -c:v mjpeg -ac 2 -c:a pcm_s16le"},
    // The movie writer's row: B-frames beside two sound tracks of different formats.
    {"avc1_bframes_pcm_tracks.mov",
     ZEB_VIDEO_SOURCE ZEB_TONE(48000) ZEB_TONE(
         44100) "-map 0 -map 1 -map 2 " ZEB_X264
                "-bf 2 -g 12 -pix_fmt yuv420p -c:a:0 pcm_s16be -c:a:1 pcm_s16le -ac:a:1 2"},
    // A recording long enough to be killed half-way: 20 s of 320x240 H.264
    // with B-frames beside 48 kHz stereo PCM.
    {"recording_avc1_pcm.mov",
     ZEB_CLIP(
         "320x240", "25",
         "20") "-f lavfi -i sine=frequency=440:sample_rate=48000:duration=20 "
               "-map 0 -map 1 -c:v libx264 -preset ultrafast -bf 2 -g 25 -pix_fmt yuv420p -ac 2 "
               "-c:a pcm_s16le"},
    // The reader's rows: DV sizes, DNxHD variants, more PCM codes, tracks
    // that merge or stay apart.
    {"dv_ntsc.mov", ZEB_CLIP("720x480", "30000/1001", "0.2") "-c:v dvvideo -pix_fmt yuv411p"},
    {"dv_hd_1080.mov", ZEB_CLIP("1280x1080", "30000/1001", "0.07") "-c:v dvvideo -pix_fmt yuv422p"},
    {"dv_hd_720.mov", ZEB_CLIP("960x720", "60000/1001", "0.04") "-c:v dvvideo -pix_fmt yuv422p"},
    {"dnxhd_1253.mov", ZEB_CLIP("1920x1080", "25", "0.08") "-c:v dnxhd -b:v 36M -pix_fmt yuv422p"},
    {"dnxhd_1242.mov",
     ZEB_CLIP("1920x1080", "25", "0.08") "-c:v dnxhd -b:v 120M -flags +ildct -pix_fmt yuv422p"},
    {"avc1_long.mov", ZEB_CLIP("96x64", "25", "4") ZEB_X264 "-bf 2 -g 12 -pix_fmt yuv420p"},
    // Parameter sets that code 1088 lines without cropping, in a 1080-line track.
    {"avc1_1088.mov", ZEB_CLIP("1920x1080", "25", "0.12") ZEB_X264
     "-pix_fmt yuv420p -bsf:v h264_metadata=crop_bottom=0"},
    {"pcm_in32_le.mov", ZEB_TONE(48000) "-c:a pcm_s32le"},
    {"pcm_raw_u8.mov", ZEB_TONE(22050) "-c:a pcm_u8"},
    {"pcm_s8.mov", ZEB_TONE(22050) "-c:a pcm_s8"},
    {"pcm_unequal_tracks.mov",
     ZEB_TONE(48000) "-f lavfi -i sine=frequency=660:sample_rate=48000:duration=0.5 -map 0 -map 1 "
                     "-c:a pcm_s16le"},
    {"pcm_mixed_formats.mov",
     ZEB_TONE(48000) ZEB_TONE(48000) "-map 0 -map 1 -c:a:0 pcm_s16be -c:a:1 pcm_s16le"},
    // With a video track, so that a host can select the second sound track.
    {"mjpeg_pcm_unequal_tracks.mov",
     ZEB_VIDEO_SOURCE ZEB_TONE(
         48000) "-f lavfi -i sine=frequency=660:sample_rate=48000:duration=0.5 "
                "-map 0 -map 1 -map 2 -c:v mjpeg -c:a pcm_s16le"},
    {"mjpeg_pcm_mixed_formats.mov",
     ZEB_VIDEO_SOURCE ZEB_TONE(48000)
         ZEB_TONE(48000) "-map 0 -map 1 -map 2 -c:v mjpeg -c:a:0 pcm_s16be -c:a:1 pcm_s16le"},
    // The direct file reader's movie: ten seconds, about 7 MiB, whose
    // compressed pictures make every offset look different.
    {"file_reader_mjpeg_pcm.mov",
     "-f lavfi -i testsrc2=size=640x360:rate=25 -f lavfi -i "
     "sine=frequency=440:sample_rate=48000 -t 10 -c:v mjpeg -q:v 2 -c:a pcm_s16le"},
    // The stream analysers' elementary streams: x264, MPEG-1/2 and DV.
    {"high_bf.h264", ZEB_PATTERN("320x240", "25", 12) "-c:v libx264 -profile:v high "
                                                      "-bf 2 -x264-params keyint=6:scenecut=0"},
    {"ft_open.h264",
     ZEB_PATTERN("320x240", "25", 20) "-c:v libx264 -bf 2 -x264-params "
                                      "keyint=6:min-keyint=6:scenecut=0:open-gop=1"},
    {"ft_slices.h264",
     ZEB_PATTERN("720x576", "25", 10) "-flags +ildct+ilme -c:v libx264 "
                                      "-x264-params tff=1:slices=4:keyint=5:scenecut=0"},
    {"main_crop.h264",
     ZEB_PATTERN("640x360", "25", 4) "-vf crop=636:356:0:0 -c:v libx264 -profile:v main"},
    {"high444_odd.h264", ZEB_PATTERN("320x240", "25", 4) "-vf crop=317:237:0:0 -pix_fmt "
                                                         "yuv444p -c:v libx264"},
    {"baseline_sar.h264", ZEB_PATTERN("720x576", "25", 4) "-vf setsar=16/15 -c:v libx264 "
                                                          "-profile:v baseline"},
    {"bt709_sd.h264", ZEB_PATTERN("720x576", "25", 3) "-c:v libx264 -color_primaries bt709 "
                                                      "-color_trc bt709 -colorspace bt709"},
    {"bt601_hd.h264",
     ZEB_PATTERN("1280x720", "50", 3) "-c:v libx264 -color_primaries bt470bg "
                                      "-color_trc smpte170m -colorspace smpte170m"},
    {"tff_wide.h264",
     ZEB_PATTERN("720x576", "25", 8) "-vf setsar=64/45 -flags +ildct+ilme -c:v libx264 "
                                     "-x264-params tff=1:keyint=4:scenecut=0"},
    {"bff_hrd.h264", ZEB_PATTERN("720x480", "30000/1001",
                                 6) "-flags +ildct+ilme -c:v libx264 -b:v 1M "
                                    "-maxrate 1M -bufsize 2M -x264-params bff=1:nal-hrd=vbr"},
    {"tff_crop.h264", ZEB_PATTERN("640x360", "25", 4) "-flags +ildct+ilme -c:v libx264 "
                                                      "-x264-params tff=1"},
    {"high10_pc.h264", ZEB_PATTERN("320x240", "24000/1001", 3) "-pix_fmt yuv420p10le "
                                                               "-color_range pc -c:v libx264"},
    {"high422.h264", ZEB_PATTERN("352x288", "25", 3) "-pix_fmt yuv422p -c:v libx264"},
    {"m2_tff.m2v",
     ZEB_PATTERN("720x576", "25", 8) "-c:v mpeg2video -flags +ilme+ildct -top 1 -aspect "
                                     "16:9 -b:v 5M -maxrate 8M -bufsize 2M -g 6 -bf 2 "
                                     "-color_primaries bt709 -color_trc bt709 -colorspace bt709"},
    {"m2_bff.m2v", ZEB_PATTERN("720x480", "30000/1001",
                               8) "-c:v mpeg2video -flags +ilme+ildct -top 0 "
                                  "-aspect 4:3 -b:v 4M -maxrate 6M -bufsize 2M -g 6 -bf 2"},
    {"m2_422.m2v", ZEB_PATTERN("1920x1080", "25", 4) "-c:v mpeg2video -pix_fmt yuv422p "
                                                     "-b:v 20M -maxrate 30M -bufsize 8M -g 4"},
    {"m2_film.m2v", ZEB_PATTERN("1280x720", "24000/1001", 4) "-c:v mpeg2video -b:v 8M "
                                                             "-maxrate 10M -bufsize 4M"},
    {"m1_wide.m1v", ZEB_PATTERN("352x288", "25", 6) "-c:v mpeg1video -aspect 16:9 -g 6 -bf 2"},
    {"pal.dv", ZEB_DV("720x576", "25", "yuv420p")},
    {"pal_wide.dv", ZEB_DV("720x576", "25", "yuv420p -aspect 16:9")},
    {"ntsc_wide.dv", ZEB_DV("720x480", "30000/1001", "yuv411p -aspect 16:9")},
    {"dvcpro_pal.dv", ZEB_DV("720x576", "25", "yuv411p")},
    {"dv50_pal.dv", ZEB_DV("720x576", "25", "yuv422p")},
    {"dv50_ntsc.dv", ZEB_DV("720x480", "30000/1001", "yuv422p")},
    {"hd1080i50.dv", ZEB_DV("1440x1080", "25", "yuv422p")},
    {"hd1080i60.dv", ZEB_DV("1280x1080", "30000/1001", "yuv422p")},
    {"hd720p60.dv", ZEB_DV("960x720", "60000/1001", "yuv422p")},
    {"hd720p50.dv", ZEB_DV("960x720", "50", "yuv422p")},
};

#undef ZEB_CLIP
#undef ZEB_X264
#undef ZEB_VIDEO_SOURCE
#undef ZEB_TONE
#undef ZEB_PATTERN
#undef ZEB_CHANNEL_TONES
#undef ZEB_DV

}  // namespace

std::string TestName(std::string text) {
  for (char& c : text) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return text;
}

std::string FixtureDir() { return ZEB_FIXTURE_DIR; }
std::string CorpusDir() { return ZEB_CORPUS_DIR; }

std::string FixturePath(const std::string& name, std::string& error) {
  const auto* recipe = std::find_if(std::begin(kFixtures), std::end(kFixtures),
                                    [&](const FixtureRecipe& row) { return name == row.name; });
  if (recipe == std::end(kFixtures)) {
    error = "no fixture named " + name;
    return {};
  }
  const std::filesystem::path named = name;
  const std::string stem = named.stem().string();
  const std::string digest = std::to_string(std::hash<std::string>{}(recipe->arguments) % 1000000);
  const std::filesystem::path target =
      std::filesystem::path(FixtureDir()) / (stem + "-" + digest + named.extension().string());
  if (std::filesystem::exists(target)) return target.string();

  std::filesystem::create_directories(FixtureDir());
  static std::atomic<int> serial{0};
  const std::string temporary = target.string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                                std::to_string(serial++) + named.extension().string();
  const CommandResult run = RunCommand("ffmpeg -hide_banner -loglevel error -nostdin -y " +
                                       std::string(recipe->arguments) + " -fflags +bitexact " +
                                       Quote(temporary) + " 2>&1");
  if (run.exitCode != 0 || !std::filesystem::exists(temporary)) {
    std::filesystem::remove(temporary);
    error = "ffmpeg failed for " + name + ": " + run.output;
    return {};
  }
  std::filesystem::rename(temporary, target);
  return target.string();
}

std::string Fixture(const std::string& name) {
  std::string error;
  const std::string path = FixturePath(name, error);
  EXPECT_FALSE(path.empty()) << error;
  return path;
}

}  // namespace zeb::test
