#include "platform/codec/SoundEncoderWave.h"

#include "platform/movie/ByteWriter.h"
#include "platform/movie/FourCC.h"

namespace zeb::codec {

namespace {

using zeb::movie::ByteWriter;
using zeb::movie::FourCC;

// ISO/IEC 14496-1 descriptor tags and the values an AAC stream's carry.
constexpr uint8_t kEsDescriptorTag = 0x03;
constexpr uint8_t kDecoderConfigTag = 0x04;
constexpr uint8_t kDecoderSpecificTag = 0x05;
constexpr uint8_t kSyncLayerConfigTag = 0x06;
constexpr uint8_t kObjectTypeAudio = 0x40;  // ISO/IEC 14496-3
constexpr uint8_t kStreamTypeAudio = 0x15;  // audio stream (0x05 << 2) | reserved bit 1
constexpr uint8_t kSyncLayerPredefinedMp4 = 0x02;

// A descriptor header with its length as four 7-bit groups, the form QuickTime
// writes, so the length never needs to be known before the body.
void PutDescriptorHeader(ByteWriter& writer, uint8_t tag, uint32_t length) {
  writer.PutU8(tag);
  writer.PutU8(static_cast<uint8_t>(0x80 | ((length >> 21) & 0x7F)));
  writer.PutU8(static_cast<uint8_t>(0x80 | ((length >> 14) & 0x7F)));
  writer.PutU8(static_cast<uint8_t>(0x80 | ((length >> 7) & 0x7F)));
  writer.PutU8(static_cast<uint8_t>(length & 0x7F));
}

constexpr uint32_t kDescriptorHeaderBytes = 5;

void PutEsds(ByteWriter& writer, std::span<const uint8_t> config, uint32_t bitRate,
             uint32_t bufferBytes) {
  const auto specificLength = static_cast<uint32_t>(config.size());
  const uint32_t decoderConfigLength = 13 + kDescriptorHeaderBytes + specificLength;
  const uint32_t syncLayerLength = 1;
  const uint32_t esLength =
      3 + kDescriptorHeaderBytes + decoderConfigLength + kDescriptorHeaderBytes + syncLayerLength;
  writer.BeginFull(FourCC("esds"), 0, 0);
  PutDescriptorHeader(writer, kEsDescriptorTag, esLength);
  writer.PutU16(0);  // ES_ID
  writer.PutU8(0);   // no dependence, URL or OCR stream; priority 0
  PutDescriptorHeader(writer, kDecoderConfigTag, decoderConfigLength);
  writer.PutU8(kObjectTypeAudio);
  writer.PutU8(kStreamTypeAudio);
  writer.PutU24(bufferBytes);
  writer.PutU32(bitRate);  // maximum
  writer.PutU32(bitRate);  // average
  PutDescriptorHeader(writer, kDecoderSpecificTag, specificLength);
  writer.PutBytes(config);
  PutDescriptorHeader(writer, kSyncLayerConfigTag, syncLayerLength);
  writer.PutU8(kSyncLayerPredefinedMp4);
  writer.End();
}

}  // namespace

std::optional<std::vector<uint8_t>> BuildWavePayload(uint32_t format,
                                                     std::span<const uint8_t> config,
                                                     uint32_t bitRate, uint32_t bufferBytes) {
  if (format != FourCC("mp4a") && format != FourCC("alac")) return std::nullopt;
  ByteWriter writer;
  writer.Begin(FourCC("frma"));
  writer.PutU32(format);
  writer.End();
  if (format == FourCC("mp4a")) {
    writer.Begin(FourCC("mp4a"));
    writer.PutU32(0);
    writer.End();
    PutEsds(writer, config, bitRate, bufferBytes);
  } else {
    writer.PutBytes(config);  // libavcodec's ALAC configuration is the whole 'alac' atom
  }
  writer.Begin(0);  // the terminator: an empty atom of type 0
  writer.End();
  if (!writer.Ok()) return std::nullopt;
  return writer.Take();
}

}  // namespace zeb::codec
