// What the system knows of each four-character code it meets, in one table:
// the reader settles its stream records and byte orders from it, the writer
// and the codecs choose their handling by it. A code unknown to the table is
// a compressed video or audio format with no handling of its own.
#pragma once

#include <cstdint>
#include <span>

#include "zebplug/ZEBPlugEnums.h"

namespace zeb::media {

enum class CodecFamily : uint8_t { kVideo, kAudio };

// The framework's stream parser that completes a video record from the
// stream's first frames.
enum class StreamParser : uint8_t { kNone, kDv, kMpeg, kH264 };

// Where the picture type of a frame without the key flag comes from.
enum class PictureTyping : uint8_t {
  kSyncFlag,           // key frames are I, the rest P (B for a negative display offset)
  kMpegPictureHeader,  // picture_coding_type of the MPEG picture header
  kH264Slices,         // the slice types of the access unit
};

// The television system of the DV and D-10 (MPEG IMX) codes.
enum class VideoSystem : uint8_t { kNone, k525i60, k625i50, k1080i50, k1080i60, k720p };

// How one channel's PCM value is stored.
enum class PcmCoding : uint8_t {
  kNotPcm,
  kBigEndian,     // signed integers, most significant byte first
  kLittleEndian,  // signed integers, least significant byte first
  kUnsigned,      // offset-binary bytes
  kFloat,         // IEEE floating point, big-endian as QuickTime stores it
  kDescribed,     // 'lpcm': the version-2 sound description's flags say
};

struct CodecTraits {
  uint32_t code = 0;
  CodecFamily family = CodecFamily::kVideo;
  // Video: the PLUG_VIDEO_TYPE_ the reader reports, and the PLUG_COLOR_FORMAT_
  // the code alone settles (NONE where the stream parser decides).
  uint32_t videoType = PLUG_VIDEO_TYPE_QUICKTIME_;
  uint32_t colorFormat = PLUG_COLOR_FORMAT_UYVY_;
  bool uncompressed = false;  // pixels as stored, in colorFormat
  StreamParser parser = StreamParser::kNone;
  PictureTyping pictures = PictureTyping::kSyncFlag;
  VideoSystem system = VideoSystem::kNone;
  uint8_t imxMegabits = 0;  // MPEG IMX frames stored as a D-10 KLV item: the bit rate, Mb/s
  // libavcodec's name of the decoder that draws the code's pictures (the
  // codec bridge's decompressor); null when none does.
  const char* decoder = nullptr;
  // Audio.
  PcmCoding pcm = PcmCoding::kNotPcm;
  uint8_t pcmBytes = 0;  // bytes of one channel's value; 0: the description's sample size says
};

// Null when the table does not list `code` for `family` ('raw ' is both an
// uncompressed video and a PCM audio code).
const CodecTraits* FindCodec(CodecFamily family, uint32_t code);
std::span<const CodecTraits> CodecTable();

inline const CodecTraits* FindVideoCodec(uint32_t code) {
  return FindCodec(CodecFamily::kVideo, code);
}
inline const CodecTraits* FindAudioCodec(uint32_t code) {
  return FindCodec(CodecFamily::kAudio, code);
}

inline bool IsDvStandardDefinition(const CodecTraits* codec) {
  return codec != nullptr && codec->parser == StreamParser::kDv;
}

}  // namespace zeb::media
