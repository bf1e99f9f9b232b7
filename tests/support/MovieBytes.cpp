#include "tests/support/MovieBytes.h"

#include <algorithm>
#include <cstring>

#include "platform/movie/ByteWriter.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/MemorySource.h"

namespace zeb::movie::test {

Bytes Atom(uint32_t type, std::span<const uint8_t> payload) {
  ByteWriter writer;
  writer.Begin(type);
  writer.PutBytes(payload);
  writer.End();
  return writer.Bytes();
}

Bytes FullAtom(uint32_t type, uint8_t version, uint32_t flags, std::span<const uint8_t> payload) {
  ByteWriter writer;
  writer.BeginFull(type, version, flags);
  writer.PutBytes(payload);
  writer.End();
  return writer.Bytes();
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Be16s(std::initializer_list<uint16_t> values) {
  ByteWriter writer;
  for (uint16_t value : values) writer.PutU16(value);
  return writer.Bytes();
}

Bytes Be32s(std::initializer_list<uint32_t> values) {
  ByteWriter writer;
  for (uint32_t value : values) writer.PutU32(value);
  return writer.Bytes();
}

namespace {

// A full atom: an entry count, then 32-bit `words`; `lead` goes before the count.
Bytes Table(const char (&type)[5], uint8_t version, size_t count,
            std::initializer_list<uint32_t> lead, const std::vector<uint32_t>& words) {
  ByteWriter writer;
  for (uint32_t word : lead) writer.PutU32(word);
  writer.PutU32(static_cast<uint32_t>(count));
  for (uint32_t word : words) writer.PutU32(word);
  return FullAtom(FourCC(type), version, 0, writer.Bytes());
}

template <typename Pair>
std::vector<uint32_t> Flatten(std::initializer_list<Pair> pairs) {
  std::vector<uint32_t> words;
  for (const auto& [first, second] : pairs)
    words.insert(words.end(), {first, static_cast<uint32_t>(second)});
  return words;
}

}  // namespace

Bytes Stts(std::initializer_list<std::pair<uint32_t, uint32_t>> countAndDelta) {
  return Table("stts", 0, countAndDelta.size(), {}, Flatten(countAndDelta));
}

Bytes Ctts(uint8_t version, std::initializer_list<std::pair<uint32_t, int32_t>> countAndOffset) {
  return Table("ctts", version, countAndOffset.size(), {}, Flatten(countAndOffset));
}

Bytes Stss(std::initializer_list<uint32_t> sampleNumbers) {
  return Table("stss", 0, sampleNumbers.size(), {}, sampleNumbers);
}

Bytes Stsc(std::initializer_list<std::array<uint32_t, 3>> entries) {
  std::vector<uint32_t> words;
  for (const auto& entry : entries) words.insert(words.end(), entry.begin(), entry.end());
  return Table("stsc", 0, entries.size(), {}, words);
}

Bytes Stsz(uint32_t constantSize, uint32_t count, std::initializer_list<uint32_t> sizes) {
  return Table("stsz", 0, count, {constantSize}, sizes);
}

Bytes Stco(const std::vector<uint32_t>& offsets) {
  return Table("stco", 0, offsets.size(), {}, offsets);
}

Bytes Co64(std::initializer_list<uint64_t> offsets) {
  std::vector<uint32_t> words;
  for (uint64_t offset : offsets) {
    words.insert(words.end(), {static_cast<uint32_t>(offset >> 32), static_cast<uint32_t>(offset)});
  }
  return Table("co64", 0, offsets.size(), {}, words);
}

Bytes Stsd(std::initializer_list<Bytes> entries) {
  ByteWriter writer;
  writer.PutU32(static_cast<uint32_t>(entries.size()));
  for (const Bytes& entry : entries) writer.PutBytes(entry);
  return FullAtom(FourCC("stsd"), 0, 0, writer.Bytes());
}

Bytes ImageDescription(uint32_t format, uint16_t width, uint16_t height,
                       std::span<const uint8_t> extensions) {
  Bytes name = {4, 't', 'e', 's', 't'};  // a Pascal string in 32 bytes
  name.resize(32);
  // Reserved, data reference 1, version and revision 0, vendor, temporal and
  // spatial quality, size, 72 dpi both ways, data size 0, one frame, the
  // name, depth 24, no colour table.
  return Atom(format,
              Concat({Bytes(6, 0), Be16s({1, 0, 0}), Be32s({FourCC("ZEBT"), 512, 1023}),
                      Be16s({width, height}), Be32s({0x00480000, 0x00480000, 0}), Be16s({1}), name,
                      Be16s({24, 0xFFFF}), Bytes(extensions.begin(), extensions.end())}));
}

Bytes SoundDescription(uint32_t format, uint16_t version, uint16_t channels, uint16_t bits,
                       uint32_t rate, std::array<uint32_t, 4> perPacket,
                       std::span<const uint8_t> extensions, int16_t compressionId) {
  // Reserved, data reference 1, the version, revision and vendor 0.
  Bytes header = Concat({Bytes(6, 0), Be16s({1, version, 0}), Be32s({0})});
  if (version == 2) {
    // The always-3, 16, -2, 0 fields, 1.0 in 16.16, the struct's 72 bytes,
    // the rate as a double, the channels and the always-0x7F000000 word.
    const double rate64 = rate;
    uint64_t bits64 = 0;
    std::memcpy(&bits64, &rate64, sizeof bits64);
    header = Concat({header, Be16s({3, 16, 0xFFFE, 0}), Be32s({0x00010000, 72}),
                     Be32s({uint32_t(bits64 >> 32), uint32_t(bits64), channels, 0x7F000000})});
  } else {
    const auto id = static_cast<uint16_t>(version == 1 ? compressionId : 0);
    header = Concat({header, Be16s({channels, bits, id, 0}), Be32s({rate << 16})});
  }
  if (version != 0)
    header = Concat({header, Be32s({perPacket[0], perPacket[1], perPacket[2], perPacket[3]})});
  return Atom(format, Concat({header, Bytes(extensions.begin(), extensions.end())}));
}

Bytes Elst(uint8_t version, std::initializer_list<std::array<int64_t, 3>> entries) {
  ByteWriter writer;
  writer.PutU32(static_cast<uint32_t>(entries.size()));
  for (const auto& [duration, mediaTime, rate] : entries) {
    if (version == 1) {
      writer.PutU64(static_cast<uint64_t>(duration));
      writer.PutU64(static_cast<uint64_t>(mediaTime));
    } else {
      writer.PutU32(static_cast<uint32_t>(duration));
      writer.PutU32(static_cast<uint32_t>(mediaTime));
    }
    writer.PutU32(static_cast<uint32_t>(rate));
  }
  return FullAtom(FourCC("elst"), version, 0, writer.Bytes());
}

uint32_t MovieBytes::AddData(std::span<const uint8_t> data) {
  const auto offset = static_cast<uint32_t>(8 + data_.size());
  data_.insert(data_.end(), data.begin(), data.end());
  return offset;
}

uint32_t MovieBytes::AddData(size_t count, uint8_t fill) { return AddData(Bytes(count, fill)); }

Bytes Mvhd(uint32_t timeScale) {
  return FullAtom(FourCC("mvhd"), 0, 0, Concat({Bytes(8, 0), Be32s({timeScale, 0}), Bytes(80, 0)}));
}

Bytes Tkhd(uint32_t trackId) {
  return FullAtom(FourCC("tkhd"), 0, 1, Concat({Bytes(8, 0), Be32s({trackId}), Bytes(68, 0)}));
}

Bytes Mdhd(uint32_t timeScale) {
  return FullAtom(FourCC("mdhd"), 0, 0, Concat({Bytes(8, 0), Be32s({timeScale, 0, 0})}));
}

Bytes Hdlr(uint32_t handler) {
  return FullAtom(FourCC("hdlr"), 0, 0, Concat({Be32s({FourCC("mhlr"), handler}), Bytes(13, 0)}));
}

Bytes MovieBytes::Build(std::initializer_list<TrackBytes> tracks) const {
  Bytes moov = Mvhd(600);
  for (const TrackBytes& track : tracks) {
    const Bytes dinf = track.dinf.empty() ? Bytes{} : Atom(FourCC("dinf"), track.dinf);
    const Bytes minf = Atom(FourCC("minf"), Concat({dinf, Atom(FourCC("stbl"), track.stbl)}));
    const Bytes mdia =
        Atom(FourCC("mdia"), Concat({Mdhd(track.timeScale), Hdlr(track.handler), minf}));
    moov = Concat({moov, Atom(FourCC("trak"), Concat({Tkhd(track.trackId), mdia}))});
  }
  return Concat({Atom(FourCC("mdat"), data_), Atom(FourCC("moov"), moov)});
}

Status OpenBytes(Bytes bytes, std::unique_ptr<Movie>& movie) {
  return Movie::Open(std::make_shared<MemorySource>(std::move(bytes)), movie);
}

Status OpenEveryTrack(Bytes bytes, std::unique_ptr<Movie>& movie) {
  ZEB_MOVIE_TRY(OpenBytes(std::move(bytes), movie));
  for (uint32_t i = 1; i <= movie->TrackCount(); ++i)
    ZEB_MOVIE_TRY(movie->GetTrack(i)->OpenStatus());
  return Status::Ok();
}

Handle HandleOf(std::span<const uint8_t> bytes) {
  Handle handle = NewHandle(bytes.size());
  std::copy(bytes.begin(), bytes.end(), *handle);
  return handle;
}

Bytes HandleBytes(Handle handle) { return Bytes(*handle, *handle + GetHandleSize(handle)); }

Status DescriptionOf(const Media& media, uint32_t index, Bytes& description) {
  Handle handle = NewHandle(0);
  const Status status = media.GetSampleDescription(index, handle);
  description = status.IsOk() ? HandleBytes(handle) : Bytes{};
  DisposeHandle(handle);
  return status;
}

uint64_t NativeField(const Bytes& bytes, size_t offset, size_t width) {
  uint16_t u16 = 0;
  uint32_t u32 = 0;
  uint64_t u64 = 0;
  void* const field = width == 2   ? static_cast<void*>(&u16)
                      : width == 4 ? static_cast<void*>(&u32)
                                   : &u64;
  if (offset + width <= bytes.size()) std::memcpy(field, bytes.data() + offset, width);
  return u16 | u32 | u64;
}

Status ReadAt(const Media& media, int64_t decodeTime, uint32_t maxSamples, SampleReadResult& result,
              std::vector<uint8_t>& data, uint32_t maxBytes) {
  if (maxBytes == 0) {
    ZEB_MOVIE_TRY(media.ReadSamples(SampleReadRequest{decodeTime, nullptr, 0, maxSamples}, result));
    maxBytes = result.dataSize;
  }
  data.assign(maxBytes, 0);
  SampleReadRequest request;
  request.decodeTime = decodeTime;
  request.destination = data.data();
  request.maxBytes = maxBytes;
  request.maxSamples = maxSamples;
  Status status = media.ReadSamples(request, result);
  data.resize(status.IsOk() ? result.dataSize : 0);
  return status;
}

std::vector<Reference> AllReferences(const Media& media) {
  std::vector<SampleReference64> records(media.SampleCount() + 1);
  uint32_t filled = 0;
  if (!media.GetSampleReferences(0, static_cast<uint32_t>(records.size()), records.data(), filled)
           .IsOk()) {
    return {};
  }
  std::vector<Reference> references;
  for (uint32_t i = 0; i < filled; ++i) {
    const SampleReference64 record = records[i];
    references.push_back(Reference{record.dataOffset, record.dataSize, record.durationPerSample,
                                   record.numberOfSamples, record.sampleFlags});
  }
  return references;
}

}  // namespace zeb::movie::test
