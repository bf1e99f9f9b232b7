#include "platform/codec/CompressedDescription.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/movie/ByteReader.h"
#include "platform/movie/ByteWriter.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/SampleDescriptionOrder.h"

namespace zeb::codec {

namespace {

using zeb::movie::ByteReader;
using zeb::movie::ByteWriter;
using zeb::movie::FourCC;
using zeb::movie::Status;
using zeb::movie::StatusCode;

constexpr size_t kNameSize = 32;
constexpr uint32_t kResolution = 0x00480000;  // 72 dpi
constexpr uint8_t kNalTypeMask = 0x1F;
constexpr uint8_t kSequenceSet = 7;
constexpr uint8_t kPictureSet = 8;

void PutHeader(ByteWriter& out, const Compressor& compressor, const CompressionSettings& settings) {
  out.PutZeros(6);  // reserved
  out.PutU16(1);    // data reference index
  out.PutU16(0);    // version
  out.PutU16(0);    // revision
  out.PutU32(FourCC("appl"));
  out.PutU32(settings.temporalQuality);
  out.PutU32(settings.spatialQuality);
  out.PutU16(static_cast<uint16_t>(settings.width));
  out.PutU16(static_cast<uint16_t>(settings.height));
  out.PutU32(kResolution);
  out.PutU32(kResolution);
  out.PutU32(0);  // data size
  out.PutU16(1);  // frames per sample
  const size_t length = std::min(std::strlen(compressor.name), kNameSize - 1);
  out.PutU8(static_cast<uint8_t>(length));
  out.PutBytes({reinterpret_cast<const uint8_t*>(compressor.name), length});
  out.PutZeros(kNameSize - 1 - length);
  out.PutU16(static_cast<uint16_t>(compressor.depth));
  out.PutU16(0xFFFF);  // no colour table
}

// ISO/IEC 14496-15 AVCDecoderConfigurationRecord from units behind 4-byte
// lengths; profile, compatibility and level come from the first sequence set.
Status PutAvcC(ByteWriter& out, std::span<const uint8_t> extradata) {
  std::vector<std::span<const uint8_t>> sequenceSets;
  std::vector<std::span<const uint8_t>> pictureSets;
  ByteReader units(extradata);
  while (units.Remaining() > 0) {
    uint32_t length = 0;
    ByteReader unit;
    ZEB_MOVIE_TRY(units.ReadU32(length));
    ZEB_MOVIE_TRY(units.Slice(length, unit));
    const std::span<const uint8_t> bytes = unit.Rest();
    if (bytes.empty()) continue;
    if ((bytes[0] & kNalTypeMask) == kSequenceSet) sequenceSets.push_back(bytes);
    if ((bytes[0] & kNalTypeMask) == kPictureSet) pictureSets.push_back(bytes);
  }
  if (sequenceSets.empty() || sequenceSets[0].size() < 4 || pictureSets.empty()) {
    return Status::Error(StatusCode::kInvalid, "encoder gave no parameter sets");
  }
  out.Begin(FourCC("avcC"));
  out.PutU8(1);
  out.PutBytes(sequenceSets[0].subspan(1, 3));
  out.PutU8(0xFF);  // 4-byte lengths
  out.PutU8(static_cast<uint8_t>(0xE0 | sequenceSets.size()));
  for (const auto& set : sequenceSets) {
    out.PutU16(static_cast<uint16_t>(set.size()));
    out.PutBytes(set);
  }
  out.PutU8(static_cast<uint8_t>(pictureSets.size()));
  for (const auto& set : pictureSets) {
    out.PutU16(static_cast<uint16_t>(set.size()));
    out.PutBytes(set);
  }
  out.End();
  return Status::Ok();
}

// An ISO/IEC 14496-1 descriptor with its length in the four-byte form.
void PutDescriptor(ByteWriter& out, uint8_t tag, std::span<const uint8_t> body) {
  out.PutU8(tag);
  const auto length = static_cast<uint32_t>(body.size());
  for (int shift = 21; shift > 0; shift -= 7)
    out.PutU8(static_cast<uint8_t>(0x80 | (length >> shift)));
  out.PutU8(static_cast<uint8_t>(length & 0x7F));
  out.PutBytes(body);
}

// 'esds' of MPEG-4 visual: the VOL header as the decoder-specific information.
void PutEsds(ByteWriter& out, const CompressionSettings& settings,
             std::span<const uint8_t> extradata) {
  constexpr uint8_t kMpeg4Visual = 0x20;
  constexpr uint8_t kVisualStream = (0x04 << 2) | 1;
  ByteWriter config;
  config.PutU8(kMpeg4Visual);
  config.PutU8(kVisualStream);
  config.PutU8(0);  // buffer size, 24 bits
  config.PutU16(0);
  config.PutU32(static_cast<uint32_t>(settings.bitRate));  // maximum
  config.PutU32(static_cast<uint32_t>(settings.bitRate));  // average
  PutDescriptor(config, 0x05, extradata);
  ByteWriter stream;
  stream.PutU16(1);  // ES_ID
  stream.PutU8(0);   // no dependency, URL or OCR stream
  PutDescriptor(stream, 0x04, config.Bytes());
  const uint8_t predefinedSl[] = {0x02};
  PutDescriptor(stream, 0x06, predefinedSl);
  out.BeginFull(FourCC("esds"), 0, 0);
  PutDescriptor(out, 0x03, stream.Bytes());
  out.End();
}

}  // namespace

Status WriteCompressedDescription(zeb::movie::Handle description, const Compressor& compressor,
                                  const CompressionSettings& settings,
                                  std::span<const uint8_t> extradata) {
  ByteWriter out;
  out.Begin(compressor.codecType);
  PutHeader(out, compressor, settings);
  if (compressor.atom == ConfigurationAtom::kAvcC) ZEB_MOVIE_TRY(PutAvcC(out, extradata));
  if (compressor.atom == ConfigurationAtom::kEsds) PutEsds(out, settings, extradata);
  out.End();
  if (!out.Ok()) return Status::Error(StatusCode::kInvalid, "description too large");
  std::vector<uint8_t> bytes = out.Take();
  zeb::movie::SampleDescriptionToNative(FourCC("vide"), bytes);
  ZEB_MOVIE_TRY(zeb::movie::SetHandleSize(description, bytes.size()));
  std::memcpy(*description, bytes.data(), bytes.size());
  return Status::Ok();
}

}  // namespace zeb::codec
