#include "tools/zebqt/StreamFields.h"

#include "tools/zebqt/ReaderSession.h"

namespace {

const char* FieldOrderName(uint32_t order) {
  switch (order) {
    case PLUG_FIELD_ORDER_TOP_FIRST_:
      return "top first";
    case PLUG_FIELD_ORDER_BOTTOM_FIRST_:
      return "bottom first";
    case PLUG_FIELD_ORDER_PROGRESSIVE_:
      return "progressive";
    case PLUG_FIELD_ORDER_TOP_FIRST_SEPARATE_:
      return "top first, separate fields";
    case PLUG_FIELD_ORDER_BOTTOM_FIRST_SEPARATE_:
      return "bottom first, separate fields";
    default:
      return "unknown";
  }
}

// The names of the public header's enumerations.
std::string VideoTypeName(uint32_t type) {
  switch (type) {
    case PLUG_VIDEO_TYPE_MPEG1_:
      return "MPEG-1";
    case PLUG_VIDEO_TYPE_MPEG2_:
      return "MPEG-2";
    case PLUG_VIDEO_TYPE_QUICKTIME_:
      return "QuickTime";
    case PLUG_VIDEO_TYPE_H264_:
      return "H.264";
    case PLUG_VIDEO_TYPE_DNXHD_:
      return "DNxHD";
    default:
      return {};
  }
}

std::string ColorFormatName(uint32_t format) {
  switch (format) {
    case PLUG_COLOR_FORMAT_NONE_:
      return "none";
    case PLUG_COLOR_FORMAT_ARGB32_:
      return "ARGB 8-bit";
    case PLUG_COLOR_FORMAT_ARGB64_:
      return "ARGB 16-bit";
    case PLUG_COLOR_FORMAT_RGB24_:
      return "RGB 8-bit";
    case PLUG_COLOR_FORMAT_RGB48_:
      return "RGB 16-bit";
    case PLUG_COLOR_FORMAT_AYUV_:
      return "AYUV";
    case PLUG_COLOR_FORMAT_YUV422_13_:
      return "YUV 4:2:2";
    case PLUG_COLOR_FORMAT_UYVY_:
      return "'2vuy'";
    case PLUG_COLOR_FORMAT_V210_:
      return "'v210'";
    case PLUG_COLOR_FORMAT_YUV444P_:
      return "YUV 4:4:4 planar";
    case PLUG_COLOR_FORMAT_YUV422P_:
      return "YUV 4:2:2 planar";
    case PLUG_COLOR_FORMAT_YUV420P_:
      return "YUV 4:2:0 planar";
    case PLUG_COLOR_FORMAT_YUV411P_:
      return "YUV 4:1:1 planar";
    default:
      return {};
  }
}

std::string AudioTypeName(uint32_t type) {
  switch (type) {
    case PLUG_AUDIO_TYPE_PCM_:
      return "PCM";
    case PLUG_AUDIO_TYPE_PCM_LE_:
      return "PCM little-endian";
    case PLUG_AUDIO_TYPE_QUICKTIME_:
      return "QuickTime";
    default:
      return {};
  }
}

// Sub-types above 24 bits are four-character codes; smaller ones are indexes.
std::variant<uint64_t, int64_t, std::string> SubTypeValue(uint32_t sub_type) {
  if (sub_type > 0xFFFFFF) return FourCCText(sub_type);
  return uint64_t{sub_type};
}

}  // namespace

std::vector<StreamField> VideoFields(const SPlugStreamInfo& info) {
  const SPlugVideoStreamInfo& v = info.video;
  return {
      {"video_type", uint64_t{v.videoType}, VideoTypeName(v.videoType)},
      {"sub_type", SubTypeValue(v.videoSubType)},
      {"width", uint64_t{v.width}},
      {"height", uint64_t{v.height}},
      {"aspect", std::to_string(v.aspectX) + ":" + std::to_string(v.aspectY)},
      {"frame_rate", std::to_string(v.frameRateNum) + "/" + std::to_string(v.frameRateDen)},
      {"field_order", std::string(FieldOrderName(v.fieldOrder))},
      {"color_format", uint64_t{v.colorFormat}, ColorFormatName(v.colorFormat)},
      {"color_primaries", uint64_t{v.colorPrimaries}},
      {"transfer_function", uint64_t{v.transferFunction}},
      {"matrix", uint64_t{v.matrix}},
      {"video_range", uint64_t{v.videoRange}},
      {"gop_size", uint64_t{v.gopSize}},
      {"bit_rate", uint64_t{v.bitRate}},
      {"frame_count", uint64_t{info.frameCount}},
      {"file_size", uint64_t{info.fileSize}},
      {"private_kind", uint64_t{info.privateKind}},
      {"private_size", uint64_t{info.privateSize}},
  };
}

std::vector<StreamField> AudioFields(const SPlugStreamInfo& info) {
  const SPlugAudioStreamInfo& a = info.audio;
  return {
      {"audio_type", uint64_t{a.audioType}, AudioTypeName(a.audioType)},
      {"sub_type", FourCCText(a.audioSubType)},
      {"channels", uint64_t{a.channels}},
      {"bits_per_sample", uint64_t{a.bitsPerSample}},
      {"sample_rate", uint64_t{a.sampleRate}},
      {"bit_rate", uint64_t{a.bitRate}},
      {"block_align", uint64_t{a.blockAlign}},
      {"frames_per_packet", uint64_t{info.framesPerPacket}},
      {"packet_count", uint64_t{info.packetCount}},
      {"private_kind", uint64_t{info.privateKind}},
      {"private_size", uint64_t{info.privateSize}},
  };
}
