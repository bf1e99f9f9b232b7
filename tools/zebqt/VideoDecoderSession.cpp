#include "tools/zebqt/VideoDecoderSession.h"

#include <string>

#include "tools/zebqt/FrameRecords.h"

VideoDecoderSession::VideoDecoderSession(const PluginLibrary& plugin, const SPlugStreamInfo& stream)
    : destroy_(plugin.Require<PFN_DestroyVideoDecoder>(ZEB_ORD_DestroyVideoDecoder)),
      decode_(plugin.Require<PFN_DecodeVideoFrame>(ZEB_ORD_DecodeVideoFrame)),
      fetch_(plugin.Require<PFN_GetDecodedVideoFrame>(ZEB_ORD_GetDecodedVideoFrame)) {
  const auto open = plugin.Require<PFN_OpenVideoDecoder>(ZEB_ORD_OpenVideoDecoder);
  handle_ = plugin.Require<PFN_CreateVideoDecoder>(ZEB_ORD_CreateVideoDecoder)();
  if (handle_ == nullptr) throw Failure(kExitPlugin, "the plug-in could not create a decoder");
  SPlugVideoStreamInfo video = stream.video;
  video.colorFormat = PLUG_COLOR_FORMAT_UYVY_;
  SPlugPrivateDesc description{stream.privateKind, stream.privateAddress, stream.privateSize};
  const uint32_t result = open(handle_, &video, &description);
  if (result != ZEB_OK) {
    destroy_(handle_);
    CheckStep(result, "opening the video decoder");
  }
}

VideoDecoderSession::~VideoDecoderSession() { destroy_(handle_); }

void VideoDecoderSession::Decode(const uint8_t* data, const SPlugFrameInfo& info, uint32_t index) {
  SPlugFrameInfo coded = info;
  CheckStep(decode_(handle_, data, &coded), "decoding frame " + std::to_string(index));
}

void VideoDecoderSession::End() {
  SPlugFrameInfo end = NewFrameInfo();
  end.streamState = PLUG_STREAMSTATE_END_;
  CheckStep(decode_(handle_, nullptr, &end), "ending the decode");
}

bool VideoDecoderSession::Fetch(DecodedPicture& picture) {
  SPlugVideoFrame frame{};
  SPlugFrameInfo info = NewFrameInfo();
  if (fetch_(handle_, &frame, &info) != ZEB_OK ||
      info.frameType != PLUG_FRAME_COMPRESS_TYPE_DECODED_ || frame.plane[0] == nullptr) {
    return false;
  }
  picture.bytes = {frame.plane[0], frame.format.planeSize[0]};
  picture.position = info.presentationPosition;
  return true;
}

void VideoDecoderSession::DecodeEveryFrame(ReaderSession& reader, uint32_t frameCount,
                                           const std::function<void(const DecodedPicture&)>& take,
                                           const std::function<void(uint32_t)>& afterFrame) {
  auto drain = [&] {
    DecodedPicture picture;
    while (Fetch(picture)) take(picture);
  };
  for (uint32_t index = 0; index < frameCount; ++index) {
    const uint8_t* data = nullptr;
    SPlugFrameInfo info = NewFrameInfo();
    CheckStep(reader.ReadFrame(index, &data, info), "reading frame " + std::to_string(index));
    Decode(data, info, index);
    drain();
    if (afterFrame) afterFrame(index + 1);
  }
  End();
  drain();
}
