// What the movie-file tests share. Byte-built movies: each helper returns one complete
// atom (big-endian, as stored), and MovieBytes puts sample data and tracks
// together into a file: 'mdat' first (its data starts at file offset 8),
// then 'moov'.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "platform/movie/Movie.h"
#include "tests/support/Fixtures.h"

namespace zeb::movie::test {

using Bytes = std::vector<uint8_t>;

Bytes Atom(uint32_t type, std::span<const uint8_t> payload);
Bytes FullAtom(uint32_t type, uint8_t version, uint32_t flags, std::span<const uint8_t> payload);
Bytes Concat(std::initializer_list<Bytes> parts);
Bytes Be16s(std::initializer_list<uint16_t> values);
Bytes Be32s(std::initializer_list<uint32_t> values);

Bytes Stts(std::initializer_list<std::pair<uint32_t, uint32_t>> countAndDelta);
Bytes Ctts(uint8_t version, std::initializer_list<std::pair<uint32_t, int32_t>> countAndOffset);
Bytes Stss(std::initializer_list<uint32_t> sampleNumbers);
// {first chunk, samples per chunk, description index}
Bytes Stsc(std::initializer_list<std::array<uint32_t, 3>> entries);
Bytes Stsz(uint32_t constantSize, uint32_t count, std::initializer_list<uint32_t> sizes = {});
Bytes Stco(const std::vector<uint32_t>& offsets);
Bytes Co64(std::initializer_list<uint64_t> offsets);
Bytes Stsd(std::initializer_list<Bytes> entries);
// Version-0 headers of a movie, a track, a media and its handler.
Bytes Mvhd(uint32_t timeScale);
Bytes Tkhd(uint32_t trackId);
Bytes Mdhd(uint32_t timeScale);
Bytes Hdlr(uint32_t handler);
// {segment duration, media time, rate}; 64-bit fields in version 1.
Bytes Elst(uint8_t version, std::initializer_list<std::array<int64_t, 3>> entries);

// An 86-byte image description header (version 0, 72 dpi, depth 24) and its extensions.
Bytes ImageDescription(uint32_t format, uint16_t width, uint16_t height,
                       std::span<const uint8_t> extensions = {});
// A sound description of version 0 (36 bytes), 1 (52) or 2 (72 bytes), then
// the extensions. Version 1: `perPacket` = {samples per packet, bytes per
// packet, bytes per frame, bytes per sample} and the compression id; version
// 2: {bits per channel, flags, bytes per packet, frames per packet}.
Bytes SoundDescription(uint32_t format, uint16_t version, uint16_t channels, uint16_t bits,
                       uint32_t rate, std::array<uint32_t, 4> perPacket = {},
                       std::span<const uint8_t> extensions = {}, int16_t compressionId = -2);

struct TrackBytes {
  TrackBytes(uint32_t handler, uint32_t timeScale, uint32_t trackId, Bytes stbl, Bytes dinf = {})
      : handler(handler),
        timeScale(timeScale),
        trackId(trackId),
        stbl(std::move(stbl)),
        dinf(std::move(dinf)) {}

  uint32_t handler;    // 'vide', 'soun', ...
  uint32_t timeScale;  // ticks per second
  uint32_t trackId;
  Bytes stbl;  // the children of 'stbl', concatenated
  Bytes dinf;  // children of 'dinf' ('dref'); no 'dinf' when empty
};

class MovieBytes {
 public:
  // Appends sample data to 'mdat'; returns its file offset.
  uint32_t AddData(std::span<const uint8_t> data);
  uint32_t AddData(size_t count, uint8_t fill);
  Bytes Build(std::initializer_list<TrackBytes> tracks) const;

 private:
  Bytes data_;
};

// Opens bytes as a movie.
Status OpenBytes(Bytes bytes, std::unique_ptr<Movie>& movie);
// The same, but fails with the first unusable track's status when the movie
// opens and a track does not.
Status OpenEveryTrack(Bytes bytes, std::unique_ptr<Movie>& movie);

// A new handle holding a copy of `bytes`; the caller disposes of it.
Handle HandleOf(std::span<const uint8_t> bytes);
Bytes HandleBytes(Handle handle);
// Description `index` of a media, as callers get it (header in native order).
Status DescriptionOf(const Media& media, uint32_t index, Bytes& description);
// A native-order field of 2, 4 or 8 bytes.
uint64_t NativeField(const Bytes& bytes, size_t offset, size_t width);

using zeb::test::Fixture;

// Reads samples at `decodeTime`; the bytes land in `data`. With `maxBytes`
// 0 the buffer is sized to what the samples need.
Status ReadAt(const Media& media, int64_t decodeTime, uint32_t maxSamples, SampleReadResult& result,
              std::vector<uint8_t>& data, uint32_t maxBytes = 0);

// A sample reference copied out of its packed record, whose fields may be
// misaligned and so must not be bound to references (as EXPECT_EQ does).
struct Reference {
  int64_t offset;
  uint32_t size;  // bytes of all the record's samples
  uint32_t duration, count;
  uint16_t flags;
  bool operator==(const Reference&) const = default;
};

// Every reference of a media from time 0.
std::vector<Reference> AllReferences(const Media& media);

}  // namespace zeb::movie::test
