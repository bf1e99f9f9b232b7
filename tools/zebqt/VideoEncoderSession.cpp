#include "tools/zebqt/VideoEncoderSession.h"

#include <cstring>

#include "tools/zebqt/FrameRecords.h"
#include "tools/zebqt/ReaderSession.h"

namespace {

// The settings block of kind 6: its size, depth, spatial and temporal
// quality and the size of the compressor state behind it (none here), as
// native 32-bit words.
constexpr uint32_t kSettingsWords = 5;
constexpr uint32_t kSourceDepth = 16;  // '2vuy'

}  // namespace

VideoEncoderSession::VideoEncoderSession(const PluginLibrary& plugin,
                                         const SPlugVideoStreamInfo& record,
                                         std::optional<uint32_t> quality)
    : destroy_(plugin.Require<PFN_DestroyVideoEncoder>(ZEB_ORD_DestroyVideoEncoder)),
      encode_(plugin.Require<PFN_EncodeVideoFrame>(ZEB_ORD_EncodeVideoFrame)),
      fetch_(plugin.Require<PFN_GetEncodedVideoFrame>(ZEB_ORD_GetEncodedVideoFrame)) {
  const auto open = plugin.Require<PFN_OpenVideoEncoder>(ZEB_ORD_OpenVideoEncoder);
  handle_ = plugin.Require<PFN_CreateVideoEncoder>(ZEB_ORD_CreateVideoEncoder)();
  if (handle_ == nullptr) throw Failure(kExitPlugin, "the plug-in could not create an encoder");
  uint32_t words[kSettingsWords] = {sizeof words, kSourceDepth, quality.value_or(0),
                                    quality.value_or(0), 0};
  const SPlugPrivateDesc settings{PLUG_PRIVATE_VIDEO_SETTINGS, words, sizeof words};
  SPlugVideoStreamInfo video = record;
  const uint32_t result = open(handle_, &video, quality ? &settings : nullptr);
  if (result != ZEB_OK) {
    destroy_(handle_);
    CheckStep(result,
              "the video encoder cannot code '" + FourCCText(record.videoSubType) + "' at " +
                  std::to_string(record.width) + "x" + std::to_string(record.height),
              kExitUsage);
  }
}

VideoEncoderSession::~VideoEncoderSession() { destroy_(handle_); }

EncodedFrame VideoEncoderSession::Encode(std::span<const uint8_t> picture, uint64_t index) {
  SPlugVideoFrame frame{};
  frame.plane[0] = const_cast<uint8_t*>(picture.data());
  SPlugFrameInfo info = NewFrameInfo();
  info.dataSize = static_cast<uint32_t>(picture.size());
  info.decodePosition = info.presentationPosition = index;
  const std::string which = "frame " + std::to_string(index);
  CheckStep(encode_(handle_, &frame, &info), "encoding " + which, kExitOutput);
  uint8_t* data = nullptr;
  SPlugFrameInfo out = NewFrameInfo();
  CheckStep(fetch_(handle_, &data, &out), "fetching coded " + which, kExitOutput);
  if (data == nullptr || out.dataSize == 0) {
    throw Failure(kExitOutput, "the encoder gave no " + which);
  }
  EncodedFrame coded;
  coded.bytes = {data, out.dataSize};
  if (out.privateAddress != nullptr) {
    coded.description = {static_cast<const uint8_t*>(out.privateAddress), out.privateSize};
  }
  coded.frameType = out.frameType;
  return coded;
}
