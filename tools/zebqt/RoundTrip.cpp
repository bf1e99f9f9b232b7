#include "tools/zebqt/RoundTrip.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "tools/zebqt/FrameRecords.h"
#include "tools/zebqt/MuxerSession.h"
#include "tools/zebqt/ReaderSession.h"
#include "tools/zebqt/VideoDecoderSession.h"
#include "tools/zebqt/VideoEncoderSession.h"
#include "tools/zebqt/WrittenMovie.h"

namespace {

constexpr uint32_t kWidth = 640;
constexpr uint32_t kHeight = 360;
constexpr uint32_t kFrames = 50;  // two seconds at 25 a second
constexpr uint32_t kRate = 25;
constexpr uint32_t kSampleRate = 48000;
constexpr uint32_t kChannels = 2;
constexpr uint32_t kSamplesPerFrame = kSampleRate / kRate;
constexpr uint32_t kAvc1 = 0x61766331;  // 'avc1'

// A '2vuy' (U Y V Y) picture: ramps that move four pixels a frame.
std::vector<uint8_t> TestPattern(uint32_t index) {
  std::vector<uint8_t> picture(size_t{kWidth} * kHeight * 2);
  for (uint32_t y = 0; y < kHeight; ++y) {
    for (uint32_t x = 0; x < kWidth; x += 2) {
      const uint32_t moved = x + 4 * index;
      uint8_t* pair = &picture[(size_t{y} * kWidth + x) * 2];
      pair[0] = static_cast<uint8_t>(64 + moved * 128 / (kWidth + 256) % 128);
      pair[1] = static_cast<uint8_t>(16 + (moved + y) * 200 / (kWidth + kHeight + 256));
      pair[2] = static_cast<uint8_t>(64 + y * 128 / kHeight);
      pair[3] = static_cast<uint8_t>(16 + (moved + 1 + y) * 200 / (kWidth + kHeight + 256));
    }
  }
  return picture;
}

// 440 Hz on the left, 660 Hz on the right: 16-bit little-endian PCM.
std::vector<uint8_t> Tone(uint64_t firstSample, uint32_t samples) {
  std::vector<uint8_t> pcm(size_t{samples} * kChannels * 2);
  for (uint32_t i = 0; i < samples; ++i) {
    const double t = double(firstSample + i) / kSampleRate;
    for (uint32_t c = 0; c < kChannels; ++c) {
      const auto value = static_cast<int16_t>(8000 * std::sin(2 * M_PI * (c ? 660 : 440) * t));
      std::memcpy(&pcm[(size_t{i} * kChannels + c) * 2], &value, 2);
    }
  }
  return pcm;
}

double Psnr(const std::vector<uint8_t>& a, const uint8_t* b) {
  double squares = 0;
  for (size_t i = 0; i < a.size(); ++i) squares += (double(a[i]) - b[i]) * (double(a[i]) - b[i]);
  if (squares == 0) return 99.0;
  return 10 * std::log10(255.0 * 255.0 * double(a.size()) / squares);
}

SPlugVideoStreamInfo VideoRecord() {
  SPlugVideoStreamInfo video{};
  video.size = sizeof video;
  video.videoType = PLUG_VIDEO_TYPE_QUICKTIME_;
  video.videoSubType = kAvc1;
  video.width = kWidth;
  video.height = kHeight;
  video.aspectX = 16;
  video.aspectY = 9;
  video.frameRateNum = kRate;
  video.frameRateDen = 1;
  video.fieldOrder = PLUG_FIELD_ORDER_PROGRESSIVE_;
  video.colorFormat = PLUG_COLOR_FORMAT_UYVY_;
  video.gopSize = 25;
  return video;
}

struct Encoded {
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> description;
  uint32_t frameType = 0;
};

std::vector<Encoded> EncodeVideo(const PluginLibrary& plugin) {
  VideoEncoderSession encoder(plugin, VideoRecord(), std::nullopt);
  std::vector<Encoded> frames;
  for (uint32_t i = 0; i < kFrames; ++i) {
    const EncodedFrame coded = encoder.Encode(TestPattern(i), i);
    frames.push_back({{coded.bytes.begin(), coded.bytes.end()},
                      {coded.description.begin(), coded.description.end()},
                      coded.frameType});
  }
  return frames;
}

void WriteMovie(const PluginLibrary& plugin, const std::string& path,
                const std::vector<Encoded>& frames) {
  SPlugStreamInfo video{};
  video.structVersion = 1;
  video.streamType = PLUG_STREAM_TYPE_VIDEO_;
  video.video = VideoRecord();
  SPlugStreamInfo audio{};
  audio.structVersion = 1;
  audio.streamType = PLUG_STREAM_TYPE_AUDIO_;
  audio.audio.size = sizeof audio.audio;
  audio.audio.audioType = PLUG_AUDIO_TYPE_PCM_LE_;
  audio.audio.channels = kChannels;
  audio.audio.bitsPerSample = 16;
  audio.audio.sampleRate = kSampleRate;
  audio.audio.blockAlign = kChannels * 2;
  MuxerSession muxer(plugin, path, {video, audio}, false);
  for (uint32_t i = 0; i < frames.size(); ++i) {
    SPlugFrameInfo info = NewFrameInfo();
    info.dataSize = static_cast<uint32_t>(frames[i].bytes.size());
    info.frameType = frames[i].frameType;
    info.decodePosition = info.presentationPosition = i;
    info.privateKind = PLUG_PRIVATE_QT_IMAGE_DESCRIPTION;
    info.privateAddress = const_cast<uint8_t*>(frames[i].description.data());
    info.privateSize = static_cast<uint32_t>(frames[i].description.size());
    CheckStep(muxer.Write(0, frames[i].bytes.data(), info), "writing frame " + std::to_string(i));
    const std::vector<uint8_t> pcm = Tone(uint64_t{i} * kSamplesPerFrame, kSamplesPerFrame);
    SPlugFrameInfo sound = NewFrameInfo();
    sound.dataSize = static_cast<uint32_t>(pcm.size());
    sound.unitCount = kSamplesPerFrame;
    sound.streamState = i + 1 == frames.size() ? PLUG_STREAMSTATE_END_ : PLUG_STREAMSTATE_MORE_;
    CheckStep(muxer.Write(1, pcm.data(), sound), "writing audio " + std::to_string(i));
  }
  muxer.Finish();
}

void DecodeBack(const PluginLibrary& plugin, ReaderSession& reader, RoundTripResult& result) {
  const SPlugStreamInfo stream = reader.VideoStream();
  VideoDecoderSession decoder(plugin, stream);
  double sum = 0;
  result.lowestPsnr = 99.0;
  decoder.DecodeEveryFrame(reader, stream.frameCount, [&](const DecodedPicture& picture) {
    const auto index = static_cast<uint32_t>(picture.position);
    const std::vector<uint8_t> original = TestPattern(index < kFrames ? index : 0);
    if (picture.bytes.size() < original.size()) return;
    const double psnr = Psnr(original, picture.bytes.data());
    result.lowestPsnr = std::min(result.lowestPsnr, psnr);
    sum += psnr;
    ++result.framesBack;
  });
  result.averagePsnr = result.framesBack ? sum / result.framesBack : 0;
}

void ReadAudioBack(ReaderSession& reader, RoundTripResult& result) {
  const SPlugStreamInfo stream = reader.AudioStream(0);
  std::vector<uint8_t> back;
  for (uint32_t start = 0; start < stream.packetCount;) {
    const uint32_t count = std::min<uint32_t>(kSampleRate, stream.packetCount - start);
    const uint8_t* data = nullptr;
    SPlugFrameInfo info = NewFrameInfo();
    CheckStep(reader.ReadAudio(start, count, &data, info),
              "reading audio at " + std::to_string(start));
    back.insert(back.end(), data, data + info.dataSize);
    start += count;
  }
  result.audioSamples = stream.packetCount;
  result.audioIdentical = back == Tone(0, static_cast<uint32_t>(stream.packetCount));
}

}  // namespace

RoundTripResult RunRoundTrip(const PluginLibrary& plugin, const std::string& path) {
  RoundTripResult result;
  const std::vector<Encoded> frames = EncodeVideo(plugin);
  result.frames = static_cast<uint32_t>(frames.size());
  WriteMovie(plugin, path, frames);
  ReaderSession reader(plugin, path);
  if (reader.VideoStreamCount() == 0 || reader.AudioStreamCount() == 0) {
    throw std::runtime_error(path + ": the written movie lacks a stream");
  }
  DecodeBack(plugin, reader, result);
  ReadAudioBack(reader, result);
  result.movieBytes = FileSize(path);
  return result;
}
