#include "reader/ImageDescriptionAnalysis.h"

#include <algorithm>

#include "core/QtLog.h"
#include "framework/proxy/include/ZEBProxyCodec.h"
#include "media/CodecTraits.h"
#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"

using zeb::media::AvcConfigParse;
using zeb::media::AvcConfigRecord;
using zeb::media::FourCC;
using zeb::media::FourCCChar;
using zeb::media::IsOneOf;
using zeb::media::kAtomHeaderSize;
using zeb::movie::ByteReader;
namespace image = zeb::media::image;

namespace {

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

// The header fields the analysis takes; a description too short to hold
// them all describes nothing (every field 0).
void ReadHeader(const ByteReader& description, VideoTrackDesc& track) {
  uint32_t format = 0, temporal = 0, spatial = 0;
  int16_t width = 0, height = 0;
  const bool read = description.ReadNativeAt(zeb::media::kDescriptionFormatAt, format).IsOk() &&
                    description.ReadNativeAt(image::kTemporalQualityAt, temporal).IsOk() &&
                    description.ReadNativeAt(image::kSpatialQualityAt, spatial).IsOk() &&
                    description.ReadNativeAt(image::kWidthAt, width).IsOk() &&
                    description.ReadNativeAt(image::kHeightAt, height).IsOk();
  track.fourcc = read ? format : 0;
  track.temporalQuality = read ? temporal : 0;
  track.spatialQuality = read ? spatial : 0;
  track.width = read ? static_cast<uint32_t>(int32_t{width}) : 0;
  track.height = read ? static_cast<uint32_t>(int32_t{height}) : 0;
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

void HandleFiel(ByteReader atom, VideoTrackDesc& track) {
  uint8_t count = 0;
  uint8_t detail = 0;
  if (!atom.ReadU8(count).IsOk()) return;
  if (count == 1) {
    track.fieldOrder = 2;
    QtLogTrace(L"ImageDescription Extern Info:Progressive");
    return;
  }
  if (!atom.ReadU8(detail).IsOk()) return;
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
bool HandlePasp(ByteReader atom, ScanState& scan) {
  uint32_t h = 0;
  uint32_t v = 0;
  if (!atom.ReadU32(h).IsOk() || !atom.ReadU32(v).IsOk()) return false;
  scan.paspSeen = true;
  scan.hSpacing = h;
  scan.vSpacing = v;
  QtLogMessage(L"ImageDescription Extern Info:SampleAspextX:%d, SampleAspextY:%d \n", h, v);
  return true;
}

void HandleClap(ByteReader atom, ScanState& scan) {
  uint32_t v[8] = {};
  for (uint32_t& value : v) {
    if (!atom.ReadU32(value).IsOk()) return;
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

void HandleColr(ByteReader atom, VideoTrackDesc& track) {
  QtLogTrace(L"ImageDescription Extern Info:'colr'");
  uint32_t type = 0;
  uint16_t primaries = 0, transfer = 0, matrix = 0;
  if (!atom.ReadU32(type).IsOk() || type != FourCC("nclc")) return;
  if (!atom.ReadU16(primaries).IsOk() || !atom.ReadU16(transfer).IsOk() ||
      !atom.ReadU16(matrix).IsOk()) {
    return;
  }
  track.colorPrimaries = primaries;
  track.transferFunction = transfer;
  track.matrix = matrix;
  QtLogMessage(
      L"ImageDescription Extern Info:'calc nclc: Primaries:%d, TransferFunction:%d, Matrix:%d\n",
      primaries, transfer, matrix);
}

// A kept record stands; a dropped one ends the scan unless only a picture
// set's length was missing.
bool HandleAvcC(ByteReader atom, std::unique_ptr<AvcConfigRecord>& avcConfig) {
  if (avcConfig != nullptr) return true;
  AvcConfigRecord record;
  switch (zeb::media::ParseAvcConfig(atom, record)) {
    case AvcConfigParse::kComplete:
    case AvcConfigParse::kPictureSetsCut:
      avcConfig = std::make_unique<AvcConfigRecord>(std::move(record));
      return true;
    case AvcConfigParse::kNoPictureSetLength:
      return true;
    case AvcConfigParse::kHeadUnusable:
      return false;
  }
  return false;
}

void LogOtherAtom(uint32_t type, uint32_t size) {
  const wchar_t name[5] = {FourCCChar(type, 0), FourCCChar(type, 1), FourCCChar(type, 2),
                           FourCCChar(type, 3), L'\0'};
  ZEB_OutputW(kQtLogSource, ZEB_INFO_TRACE, L"%s(size=%d)", name, size);
}

// Handles one atom (its payload: the bytes after the 8-byte header); false
// when the scan ends here.
bool HandleAtom(uint32_t type, uint32_t size, ByteReader payload, VideoTrackDesc& track,
                ScanState& state, std::unique_ptr<AvcConfigRecord>& avcConfig) {
  switch (type) {
    case FourCC("fiel"):
      HandleFiel(payload, track);
      return true;
    case FourCC("pasp"):
      if (state.paspSeen || !HandlePasp(payload, state)) LogOtherAtom(type, size);
      return true;
    case FourCC("clap"):
      HandleClap(payload, state);
      return true;
    case FourCC("colr"):
      HandleColr(payload, track);
      return true;
    case FourCC("avcC"):
      return HandleAvcC(payload, avcConfig);
    default:
      LogOtherAtom(type, size);
      return true;
  }
}

// An atom that claims no bytes, or reaches the description's last byte,
// ends the scan unexamined, as do four or fewer bytes after an atom. The type
// of an atom shorter than its header is read from the bytes that follow it.
void ScanExtensions(ByteReader scan, VideoTrackDesc& track, ScanState& state,
                    std::unique_ptr<AvcConfigRecord>& avcConfig) {
  if (!scan.Seek(image::kHeaderSize).IsOk()) return;
  do {
    const size_t at = scan.Position();
    uint32_t size = 0;
    uint32_t type = 0;
    ByteReader payload;
    if (!scan.ReadU32(size).IsOk() || size == 0 || size >= scan.Size() - at ||
        !scan.ReadU32(type).IsOk()) {
      return;
    }
    if (size > kAtomHeaderSize && !scan.Slice(size - kAtomHeaderSize, payload).IsOk()) return;
    if (!HandleAtom(type, size, payload, track, state, avcConfig) || !scan.Seek(at + size).IsOk()) {
      return;
    }
  } while (scan.Remaining() > 4);
}

// The extension list of an image description ends with a 32-bit zero, as the
// media layer's descriptions have it; an entry stored without one (its atoms
// reach exactly to its end) gets it, so that its last atom is examined like
// every other. A list that does not add up is left as it is.
std::vector<uint8_t> Terminated(std::span<const uint8_t> description) {
  std::vector<uint8_t> bytes(description.begin(), description.end());
  ByteReader atoms(description);
  size_t at = image::kHeaderSize;
  uint32_t size = 0;
  while (atoms.Seek(at).IsOk() && atoms.Remaining() > 0 && atoms.ReadU32(size).IsOk() &&
         size >= kAtomHeaderSize && size <= description.size() - at) {
    at += size;
  }
  if (at == bytes.size() && bytes.size() > image::kHeaderSize) bytes.insert(bytes.end(), 4, 0);
  return bytes;
}

}  // namespace

void AnalyseImageDescription(std::span<const uint8_t> bytes, VideoTrackDesc& track,
                             std::unique_ptr<AvcConfigRecord>& avcConfig) {
  const ByteReader whole(bytes);
  ReadHeader(whole, track);
  ApplyDefaults(track);
  // The declared size bounds the scan, and the bytes that exist bound it too.
  uint32_t declared = 0;
  if (!whole.ReadNativeAt(zeb::media::kDescriptionSizeAt, declared).IsOk()) declared = 0;
  const std::vector<uint8_t> description =
      Terminated(bytes.first(std::min<size_t>(declared, bytes.size())));

  ScanState scan;
  scan.cleanWidth = track.width;
  scan.cleanHeight = track.height;
  if (description.size() >= kSmallestScanned) {
    ScanExtensions(ByteReader(description), track, scan, avcConfig);
  }

  if (scan.paspSeen) {
    SARtoDAR(scan.cleanWidth, scan.cleanHeight, scan.hSpacing, scan.vSpacing, &track.aspectX,
             &track.aspectY);
  } else {
    QtLogTrace(L"QuickTime--Not find 'psap', use default DisplayAspectRatio");
    SARtoDAR(track.width, track.height, 0, 0, &track.aspectX, &track.aspectY);
  }
}
