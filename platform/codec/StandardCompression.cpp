// The standard image-compression component: a store of spatial, temporal and
// data-rate settings, their state blob, and the one compression sequence it
// runs with them.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/codec/CompressionSequence.h"
#include "platform/codec/ImageCompression.h"
#include "platform/movie/ByteReader.h"
#include "platform/movie/ByteWriter.h"
#include "platform/movie/FourCC.h"

namespace zeb::codec {

struct StandardCompression {
  SCSpatialSettings spatial;
  SCTemporalSettings temporal;
  SCDataRateSettings dataRate;
  int32_t preferences = 0;  // kept for the caller; the dialog shows every setting
  ImageCompressionSequence sequence = nullptr;
};

namespace {

using zeb::movie::FourCC;

// The state blob: a tag, then every setting as a big-endian 32-bit word.
// The compressor's name is not kept; a restored state codes with the type's
// own compressor.
constexpr uint32_t kStateTag = FourCC("zscs");
constexpr size_t kStateWords = 1 + 3 + 3 + 4;

std::vector<uint8_t> StateOf(const StandardCompression& component) {
  zeb::movie::ByteWriter out;
  out.PutU32(kStateTag);
  out.PutU32(component.spatial.codecType);
  out.PutU32(static_cast<uint16_t>(component.spatial.depth));
  out.PutU32(component.spatial.spatialQuality);
  out.PutU32(component.temporal.temporalQuality);
  out.PutU32(static_cast<uint32_t>(component.temporal.frameRate));
  out.PutU32(static_cast<uint32_t>(component.temporal.keyFrameRate));
  out.PutU32(static_cast<uint32_t>(component.dataRate.dataRate));
  out.PutU32(static_cast<uint32_t>(component.dataRate.frameDuration));
  out.PutU32(component.dataRate.minSpatialQuality);
  out.PutU32(component.dataRate.minTemporalQuality);
  return out.Take();
}

OSErr RestoreState(StandardCompression& component, zeb::movie::Handle state) {
  if (state == nullptr || *state == nullptr) return kParamErr;
  const size_t size = zeb::movie::GetHandleSize(state);
  if (size != kStateWords * 4) return kParamErr;
  zeb::movie::ByteReader reader({*state, size});
  uint32_t words[kStateWords] = {};
  for (uint32_t& word : words) static_cast<void>(reader.ReadU32(word));
  if (words[0] != kStateTag) return kParamErr;
  component.spatial = {words[1], nullptr, static_cast<int16_t>(words[2]), words[3]};
  component.temporal = {words[4], static_cast<int32_t>(words[5]), static_cast<int32_t>(words[6])};
  component.dataRate = {static_cast<int32_t>(words[7]), static_cast<int32_t>(words[8]), words[9],
                        words[10]};
  return 0;
}

OSErr GetState(const StandardCompression& component, zeb::movie::Handle* out) {
  const std::vector<uint8_t> state = StateOf(component);
  *out = zeb::movie::NewHandle(state.size());
  if (*out == nullptr) return kMemFullErr;
  std::memcpy(**out, state.data(), state.size());
  return 0;
}

// The 16.16 rate as a fraction; rates within a hair of the NTSC family's
// n × 1000/1001 take that exact form, which the DV coding insists on.
AVRational FrameRateOf(int32_t fixedRate) {
  constexpr AVRational kDefault{25, 1};
  if (fixedRate <= 0) return kDefault;
  const double rate = fixedRate / 65536.0;
  for (const int whole : {24, 30, 60}) {
    if (std::fabs(rate - whole * 1000.0 / 1001.0) < 0.001) return {whole * 1000, 1001};
  }
  return av_d2q(rate, 1 << 20);
}

CompressionSettings SettingsOf(const StandardCompression& component, const Rect& bounds) {
  CompressionSettings settings;
  settings.codecType = component.spatial.codecType;
  settings.width = bounds.right - bounds.left;
  settings.height = bounds.bottom - bounds.top;
  settings.spatialQuality = component.spatial.spatialQuality;
  settings.temporalQuality = component.temporal.temporalQuality;
  settings.frameRate = FrameRateOf(component.temporal.frameRate);
  settings.keyFrameRate = component.temporal.keyFrameRate;
  settings.bitRate = int64_t{component.dataRate.dataRate} * 8;
  return settings;
}

// The type's compressor, unless the caller named another one.
const Compressor* ChooseCompressor(uint32_t codecType, CompressorComponent codec) {
  const Compressor* compressor = FindCompressor(codecType);
  if (compressor == nullptr) return nullptr;
  if (codec != nullptr && std::strcmp(codec, compressor->encoder) != 0) return nullptr;
  return compressor;
}

}  // namespace

OSErr OpenADefaultComponent(uint32_t type, uint32_t subType, ComponentInstance* component) {
  if (component == nullptr) return kParamErr;
  *component = nullptr;
  if (type != kStandardCompressionType || subType != kStandardCompressionSubType) {
    return kBadComponentErr;
  }
  *component = new (std::nothrow) StandardCompression;
  return *component == nullptr ? kMemFullErr : OSErr{0};
}

OSErr CloseComponent(ComponentInstance component) {
  if (component != nullptr) EndCompressionSequence(component->sequence);
  delete component;
  return 0;
}

OSErr SCSetInfo(ComponentInstance component, uint32_t type, const void* info) {
  if (component == nullptr || info == nullptr) return kParamErr;
  switch (type) {
    case kSCSpatialSettingsType:
      component->spatial = *static_cast<const SCSpatialSettings*>(info);
      return 0;
    case kSCTemporalSettingsType:
      component->temporal = *static_cast<const SCTemporalSettings*>(info);
      return 0;
    case kSCDataRateSettingsType:
      component->dataRate = *static_cast<const SCDataRateSettings*>(info);
      return 0;
    case kSCPreferenceFlagsType:
      component->preferences = *static_cast<const int32_t*>(info);
      return 0;
    case kSCSettingsStateType:
      return RestoreState(*component, *static_cast<const zeb::movie::Handle*>(info));
    default:
      return kParamErr;
  }
}

OSErr SCGetInfo(ComponentInstance component, uint32_t type, void* info) {
  if (component == nullptr || info == nullptr) return kParamErr;
  switch (type) {
    case kSCSpatialSettingsType:
      *static_cast<SCSpatialSettings*>(info) = component->spatial;
      return 0;
    case kSCTemporalSettingsType:
      *static_cast<SCTemporalSettings*>(info) = component->temporal;
      return 0;
    case kSCDataRateSettingsType:
      *static_cast<SCDataRateSettings*>(info) = component->dataRate;
      return 0;
    case kSCPreferenceFlagsType:
      *static_cast<int32_t*>(info) = component->preferences;
      return 0;
    case kSCSettingsStateType:
      return GetState(*component, static_cast<zeb::movie::Handle*>(info));
    case kSCSequenceIDType:
      *static_cast<ImageCompressionSequence*>(info) = component->sequence;
      return component->sequence == nullptr ? kParamErr : OSErr{0};
    default:
      return kParamErr;
  }
}

OSErr SCCompressSequenceBegin(ComponentInstance component, PixMapHandle source, const Rect* bounds,
                              zeb::movie::Handle description) {
  if (component == nullptr || source == nullptr || bounds == nullptr || description == nullptr ||
      source->pixelFormat != k2vuyPixelFormat) {
    return kParamErr;
  }
  SCCompressSequenceEnd(component);
  const CompressionSettings settings = SettingsOf(*component, *bounds);
  if (settings.width <= 0 || settings.height <= 0) return kParamErr;
  const Compressor* compressor = ChooseCompressor(settings.codecType, component->spatial.codec);
  if (compressor == nullptr) return kNoCodecErr;
  return BeginCompressionSequence(*compressor, settings, description, &component->sequence);
}

OSErr SCCompressSequenceEnd(ComponentInstance component) {
  if (component == nullptr) return kParamErr;
  EndCompressionSequence(component->sequence);
  component->sequence = nullptr;
  return 0;
}

OSErr GetMaxCompressionSize(PixMapHandle source, const Rect* bounds, int16_t /*depth*/,
                            uint32_t /*quality*/, uint32_t codecType, CompressorComponent codec,
                            int32_t* size) {
  if (size != nullptr) *size = 0;
  if (source == nullptr || bounds == nullptr || size == nullptr) return kParamErr;
  if (ChooseCompressor(codecType, codec) == nullptr) return kNoCodecErr;
  *size = MaxCompressedFrameSize(bounds->right - bounds->left, bounds->bottom - bounds->top);
  return 0;
}

}  // namespace zeb::codec
