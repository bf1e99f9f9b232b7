#include "reader/ImageDescriptionAnalysis.h"

#include <algorithm>

#include "framework/proxy/include/ZEBProxyCodec.h"
#include "media/CodecTraits.h"
#include "media/FourCC.h"
#include "reader/ReaderLog.h"

using zeb::media::FourCC;
using zeb::media::FourCCChar;
using zeb::media::IsOneOf;

namespace {

constexpr size_t kSizeAt = 0;
constexpr size_t kFormatAt = 4;
constexpr size_t kTemporalQualityAt = 24;
constexpr size_t kSpatialQualityAt = 28;
constexpr size_t kWidthAt = 32;
constexpr size_t kHeightAt = 34;
constexpr size_t kFirstAtom = 86;
constexpr size_t kSmallestScanned = 91;

// A rational n/d as the 'clap' atom stores it.
struct Fraction {
  uint32_t num = 0;
  uint32_t den = 1;
  uint32_t Value() const { return num / den; }
};

// The state the extension scan builds up before the aspect ratio is known.
struct ScanState {
  bool paspSeen = false;
  uint32_t hSpacing = 1;
  uint32_t vSpacing = 1;
  uint32_t cleanWidth = 0;
  uint32_t cleanHeight = 0;
};

uint32_t ReadNative32(const ByteView& bytes, size_t at) {
  uint32_t value = 0;
  return bytes.Native32(at, value) ? value : 0;
}

uint32_t ReadDimension(const ByteView& bytes, size_t at) {
  uint16_t value = 0;
  if (!bytes.Native16(at, value)) return 0;
  return static_cast<uint32_t>(static_cast<int32_t>(static_cast<int16_t>(value)));
}

void SetColour(VideoTrackDesc& track, uint32_t code) {
  track.colorPrimaries = code;
  track.transferFunction = code;
  track.matrix = code;
}

void ApplyDefaults(VideoTrackDesc& track) {
  if (track.width <= 720) {
    const bool lines525 = track.height == 480 || track.height == 486;
    SetColour(track, 5);
    if (lines525) track.colorPrimaries = 6;
  } else {
    SetColour(track, 1);
  }
  track.fieldOrder = 0;
  if (zeb::media::IsDvStandardDefinition(zeb::media::FindVideoCodec(track.fourcc))) {
    track.fieldOrder = 1;
    SetColour(track, 5);
  } else if (IsOneOf(track.fourcc, {FourCC("dvh5"), FourCC("dvh6")})) {
    SetColour(track, 1);
  }
}

void HandleFiel(const ByteView& atom, VideoTrackDesc& track) {
  uint8_t count = 0;
  uint8_t detail = 0;
  if (!atom.U8(8, count)) return;
  if (count == 1) {
    track.fieldOrder = 2;
    QtLogTrace(L"ImageDescription Extern Info:Progressive");
    return;
  }
  if (!atom.U8(9, detail)) return;
  struct Detail {
    uint8_t code;
    uint32_t fieldOrder;
    const wchar_t* text;
  };
  static constexpr Detail kDetails[] = {
      {1, 4, L"ImageDescription Extern Info:FirstFieldTopBackToBack"},
      {6, 5, L"ImageDescription Extern Info:SecondFieldTopBackToBack"},
      {9, 0, L"ImageDescription Extern Info:FirstFieldTop"},
      {14, 1, L"ImageDescription Extern Info:SecondFieldTop"},
  };
  for (const Detail& d : kDetails) {
    if (d.code != detail) continue;
    track.fieldOrder = d.fieldOrder;
    QtLogTrace(d.text);
  }
}

// False when the atom is too short to hold the spacing; it then counts as
// one the scan does not handle.
bool HandlePasp(const ByteView& atom, ScanState& scan) {
  uint32_t h = 0;
  uint32_t v = 0;
  if (!atom.Be32(8, h) || !atom.Be32(12, v)) return false;
  scan.paspSeen = true;
  scan.hSpacing = h;
  scan.vSpacing = v;
  QtLogMessage(L"ImageDescription Extern Info:SampleAspextX:%d, SampleAspextY:%d \n", h, v);
  return true;
}

void HandleClap(const ByteView& atom, ScanState& scan) {
  uint32_t v[8] = {};
  for (size_t i = 0; i < 8; ++i) {
    if (!atom.Be32(8 + 4 * i, v[i])) return;
  }
  // A zero denominator leaves the clean size undefined: the atom counts as absent.
  if (v[1] == 0 || v[3] == 0 || v[5] == 0 || v[7] == 0) return;
  const Fraction width{v[0], v[1]}, height{v[2], v[3]}, offX{v[4], v[5]}, offY{v[6], v[7]};
  scan.cleanWidth = width.Value() - offX.Value();
  scan.cleanHeight = height.Value() - offY.Value();
  QtLogMessage(
      L"ImageDescription Extern Info:'calc: ClapWidth = %d/%d = %d, ClapHeight= %d/%d = %d, "
      L"ClapOffsetX = %d/%d, ClapOffsetY = %d/%d\n",
      width.num, width.den, width.Value(), height.num, height.den, height.Value(), offX.num,
      offX.den, offY.num, offY.den);
}

void HandleColr(const ByteView& atom, VideoTrackDesc& track) {
  QtLogTrace(L"ImageDescription Extern Info:'colr'");
  uint32_t type = 0;
  uint16_t primaries = 0, transfer = 0, matrix = 0;
  if (!atom.Be32(8, type) || type != FourCC("nclc")) return;
  if (!atom.Be16(12, primaries) || !atom.Be16(14, transfer) || !atom.Be16(16, matrix)) return;
  track.colorPrimaries = primaries;
  track.transferFunction = transfer;
  track.matrix = matrix;
  QtLogMessage(
      L"ImageDescription Extern Info:'calc nclc: Primaries:%d, TransferFunction:%d, Matrix:%d\n",
      primaries, transfer, matrix);
}

void LogOtherAtom(uint32_t type, uint32_t size) {
  const wchar_t name[5] = {FourCCChar(type, 0), FourCCChar(type, 1), FourCCChar(type, 2),
                           FourCCChar(type, 3), L'\0'};
  ZEB_OutputW(kQtLogSource, ZEB_INFO_TRACE, L"%s(size=%d)", name, size);
}

// Handles one atom; false when the scan ends here.
bool HandleAtom(const ByteView& description, size_t at, uint32_t size, VideoTrackDesc& track,
                ScanState& scan, std::unique_ptr<AvcConfigRecord>& avcConfig) {
  uint32_t type = 0;
  if (!description.Be32(at + 4, type)) return false;
  const ByteView atom = description.Sub(at, size);
  switch (type) {
    case FourCC("fiel"):
      HandleFiel(atom, track);
      return true;
    case FourCC("pasp"):
      if (scan.paspSeen || !HandlePasp(atom, scan)) LogOtherAtom(type, size);
      return true;
    case FourCC("clap"):
      HandleClap(atom, scan);
      return true;
    case FourCC("colr"):
      HandleColr(atom, track);
      return true;
    case FourCC("avcC"):
      if (avcConfig != nullptr) return true;
      return ParseAvcConfig(description, at, size, avcConfig) != AvcConfigParse::kDroppedEndScan;
    default:
      LogOtherAtom(type, size);
      return true;
  }
}

void ScanExtensions(const ByteView& description, VideoTrackDesc& track, ScanState& scan,
                    std::unique_ptr<AvcConfigRecord>& avcConfig) {
  const size_t end = description.size();
  size_t at = kFirstAtom;
  do {
    uint32_t size = 0;
    if (!description.Be32(at, size) || size == 0 || size >= end - at) return;
    if (!HandleAtom(description, at, size, track, scan, avcConfig)) return;
    at += size;
  } while (at + 4 < end);
}

// The extension list of an image description ends with a 32-bit zero, as the
// media layer's descriptions have it; an entry stored without one (its atoms
// reach exactly to its end) gets it, so that its last atom is examined like
// every other. A list that does not add up is left as it is.
std::vector<uint8_t> Terminated(const ByteView& description) {
  std::vector<uint8_t> bytes(description.data(), description.data() + description.size());
  size_t at = kFirstAtom;
  uint32_t size = 0;
  while (at < bytes.size() && description.Be32(at, size) && size >= 8 &&
         size <= bytes.size() - at) {
    at += size;
  }
  if (at == bytes.size() && bytes.size() > kFirstAtom) bytes.insert(bytes.end(), 4, 0);
  return bytes;
}

}  // namespace

