#include "writer/VideoDescriptionRows.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"

namespace {

using zeb::media::FourCC;
using enum DescriptionExtensions;

struct NamedRow {
  uint32_t fourcc;
  VideoDescriptionRow row;
};

// Handles of 174 bytes hold the 86-byte header and every image extension
// (10 + 16 + 40 + 18 + 4); DNxHD's hold its three atoms (24 + 24 + 120 + 4).
constexpr size_t kWithExtensions = 174;
constexpr size_t kHeaderOnly = zeb::media::image::kHeaderSize;
constexpr size_t kWithDnxhdAtoms = 258;

constexpr VideoDescriptionRow Dv(std::string_view name, int32_t width = 0, int32_t height = 0) {
  return {kWithExtensions, 1, 0, 1023, 1023, width, height, name, kImage};
}
constexpr VideoDescriptionRow Uncompressed(std::string_view name) {
  return {kWithExtensions, 1, 1, 0, 1024, 0, 0, name, kImage};
}
constexpr VideoDescriptionRow XdcamHd422(std::string_view name) {
  return {kWithExtensions, 1, 0, 0, 512, 0, 0, name, kImage};
}
constexpr VideoDescriptionRow MpegImx(std::string_view name) {
  return {kHeaderOnly, 1, 0, 0, 1024, 0, 0, name, kNone};
}

constexpr std::array kRows = {
    NamedRow{FourCC("mpeg"), {kWithExtensions, 0, 0, 1023, 1023, 0, 0, "MPEG", kNone}},
    NamedRow{FourCC("dvcp"), Dv("DV - PAL")},
    NamedRow{FourCC("dvc "), Dv("DV/DVCPRO - NTSC")},
    NamedRow{FourCC("dvpp"), Dv("DVCPRO - PAL")},
    NamedRow{FourCC("dv5p"), Dv("DVCPRO50 - PAL")},
    NamedRow{FourCC("dv5n"), Dv("DVCPRO50 - NTSC")},
    NamedRow{FourCC("dvh5"), Dv("DVCPRO HD 1080i50", 1920, 1080)},
    NamedRow{FourCC("dvh6"), Dv("DVCPRO HD 1080i60", 1920, 1080)},
    NamedRow{FourCC("2vuy"), Uncompressed("Uncompressed 8 bit")},
    NamedRow{FourCC("yuv2"), Uncompressed("Uncompressed 8 bit")},
    NamedRow{FourCC("v210"), Uncompressed("Uncompressed 10 bit")},
    NamedRow{FourCC("mp4v"), {kWithExtensions, 2, 1, 512, 512, 0, 0, "MPEG-4 Video", kImage}},
    NamedRow{FourCC("apch"),
             {kWithExtensions, 0, 0, 0, 512, 0, 0, "Apple ProRes 422 (HQ)", kImage}},
    NamedRow{FourCC("AVdn"), {kWithDnxhdAtoms, 1242, 8, 0, 768, 0, 0, "Avid- DNxHD Codec", kDnxhd}},
    NamedRow{FourCC("xd59"), XdcamHd422("XDCAM HD422 720p60(50 Mb/s)")},
    NamedRow{FourCC("xd5a"), XdcamHd422("XDCAM HD422 720p50(50 Mb/s)")},
    NamedRow{FourCC("xd5b"), XdcamHd422("XDCAM HD422 1080i60(50 Mb/s)")},
    NamedRow{FourCC("xd5c"), XdcamHd422("XDCAM HD422 1080i50(50 Mb/s)")},
    NamedRow{FourCC("xd5d"), XdcamHd422("XDCAM HD422 1080p24(50 Mb/s)")},
    NamedRow{FourCC("xd5e"), XdcamHd422("XDCAM HD422 1080p25(50 Mb/s)")},
    NamedRow{FourCC("xd5f"), XdcamHd422("XDCAM HD422 1080p30(50 Mb/s)")},
    NamedRow{FourCC("mx5p"), MpegImx("MPEG IMX 625/50 (50 Mb/s)")},
    NamedRow{FourCC("mx5n"), MpegImx("MPEG IMX 525/60 (50 Mb/s)")},
    NamedRow{FourCC("mx4p"), MpegImx("MPEG IMX 625/50 (40 Mb/s)")},
    NamedRow{FourCC("mx4n"), MpegImx("MPEG IMX 525/60 (40 Mb/s)")},
    NamedRow{FourCC("mx3p"), MpegImx("MPEG IMX 625/50 (30 Mb/s)")},
    NamedRow{FourCC("mx3n"), MpegImx("MPEG IMX 525/60 (30 Mb/s)")},
};

// A name and its length byte fill at most the header's 32 name bytes.
static_assert(std::all_of(kRows.begin(), kRows.end(), [](const NamedRow& row) {
  return row.row.name.size() < zeb::media::image::kNameSize;
}));

}  // namespace

VideoDescriptionRow ChooseVideoDescriptionRow(uint32_t fourcc, int32_t gopSize) {
  const auto* named = std::find_if(std::begin(kRows), std::end(kRows),
                                   [fourcc](const NamedRow& row) { return row.fourcc == fourcc; });
  if (named != std::end(kRows)) return named->row;
  const bool intraOnly = gopSize < 2;
  return {kHeaderOnly, 1,           0,    intraOnly ? 0u : 512u, intraOnly ? 1024u : 512u, 0,
          0,           "KORVENApp", kNone};
}
