// bench_codec: the plug-in's video codec families driven by ordinal, as
// bench/codec.sh times them against the ffmpeg tool.
//
//   bench_codec decode MOVIE
//       every frame read by the reader family and decoded to '2vuy'
//   bench_codec encode RAW WIDTH HEIGHT FOURCC GOP
//       every WIDTH x HEIGHT '2vuy' picture of RAW coded as FOURCC at the
//       best quality, a key frame every GOP pictures, 25 a second
//
// Prints the frames and bytes it handled; the pictures and frames are
// dropped.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/zebqt/FrameRecords.h"
#include "tools/zebqt/PluginLibrary.h"
#include "tools/zebqt/ReaderSession.h"
#include "tools/zebqt/VideoDecoderSession.h"
#include "tools/zebqt/VideoEncoderSession.h"

namespace {

int Decode(const PluginLibrary& plugin, const std::string& path) {
  ReaderSession reader(plugin, path);
  reader.SetReadAhead(true);
  const SPlugStreamInfo stream = reader.VideoStream();
  VideoDecoderSession decoder(plugin, stream);
  uint64_t pictures = 0, bytes = 0;
  decoder.DecodeEveryFrame(reader, stream.frameCount, [&](const DecodedPicture& picture) {
    ++pictures;
    bytes += picture.bytes.size();
  });
  std::printf("decoded %llu pictures, %llu bytes of '2vuy'\n",
              static_cast<unsigned long long>(pictures), static_cast<unsigned long long>(bytes));
  return pictures == stream.frameCount ? 0 : 1;
}

uint32_t FourCC(const std::string& text) {
  uint32_t code = 0;
  for (const char c : text) code = code << 8 | static_cast<uint8_t>(c);
  return code;
}

int Encode(const PluginLibrary& plugin, char** argv) {
  SPlugVideoStreamInfo record{};
  record.size = sizeof record;
  record.videoType = PLUG_VIDEO_TYPE_QUICKTIME_;
  record.videoSubType = FourCC(argv[5]);
  record.width = static_cast<uint32_t>(std::atoi(argv[3]));
  record.height = static_cast<uint32_t>(std::atoi(argv[4]));
  record.aspectX = 16;
  record.aspectY = 9;
  record.frameRateNum = 25;
  record.frameRateDen = 1;
  record.fieldOrder = PLUG_FIELD_ORDER_PROGRESSIVE_;
  record.colorFormat = PLUG_COLOR_FORMAT_UYVY_;
  record.gopSize = static_cast<uint32_t>(std::atoi(argv[6]));
  VideoEncoderSession encoder(plugin, record, std::nullopt);
  std::FILE* raw = std::fopen(argv[2], "rb");
  if (raw == nullptr) throw std::runtime_error(std::string(argv[2]) + ": cannot open");
  std::vector<uint8_t> picture(size_t{record.width} * record.height * 2);
  uint64_t frames = 0, bytes = 0;
  while (std::fread(picture.data(), 1, picture.size(), raw) == picture.size()) {
    bytes += encoder.Encode(picture, frames).bytes.size();
    ++frames;
  }
  std::fclose(raw);
  std::printf("coded %llu pictures as '%s', %llu bytes\n", static_cast<unsigned long long>(frames),
              argv[5], static_cast<unsigned long long>(bytes));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const PluginLibrary plugin(DefaultPluginPath());
    if (argc == 3 && std::string(argv[1]) == "decode") return Decode(plugin, argv[2]);
    if (argc == 7 && std::string(argv[1]) == "encode") return Encode(plugin, argv);
    std::fprintf(stderr, "usage: bench_codec decode MOVIE | encode RAW WIDTH HEIGHT FOURCC GOP\n");
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_codec: %s\n", error.what());
    return 1;
  }
}
