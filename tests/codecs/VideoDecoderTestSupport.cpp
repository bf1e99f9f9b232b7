#include "tests/codecs/VideoDecoderTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/Shell.h"

namespace zeb::test {

uint32_t HostVideoDecoder::OpenOn(ReadMovie& movie, uint32_t colorFormat) {
  SPlugVideoStreamInfo video = movie.stream.video;
  video.colorFormat = colorFormat;
  const SPlugPrivateDesc description = DescriptionOf(movie);
  return Open(&video, &description);
}

std::vector<uint8_t> HostVideoDecoder::FetchCopy(SPlugFrameInfo& info) {
  SPlugVideoFrame picture{};
  info = NewFrameInfo();
  EXPECT_EQ(Fetch(&picture, &info), 0u);
  if (info.frameType != PLUG_FRAME_COMPRESS_TYPE_DECODED_) return {};
  EXPECT_NE(picture.plane[0], nullptr);
  if (picture.plane[0] == nullptr) return {};
  return {picture.plane[0], picture.plane[0] + picture.format.planeSize[0]};
}

ReadMovie ReadWholeMovie(const TestPlugin& plugin, const std::string& path) {
  ReadMovie movie;
  HostReader reader(plugin);
  EXPECT_EQ(reader.Open(path), 0u);
  EXPECT_EQ(reader.VideoInfo(0, &movie.stream), 0u);
  EXPECT_EQ(movie.stream.privateKind, uint32_t{PLUG_PRIVATE_QT_IMAGE_DESCRIPTION});
  const auto* description = static_cast<const uint8_t*>(movie.stream.privateAddress);
  if (description != nullptr) {
    movie.description.assign(description, description + movie.stream.privateSize);
  }
  std::vector<uint8_t> buffer(reader.MaxVideoFrameSize());
  for (uint32_t i = 0; i < movie.stream.frameCount; ++i) {
    CodedFrame frame{{}, NewFrameInfo()};
    EXPECT_EQ(reader.Read(i, buffer.data(), &frame.info), 0u) << "frame " << i;
    frame.bytes.assign(buffer.begin(), buffer.begin() + frame.info.dataSize);
    movie.frames.push_back(std::move(frame));
  }
  return movie;
}

SPlugPrivateDesc DescriptionOf(ReadMovie& movie) {
  return {PLUG_PRIVATE_QT_IMAGE_DESCRIPTION, movie.description.data(),
          static_cast<uint32_t>(movie.description.size())};
}

std::vector<DecodedPicture> DecodeAll(const TestPlugin& plugin, ReadMovie& movie,
                                      uint32_t colorFormat, size_t first) {
  std::vector<DecodedPicture> pictures;
  HostVideoDecoder decoder(plugin);
  EXPECT_EQ(decoder.OpenOn(movie, colorFormat), 0u);
  auto fetch = [&] {
    DecodedPicture picture{NewFrameInfo(), {}};
    picture.bytes = decoder.FetchCopy(picture.info);
    if (picture.bytes.empty()) return false;
    pictures.push_back(std::move(picture));
    return true;
  };
  for (size_t i = first; i < movie.frames.size(); ++i) {
    SPlugFrameInfo info = movie.frames[i].info;
    EXPECT_EQ(decoder.Decode(movie.frames[i].bytes.data(), &info), 0u);
    fetch();
  }
  SPlugFrameInfo end = NewFrameInfo();
  end.streamState = PLUG_STREAMSTATE_END_;
  end.dataSize = 0;
  EXPECT_EQ(decoder.Decode(nullptr, &end), 0u);
  while (fetch()) {
  }
  return pictures;
}

std::vector<std::vector<uint8_t>> ToolPictures(const std::string& input,
                                               const std::string& pixelFormat, uint32_t width,
                                               uint32_t height) {
  const size_t frameBytes = size_t{width} * height * (pixelFormat == "argb" ? 4 : 2);
  const std::string output = ::testing::TempDir() + "pictures." + std::to_string(::getpid());
  const CommandResult run = RunCommand("ffmpeg -hide_banner -loglevel error -nostdin -y " + input +
                                       " -fps_mode passthrough -vf scale=" + std::to_string(width) +
                                       ":" + std::to_string(height) + " -f rawvideo -pix_fmt " +
                                       pixelFormat + " " + Quote(output) + " 2>&1");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  const std::vector<uint8_t> all = ReadFile(output);
  std::remove(output.c_str());
  std::vector<std::vector<uint8_t>> frames;
  for (size_t at = 0; frameBytes != 0 && at + frameBytes <= all.size(); at += frameBytes) {
    frames.emplace_back(all.begin() + at, all.begin() + at + frameBytes);
  }
  EXPECT_EQ(all.size(), frames.size() * frameBytes);
  return frames;
}

double Psnr(std::span<const uint8_t> a, std::span<const uint8_t> b) {
  if (a.size() != b.size() || a.empty()) return 0;
  double squares = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    const double d = double(a[i]) - double(b[i]);
    squares += d * d;
  }
  if (squares == 0) return std::numeric_limits<double>::infinity();
  return 10 * std::log10(255.0 * 255.0 * double(a.size()) / squares);
}

}  // namespace zeb::test
