#include "platform/movie/SampleTableAtoms.h"

#include <optional>

#include "platform/movie/AtomHeader.h"
#include "platform/movie/SampleDescriptionOrder.h"

namespace zeb::movie {

namespace {

// The common head of the table atoms: version, flags, entry count, and the
// check that `count` entries of `entrySize` bytes fit in the atom.
Status ReadTableHead(ByteReader& atom, uint64_t entrySize, const char* what, uint32_t& count) {
  uint8_t version = 0;
  uint32_t flags = 0;
  ZEB_MOVIE_TRY(atom.ReadVersionAndFlags(version, flags));
  ZEB_MOVIE_TRY(atom.ReadU32(count));
  return atom.CheckCount(count, entrySize, what);
}

Status ReadSampleNumbers(ByteReader& atom, const char* what, std::vector<uint32_t>& numbers) {
  uint32_t count = 0;
  ZEB_MOVIE_TRY(ReadTableHead(atom, 4, what, count));
  numbers.resize(count);
  for (uint32_t& number : numbers) ZEB_MOVIE_TRY(atom.ReadU32(number));
  return Status::Ok();
}

Status ReadChunkOffsets(ByteReader& atom, size_t width, std::vector<uint64_t>& offsets) {
  uint32_t count = 0;
  ZEB_MOVIE_TRY(ReadTableHead(atom, width, "chunk offset", count));
  offsets.resize(count);
  for (uint64_t& offset : offsets) {
    if (width == 8) {
      ZEB_MOVIE_TRY(atom.ReadU64(offset));
    } else {
      uint32_t offset32 = 0;
      ZEB_MOVIE_TRY(atom.ReadU32(offset32));
      offset = offset32;
    }
  }
  return Status::Ok();
}

Status CopyBytes(ByteReader& atom, size_t count, std::vector<uint8_t>& bytes) {
  std::span<const uint8_t> view;
  ZEB_MOVIE_TRY(atom.ReadBytes(count, view));
  bytes.assign(view.begin(), view.end());
  return Status::Ok();
}

}  // namespace

Status ParseStsd(ByteReader& atom, SampleTableAtoms& table) {
  uint32_t count = 0;
  ZEB_MOVIE_TRY(ReadTableHead(atom, kSampleEntryHeaderSize, "sample description", count));
  table.descriptions.clear();
  table.descriptions.reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    const std::span<const uint8_t> rest = atom.Rest();
    std::optional<AtomHeader> header;
    ByteReader entry;
    ZEB_MOVIE_TRY(NextChild(atom, header, entry));
    if (!header)
      return atom.Invalid("stsd holds fewer entries than its count of " + std::to_string(count));
    if (header->headerSize != 8 || header->size < kSampleEntryHeaderSize) {
      return Status::Error(StatusCode::kInvalid,
                           "sample description entry of " + std::to_string(header->size) + " bytes",
                           header->path, header->fileOffset);
    }
    const auto bytes = rest.first(static_cast<size_t>(header->size));
    table.descriptions.emplace_back(bytes.begin(), bytes.end());
  }
  return Status::Ok();
}

Status ParseStts(ByteReader& atom, SampleTableAtoms& table) {
  uint32_t count = 0;
  ZEB_MOVIE_TRY(ReadTableHead(atom, 8, "stts", count));
  table.times = DecodeTimeTable();
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t samples = 0;
    uint32_t delta = 0;
    ZEB_MOVIE_TRY(atom.ReadU32(samples));
    ZEB_MOVIE_TRY(atom.ReadU32(delta));
    if (!table.times.Append(samples, delta)) return atom.Invalid("decode times pass 2^63 ticks");
  }
  return Status::Ok();
}

Status ParseCtts(ByteReader& atom, SampleTableAtoms& table) {
  uint32_t count = 0;
  ZEB_MOVIE_TRY(ReadTableHead(atom, 8, "ctts", count));
  table.displayOffsets = CompositionOffsetTable();
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t samples = 0;
    int32_t offset = 0;
    ZEB_MOVIE_TRY(atom.ReadU32(samples));
    ZEB_MOVIE_TRY(atom.ReadS32(offset));
    table.displayOffsets.Append(samples, offset);
  }
  return Status::Ok();
}

