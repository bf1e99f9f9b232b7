// Video sample descriptions as the writer builds them: every byte of the
// header for each rule of the codec table and the order of its atoms, each
// atom's payload by the field, aspect and colour rules, DNxHD sub-types,
// preset copies and appending to handles.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/movie/FourCC.h"
#include "tests/support/AtomWalk.h"
#include "tests/support/MovieBytes.h"
#include "tests/writer/VideoDescriptionTestSupport.h"
#include "writer/BuildVideoSampleDescription.h"
#include "writer/ImageExtensions.h"

namespace zeb::writer::test {
namespace {

using zeb::movie::FourCC;
using zeb::movie::Handle;

using zeb::movie::test::Be16s;
using zeb::movie::test::Be32s;
using zeb::movie::test::Concat;
using zeb::test::BigEndian;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }
// The 32-byte name field: length byte, characters, zeros.
Bytes Name(const std::string& name) {
  Bytes bytes = Concat({{static_cast<uint8_t>(name.size())}, Text(name)});
  bytes.resize(32, 0);
  return bytes;
}

OwnedHandle Build(const VideoDescriptionRequest& request,
                  const SPlugVideoStreamInfo* video = nullptr) {
  return OwnedHandle(BuildVideoSampleDescription(request, video));
}

std::optional<Bytes> Payload(const Bytes& fileOrder, const std::string& type) {
  for (const ExtensionAtom& atom : ExtensionAtoms(fileOrder))
    if (atom.type == type) return atom.payload;
  return std::nullopt;
}

// Header fields every row shares, in file order: reserved, data reference
// index 1, the vendor, 72 dpi both ways, data size 0, one frame, depth 24,
// colour table id -1.
void ExpectFixedHeaderFields(const Bytes& d, uint32_t vendor) {
  std::vector<uint64_t> fields;
  for (const auto& [at, width] : {std::pair{8, 4},
                                  {12, 2},
                                  {14, 2},
                                  {20, 4},
                                  {36, 4},
                                  {40, 4},
                                  {44, 4},
                                  {48, 2},
                                  {82, 2},
                                  {84, 2}})
    fields.push_back(BigEndian(d, at, width));
  EXPECT_EQ(fields, (std::vector<uint64_t>{0, 0, 1, vendor, 0x480000, 0x480000, 0, 1, 24, 0xFFFF}));
}

struct RowCase {
  VideoDescriptionRequest request;
  size_t handleSize;
  uint32_t length;  // the description's own length
  uint16_t version, revision;
  uint32_t temporal, spatial;
  uint16_t width, height;
  const char* name;
  const char* atoms;
};

// One row per rule of the codec table (header, qualities, name, extension
// atoms); the codes that only repeat a rule with other values are left out.
TEST(VideoDescription, EachRuleOfTheCodecTable) {
  const char* all = "fiel pasp clap colr";
  const char* noAspect = "fiel colr";
  const char* kApp = "KORVENApp";
  const RowCase cases[] = {
      {Request("mpeg", 720, 480), 174, 86, 0, 0, 1023, 1023, 720, 480, "MPEG", ""},
      {Request("dvcp", 720, 576), 174, 174, 1, 0, 1023, 1023, 720, 576, "DV - PAL", all},
      {Request("dvc ", 720, 480, 1), 174, 174, 1, 0, 1023, 1023, 720, 480, "DV/DVCPRO - NTSC", all},
      // DVCPRO HD is described at 1920 x 1080 whatever the request says.
      {Request("dvh5", 1440, 1080, 0, 16, 9), 174, 174, 1, 0, 1023, 1023, 1920, 1080,
       "DVCPRO HD 1080i50", all},
      {Request("2vuy", 720, 486), 174, 174, 1, 1, 0, 1024, 720, 486, "Uncompressed 8 bit", all},
      {Request("yuv2", 640, 480), 174, 118, 1, 1, 0, 1024, 640, 480, "Uncompressed 8 bit",
       noAspect},
      {Request("mp4v", 352, 288), 174, 174, 2, 1, 512, 512, 352, 288, "MPEG-4 Video", all},
      {Request("apch", 1280, 720, 2, 16, 9), 174, 118, 0, 0, 0, 512, 1280, 720,
       "Apple ProRes 422 (HQ)", noAspect},
      // Without a record DNxHD takes compression id 1242, 1920 x 1080.
      {Request("AVdn", 1280, 720), 258, 258, 1242, 8, 0, 768, 1920, 1080, "Avid- DNxHD Codec",
       "ACLR APRG ARES"},
      {Request("xd5c", 1920, 1080), 174, 174, 1, 0, 0, 512, 1920, 1080,
       "XDCAM HD422 1080i50(50 Mb/s)", all},
      {Request("mx5p", 720, 608), 86, 86, 1, 0, 0, 1024, 720, 608, "MPEG IMX 625/50 (50 Mb/s)", ""},
      // Every other code: qualities by GOP, intra-only below 2.
      {Request("avc1", 1920, 1080, 0, 16, 9, 1), 86, 86, 1, 0, 0, 1024, 1920, 1080, kApp, ""},
      {Request("avc1", 1920, 1080, 0, 16, 9, 12), 86, 86, 1, 0, 512, 512, 1920, 1080, kApp, ""},
      {Request("xdvf", 1440, 1080, 0, 16, 9, -5), 86, 86, 1, 0, 0, 1024, 1440, 1080, kApp, ""},
  };
  for (const RowCase& c : cases) {
    SCOPED_TRACE(zeb::movie::FourCCToString(c.request.videoFourcc) + " gop " +
                 std::to_string(c.request.gopSize));
    const OwnedHandle handle = Build(c.request);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(zeb::movie::GetHandleSize(handle.get()), c.handleSize);
    const Bytes d = FileOrder(handle.get());  // as long as the native first word says
    ASSERT_EQ(d.size(), c.length);
    EXPECT_EQ(BigEndian(d, 4, 4), c.request.videoFourcc);
    ExpectFixedHeaderFields(d, c.request.videoFourcc == FourCC("AVdn") ? 0x5451 : FourCC("TQDV"));
    // Version, revision, temporal and spatial quality, width, height.
    EXPECT_EQ(
        (std::vector<uint64_t>{BigEndian(d, 16, 2), BigEndian(d, 18, 2), BigEndian(d, 24, 4),
                               BigEndian(d, 28, 4), BigEndian(d, 32, 2), BigEndian(d, 34, 2)}),
        (std::vector<uint64_t>{c.version, c.revision, c.temporal, c.spatial, c.width, c.height}));
    EXPECT_EQ(Bytes(d.begin() + 50, d.begin() + 82), Name(c.name));
    EXPECT_EQ(AtomTypes(d), c.atoms);
    if (d.size() > 86) {
      EXPECT_EQ(BigEndian(d, d.size() - 4, 4), 0u) << "terminator";
    }
  }
}

TEST(VideoDescription, FieldAtomFollowsTheFieldOrder) {
  const struct {
    int32_t fieldOrder;
    std::optional<Bytes> fiel;  // payload; none: no atom
  } cases[] = {
      {0, Bytes{2, 9}},          {1, Bytes{2, 14}}, {2, Bytes{1, 0}},   {3, Bytes{1, 0}},
      {4, Bytes{2, 1}},          {5, Bytes{2, 6}},  {-1, std::nullopt}, {6, Bytes{2, 0}},
      {0x7FFFFFFF, Bytes{2, 0}}, {-2, Bytes{2, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.fieldOrder);
    const OwnedHandle handle = Build(Request("2vuy", 640, 480, c.fieldOrder));
    const Bytes d = FileOrder(handle.get());
    EXPECT_EQ(Payload(d, "fiel"), c.fiel);
    EXPECT_EQ(d.size(), c.fiel ? 118u : 108u);
  }
}

TEST(VideoDescription, PixelAspectAndCleanAperture) {
  const struct {
    VideoDescriptionRequest request;
    std::optional<Bytes> pasp;  // none: neither atom
    Bytes clap;                 // width n/d, height n/d (offsets 0/1 follow)
  } cases[] = {
      {Request("2vuy", 720, 576, 0, 16, 9), Be32s({59, 54}), Be32s({41472, 59, 576, 1})},
      {Request("2vuy", 720, 480), Be32s({10, 11}), Be32s({704, 1, 480, 1})},
      {Request("2vuy", 1920, 1080), Be32s({1, 1}), Be32s({1888, 1, 1062, 1})},
      // Other sizes: the spacing that shows the display ratio.
      {Request("2vuy", 1440, 1080, 0, 16, 9), Be32s({4, 3}), Be32s({1440, 1, 1080, 1})},
      {Request("2vuy", 1280, 720, 2, 16, 9), std::nullopt, {}},
      {Request("2vuy", 0, 480), std::nullopt, {}},
      // DV codes fix their own, keeping the width's divisor of the size rule.
      {Request("dvc ", 720, 576), Be32s({10, 11}), Be32s({704, 59, 480, 1})},
      {Request("dvh5", 1920, 1080), Be32s({4, 3}), Be32s({1416, 1, 1062, 1})},
      // Square result: no atoms, and the DV rule does not apply either.
      {Request("dvh5", 1280, 720, 0, 16, 9), std::nullopt, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(zeb::movie::FourCCToString(c.request.videoFourcc) + " " +
                 std::to_string(c.request.width) + "x" + std::to_string(c.request.height));
    const OwnedHandle handle = Build(c.request);
    const Bytes d = FileOrder(handle.get());
    EXPECT_EQ(Payload(d, "pasp"), c.pasp);
    if (c.pasp) {
      EXPECT_EQ(Payload(d, "clap"), Concat({c.clap, Be32s({0, 1, 0, 1})}));
    } else {
      EXPECT_EQ(Payload(d, "clap"), std::nullopt);
    }
  }
}

TEST(VideoDescription, ColourAtom) {
  VideoDescriptionRequest hdr = Request("2vuy", 3840, 2160);
  hdr.colorPrimaries = 9;
  hdr.transferFunction = 16;
  hdr.matrix = 9;
  const struct {
    VideoDescriptionRequest request;
    Bytes codes;
  } cases[] = {
      {Request("dvcp", 720, 576), Be16s({5, 1, 6})},
      {Request("dvc ", 720, 480), Be16s({6, 1, 6})},
      {Request("dvh5", 1920, 1080), Be16s({1, 1, 1})},
      {hdr, Be16s({9, 16, 9})},
      {Request("xd5c", 1920, 1080), Be16s({5, 5, 5})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(zeb::movie::FourCCToString(c.request.videoFourcc));
    const OwnedHandle handle = Build(c.request);
    EXPECT_EQ(Payload(FileOrder(handle.get()), "colr"), Concat({Text("nclc"), c.codes}));
  }
}

// One row for each shape of the sub-type table (1080 interlaced and
// progressive, 720, past the table) and the id the round trip decodes, not
// one for each of its entries.
TEST(VideoDescription, DnxhdSubTypes) {
  const struct {
    std::vector<uint32_t> subTypes;
    uint32_t id;
    uint16_t width, height;
    Bytes ares;  // coded width, height, scan, 0, format
  } rows[] = {
      {{0, 4}, 1243, 1920, 1080, Be32s({1920, 540, 2, 0, 4})},
      {{8, 12, 16}, 1238, 1920, 1080, Be32s({1920, 1080, 1, 0, 5})},
      {{9, 13, 17}, 1237, 1920, 1080, Be32s({1920, 1080, 1, 0, 5})},
      {{20, 23, 26, 30}, 1251, 1280, 720, Be32s({1280, 720, 1, 0, 6})},
      {{33, 34, 1000, 0xFFFFFFFF}, 1242, 1920, 1080, Be32s({1920, 540, 2, 0, 4})},
  };
  for (const auto& row : rows) {
    for (uint32_t subType : row.subTypes) {
      SCOPED_TRACE(subType);
      SPlugVideoStreamInfo video{};
      video.videoSubType = subType;
      const OwnedHandle handle = Build(Request("AVdn", 640, 480), &video);
      const Bytes d = FileOrder(handle.get());
      EXPECT_EQ(BigEndian(d, 32, 2), row.width);
      EXPECT_EQ(BigEndian(d, 34, 2), row.height);
      EXPECT_EQ(Payload(d, "ARES"),
                Concat({Text("ARES0001"), Be32s({row.id}), row.ares, Bytes(80, 0)}));
      EXPECT_EQ(Payload(d, "ACLR"), Concat({Text("ACLR0001"), Be32s({2, 0})}));
      EXPECT_EQ(Payload(d, "APRG"), Concat({Text("APRG0001"), Be32s({2, 0})}));
    }
  }
}

// A preset is copied whole, whatever its code and length, into a new handle.
TEST(VideoDescription, PresetIsCopiedByteForByte) {
  for (size_t size : {0, 1, 86, 300}) {
    SCOPED_TRACE(size);
    OwnedHandle preset(zeb::movie::NewHandle(size));
    for (size_t i = 0; i < size; ++i) (*preset)[i] = static_cast<uint8_t>(i * 13 + 7);
    VideoDescriptionRequest request = Request("dvcp", 720, 576);
    request.presetDescription = preset.get();
    const OwnedHandle copy = Build(request);
    ASSERT_NE(copy, nullptr);
    ASSERT_NE(copy.get(), preset.get());
    ASSERT_EQ(zeb::movie::GetHandleSize(copy.get()), size);
    EXPECT_EQ(Bytes(*copy, *copy + size), Bytes(*preset, *preset + size));
  }
}

// Appending grows a handle that is too small, and refuses handles whose
// recorded length it cannot trust.
TEST(VideoDescription, AppendImageExtensions) {
  const VideoDescriptionRequest dv = Request("dvcp", 720, 576);
  OwnedHandle generic = Build(Request("xyz1", 720, 576));  // header only, 86-byte handle
  EXPECT_EQ(AppendImageExtensions(generic.get(), dv), 88u);
  EXPECT_EQ(zeb::movie::GetHandleSize(generic.get()), 174u);
  const Bytes d = FileOrder(generic.get());
  EXPECT_EQ(d.size(), 174u);
  EXPECT_EQ(AtomTypes(d), "fiel pasp clap colr");
  EXPECT_EQ(AppendImageExtensions(generic.get(), Request("2vuy", 640, 480, -1)), 22u);
  EXPECT_EQ(FileOrder(generic.get()).size(), 196u);

  EXPECT_EQ(AppendImageExtensions(nullptr, dv), 0u);
  OwnedHandle tiny(zeb::movie::NewHandle(3));
  EXPECT_EQ(AppendImageExtensions(tiny.get(), dv), 0u);
  EXPECT_EQ(zeb::movie::GetHandleSize(tiny.get()), 3u);
  OwnedHandle lying(zeb::movie::NewHandle(100));
  const uint32_t length = 0xFFFFFFF0;
  std::memcpy(*lying, &length, sizeof length);
  EXPECT_EQ(AppendImageExtensions(lying.get(), dv), 0u);
  EXPECT_EQ(zeb::movie::GetHandleSize(lying.get()), 100u);
}

}  // namespace
}  // namespace zeb::writer::test
