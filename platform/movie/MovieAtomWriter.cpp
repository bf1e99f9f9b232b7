#include "platform/movie/MovieAtomWriter.h"

#include <algorithm>
#include <limits>
#include <string_view>

#include "platform/movie/ByteWriter.h"
#include "platform/movie/FourCC.h"

namespace zeb::movie {
namespace {

constexpr uint64_t kU32Max = std::numeric_limits<uint32_t>::max();

// Fixed sizes of the atoms whose layout does not depend on the tables.
constexpr uint64_t kMvhdSize[2] = {108, 120};  // by version
constexpr uint64_t kTkhdSize[2] = {92, 104};
constexpr uint64_t kMdhdSize[2] = {32, 44};
constexpr uint64_t kElstEntrySize[2] = {12, 20};
constexpr uint64_t kVmhdSize = 20;
constexpr uint64_t kSmhdSize = 16;
constexpr uint64_t kDinfSize = 36;
constexpr uint64_t kAtomHeader = 8;
constexpr uint64_t kFullAtomHeader = 12;
constexpr uint64_t kHdlrFixed = kFullAtomHeader + 21;  // all but the name, with its length byte

// tkhd flags: enabled, used in the movie, in the preview, in the poster.
constexpr uint32_t kTrackEnabledEverywhere = 0xF;

bool IsVideo(const WriterMedia& media) { return media.Type() == FourCC("vide"); }

std::string_view MediaHandlerName(const WriterMedia& media) {
  return IsVideo(media) ? "VideoHandler" : "SoundHandler";
}
constexpr std::string_view kDataHandlerName = "DataHandler";

// Version 1 of mvhd, tkhd and mdhd carries 64-bit times and durations.
uint8_t TimeVersion(uint64_t macTime, uint64_t duration) {
  return macTime > kU32Max || duration > kU32Max ? 1 : 0;
}

uint64_t MovieDuration(std::span<const WriterTrack* const> tracks) {
  uint64_t longest = 0;
  for (const WriterTrack* track : tracks) {
    if (track->Media() != nullptr) longest = std::max(longest, track->Duration());
  }
  return longest;
}

uint8_t ElstVersion(const WriterTrack& track) {
  for (const TrackEdit& edit : track.Edits()) {
    if (edit.trackDuration > kU32Max || edit.mediaTime > std::numeric_limits<int32_t>::max())
      return 1;
  }
  return 0;
}

void PutTimes(ByteWriter& out, uint8_t version, uint64_t macTime) {
  for (int i = 0; i < 2; ++i) {  // creation, modification
    if (version == 1) {
      out.PutU64(macTime);
    } else {
      out.PutU32(static_cast<uint32_t>(macTime));
    }
  }
}

void PutDuration(ByteWriter& out, uint8_t version, uint64_t duration) {
  if (version == 1) {
    out.PutU64(duration);
  } else {
    out.PutU32(static_cast<uint32_t>(duration));
  }
}

void PutMatrix(ByteWriter& out, const MovieMatrix& matrix) {
  for (int32_t value : matrix) out.PutU32(static_cast<uint32_t>(value));
}

void PutPascalString(ByteWriter& out, std::string_view text) {
  out.PutU8(static_cast<uint8_t>(text.size()));
  out.PutBytes({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
}

void WriteMvhd(ByteWriter& out, const WriterMovieHeader& header, uint64_t duration,
               uint32_t nextTrackId) {
  const uint8_t version = TimeVersion(header.macTime, duration);
  out.BeginFull(FourCC("mvhd"), version, 0);
  PutTimes(out, version, header.macTime);
  out.PutU32(header.timeScale);
  PutDuration(out, version, duration);
  out.PutU32(kFixedOne);  // preferred rate 1.0
  out.PutU16(0x100);      // preferred volume 1.0 (8.8)
  out.PutZeros(10);
  PutMatrix(out, header.matrix);
  out.PutZeros(6 *
               4);  // preview time and duration, poster, selection time and duration, current time
  out.PutU32(nextTrackId);
  out.End();
}

void WriteTkhd(ByteWriter& out, const WriterTrack& track, uint64_t macTime) {
  const uint8_t version = TimeVersion(macTime, track.Duration());
  out.BeginFull(FourCC("tkhd"), version, kTrackEnabledEverywhere);
  PutTimes(out, version, macTime);
  out.PutU32(track.Id());
  out.PutU32(0);
  PutDuration(out, version, track.Duration());
  out.PutZeros(8);
  out.PutU16(0);  // layer
  out.PutU16(0);  // alternate group
  out.PutU16(static_cast<uint16_t>(track.Volume()));
  out.PutU16(0);
  PutMatrix(out, kIdentityMatrix);
  out.PutU32(static_cast<uint32_t>(track.Width()));
  out.PutU32(static_cast<uint32_t>(track.Height()));
  out.End();
}

void WriteEdts(ByteWriter& out, const WriterTrack& track) {
  const uint8_t version = ElstVersion(track);
  out.Begin(FourCC("edts"));
  out.BeginFull(FourCC("elst"), version, 0);
  out.PutU32(static_cast<uint32_t>(track.Edits().size()));
  for (const TrackEdit& edit : track.Edits()) {
    PutDuration(out, version, edit.trackDuration);
    PutDuration(out, version, static_cast<uint64_t>(edit.mediaTime));  // -1 stays all ones
    out.PutU32(static_cast<uint32_t>(edit.rate));
  }
  out.End();
  out.End();
}

void WriteMdhd(ByteWriter& out, const WriterMedia& media, uint64_t macTime) {
  const uint8_t version = TimeVersion(macTime, media.Duration());
  out.BeginFull(FourCC("mdhd"), version, 0);
  PutTimes(out, version, macTime);
  out.PutU32(media.TimeScale());
  PutDuration(out, version, media.Duration());
  out.PutU16(0);  // language: Macintosh code 0, English
  out.PutU16(0);  // quality
  out.End();
}

// QuickTime handler reference: component type, subtype, manufacturer, flags,
// flags mask, then the name as a Pascal string.
void WriteHdlr(ByteWriter& out, uint32_t componentType, uint32_t subtype, std::string_view name) {
  out.BeginFull(FourCC("hdlr"), 0, 0);
  out.PutU32(componentType);
  out.PutU32(subtype);
  out.PutZeros(12);
  PutPascalString(out, name);
  out.End();
}

void WriteVmhd(ByteWriter& out) {
  out.BeginFull(FourCC("vmhd"), 0, 1);             // flag 1: no lean ahead
  out.PutU16(0x40);                                // graphics mode: dither copy
  for (int i = 0; i < 3; ++i) out.PutU16(0x8000);  // opcolor
  out.End();
}

void WriteSmhd(ByteWriter& out) {
  out.BeginFull(FourCC("smhd"), 0, 0);
  out.PutU16(0);  // balance: centre
  out.PutU16(0);
  out.End();
}

// One data reference, flag 1: the media data is in this file.
void WriteDinf(ByteWriter& out) {
  out.Begin(FourCC("dinf"));
  out.BeginFull(FourCC("dref"), 0, 0);
  out.PutU32(1);
  out.BeginFull(FourCC("alis"), 0, 1);
  out.End();
  out.End();
  out.End();
}

uint64_t StsdSize(const WriterMedia& media) {
  uint64_t size = kFullAtomHeader + 4;
  for (const std::vector<uint8_t>& entry : media.Descriptions()) size += entry.size();
  return size;
}

void WriteStsd(ByteWriter& out, const WriterMedia& media) {
  out.BeginFull(FourCC("stsd"), 0, 0);
  out.PutU32(static_cast<uint32_t>(media.Descriptions().size()));
  for (const std::vector<uint8_t>& entry : media.Descriptions()) out.PutBytes(entry);
  out.End();
}

void WriteStbl(ByteWriter& out, const WriterMedia& media) {
  out.Begin(FourCC("stbl"));
  WriteStsd(out, media);
  media.Table().WriteTables(out);
  out.End();
}

void WriteMinf(ByteWriter& out, const WriterMedia& media) {
  out.Begin(FourCC("minf"));
  if (IsVideo(media)) {
    WriteVmhd(out);
  } else {
    WriteSmhd(out);
  }
  WriteHdlr(out, FourCC("dhlr"), FourCC("alis"), kDataHandlerName);
  WriteDinf(out);
  WriteStbl(out, media);
  out.End();
}

void WriteMdia(ByteWriter& out, const WriterMedia& media, uint64_t macTime) {
  out.Begin(FourCC("mdia"));
  WriteMdhd(out, media, macTime);
  WriteHdlr(out, FourCC("mhlr"), media.Type(), MediaHandlerName(media));
  WriteMinf(out, media);
  out.End();
}

void WriteTrak(ByteWriter& out, const WriterTrack& track, uint64_t macTime) {
  out.Begin(FourCC("trak"));
  WriteTkhd(out, track, macTime);
  if (track.NeedsEditList()) WriteEdts(out, track);
  WriteMdia(out, *track.Media(), macTime);
  out.End();
}

uint64_t PredictTrakSize(const WriterTrack& track, uint64_t macTime) {
  const WriterMedia& media = *track.Media();
  const uint64_t edts = track.NeedsEditList()
                            ? kAtomHeader + kFullAtomHeader + 4 +
                                  kElstEntrySize[ElstVersion(track)] * track.Edits().size()
                            : 0;
  const uint64_t stbl = kAtomHeader + StsdSize(media) + media.Table().TablesSize();
  const uint64_t minf = kAtomHeader + (IsVideo(media) ? kVmhdSize : kSmhdSize) + kHdlrFixed +
                        kDataHandlerName.size() + kDinfSize + stbl;
  const uint64_t mdia = kAtomHeader + kMdhdSize[TimeVersion(macTime, media.Duration())] +
                        kHdlrFixed + MediaHandlerName(media).size() + minf;
  return kAtomHeader + kTkhdSize[TimeVersion(macTime, track.Duration())] + edts + mdia;
}

uint32_t NextTrackId(std::span<const WriterTrack* const> tracks) {
  uint32_t highest = 0;
  for (const WriterTrack* track : tracks) highest = std::max(highest, track->Id());
  return highest + 1;
}

}  // namespace

uint64_t PredictMovieAtomSize(std::span<const WriterTrack* const> tracks, uint64_t macTime) {
  uint64_t size = kAtomHeader + kMvhdSize[TimeVersion(macTime, MovieDuration(tracks))];
  for (const WriterTrack* track : tracks) {
    if (track->Media() != nullptr) size += PredictTrakSize(*track, macTime);
  }
  return size;
}

Status BuildMovieAtom(const WriterMovieHeader& header, std::span<const WriterTrack* const> tracks,
                      std::vector<uint8_t>& out) {
  const uint64_t predicted = PredictMovieAtomSize(tracks, header.macTime);
  if (predicted > kU32Max)
    return Status::Error(StatusCode::kUnsupported, "movie atom larger than 4 GiB");
  ByteWriter moov;
  moov.Reserve(static_cast<size_t>(predicted));
  moov.Begin(FourCC("moov"));
  WriteMvhd(moov, header, MovieDuration(tracks), NextTrackId(tracks));
  for (const WriterTrack* track : tracks) {
    if (track->Media() != nullptr) WriteTrak(moov, *track, header.macTime);
  }
  moov.End();
  if (!moov.Ok() || moov.OpenAtoms() != 0 || moov.Size() != predicted) {
    return Status::Error(StatusCode::kInvalid,
                         "movie atom is " + std::to_string(moov.Size()) + " bytes, predicted " +
                             std::to_string(predicted),
                         "moov");
  }
  out = moov.Take();
  return Status::Ok();
}

std::vector<uint8_t> MovieFileHeader() {
  ByteWriter out;
  out.Begin(FourCC("ftyp"));
  out.PutU32(FourCC("qt  "));
  out.PutU32(0x20050300);  // minor version, as QuickTime files carry it
  out.PutU32(FourCC("qt  "));
  out.End();
  out.Begin(FourCC("wide"));
  out.End();
  out.PutU32(0);
  out.PutU32(FourCC("mdat"));
  return out.Take();
}

}  // namespace zeb::movie
