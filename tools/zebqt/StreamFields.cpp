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

// Sub-types above 24 bits are four-character codes; smaller ones are indexes.
std::variant<uint64_t, int64_t, std::string> SubTypeValue(uint32_t sub_type) {
  if (sub_type > 0xFFFFFF) return FourCCText(sub_type);
  return uint64_t{sub_type};
}

}  // namespace

std::vector<StreamField> VideoFields(const SPlugStreamInfo& info) {
  const SPlugVideoStreamInfo& v = info.video;
  return {
      {"video_type", uint64_t{v.videoType}},
      {"sub_type", SubTypeValue(v.videoSubType)},
      {"width", uint64_t{v.width}},
      {"height", uint64_t{v.height}},
      {"aspect", std::to_string(v.aspectX) + ":" + std::to_string(v.aspectY)},
      {"frame_rate", std::to_string(v.frameRateNum) + "/" + std::to_string(v.frameRateDen)},
      {"field_order", std::string(FieldOrderName(v.fieldOrder))},
      {"color_format", uint64_t{v.colorFormat}},
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
      {"audio_type", uint64_t{a.audioType}},
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
