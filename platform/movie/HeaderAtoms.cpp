#include "platform/movie/HeaderAtoms.h"

#include <algorithm>
#include <optional>

#include "platform/movie/AtomHeader.h"

namespace zeb::movie {

namespace {

// Version 1 of the header atoms widens times and durations to 64 bits.
Status ReadTimeField(ByteReader& atom, uint8_t version, uint64_t& value) {
  if (version == 1) return atom.ReadU64(value);
  uint32_t value32 = 0;
  ZEB_MOVIE_TRY(atom.ReadU32(value32));
  value = value32;
  return Status::Ok();
}

Status SkipCreationAndModification(ByteReader& atom, uint8_t version) {
  return atom.Skip(version == 1 ? 16 : 8);
}

}  // namespace

Status ParseMvhd(ByteReader& atom, MovieHeader& header) {
  uint8_t version = 0;
  uint32_t flags = 0;
  ZEB_MOVIE_TRY(atom.ReadVersionAndFlags(version, flags));
  ZEB_MOVIE_TRY(SkipCreationAndModification(atom, version));
  ZEB_MOVIE_TRY(atom.ReadU32(header.timeScale));
  return ReadTimeField(atom, version, header.duration);
}

Status ParseTkhd(ByteReader& atom, TrackHeader& header) {
  uint8_t version = 0;
  ZEB_MOVIE_TRY(atom.ReadVersionAndFlags(version, header.flags));
  ZEB_MOVIE_TRY(SkipCreationAndModification(atom, version));
  ZEB_MOVIE_TRY(atom.ReadU32(header.trackId));
  ZEB_MOVIE_TRY(atom.Skip(4));  // reserved
  ZEB_MOVIE_TRY(ReadTimeField(atom, version, header.duration));
  // reserved (8), layer, alternate group, volume, reserved (2), matrix (36)
  ZEB_MOVIE_TRY(atom.Skip(8 + 2 + 2 + 2 + 2 + 36));
  ZEB_MOVIE_TRY(atom.ReadU32(header.width));
  return atom.ReadU32(header.height);
}

Status ParseElst(ByteReader& atom, std::vector<EditEntry>& edits) {
  uint8_t version = 0;
  uint32_t flags = 0;
  uint32_t count = 0;
  ZEB_MOVIE_TRY(atom.ReadVersionAndFlags(version, flags));
  ZEB_MOVIE_TRY(atom.ReadU32(count));
  // Writers have stored counts larger than the atom; the edits present are
  // kept and the count is not trusted (nothing is allocated from it).
  const size_t entrySize = version == 1 ? 20 : 12;
  edits.resize(std::min<size_t>(count, atom.Remaining() / entrySize));
  for (EditEntry& edit : edits) {
    ZEB_MOVIE_TRY(ReadTimeField(atom, version, edit.segmentDuration));
    if (version == 1) {
      ZEB_MOVIE_TRY(atom.ReadS64(edit.mediaTime));
    } else {
      int32_t mediaTime = 0;
      ZEB_MOVIE_TRY(atom.ReadS32(mediaTime));
      edit.mediaTime = mediaTime;
    }
    ZEB_MOVIE_TRY(atom.ReadS32(edit.mediaRate));
  }
  return Status::Ok();
}

Status ParseMdhd(ByteReader& atom, MediaHeader& header) {
  uint8_t version = 0;
  uint32_t flags = 0;
  ZEB_MOVIE_TRY(atom.ReadVersionAndFlags(version, flags));
  ZEB_MOVIE_TRY(SkipCreationAndModification(atom, version));
  ZEB_MOVIE_TRY(atom.ReadU32(header.timeScale));
  ZEB_MOVIE_TRY(ReadTimeField(atom, version, header.duration));
  return atom.ReadU16(header.language);
}

Status ParseHdlr(ByteReader& atom, HandlerInfo& handler) {
  uint8_t version = 0;
  uint32_t flags = 0;
  ZEB_MOVIE_TRY(atom.ReadVersionAndFlags(version, flags));
  ZEB_MOVIE_TRY(atom.ReadU32(handler.componentType));
  return atom.ReadU32(handler.subtype);
}

Status ParseDref(ByteReader& atom, std::vector<DataReference>& references) {
  uint8_t version = 0;
  uint32_t flags = 0;
  uint32_t count = 0;
  ZEB_MOVIE_TRY(atom.ReadVersionAndFlags(version, flags));
  ZEB_MOVIE_TRY(atom.ReadU32(count));
  ZEB_MOVIE_TRY(atom.CheckCount(count, 12, "dref"));
  references.clear();
  for (uint32_t i = 0; i < count; ++i) {
    std::optional<AtomHeader> header;
    ByteReader entry;
    ZEB_MOVIE_TRY(NextChild(atom, header, entry));
    if (!header)
      return atom.Invalid("dref holds fewer entries than its count of " + std::to_string(count));
    uint8_t entryVersion = 0;
    uint32_t entryFlags = 0;
    ZEB_MOVIE_TRY(entry.ReadVersionAndFlags(entryVersion, entryFlags));
    references.push_back(DataReference{header->type, (entryFlags & 1) != 0});
  }
  return Status::Ok();
}

}  // namespace zeb::movie