Status ParseStss(ByteReader& atom, SampleTableAtoms& table) {
  std::vector<uint32_t> numbers;
  ZEB_MOVIE_TRY(ReadSampleNumbers(atom, "stss", numbers));
  table.sync.Add(numbers, true);
  return Status::Ok();
}

Status ParseStps(ByteReader& atom, SampleTableAtoms& table) {
  std::vector<uint32_t> numbers;
  ZEB_MOVIE_TRY(ReadSampleNumbers(atom, "stps", numbers));
  table.sync.Add(numbers, false);
  return Status::Ok();
}

Status ParseStsc(ByteReader& atom, SampleTableAtoms& table) {
  uint32_t count = 0;
  ZEB_MOVIE_TRY(ReadTableHead(atom, 12, "stsc", count));
  table.sampleToChunk.resize(count);
  for (StscEntry& entry : table.sampleToChunk) {
    ZEB_MOVIE_TRY(atom.ReadU32(entry.firstChunk));
    ZEB_MOVIE_TRY(atom.ReadU32(entry.samplesPerChunk));
    ZEB_MOVIE_TRY(atom.ReadU32(entry.descriptionIndex));
  }
  return Status::Ok();
}

Status ParseStsz(ByteReader& atom, SampleTableAtoms& table) {
  uint8_t version = 0;
  uint32_t flags = 0;
  uint32_t constantSize = 0;
  uint32_t count = 0;
  ZEB_MOVIE_TRY(atom.ReadVersionAndFlags(version, flags));
  ZEB_MOVIE_TRY(atom.ReadU32(constantSize));
  ZEB_MOVIE_TRY(atom.ReadU32(count));
  if (constantSize != 0) {
    table.sizes = SampleSizeTable::Constant(constantSize, count);
    return Status::Ok();
  }
  ZEB_MOVIE_TRY(atom.CheckCount(count, 4, "stsz"));
  std::vector<uint8_t> entries;
  ZEB_MOVIE_TRY(CopyBytes(atom, size_t{count} * 4, entries));
  table.sizes = SampleSizeTable::Stored(32, count, std::move(entries));
  return Status::Ok();
}

Status ParseStz2(ByteReader& atom, SampleTableAtoms& table) {
  uint8_t version = 0;
  uint32_t flags = 0;
  uint32_t reservedAndFieldSize = 0;
  uint32_t count = 0;
  ZEB_MOVIE_TRY(atom.ReadVersionAndFlags(version, flags));
  ZEB_MOVIE_TRY(atom.ReadU32(reservedAndFieldSize));
  ZEB_MOVIE_TRY(atom.ReadU32(count));
  const auto fieldBits = static_cast<uint8_t>(reservedAndFieldSize & 0xFF);
  if (fieldBits != 4 && fieldBits != 8 && fieldBits != 16) {
    return atom.Invalid("stz2 field size of " + std::to_string(fieldBits) + " bits");
  }
  const uint64_t bytes = (uint64_t{count} * fieldBits + 7) / 8;
  ZEB_MOVIE_TRY(atom.CheckCount(bytes, 1, "stz2"));
  std::vector<uint8_t> entries;
  ZEB_MOVIE_TRY(CopyBytes(atom, static_cast<size_t>(bytes), entries));
  table.sizes = SampleSizeTable::Stored(fieldBits, count, std::move(entries));
  return Status::Ok();
}

Status ParseStco(ByteReader& atom, SampleTableAtoms& table) {
  return ReadChunkOffsets(atom, 4, table.chunkOffsets);
}

Status ParseCo64(ByteReader& atom, SampleTableAtoms& table) {
  return ReadChunkOffsets(atom, 8, table.chunkOffsets);
}

}  // namespace zeb::movie
