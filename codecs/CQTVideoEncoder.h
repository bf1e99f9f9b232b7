// The compression side of the video encoder: the standard image compressor
// configured from the settings, its compression sequence over a '2vuy' pixel
// map re-pointed at each picture, the image description it fills in, and the
// buffer each compressed frame lands in.
#pragma once

#include <cstdint>
#include <memory>

#include "codecs/VideoCompressionSettings.h"
#include "platform/codec/ImageCompression.h"
#include "platform/movie/Handle.h"

class CQTVideoEncoder {
 public:
  CQTVideoEncoder();
  virtual ~CQTVideoEncoder();
  CQTVideoEncoder(const CQTVideoEncoder&) = delete;
  CQTVideoEncoder& operator=(const CQTVideoEncoder&) = delete;

  // `state` (may be null) is a compressor state to restore. 0, or 0x80000501
  // when the sequence cannot be begun.
  uint32_t Open(const VideoCompressionSettings& settings, const uint8_t* state, uint32_t stateSize);
  // Compresses the '2vuy' picture at `pixels`; `hostDataSize` is not used.
  // 0, or 0x80000309 with nothing handed out.
  uint32_t Encode(uint8_t* pixels, uint32_t hostDataSize, uint8_t** data, uint32_t* size,
                  bool* keyFrame, uint8_t** description);
  void Close();

  // The description the compressor filled in; null when closed.
  zeb::movie::Handle Description() const { return description_; }

 private:
  bool OpenCompressor(const VideoCompressionSettings& settings, const uint8_t* state,
                      uint32_t stateSize);
  bool AllocateOutput(const VideoCompressionSettings& settings);

  std::unique_ptr<zeb::codec::PixMap> sourcePixMap_;
  std::unique_ptr<zeb::codec::PixMap> previousPixMap_;
  std::unique_ptr<uint8_t[]> previousPixels_;
  zeb::codec::ImageCompressionSequence sequence_ = nullptr;
  zeb::movie::Handle description_ = nullptr;
  zeb::codec::Rect bounds_;
  zeb::codec::Rect previousBounds_;
  std::unique_ptr<uint8_t[]> outBuffer_;
  uint32_t temporalQuality_ = 0;
  uint32_t spatialQuality_ = 0;
  uint16_t compressFlags_ = 0;
  zeb::codec::ComponentInstance compressor_ = nullptr;
};
