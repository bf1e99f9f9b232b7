// Descriptions built by the writer, stored with one real frame through the
// movie layer's writer: our reader must give back the same description and
// frame, and ffprobe must see the codec, picture size, field order and pixel
// aspect that the description states.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/movie/FourCC.h"
#include "platform/movie/Movie.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/Fixtures.h"
#include "tests/support/MovieBytes.h"
#include "tests/support/MovieWriting.h"
#include "tests/support/Shell.h"
#include "tests/writer/VideoDescriptionTestSupport.h"
#include "writer/BuildVideoSampleDescription.h"

namespace zeb::writer::test {
namespace {

using zeb::movie::FourCC;
using zeb::movie::Movie;
using zeb::movie::Status;

// Where the frame comes from: the first `bytes` of a raw DV fixture, the
// first sample of a movie fixture, or `bytes` of mid-grey.
struct FrameSource {
  const char* fixture;
  uint32_t bytes;
};
FrameSource RawDv(const char* fixture, uint32_t frameBytes) { return {fixture, frameBytes}; }
FrameSource FirstSampleOf(const char* fixture) { return {fixture, 0}; }
FrameSource Grey(uint32_t bytes) { return {nullptr, bytes}; }

// What ffprobe reports. Square pixels are not stated ("N/A") unless the
// decoder states them, and DNxHD descriptions carry no field atom.
struct Probed {
  const char* tag;
  const char* size;  // "720x576"
  const char* fieldOrder;
  const char* sampleAspect;
};
Probed Probe(const char* tag, const char* size, const char* fieldOrder, const char* sampleAspect) {
  return {tag, size, fieldOrder, sampleAspect};
}

Bytes FirstSample(const std::string& path) {
  std::unique_ptr<Movie> movie;
  const Status opened = Movie::Open(path, movie);
  EXPECT_TRUE(opened.IsOk()) << opened.ToString();
  if (!opened.IsOk()) return {};
  zeb::movie::SampleReadResult result;
  Bytes bytes;
  const Status read = zeb::movie::test::ReadAt(movie->GetTrack(1)->GetMedia(), 0, 1, result, bytes);
  EXPECT_TRUE(read.IsOk()) << read.ToString();
  return bytes;
}

Bytes Frame(const FrameSource& source) {
  if (source.fixture == nullptr) return Bytes(source.bytes, 0x80);
  const std::string path = zeb::test::Fixture(source.fixture);
  if (std::string(source.fixture).ends_with(".dv"))
    return zeb::test::ReadFile(path, 0, source.bytes);
  return FirstSample(path);
}

Status WriteOneFrame(const std::string& path, const VideoDescriptionRequest& request,
                     zeb::movie::Handle description, const Bytes& frame) {
  zeb::movie::test::TestMovie movie;
  ZEB_MOVIE_TRY(
      movie.Create(path, {{FourCC("vide"), 25, request.width << 16, request.height << 16}}));
  ZEB_MOVIE_TRY(movie.Writer().AddMediaSample2(movie.Media(0), frame.data(),
                                               static_cast<uint32_t>(frame.size()), 1, 0,
                                               description, 1, 0, nullptr));
  return movie.Finish();
}

TEST(VideoDescriptionRoundTrip, WrittenMoviesCarryTheDescription) {
  SPlugVideoStreamInfo dnxhd1253{};
  dnxhd1253.videoSubType = 10;
  const struct {
    const char* name;
    VideoDescriptionRequest request;
    const SPlugVideoStreamInfo* video;
    FrameSource frame;
    Probed probed;
  } cases[] = {
      {"DvPal", Request("dvcp", 720, 576, 0), nullptr, RawDv("pal.dv", 144000),
       Probe("dvcp", "720x576", "tb", "59:54")},
      // Described at 1920 x 1080; the frames are 1440 wide, shown 4:3 wider.
      {"DvcproHd1080i50", Request("dvh5", 1920, 1080, 0, 16, 9), nullptr,
       RawDv("hd1080i50.dv", 576000), Probe("dvh5", "1440x1080", "tb", "4:3")},
      {"Uncompressed8BitBottomFirst", Request("2vuy", 720, 486, 1), nullptr, Grey(720 * 486 * 2),
       Probe("2vuy", "720x486", "bt", "9:10")},
      {"Uncompressed10BitProgressive", Request("v210", 1280, 720, 2, 16, 9), nullptr,
       Grey(3456 * 720), Probe("v210", "1280x720", "progressive", "N/A")},
      {"Uncompressed8BitSeparateFields", Request("yuv2", 720, 576, 4), nullptr, Grey(720 * 576 * 2),
       Probe("yuv2", "720x576", "tt", "59:54")},
      {"ProRes", Request("apch", 160, 120, 2), nullptr, FirstSampleOf("prores.mov"),
       Probe("apch", "160x120", "progressive", "N/A")},
      // The DNxHD decoder states square pixels itself.
      {"Dnxhd1253", Request("AVdn", 1920, 1080, 2), &dnxhd1253, FirstSampleOf("dnxhd_1253.mov"),
       Probe("AVdn", "1920x1080", "unknown", "1:1")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes frame = Frame(c.frame);
    ASSERT_FALSE(frame.empty());
    const OwnedHandle description(BuildVideoSampleDescription(c.request, c.video));
    const std::string path =
        zeb::movie::test::OutputPath(std::string("description_") + c.name + ".mov");
    const Status written = WriteOneFrame(path, c.request, description.get(), frame);
    ASSERT_TRUE(written.IsOk()) << written.ToString();

    // Stored in file order, given back in the caller's order.
    const Bytes fileOrder = FileOrder(description.get());
    const std::vector<Bytes> entries = zeb::test::StsdEntries(path);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0], fileOrder);
    std::unique_ptr<Movie> movie;
    ASSERT_TRUE(Movie::Open(path, movie).IsOk());
    const zeb::movie::Media& media = movie->GetTrack(1)->GetMedia();
    Bytes readBack;
    ASSERT_TRUE(zeb::movie::test::DescriptionOf(media, 1, readBack).IsOk());
    EXPECT_EQ(readBack, Bytes(*description, *description + fileOrder.size()));
    EXPECT_EQ(FirstSample(path), frame);

    EXPECT_EQ(zeb::movie::test::DecodeErrors(path), "");
    const zeb::test::ProbeFields fields = zeb::test::ProbeStreamFields(path, "v:0");
    EXPECT_EQ(zeb::test::Field(fields, "codec_tag_string"), c.probed.tag);
    EXPECT_EQ(zeb::test::Field(fields, "width") + "x" + zeb::test::Field(fields, "height"),
              c.probed.size);
    EXPECT_EQ(zeb::test::Field(fields, "field_order"), c.probed.fieldOrder);
    EXPECT_EQ(zeb::test::Field(fields, "sample_aspect_ratio"), c.probed.sampleAspect);
  }
}

}  // namespace
}  // namespace zeb::writer::test
