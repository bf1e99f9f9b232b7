#include "platform/movie/SoundPacking.h"

#include <algorithm>

#include "platform/movie/CompressionInfo.h"

namespace zeb::movie {

namespace {

struct SoundFields {
  uint32_t format = 0;
  uint16_t version = 0;
  uint16_t channels = 0;
  uint16_t sampleSize = 0;
  int16_t compressionId = 0;
  uint32_t framesPerPacket = 0;  // version 1 samples per packet, version 2 frames per packet
  uint32_t bytesPerPacket =
      0;  // version 1 bytes per frame, version 2 bytes per packet: all channels
};

Status ReadSoundFields(std::span<const uint8_t> entry, SoundFields& fields) {
  ByteReader reader(entry, 0, "stsd entry");
  uint16_t compressionId = 0;
  ZEB_MOVIE_TRY(reader.Skip(4));
  ZEB_MOVIE_TRY(reader.ReadU32(fields.format));
  ZEB_MOVIE_TRY(reader.Skip(8));
  ZEB_MOVIE_TRY(reader.ReadU16(fields.version));
  ZEB_MOVIE_TRY(reader.Skip(6));
  ZEB_MOVIE_TRY(reader.ReadU16(fields.channels));
  ZEB_MOVIE_TRY(reader.ReadU16(fields.sampleSize));
  ZEB_MOVIE_TRY(reader.ReadU16(compressionId));
  fields.compressionId = static_cast<int16_t>(compressionId);
  ZEB_MOVIE_TRY(reader.Skip(6));  // packet size, 16.16 sample rate
  if (fields.version == 1) {
    ZEB_MOVIE_TRY(reader.ReadU32(fields.framesPerPacket));
    ZEB_MOVIE_TRY(reader.Skip(4));  // bytes per packet of one channel
    ZEB_MOVIE_TRY(reader.ReadU32(fields.bytesPerPacket));
  } else if (fields.version == 2) {
    ZEB_MOVIE_TRY(reader.Skip(28));  // struct size, rate, channels, marker, bits, flags
    ZEB_MOVIE_TRY(reader.ReadU32(fields.bytesPerPacket));
    ZEB_MOVIE_TRY(reader.ReadU32(fields.framesPerPacket));
  }
  return Status::Ok();
}

bool OneTickPerSample(const DecodeTimeTable& times) {
  return !times.Runs().empty() && std::all_of(times.Runs().begin(), times.Runs().end(),
                                              [](const auto& run) { return run.delta == 1; });
}

uint64_t CeilDiv(uint64_t value, uint64_t divisor) {
  return value / divisor + (value % divisor != 0);
}

}  // namespace

std::optional<SoundPacking> FindSoundPacking(const SampleTableAtoms& atoms) {
  if (atoms.descriptions.empty() || !atoms.sizes.IsConstant() || !OneTickPerSample(atoms.times)) {
    return std::nullopt;
  }
  SoundFields fields;
  if (!ReadSoundFields(atoms.descriptions.front(), fields).IsOk()) return std::nullopt;
  SoundPacking packing{fields.framesPerPacket, fields.bytesPerPacket};
  if (packing.framesPerPacket == 0 || packing.bytesPerPacket == 0) {
    CompressionInfo info;
    const Status status = GetCompressionInfo(fields.compressionId, fields.format, fields.channels,
                                             fields.sampleSize, info);
    if (!status.IsOk()) return std::nullopt;
    packing = SoundPacking{info.samplesPerPacket, info.bytesPerFrame};
  }
  if (packing.framesPerPacket == 0 || packing.bytesPerPacket == 0) return std::nullopt;
  return packing;
}

Status ApplySoundPacking(const SoundPacking& packing, SampleTableAtoms& atoms,
                         const std::string& where) {
  const uint64_t frames = atoms.sizes.Count();
  const uint32_t perPacket = packing.framesPerPacket;
  const uint64_t packets = CeilDiv(frames, perPacket);
  atoms.sizes = SampleSizeTable::Constant(packing.bytesPerPacket, packets);
  if (perPacket == 1) return Status::Ok();
  for (StscEntry& entry : atoms.sampleToChunk) {
    entry.samplesPerChunk = static_cast<uint32_t>(CeilDiv(entry.samplesPerChunk, perPacket));
  }
  atoms.times = DecodeTimeTable();
  if (!atoms.times.Append(packets, perPacket)) {
    return Status::Error(StatusCode::kInvalid, "sound packets pass 2^63 ticks", where);
  }
  atoms.displayOffsets = CompositionOffsetTable();
  atoms.sync = SyncSampleTable();
  return Status::Ok();
}

}  // namespace zeb::movie
