#include "platform/codec/EsDescriptor.h"

#include "platform/movie/ByteReader.h"

namespace zeb::codec {

namespace {

using zeb::movie::ByteReader;
using zeb::movie::Status;

// ISO/IEC 14496-1 descriptor: a tag, then a length of up to four 7-bit groups.
Status ReadDescriptorHeader(ByteReader& reader, uint8_t& tag, uint32_t& length) {
  ZEB_MOVIE_TRY(reader.ReadU8(tag));
  length = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t group = 0;
    ZEB_MOVIE_TRY(reader.ReadU8(group));
    length = (length << 7) | (group & 0x7F);
    if ((group & 0x80) == 0) return Status::Ok();
  }
  return reader.Invalid("descriptor length longer than four bytes");
}

// Enters the descriptor `wanted` at the cursor: `reader` becomes its body.
Status EnterDescriptor(ByteReader& reader, uint8_t wanted) {
  uint8_t tag = 0;
  uint32_t length = 0;
  ZEB_MOVIE_TRY(ReadDescriptorHeader(reader, tag, length));
  if (tag != wanted) return reader.Invalid("unexpected descriptor tag");
  ByteReader body;
  ZEB_MOVIE_TRY(reader.Slice(length, body));
  reader = body;
  return Status::Ok();
}

}  // namespace

Status DecoderSpecificInfo(std::span<const uint8_t> esds, std::vector<uint8_t>& info) {
  ByteReader reader(esds);
  uint8_t version = 0;
  uint32_t flags = 0;
  ZEB_MOVIE_TRY(reader.ReadVersionAndFlags(version, flags));
  ZEB_MOVIE_TRY(EnterDescriptor(reader, 0x03));
  uint16_t esId = 0;
  uint8_t esFlags = 0;
  ZEB_MOVIE_TRY(reader.ReadU16(esId));
  ZEB_MOVIE_TRY(reader.ReadU8(esFlags));
  if (esFlags & 0x80) ZEB_MOVIE_TRY(reader.Skip(2));  // dependsOn_ES_ID
  if (esFlags & 0x40) {
    uint8_t urlLength = 0;
    ZEB_MOVIE_TRY(reader.ReadU8(urlLength));
    ZEB_MOVIE_TRY(reader.Skip(urlLength));
  }
  if (esFlags & 0x20) ZEB_MOVIE_TRY(reader.Skip(2));  // OCR_ES_Id
  ZEB_MOVIE_TRY(EnterDescriptor(reader, 0x04));
  ZEB_MOVIE_TRY(reader.Skip(13));  // object type, stream type, buffer size, bit rates
  ZEB_MOVIE_TRY(EnterDescriptor(reader, 0x05));
  info.assign(reader.Rest().begin(), reader.Rest().end());
  return Status::Ok();
}

}  // namespace zeb::codec