void AnalyseImageDescription(const ByteView& bytes, VideoTrackDesc& track,
                             std::unique_ptr<AvcConfigRecord>& avcConfig) {
  // The declared size bounds the scan, and the bytes that exist bound it too.
  const std::vector<uint8_t> terminated =
      Terminated(bytes.Sub(0, std::min<size_t>(ReadNative32(bytes, kSizeAt), bytes.size())));
  const ByteView description(terminated.data(), terminated.size());
  track.fourcc = ReadNative32(bytes, kFormatAt);
  track.width = ReadDimension(bytes, kWidthAt);
  track.height = ReadDimension(bytes, kHeightAt);
  track.spatialQuality = ReadNative32(bytes, kSpatialQualityAt);
  track.temporalQuality = ReadNative32(bytes, kTemporalQualityAt);
  ApplyDefaults(track);

  ScanState scan;
  scan.cleanWidth = track.width;
  scan.cleanHeight = track.height;
  if (description.size() >= kSmallestScanned) ScanExtensions(description, track, scan, avcConfig);

  if (scan.paspSeen) {
    SARtoDAR(scan.cleanWidth, scan.cleanHeight, scan.hSpacing, scan.vSpacing, &track.aspectX,
             &track.aspectY);
  } else {
    QtLogTrace(L"QuickTime--Not find 'psap', use default DisplayAspectRatio");
    SARtoDAR(track.width, track.height, 0, 0, &track.aspectX, &track.aspectY);
  }
}
