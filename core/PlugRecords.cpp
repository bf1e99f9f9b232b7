#include "core/PlugRecords.h"

#include <cstring>

#include "zebplug/ZEBPlugEnums.h"

namespace PlugRecords {
namespace {

// The time values of a frame record read "unset" (all ones) until a reader or
// codec fills them.
constexpr uint64_t kUnsetTime = ~0ull;

// BT.601 625-line code point of ISO/IEC 23001-8 for primaries, transfer and
// matrix alike.
constexpr uint32_t kBt601Pal = 5;

constexpr SPlugVideoStreamInfo kDefaultVideo = {
    .size = sizeof(SPlugVideoStreamInfo),
    .videoType = 0,
    .videoSubType = 0,
    .width = 720,
    .height = 576,
    .aspectX = 4,
    .aspectY = 3,
    .frameRateNum = 25,
    .frameRateDen = 1,
    .fieldOrder = PLUG_FIELD_ORDER_TOP_FIRST_,
    .colorFormat = PLUG_COLOR_FORMAT_YUV420P_,
    .colorPrimaries = kBt601Pal,
    .transferFunction = kBt601Pal,
    .matrix = kBt601Pal,
    .componentDepth = -1,
    .gopSize = 12,
    .gopReserved = 2,
    .videoRange = 1,
    .reserved18 = 1,
    .bitRate = 0,
    .reserved = {},
};

constexpr SPlugAudioStreamInfo kDefaultAudio = {
    .size = sizeof(SPlugAudioStreamInfo),
    .audioType = PLUG_AUDIO_TYPE_PCM_,
    .audioSubType = 0,
    .channels = 2,
    .bitsPerSample = 16,
    .sampleRate = 48000,
    .bitRate = 1536000,
    .blockAlign = 2,
    .reserved8 = 1,
    .reserved9 = 1,
    .reserved10 = 1,
    .reserved = {},
};

constexpr SPlugStreamInfo kDefaultStream = {
    .structVersion = 1,
    .containerType = 0,
    .reserved8 = 0,
    .streamId = 0,
    .streamType = 0,
    .reserved20 = 0,
    .fileSize = 0,
    .video = kDefaultVideo,
    .frameCount = 0,
    .audio = kDefaultAudio,
    .framesPerPacket = 1,
    .packetCount = 0,
    .reserved212 = {},
    .reservedAreas = {},
    .reserved1044 = {},
    .privateKind = PLUG_PRIVATE_NONE,
    .privateAddress = nullptr,
    .privateSize = 0,
    .reserved1064 = 0,
    .extra = {},
    .reserved1580 = {},
};

constexpr SPlugFrameInfo kDefaultFrame = {
    .size = sizeof(SPlugFrameInfo),
    .streamType = 0,
    .streamState = 0,
    .dataSize = 0,
    .reserved4 = {},
    .decodePosition = kUnsetPosition,
    .unitCount = 1,
    .reserved9 = 0,
    .timeValues = {kUnsetTime, kUnsetTime, kUnsetTime},
    .presentationPosition = kUnsetPosition,
    .frameType = PLUG_FRAME_COMPRESS_TYPE_I_,
    .reserved19 = {},
    .privateKind = PLUG_PRIVATE_NONE,
    .privateAddress = nullptr,
    .privateSize = 0,
    .reserved27 = {},
    .reserved33 = 0,
};

constexpr SPlugVideoFrameFormat kDefaultFrameFormat = {
    .colorFormat = PLUG_COLOR_FORMAT_NONE_,
    .width = 0,
    .height = 0,
    .flag3 = 1,
    .fieldOrder = -1,
    .aspectX = 0,
    .aspectY = 0,
    .videoRange = 1,
    .matrix = kBt601Pal,
    .transferFunction = kBt601Pal,
    .colorPrimaries = kBt601Pal,
    .componentDepth = 8,
    .planeCount = 0,
    .rowBytes = {},
    .planeSize = {},
    .fillPattern = {},
    .patternBytes = {},
    .patternPixels = {},
    .reserved = {},
};

template <typename Record>
void SetPrivateTriple(Record& record, const PrivateDesc& desc) {
  record.privateKind = desc.kind;
  record.privateAddress = desc.address;
  record.privateSize = desc.size;
}

template <typename Record>
PrivateDesc GetPrivateTriple(const Record& record) {
  return {record.privateKind, record.privateAddress, record.privateSize};
}

}  // namespace

void Init(SPlugStreamInfo& info) { info = kDefaultStream; }

void Init(SPlugVideoStreamInfo& info) { info = kDefaultVideo; }

void Init(SPlugAudioStreamInfo& info) { info = kDefaultAudio; }

// Words 9 and 33 belong to the host and survive construction.
void Init(SPlugFrameInfo& info) {
  const uint32_t hostWord9 = info.reserved9;
  const uint32_t hostWord33 = info.reserved33;
  info = kDefaultFrame;
  info.reserved9 = hostWord9;
  info.reserved33 = hostWord33;
}

// The fill patterns are written only by the layout computation.
void Init(SPlugVideoFrameFormat& format) {
  uint8_t patterns[sizeof format.fillPattern];
  std::memcpy(patterns, format.fillPattern, sizeof patterns);
  format = kDefaultFrameFormat;
  std::memcpy(format.fillPattern, patterns, sizeof patterns);
}

void Copy(SPlugVideoStreamInfo& to, const SPlugVideoStreamInfo& from) {
  to = from;
  to.size = sizeof(SPlugVideoStreamInfo);
}

void Copy(SPlugAudioStreamInfo& to, const SPlugAudioStreamInfo& from) { to = from; }

void SetPrivate(SPlugStreamInfo& info, const PrivateDesc& desc) { SetPrivateTriple(info, desc); }

void SetPrivate(SPlugFrameInfo& info, const PrivateDesc& desc) { SetPrivateTriple(info, desc); }

PrivateDesc GetPrivate(const SPlugStreamInfo& info) { return GetPrivateTriple(info); }

PrivateDesc GetPrivate(const SPlugFrameInfo& info) { return GetPrivateTriple(info); }

}  // namespace PlugRecords
