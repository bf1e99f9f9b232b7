// The video encoder family's object (ordinals 101..111): the stream's record,
// the frame waiting to be fetched and the image description attached to it.
// Compressed streams are coded by a CQTVideoEncoder; streams whose code is an
// uncompressed pixel format pass through untouched.
#pragma once

#include <cstdint>
#include <memory>

#include "codecs/CQTVideoEncoder.h"
#include "platform/movie/Handle.h"
#include "zebplug/ZEBPlugRecords.h"

// Adds the picture-format atoms of a stream ('fiel', 'pasp', 'clap',
// 'colr') to the end of a compressor's image description. Supplied by
// whoever creates the encoder, since that knowledge belongs to the movie
// writer; may be null.
using ImageExtensionAppender = void (*)(zeb::movie::Handle description, uint32_t fourcc,
                                        const SPlugVideoStreamInfo& stream);

class CQTSupportVideoEnc {
 public:
  explicit CQTSupportVideoEnc(ImageExtensionAppender appendExtensions);
  ~CQTSupportVideoEnc();
  CQTSupportVideoEnc(const CQTSupportVideoEnc&) = delete;
  CQTSupportVideoEnc& operator=(const CQTSupportVideoEnc&) = delete;

  // `info` is read and rewritten; `privateDesc` may be null. 0, 0x80000501.
  uint32_t Open(SPlugVideoStreamInfo* info, const SPlugPrivateDesc* privateDesc);
  uint32_t QueryInput(SPlugVideoStreamInfo* info);
  uint32_t GetInputFormat(SPlugVideoFrameFormat* format) const;
  // 0, or 0x80000309 with no new frame pending.
  uint32_t Encode(const SPlugVideoFrame* picture, const SPlugFrameInfo* info);
  uint32_t GetEncodedFrame(uint8_t** data, SPlugFrameInfo* info);
  void Close();

 private:
  // The qualities and compressor state of a kind-6 settings block.
  struct CustomSettings {
    uint32_t spatialQuality = 0;
    uint32_t temporalQuality = 0;
    const uint8_t* state = nullptr;
    uint32_t stateSize = 0;
  };
  static bool ReadCustomSettings(const SPlugPrivateDesc& block, CustomSettings& settings);
  uint32_t QueryFourcc(SPlugVideoStreamInfo& info);

  uint32_t passThrough_ = 0;
  uint32_t passThroughColorFormat_ = 0;
  std::unique_ptr<CQTVideoEncoder> qtEncoder_;
  const uint8_t* pendingData_ = nullptr;
  SPlugFrameInfo outInfo_;
  SPlugVideoStreamInfo streamInfo_;
  std::unique_ptr<SPlugPrivateDesc> descriptionData_;
  uint32_t inputColorFormat_ = 0;
  ImageExtensionAppender appendExtensions_;
};
