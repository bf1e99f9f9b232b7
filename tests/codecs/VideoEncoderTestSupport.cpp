#include "tests/codecs/VideoEncoderTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "core/PlugRecords.h"
#include "tests/support/Fixtures.h"
#include "tests/writer/WriterTestSupport.h"

namespace zeb::test {

uint32_t HostVideoEncoder::Encode(std::vector<uint8_t>& picture, uint64_t position) {
  SPlugVideoFrame frame{};
  PlugRecords::Init(frame.format);
  frame.plane[0] = picture.data();
  SPlugFrameInfo info;
  PlugRecords::Init(info);
  info.dataSize = static_cast<uint32_t>(picture.size());
  info.presentationPosition = position;
  info.decodePosition = position;
  return Call<PFN_EncodeVideoFrame>(ZEB_ORD_EncodeVideoFrame, &frame, &info);
}

std::vector<uint8_t> TestPattern(uint32_t width, uint32_t height, uint32_t index) {
  std::vector<uint8_t> picture(size_t{width} * height * 2);
  const uint32_t span = width + height + 128;
  for (uint32_t y = 0; y < height; ++y) {
    uint8_t* row = picture.data() + size_t{y} * width * 2;
    for (uint32_t x = 0; x < width; x += 2) {
      const uint32_t shifted = x + 4 * index;
      // Ramps that move 4 pixels a frame, and a band of 8 × 8 checks whose
      // edges the lossy codings must keep.
      const bool band = y >= height / 3 && y < height * 2 / 3;
      const uint32_t check = band && ((shifted / 8 + y / 8) % 2 != 0) ? 40 : 0;
      row[x * 2 + 0] = static_cast<uint8_t>(64 + (shifted * 128 / (width + 64)) % 128);  // U
      row[x * 2 + 1] = static_cast<uint8_t>(16 + (shifted + y) * 180 / span + check);
      row[x * 2 + 2] = static_cast<uint8_t>(64 + (y * 128 / height));  // V
      row[x * 2 + 3] = static_cast<uint8_t>(16 + (shifted + 1 + y) * 180 / span + check);
    }
  }
  return picture;
}

std::vector<EncodedFrame> EncodeAll(const TestPlugin& plugin, SPlugVideoStreamInfo stream,
                                    std::vector<std::vector<uint8_t>>& pictures,
                                    const SPlugPrivateDesc* settings) {
  HostVideoEncoder encoder(plugin);
  std::vector<EncodedFrame> frames;
  EXPECT_EQ(encoder.Open(&stream, settings), 0u);
  for (size_t i = 0; i < pictures.size(); ++i) {
    EXPECT_EQ(encoder.Encode(pictures[i], i), 0u) << "frame " << i;
    EncodedFrame frame;
    uint8_t* data = nullptr;
    EXPECT_EQ(encoder.Fetch(&data, &frame.info), 0u);
    if (data == nullptr || frame.info.dataSize == 0) continue;
    frame.bytes.assign(data, data + frame.info.dataSize);
    const auto* description = static_cast<const uint8_t*>(frame.info.privateAddress);
    EXPECT_EQ(frame.info.privateKind, uint32_t{PLUG_PRIVATE_QT_IMAGE_DESCRIPTION});
    if (description != nullptr) {
      frame.description.assign(description, description + frame.info.privateSize);
    }
    frames.push_back(std::move(frame));
  }
  return frames;
}

void WriteEncodedMovie(const TestPlugin& plugin, const std::string& path,
                       const SPlugVideoStreamInfo& stream,
                       const std::vector<EncodedFrame>& frames) {
  ASSERT_FALSE(frames.empty());
  std::vector<uint8_t> description = frames.front().description;
  SPlugStreamInfo record = StreamRecord(stream);
  record.privateKind = PLUG_PRIVATE_QT_IMAGE_DESCRIPTION;
  record.privateAddress = description.data();
  record.privateSize = static_cast<uint32_t>(description.size());
  std::filesystem::remove(path);
  zeb::writer::test::HostMuxer muxer(plugin);
  ASSERT_EQ(muxer.Open(path, {record}), 0u);
  for (const EncodedFrame& frame : frames) {
    ASSERT_EQ(muxer.WriteVideo(frame.bytes, frame.info.frameType), 0u);
  }
  muxer.Destroy();
}

std::string EncoderScratchPath(const std::string& name) {
  const std::string folder = FixtureDir() + "/encoder";
  std::filesystem::create_directories(folder);
  return folder + "/" + name;
}

}  // namespace zeb::test
