#include "platform/movie/CompressedMovie.h"

#include <zlib.h>

#include <limits>
#include <span>

#include "platform/movie/AtomTable.h"
#include "platform/movie/FourCC.h"

namespace zeb::movie {

namespace {

// zlib's densest output is a little over 1032 bytes for each input byte.
constexpr uint64_t kMaxDeflateRatio = 1040;

struct CmovAtoms {
  uint32_t compressor = 0;
  uint32_t inflatedSize = 0;
  std::span<const uint8_t> compressed;
  uint64_t compressedOffset = 0;
  AtomNotes notes;
};

Status ParseDcom(ByteReader& atom, CmovAtoms& cmov) { return atom.ReadU32(cmov.compressor); }

Status ParseCmvd(ByteReader& atom, CmovAtoms& cmov) {
  ZEB_MOVIE_TRY(atom.ReadU32(cmov.inflatedSize));
  cmov.compressedOffset = atom.CursorFileOffset();
  return atom.ReadBytes(atom.Remaining(), cmov.compressed);
}

constexpr AtomHandler<CmovAtoms> kCmovTable[] = {
    {FourCC("dcom"), Presence::kRequired, Repeat::kFirstWins, ParseDcom},
    {FourCC("cmvd"), Presence::kRequired, Repeat::kFirstWins, ParseCmvd},
};

// Inflates into all of `out`; the stream must end exactly there.
Status Inflate(std::span<const uint8_t> compressed, std::vector<uint8_t>& out,
               const std::string& where, uint64_t offset) {
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK)
    return Status::Error(StatusCode::kNoMemory, "zlib cannot start", where, offset);
  stream.next_in = const_cast<Bytef*>(compressed.data());
  stream.avail_in = static_cast<uInt>(compressed.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&stream, Z_FINISH);
  const uint64_t produced = stream.total_out;
  const bool inputUsedUp = stream.avail_in == 0;
  inflateEnd(&stream);
  if (result == Z_STREAM_END && produced == out.size()) return Status::Ok();
  if (result == Z_BUF_ERROR && inputUsedUp) {
    return Status::Error(StatusCode::kTruncated, "compressed movie header ends early", where,
                         offset);
  }
  return Status::Error(StatusCode::kInvalid,
                       "compressed movie header does not inflate to its stated " +
                           std::to_string(out.size()) + " bytes",
                       where, offset);
}

}  // namespace

Status InflateCmov(ByteReader& cmov, std::vector<uint8_t>& moovAtom, AtomNotes& notes) {
  CmovAtoms atoms;
  ZEB_MOVIE_TRY(ParseChildren<CmovAtoms>(cmov, kCmovTable, atoms));
  notes.insert(notes.end(), atoms.notes.begin(), atoms.notes.end());
  if (atoms.compressor != FourCC("zlib")) {
    return Status::Error(StatusCode::kUnsupported,
                         "movie header compressed with '" + FourCCToString(atoms.compressor) + "'",
                         cmov.Path());
  }
  const std::string where = cmov.Path() + "/cmvd";
  if (atoms.inflatedSize < 8 || atoms.inflatedSize > kMaxInflatedMovieSize ||
      atoms.inflatedSize > atoms.compressed.size() * kMaxDeflateRatio ||
      atoms.compressed.size() > std::numeric_limits<uInt>::max()) {
    return Status::Error(StatusCode::kInvalid,
                         "compressed movie header claims " + std::to_string(atoms.inflatedSize) +
                             " bytes from " + std::to_string(atoms.compressed.size()),
                         where, atoms.compressedOffset);
  }
  moovAtom.assign(atoms.inflatedSize, 0);
  return Inflate(atoms.compressed, moovAtom, where, atoms.compressedOffset);
}

}  // namespace zeb::movie
