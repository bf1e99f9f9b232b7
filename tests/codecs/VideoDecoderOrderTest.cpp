// The decoder's frame records: the two-slot delay that puts pictures into
// display order, pass-through of uncompressed pictures, fetching into the
// host's buffer or by address, and the reported output format.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <optional>

#include "tests/codecs/VideoDecoderTestSupport.h"
#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/Fixtures.h"

namespace zeb::test {
namespace {

using VideoDecoderOrderTest = PluginTest;

SPlugFrameInfo Record(const CodedFrame& frame, uint64_t decode, uint64_t display) {
  SPlugFrameInfo info = frame.info;
  info.decodePosition = decode;
  info.presentationPosition = display;
  info.streamState = PLUG_STREAMSTATE_MORE_;
  return info;
}

// Frames in decode order I0 P3 B1 B2 (display 0, 3, 1, 2): nothing after I0,
// I0 after P3, each B-frame at once, P3 after the end-of-stream call. The
// frames are four different ProRes pictures, so a picture that left with the
// wrong record shows.
TEST_F(VideoDecoderOrderTest, TwoSlotDelayGivesDisplayOrder) {
  ReadMovie movie = ReadWholeMovie(plugin_, Fixture("prores.mov"));
  ASSERT_GE(movie.frames.size(), 4u);
  const std::vector<DecodedPicture> own = DecodeAll(plugin_, movie, PLUG_COLOR_FORMAT_UYVY_);
  ASSERT_GE(own.size(), 4u);

  struct Step {
    size_t frame;                    // the movie frame fed, carrying these positions
    uint64_t display;                // its display number (decode number = step index)
    std::optional<size_t> expected;  // the frame whose picture leaves after it
  };
  const Step steps[] = {{0, 0, std::nullopt}, {1, 3, 0}, {2, 1, 2}, {3, 2, 3}};
  HostVideoDecoder decoder(plugin_);
  ASSERT_EQ(decoder.OpenOn(movie), 0u);
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    SPlugFrameInfo info = Record(movie.frames[steps[i].frame], i, steps[i].display);
    ASSERT_EQ(decoder.Decode(movie.frames[steps[i].frame].bytes.data(), &info), 0u);
    SPlugFrameInfo out;
    const std::vector<uint8_t> picture = decoder.FetchCopy(out);
    if (!steps[i].expected) {
      EXPECT_TRUE(picture.empty());
      EXPECT_EQ(out.frameType, uint32_t{PLUG_FRAME_COMPRESS_TYPE_NONE_});
      EXPECT_EQ(out.dataSize, 0u);
      continue;
    }
    const size_t expected = *steps[i].expected;
    EXPECT_EQ(out.decodePosition, expected);
    EXPECT_EQ(out.presentationPosition, steps[expected].display);
    EXPECT_TRUE(picture == own[steps[expected].frame].bytes);
  }
  SPlugFrameInfo end = NewFrameInfo();
  end.streamState = PLUG_STREAMSTATE_END_;
  ASSERT_EQ(decoder.Decode(nullptr, &end), 0u);
  SPlugFrameInfo out;
  EXPECT_TRUE(decoder.FetchCopy(out) == own[1].bytes);
  EXPECT_EQ(out.decodePosition, 1u);
  EXPECT_EQ(out.presentationPosition, 3u);
  EXPECT_TRUE(decoder.FetchCopy(out).empty());
  EXPECT_EQ(out.frameType, uint32_t{PLUG_FRAME_COMPRESS_TYPE_NONE_});
}

// An uncompressed stream never reaches a codec: its frames come straight
// back, numbered by their display positions and, where the later ones carry
// none, counting on from the last one.
TEST_F(VideoDecoderOrderTest, UncompressedFramesPassThrough) {
  ReadMovie movie = ReadWholeMovie(plugin_, Fixture("uyvy_2vuy.mov"));
  ASSERT_GE(movie.frames.size(), 4u);
  HostVideoDecoder decoder(plugin_);
  SPlugVideoStreamInfo video = movie.stream.video;
  video.colorFormat = PLUG_COLOR_FORMAT_ARGB32_;
  ASSERT_EQ(decoder.Open(&video, nullptr), 0u);
  EXPECT_EQ(video.colorFormat, uint32_t{PLUG_COLOR_FORMAT_UYVY_});
  const uint64_t unset = 0xFFFFFFFFu;
  const uint64_t displays[] = {5, 6, unset, unset};
  const uint64_t numbers[] = {5, 6, 7, 8};
  for (size_t i = 0; i < std::size(displays); ++i) {
    SCOPED_TRACE(i);
    SPlugFrameInfo info = Record(movie.frames[i], i, displays[i]);
    ASSERT_EQ(decoder.Decode(movie.frames[i].bytes.data(), &info), 0u);
    SPlugFrameInfo out;
    EXPECT_TRUE(decoder.FetchCopy(out) == movie.frames[i].bytes);
    EXPECT_EQ(out.decodePosition, numbers[i]);
    EXPECT_EQ(out.dataSize, movie.frames[i].bytes.size());
  }
}

// A picture goes into the host's plane 0 when it sets one, else the record
// points at the decoder's memory with the layout of the output format.
TEST_F(VideoDecoderOrderTest, FetchCopiesIntoTheHostsBufferOrHandsOutAnAddress) {
  ReadMovie movie = ReadWholeMovie(plugin_, Fixture("prores.mov"));
  HostVideoDecoder decoder(plugin_);
  ASSERT_EQ(decoder.OpenOn(movie), 0u);
  SPlugVideoFrameFormat format{};
  ASSERT_EQ(decoder.OutputFormat(nullptr, &format), 0u);
  const uint32_t planeSize = format.planeSize[0];
  ASSERT_EQ(planeSize, movie.stream.video.width * movie.stream.video.height * 2);
  for (const bool hostBuffer : {true, false}) {
    SCOPED_TRACE(hostBuffer);
    SPlugFrameInfo info = Record(movie.frames[0], 1, 0);  // leaves at once
    ASSERT_EQ(decoder.Decode(movie.frames[0].bytes.data(), &info), 0u);
    std::vector<uint8_t> buffer(planeSize, 0xEE);
    SPlugVideoFrame picture{};
    picture.plane[0] = hostBuffer ? buffer.data() : nullptr;
    SPlugFrameInfo out = NewFrameInfo();
    ASSERT_EQ(decoder.Fetch(&picture, &out), 0u);
    EXPECT_EQ(out.frameType, uint32_t{PLUG_FRAME_COMPRESS_TYPE_DECODED_});
    EXPECT_EQ(out.dataSize, planeSize);
    EXPECT_EQ(picture.format.planeSize[0], planeSize);
    if (hostBuffer) {
      EXPECT_EQ(picture.plane[0], buffer.data());
    } else {
      EXPECT_EQ(picture.format.colorFormat, uint32_t{PLUG_COLOR_FORMAT_UYVY_});
      EXPECT_EQ(picture.format.rowBytes[0], format.rowBytes[0]);
      std::memcpy(buffer.data(), picture.plane[0], planeSize);
    }
    EXPECT_TRUE(buffer == DecodeAll(plugin_, movie, PLUG_COLOR_FORMAT_UYVY_)[0].bytes);
    // Handed out once: the next fetch finds nothing.
    EXPECT_TRUE(decoder.FetchCopy(out).empty());
  }
}

TEST_F(VideoDecoderOrderTest, OutputFormatFollowsTheStreamAndTheRequest) {
  ReadMovie movie = ReadWholeMovie(plugin_, Fixture("dvvideo.mov"));
  struct Case {
    uint32_t asked;
    std::optional<uint32_t> requestedRange;
    uint32_t colorFormat, rowBytes, videoRange;
  };
  const uint32_t width = movie.stream.video.width;
  const Case cases[] = {
      {PLUG_COLOR_FORMAT_UYVY_, std::nullopt, PLUG_COLOR_FORMAT_UYVY_, width * 2, 1},
      {PLUG_COLOR_FORMAT_ARGB32_, std::nullopt, PLUG_COLOR_FORMAT_ARGB32_, width * 4, 1},
      {PLUG_COLOR_FORMAT_UYVY_, 0, PLUG_COLOR_FORMAT_UYVY_, width * 2, 0},
  };
  for (const Case& c : cases) {
    HostVideoDecoder decoder(plugin_);
    ASSERT_EQ(decoder.OpenOn(movie, c.asked), 0u);
    SPlugVideoFrameFormat requested{};
    requested.videoRange = c.requestedRange.value_or(0);
    SPlugVideoFrameFormat format{};
    ASSERT_EQ(decoder.OutputFormat(c.requestedRange ? &requested : nullptr, &format), 0u);
    const uint32_t height = movie.stream.video.height;
    // Colour format, size, field order, flag 3, range, row bytes, plane size.
    EXPECT_EQ(std::vector<uint32_t>({format.colorFormat, format.width, format.height,
                                     uint32_t(format.fieldOrder), format.flag3, format.videoRange,
                                     format.rowBytes[0], format.planeSize[0]}),
              std::vector<uint32_t>({c.colorFormat, width, height, movie.stream.video.fieldOrder, 1,
                                     c.videoRange, c.rowBytes, c.rowBytes * height}));
  }
}

// The 'avc1' frames as the file stores them (lengths, no parameter sets)
// decode like the reader's start-code form; a description of another kind
// than 5 is passed over and the stream record builds one.
TEST_F(VideoDecoderOrderTest, FrameFormsAndDescriptionKindsGiveThePictures) {
  struct Case {
    const char* fixture;
    bool lengthPrefixed;
    uint32_t kind;
  };
  const Case cases[] = {
      {"avc1_bframes.mov", true, PLUG_PRIVATE_QT_IMAGE_DESCRIPTION},
      {"prores.mov", false, PLUG_PRIVATE_VIDEO_SETTINGS},
      {"dvvideo.mov", false, PLUG_PRIVATE_AUDIO_SETTINGS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    ReadMovie movie = ReadWholeMovie(plugin_, Fixture(c.fixture));
    const auto expected = DecodeAll(plugin_, movie, PLUG_COLOR_FORMAT_UYVY_);
    if (c.lengthPrefixed) {
      for (CodedFrame& frame : movie.frames) {
        const bool key = frame.info.frameType == PLUG_FRAME_COMPRESS_TYPE_I_ ||
                         frame.info.frameType == PLUG_FRAME_COMPRESS_TYPE_IDR_;
        frame.bytes = ToLengthPrefixed(frame.bytes, 4, key);
        frame.info.dataSize = static_cast<uint32_t>(frame.bytes.size());
      }
    }
    const uint32_t kind = c.kind;
    HostVideoDecoder decoder(plugin_);
    SPlugVideoStreamInfo video = movie.stream.video;
    video.colorFormat = PLUG_COLOR_FORMAT_UYVY_;
    // Another kind's block: its address must not be read as a description.
    const uint8_t block[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    SPlugPrivateDesc description = DescriptionOf(movie);
    if (kind != PLUG_PRIVATE_QT_IMAGE_DESCRIPTION) {
      description = {kind, const_cast<uint8_t*>(block), sizeof(block)};
    }
    ASSERT_EQ(decoder.Open(&video, &description), 0u);
    size_t fetched = 0;
    for (size_t i = 0; i < movie.frames.size(); ++i) {
      SPlugFrameInfo info = movie.frames[i].info;
      ASSERT_EQ(decoder.Decode(movie.frames[i].bytes.data(), &info), 0u);
      SPlugFrameInfo out;
      const auto picture = decoder.FetchCopy(out);
      if (picture.empty()) continue;
      ASSERT_LT(fetched, expected.size());
      EXPECT_TRUE(picture == expected[fetched].bytes) << "picture " << fetched;
      ++fetched;
    }
    EXPECT_GE(fetched + 1, expected.size());
  }
}

// A host that seeks opens the decoder at a key frame. The pictures leave in
// display order and equal those of a decode from the first frame; where the
// key frame opens an open group, the B-frames decoded right behind it refer
// to the group before and only their order is checked. The open-group
// fixture cuts to a closed group later, where a shift taken from the first
// frame alone would put a P-frame behind the key frame after it.
TEST_F(VideoDecoderOrderTest, StartingAtAnyKeyFrameGivesDisplayOrder) {
  for (const char* fixture : {"avc1_open_gop.mov", "mpeg2_xd5c.mov", "avc1_bframes.mov"}) {
    ReadMovie movie = ReadWholeMovie(plugin_, Fixture(fixture));
    std::map<uint64_t, std::vector<uint8_t>> whole;
    for (DecodedPicture& picture : DecodeAll(plugin_, movie, PLUG_COLOR_FORMAT_UYVY_)) {
      whole[picture.info.presentationPosition] = std::move(picture.bytes);
    }
    for (size_t first = 1; first < movie.frames.size(); ++first) {
      const SPlugFrameInfo& key = movie.frames[first].info;
      if (key.frameType != PLUG_FRAME_COMPRESS_TYPE_I_ &&
          key.frameType != PLUG_FRAME_COMPRESS_TYPE_IDR_) {
        continue;
      }
      SCOPED_TRACE(std::string(fixture) + " from frame " + std::to_string(first));
      const auto pictures = DecodeAll(plugin_, movie, PLUG_COLOR_FORMAT_UYVY_, first);
      ASSERT_EQ(pictures.size(), movie.frames.size() - first);
      for (size_t i = 0; i < pictures.size(); ++i) {
        const uint64_t position = pictures[i].info.presentationPosition;
        if (i > 0) {
          EXPECT_EQ(position, pictures[i - 1].info.presentationPosition + 1);
        }
        if (position >= key.presentationPosition) {
          EXPECT_TRUE(pictures[i].bytes == whole[position]) << "position " << position;
        }
      }
    }
  }
}

}  // namespace
}  // namespace zeb::test
