// Our image compression services, shaped like the media layer's: the standard
// image-compression component ('scdi'/'imag') holds spatial, temporal and
// data-rate settings and hands out a compression sequence that codes one
// pixel map at a time, filling in the image description its frames need.
// Coding is libavcodec's, the conversion from the pixel map libswscale's.
// Every frame leaves the sequence in the call that gave its picture: codecs
// run without reordering or look-ahead.
#pragma once

#include <cstdint>

#include "platform/codec/ImageCodec.h"
#include "platform/movie/Handle.h"

namespace zeb::codec {

// The media layer's pixel map record: a picture's memory and its layout.
struct PixMap {
  uint8_t* baseAddr = nullptr;
  int16_t rowBytes = 0;  // bytes per row; the top bits 0x8000 and 0x4000 are flags
  Rect bounds;
  int16_t pmVersion = 0;
  int16_t packType = 0;
  int32_t packSize = 0;
  int32_t hRes = 0;  // 16.16 fixed point, dots per inch
  int32_t vRes = 0;
  int16_t pixelType = 0;
  int16_t pixelSize = 0;  // bits per pixel
  int16_t cmpCount = 0;
  int16_t cmpSize = 0;
  uint32_t pixelFormat = 0;  // only k2vuyPixelFormat is compressed
  const void* pmTable = nullptr;
  const void* pmExt = nullptr;
};
using PixMapHandle = PixMap*;

inline constexpr int16_t kPixMapFlag = static_cast<int16_t>(0x8000);
inline constexpr int32_t kDefaultResolution = 0x00480000;  // 72 dpi

// A compressor, named as libavcodec names its encoders; null is "any codec":
// the layer takes the compressor it has for the codec type.
using CompressorComponent = const char*;

struct StandardCompression;
using ComponentInstance = StandardCompression*;

struct CompressionSequence;
using ImageCompressionSequence = CompressionSequence*;

inline constexpr uint32_t kStandardCompressionType = 0x73636469;     // 'scdi'
inline constexpr uint32_t kStandardCompressionSubType = 0x696D6167;  // 'imag'

// Setting types of SCSetInfo / SCGetInfo.
inline constexpr uint32_t kSCSpatialSettingsType = 0x7370746C;   // 'sptl', SCSpatialSettings
inline constexpr uint32_t kSCTemporalSettingsType = 0x7470726C;  // 'tprl', SCTemporalSettings
inline constexpr uint32_t kSCDataRateSettingsType = 0x64726174;  // 'drat', SCDataRateSettings
inline constexpr uint32_t kSCSettingsStateType = 0x73737461;     // 'ssta', a Handle
inline constexpr uint32_t kSCSequenceIDType = 0x73657175;        // 'sequ', get only
inline constexpr uint32_t kSCPreferenceFlagsType = 0x70726566;   // 'pref', int32_t

inline constexpr uint32_t kCodecMaxQuality = 0x3FF;  // 1023
inline constexpr uint32_t kCodecNormalQuality = 0x200;

// Frame flags: temporal coding keeps the previous picture; the others are
// accepted and change nothing here.
inline constexpr uint16_t kCodecFlagUpdatePrevious = 0x4;

inline constexpr OSErr kBadComponentErr = -2003;  // no such component
inline constexpr OSErr kUserCanceledErr = -128;

struct SCSpatialSettings {
  uint32_t codecType = 0;
  CompressorComponent codec = nullptr;
  int16_t depth = 0;
  uint32_t spatialQuality = 0;
};

struct SCTemporalSettings {
  uint32_t temporalQuality = 0;  // 0: every frame a key frame
  int32_t frameRate = 0;         // 16.16 fixed point
  int32_t keyFrameRate = 0;      // frames from one key frame to the next
};

struct SCDataRateSettings {
  int32_t dataRate = 0;  // bytes per second; 0: quality alone decides
  int32_t frameDuration = 0;
  uint32_t minSpatialQuality = 0;
  uint32_t minTemporalQuality = 0;
};

// kBadComponentErr for anything but the standard image compressor.
OSErr OpenADefaultComponent(uint32_t type, uint32_t subType, ComponentInstance* component);
// Ends a running sequence too; null is accepted.
OSErr CloseComponent(ComponentInstance component);

// `info` points at the setting's record; for 'ssta' at a Handle holding a
// state that SCGetInfo gave (kParamErr when it is not one). 'sequ' is get
// only and gives the running sequence (kParamErr without one).
OSErr SCSetInfo(ComponentInstance component, uint32_t type, const void* info);
OSErr SCGetInfo(ComponentInstance component, uint32_t type, void* info);

// The standard compression dialog over the component's settings: the codec
// (one of the layer's compressors), the spatial quality in five named steps,
// frame rate, key-frame rate and data rate. Confirmed, the settings take the
// dialog's values and the answer is 0; cancelled, they stay and the answer
// is kUserCanceledErr; kParamErr when no dialog can be shown.
OSErr SCRequestSequenceSettings(ComponentInstance component);

// Opens the compressor of the spatial settings' codec type for pictures of
// `source` (a '2vuy' map of `bounds`' size) and writes the image description
// of its frames into `description` (resized to fit): the header in the
// machine's order, then the codec's configuration atom ('avcC', 'esds') in
// big-endian, without a terminating zero so that callers may add atoms.
// kNoCodecErr for a type without a compressor, kCodecErr when the compressor
// refuses the settings (a DV size or rate the coding does not have).
OSErr SCCompressSequenceBegin(ComponentInstance component, PixMapHandle source, const Rect* bounds,
                              zeb::movie::Handle description);
OSErr SCCompressSequenceEnd(ComponentInstance component);

// The most bytes one frame of `bounds` can take in `codecType`.
OSErr GetMaxCompressionSize(PixMapHandle source, const Rect* bounds, int16_t depth,
                            uint32_t quality, uint32_t codecType, CompressorComponent codec,
                            int32_t* size);

// Codes the picture at `source`'s base address into `data`, which holds at
// least the sequence's maximum compressed size; `similarity` 0 marks a key
// frame. kCodecErr when the coder fails or gives no frame.
OSErr CompressSequenceFrame(ImageCompressionSequence sequence, PixMapHandle source,
                            const Rect* bounds, uint16_t flags, uint8_t* data, int32_t* dataSize,
                            uint8_t* similarity, const void* completion);

// Accepted for temporal coding: the coder keeps its own reference pictures.
OSErr SetCSequencePrevBuffer(ImageCompressionSequence sequence, PixMapHandle previous,
                             const Rect* bounds);

}  // namespace zeb::codec
