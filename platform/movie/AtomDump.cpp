#include "platform/movie/AtomDump.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/movie/AtomHeader.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/TopLevelScan.h"

namespace zeb::movie {

namespace {

constexpr std::array kContainers = {FourCC("moov"), FourCC("trak"), FourCC("mdia"), FourCC("minf"),
                                    FourCC("stbl"), FourCC("edts"), FourCC("dinf"), FourCC("udta"),
                                    FourCC("mvex"), FourCC("moof"), FourCC("traf"), FourCC("mfra"),
                                    FourCC("tref"), FourCC("cmov"), FourCC("gmhd")};

// Full atoms whose entry count follows version and flags; 'stsz' and 'stz2'
// have it one word later.
constexpr std::array kCountedTables = {
    FourCC("stts"), FourCC("ctts"), FourCC("stss"), FourCC("stps"), FourCC("stsc"),
    FourCC("stco"), FourCC("co64"), FourCC("elst"), FourCC("dref"), FourCC("stsd")};

template <size_t N>
bool Contains(const std::array<uint32_t, N>& codes, uint32_t code) {
  return std::find(codes.begin(), codes.end(), code) != codes.end();
}

std::string Describe(const AtomHeader& header, int depth) {
  return std::string(static_cast<size_t>(depth) * 2, ' ') + FourCCToString(header.type) + " @" +
         std::to_string(header.fileOffset) + " size " + std::to_string(header.size);
}

std::string EntryCount(uint32_t type, ByteReader payload) {
  const bool sizes = type == FourCC("stsz") || type == FourCC("stz2");
  if (!sizes && !Contains(kCountedTables, type)) return {};
  uint32_t count = 0;
  if (!payload.Skip(sizes ? 8 : 4).IsOk() || !payload.ReadU32(count).IsOk()) return {};
  return " entries " + std::to_string(count);
}

Status DumpSampleDescriptions(ByteReader payload, int depth, std::string& text) {
  ZEB_MOVIE_TRY(payload.Skip(8));  // version, flags, entry count
  for (;;) {
    std::optional<AtomHeader> header;
    ByteReader entry;
    ZEB_MOVIE_TRY(NextChild(payload, header, entry));
    if (!header) return Status::Ok();
    text += Describe(*header, depth) + " (sample description)\n";
  }
}

Status DumpChildren(ByteReader& container, int depth, std::string& text) {
  for (;;) {
    std::optional<AtomHeader> header;
    ByteReader payload;
    ZEB_MOVIE_TRY(NextChild(container, header, payload));
    if (!header) return Status::Ok();
    text += Describe(*header, depth) + EntryCount(header->type, payload) + "\n";
    if (header->type == FourCC("stsd"))
      ZEB_MOVIE_TRY(DumpSampleDescriptions(payload, depth + 1, text));
    if (Contains(kContainers, header->type)) ZEB_MOVIE_TRY(DumpChildren(payload, depth + 1, text));
  }
}

Status DumpTopLevelContainer(const ByteSource& source, const AtomHeader& header,
                             std::string& text) {
  std::vector<uint8_t> payload;
  ZEB_MOVIE_TRY(ReadPayload(source, header, payload));
  ByteReader reader(payload, header.fileOffset + header.headerSize, header.path, 1);
  return DumpChildren(reader, 1, text);
}

}  // namespace

Status DumpAtomTree(const ByteSource& source, std::string& text) {
  text.clear();
  return ForEachTopLevelAtom(source, [&](const AtomHeader& header, bool&) {
    text += Describe(header, 0) + "\n";
    return Contains(kContainers, header.type) ? DumpTopLevelContainer(source, header, text)
                                              : Status::Ok();
  });
}

}  // namespace zeb::movie
