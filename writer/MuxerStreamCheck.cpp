#include "writer/MuxerStreamCheck.h"

#include <algorithm>
#include <array>

#include "core/QtLog.h"
#include "framework/proxy/include/ZEBProxyCodec.h"
#include "media/FourCC.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugResults.h"

using zeb::media::FourCC;

namespace {

constexpr uint32_t kUnchanged = 0;

// What a DV code fixes; kUnchanged leaves the record's value.
struct DvFormat {
  uint32_t fourcc;
  uint32_t rateNum, rateDen;
  uint32_t width, height;
  uint32_t aspectX, aspectY;
  bool progressive;
};

constexpr std::array<DvFormat, 10> kDvFormats = {{
    {FourCC("dvc "), 30000, 1001, 720, 480, kUnchanged, kUnchanged, false},
    {FourCC("dv5n"), 30000, 1001, 720, 480, kUnchanged, kUnchanged, false},
    {FourCC("dvcp"), 25, 1, 720, 576, kUnchanged, kUnchanged, false},
    {FourCC("dvpp"), 25, 1, 720, 576, kUnchanged, kUnchanged, false},
    {FourCC("dv5p"), 25, 1, 720, 576, kUnchanged, kUnchanged, false},
    {FourCC("dvh5"), 25, 1, 1440, 1080, 16, 9, false},
    {FourCC("dv1p"), 25, 1, 1440, 1080, 16, 9, false},
    {FourCC("dvh6"), 30000, 1001, 1280, 1080, 16, 9, false},
    {FourCC("dv1n"), 30000, 1001, 1280, 1080, 16, 9, false},
    {FourCC("dvhp"), kUnchanged, kUnchanged, 960, 720, 16, 9, true},
}};

void Apply(uint32_t value, uint32_t& field) {
  if (value != kUnchanged) field = value;
}

void ApplyDvFormat(SPlugVideoStreamInfo& video) {
  const auto* format = std::find_if(kDvFormats.begin(), kDvFormats.end(), [&](const DvFormat& f) {
    return f.fourcc == video.videoSubType;
  });
  if (format == kDvFormats.end()) return;
  Apply(format->rateNum, video.frameRateNum);
  Apply(format->rateDen, video.frameRateDen);
  Apply(format->width, video.width);
  Apply(format->height, video.height);
  Apply(format->aspectX, video.aspectX);
  Apply(format->aspectY, video.aspectY);
  if (format->progressive) video.fieldOrder = PLUG_FIELD_ORDER_PROGRESSIVE_;
}

uint32_t CheckVideo(SPlugVideoStreamInfo& video) {
  if (video.videoType == PLUG_VIDEO_TYPE_QUICKTIME_) ApplyDvFormat(video);
  if (video.videoType == PLUG_VIDEO_TYPE_MPEG1_ || video.videoType == PLUG_VIDEO_TYPE_MPEG2_) {
    video.videoType = PLUG_VIDEO_TYPE_QUICKTIME_;
    video.videoSubType = FourCC("mpeg");
  }
  const uint32_t fourcc = GetQuickTimeVideoTypeFOURCC(&video);
  if (fourcc == ZEB_FOURCC_NONE) return ZEB_E_NO_VIDEO_FOURCC;
  if (fourcc == FourCC("mpeg")) {
    if (video.colorFormat != PLUG_COLOR_FORMAT_YUV422P_ &&
        video.colorFormat != PLUG_COLOR_FORMAT_YUV420P_) {
      video.colorFormat = PLUG_COLOR_FORMAT_YUV420P_;
    }
  } else if (!IsQuickTimeUnCompressVideoType(fourcc, &video.colorFormat)) {
    video.colorFormat = PLUG_COLOR_FORMAT_UYVY_;
  }
  return ZEB_OK;
}

// PCM by byte order becomes the QuickTime sound format of its sample size.
void NamePcmFormat(SPlugAudioStreamInfo& audio) {
  const uint32_t bits = audio.bitsPerSample;
  if (audio.audioType == PLUG_AUDIO_TYPE_PCM_) {
    audio.audioType = PLUG_AUDIO_TYPE_QUICKTIME_;
    if (bits == 16) audio.audioSubType = FourCC("sowt");
    if (bits == 24) audio.audioSubType = FourCC("in24");
    if (bits == 32) audio.audioSubType = FourCC("in32");
  } else if (audio.audioType == PLUG_AUDIO_TYPE_PCM_LE_) {
    audio.audioType = PLUG_AUDIO_TYPE_QUICKTIME_;
    if (bits == 16) audio.audioSubType = FourCC("twos");
  }
}

uint32_t CheckAudio(SPlugAudioStreamInfo& audio) {
  NamePcmFormat(audio);
  const wchar_t* refusal = nullptr;
  if (GetQuickTimeAudioFOURCC(&audio) == ZEB_FOURCC_NONE) {
    refusal = L"CMuxerForQuickTime--Not Support Audio Foramt";
  } else if (audio.channels >= 3 && audio.channels % 2 == 1) {
    refusal = L"CMuxerForQuickTime--Audio Channel count must 1,2,4,8";
  }
  if (refusal == nullptr) return ZEB_OK;
  QtLogError(refusal);
  return ZEB_E_NO_AUDIO_FOURCC;
}

}  // namespace

bool IsDvcproHd(uint32_t fourcc) {
  return fourcc == FourCC("dvh5") || fourcc == FourCC("dvh6") || fourcc == FourCC("dv1p") ||
         fourcc == FourCC("dv1n") || fourcc == FourCC("dvhp");
}

uint32_t CheckMuxerStreams(SPlugMuxStreamCheck& streams) {
  if (streams.videoPresent != 0) {
    if (const uint32_t video = CheckVideo(streams.video); video != ZEB_OK) return video;
  }
  if (streams.audioCount > 0) return CheckAudio(streams.audio);
  return ZEB_OK;
}
