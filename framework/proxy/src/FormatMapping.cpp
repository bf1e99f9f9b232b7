// Stream records to QuickTime codes and back, over the tables of FormatTables.h.
#include "framework/proxy/include/ZEBProxyCodec.h"
#include "framework/proxy/src/FormatTables.h"
#include "zebplug/ZEBPlugEnums.h"

namespace {

using zeb::proxy::FindAudioCode;
using zeb::proxy::FindVideoCode;
using zeb::proxy::Fourcc;
using zeb::proxy::VideoKind;

bool IsMpeg2Family(uint32_t fourcc) {
  const auto* entry = FindVideoCode(fourcc);
  return entry && entry->kind == VideoKind::kMpeg2Family;
}

uint32_t MpegFourcc(uint32_t subType) { return IsMpeg2Family(subType) ? subType : Fourcc("mpeg"); }

uint32_t BigEndianPcm(uint32_t bits) {
  switch (bits) {
    case 8:
    case 16:
      return Fourcc("twos");
    case 24:
      return Fourcc("in24");
    case 32:
      return Fourcc("in32");
    default:
      return ZEB_FOURCC_NONE;
  }
}

uint32_t LittleEndianPcm(uint32_t bits) {
  switch (bits) {
    case 8:
    case 16:
      return Fourcc("sowt");
    case 24:
      return Fourcc("42ni");
    case 32:
      return Fourcc("23ni");
    default:
      return ZEB_FOURCC_NONE;
  }
}

}  // namespace

extern "C" {

uint32_t GetQuickTimeVideoTypeFOURCC(const SPlugVideoStreamInfo* info) {
  if (!info) return ZEB_FOURCC_NONE;
  switch (info->videoType) {
    case PLUG_VIDEO_TYPE_QUICKTIME_:
      return FindVideoCode(info->videoSubType) ? info->videoSubType : ZEB_FOURCC_NONE;
    case PLUG_VIDEO_TYPE_MPEG1_:
    case PLUG_VIDEO_TYPE_MPEG2_:
      return MpegFourcc(info->videoSubType);
    case PLUG_VIDEO_TYPE_H264_:
      return Fourcc("avc1");
    case PLUG_VIDEO_TYPE_DNXHD_:
      return Fourcc("AVdn");
    default:
      return ZEB_FOURCC_NONE;
  }
}

uint32_t GetQuickTimeAudioFOURCC(const SPlugAudioStreamInfo* info) {
  if (!info) return ZEB_FOURCC_NONE;
  switch (info->audioType) {
    case PLUG_AUDIO_TYPE_PCM_:
      return BigEndianPcm(info->bitsPerSample);
    case PLUG_AUDIO_TYPE_PCM_LE_:
      return LittleEndianPcm(info->bitsPerSample);
    case PLUG_AUDIO_TYPE_QUICKTIME_:
      return FindAudioCode(info->audioSubType) ? info->audioSubType : ZEB_FOURCC_NONE;
    default:
      return ZEB_FOURCC_NONE;
  }
}

int32_t IsQuickTimeUnCompressVideoType(uint32_t fourcc, uint32_t* colorFormat) {
  const auto* entry = FindVideoCode(fourcc);
  if (!entry || entry->kind != VideoKind::kUncompressed) return 0;
  if (colorFormat) *colorFormat = entry->colorFormat;
  return 1;
}

int32_t IsQuickTimeUnCompressAudio(uint32_t code) {
  const auto* entry = FindAudioCode(code);
  return entry && entry->pcm ? 1 : 0;
}

uint32_t GetVideoSubType(uint32_t videoType, uint32_t fourcc) {
  switch (videoType) {
    case PLUG_VIDEO_TYPE_QUICKTIME_:
      return fourcc;
    case PLUG_VIDEO_TYPE_MPEG1_:
    case PLUG_VIDEO_TYPE_MPEG2_:
      return MpegFourcc(fourcc);
    default:
      return 0;
  }
}

}  // extern "C"
