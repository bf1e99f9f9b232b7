#include "writer/FrameInfoSideBlock.h"

#include "platform/movie/ByteReader.h"
#include "platform/movie/SpanWriter.h"

using zeb::movie::ByteReader;
using zeb::movie::SpanWriter;
using zeb::movie::Status;

namespace {

// One field list serves both directions, so they cannot drift apart. The
// words the record leaves to its default (reserved9, the first two of
// reserved19, reserved27[5], reserved33) are not carried.
template <typename Info, typename Put>
Status VisitHead(Info& info, Put field) {
  ZEB_MOVIE_TRY(field(info.size));
  ZEB_MOVIE_TRY(field(info.streamType));
  ZEB_MOVIE_TRY(field(info.streamState));
  ZEB_MOVIE_TRY(field(info.dataSize));
  ZEB_MOVIE_TRY(field(info.reserved4[0]));
  ZEB_MOVIE_TRY(field(info.reserved4[1]));
  ZEB_MOVIE_TRY(field(info.decodePosition));
  ZEB_MOVIE_TRY(field(info.unitCount));
  for (auto& value : info.timeValues) ZEB_MOVIE_TRY(field(value));
  ZEB_MOVIE_TRY(field(info.presentationPosition));
  ZEB_MOVIE_TRY(field(info.frameType));
  for (size_t i = 2; i < 5; ++i) ZEB_MOVIE_TRY(field(info.reserved19[i]));
  return field(info.privateKind);
}

template <typename Info, typename Put>
Status VisitTail(Info& info, Put field) {
  for (size_t i = 0; i < 5; ++i) ZEB_MOVIE_TRY(field(info.reserved27[i]));
  return Status::Ok();
}

uint32_t CarriedPrivateSize(const SPlugFrameInfo& info) {
  return info.privateAddress != nullptr ? info.privateSize : 0;
}

}  // namespace

size_t FrameInfoSideBlockSize(const SPlugFrameInfo& info) {
  return kFrameInfoSideBlockFixed + CarriedPrivateSize(info);
}

size_t WriteFrameInfoSideBlock(const SPlugFrameInfo& info, std::span<uint8_t> block) {
  SpanWriter writer(block);
  auto put = [&writer](auto value) { return writer.PutNative(value); };
  const uint32_t privateSize = CarriedPrivateSize(info);
  const std::span<const uint8_t> privateBytes(static_cast<const uint8_t*>(info.privateAddress),
                                              privateSize);
  const Status written = [&]() -> Status {
    ZEB_MOVIE_TRY(VisitHead(info, put));
    ZEB_MOVIE_TRY(
        writer.PutNative(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(info.privateAddress))));
    ZEB_MOVIE_TRY(writer.PutNative(privateSize));
    ZEB_MOVIE_TRY(writer.PutBytes(privateBytes));
    return VisitTail(info, put);
  }();
  return written.IsOk() ? writer.Position() : 0;
}

bool ReadFrameInfoSideBlock(std::span<const uint8_t> block, SPlugFrameInfo& info) {
  ByteReader reader(block);
  auto get = [&reader](auto& value) { return reader.ReadNative(value); };
  uint64_t address = 0;
  std::span<const uint8_t> privateBytes;
  const Status read = [&]() -> Status {
    ZEB_MOVIE_TRY(VisitHead(info, get));
    ZEB_MOVIE_TRY(reader.ReadNative(address));
    ZEB_MOVIE_TRY(reader.ReadNative(info.privateSize));
    ZEB_MOVIE_TRY(reader.ReadBytes(info.privateSize, privateBytes));
    return VisitTail(info, get);
  }();
  if (!read.IsOk()) return false;
  info.privateAddress = info.privateSize > 0 ? const_cast<uint8_t*>(privateBytes.data())
                                             : reinterpret_cast<void*>(address);
  return true;
}
