// The movies the open benchmark measures, made once into a cache folder:
// a 20-minute 29.97 fps avc1 + PCM movie made by the ffmpeg tool, and movies
// written through our own MovieWriter from synthetic samples.
#pragma once

#include <cstdint>
#include <string>

namespace zeb::bench {

// 35,964 frames of 64 x 48 H.264 with B-frames beside 48 kHz stereo PCM.
// Returns an empty path when ffmpeg fails.
std::string MakeTwentyMinuteAvcPcm(const std::string& cacheDir);
// `frames` tiny video samples at 30000/1001: sizes 20 to 83 bytes, a sync
// sample every 30, display offsets of a two-B-frame pattern.
std::string MakeTinyFrameMovie(const std::string& cacheDir, uint32_t frames);
// `minutes` of 48 kHz stereo 16-bit PCM, one second an AddMediaSample2 call.
// The samples are silence, which the writer leaves as holes in the file.
std::string MakePcmMovie(const std::string& cacheDir, uint32_t minutes);

}  // namespace zeb::bench
