#include "writer/BuildVideoSampleDescription.h"

#include <algorithm>
#include <span>
#include <vector>

#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"
#include "platform/movie/ByteWriter.h"
#include "platform/movie/SampleDescriptionOrder.h"
#include "writer/DnxhdDescriptionAtoms.h"
#include "writer/ImageExtensions.h"
#include "writer/VideoDescriptionRows.h"

namespace {

using zeb::media::FourCC;
using zeb::movie::ByteWriter;
using zeb::movie::Handle;

constexpr uint32_t kVendor = FourCC("TQDV");
constexpr uint32_t kDnxhdVendor = 0x5451;        // "TQ" in the low half
constexpr uint32_t kResolution72Dpi = 0x480000;  // 16.16
constexpr uint16_t kDepth = 24;
constexpr uint16_t kNoColorTable = 0xFFFF;

struct HeaderValues {
  VideoDescriptionRow row;
  uint32_t vendor;
  uint16_t width;
  uint16_t height;
};

// The header from the data reference index on; Begin(fourcc) has put the
// length placeholder and the codec type.
void PutHeaderFields(ByteWriter& out, const HeaderValues& header) {
  out.PutZeros(6);  // reserved
  out.PutU16(1);    // data reference index
  out.PutU16(header.row.version);
  out.PutU16(header.row.revision);
  out.PutU32(header.vendor);
  out.PutU32(header.row.temporalQuality);
  out.PutU32(header.row.spatialQuality);
  out.PutU16(header.width);
  out.PutU16(header.height);
  out.PutU32(kResolution72Dpi);
  out.PutU32(kResolution72Dpi);
  out.PutU32(0);  // data size
  out.PutU16(1);  // frame count
  const std::string_view name = header.row.name;
  out.PutU8(static_cast<uint8_t>(name.size()));
  out.PutBytes({reinterpret_cast<const uint8_t*>(name.data()), name.size()});
  out.PutZeros(zeb::media::image::kNameSize - 1 - name.size());
  out.PutU16(kDepth);
  out.PutU16(kNoColorTable);
}

// The picture size is the request's unless the codec fixes it (DVCPRO HD is
// described at 1920 x 1080; DNxHD by its sub-type).
HeaderValues HeaderValuesOf(const VideoDescriptionRequest& request, const VideoDescriptionRow& row,
                            const DnxhdDescriptionGeometry* dnxhd) {
  if (dnxhd != nullptr) return {row, kDnxhdVendor, dnxhd->width, dnxhd->height};
  if (row.fixedWidth != 0) {
    return {row, kVendor, static_cast<uint16_t>(row.fixedWidth),
            static_cast<uint16_t>(row.fixedHeight)};
  }
  return {row, kVendor, static_cast<uint16_t>(request.width),
          static_cast<uint16_t>(request.height)};
}

Handle CopyPreset(Handle preset) {
  const size_t size = zeb::movie::GetHandleSize(preset);
  Handle copy = zeb::movie::NewHandle(size);
  if (copy != nullptr) std::copy_n(*preset, size, *copy);
  return copy;
}

// A new handle of `size` bytes that starts with `description`.
Handle HandleWith(const std::vector<uint8_t>& description, size_t size) {
  Handle handle = zeb::movie::NewHandle(std::max(size, description.size()));
  if (handle != nullptr) std::copy(description.begin(), description.end(), *handle);
  return handle;
}

}  // namespace

Handle BuildVideoSampleDescription(const VideoDescriptionRequest& request,
                                   const SPlugVideoStreamInfo* video) {
  if (request.presetDescription != nullptr) return CopyPreset(request.presetDescription);

  const VideoDescriptionRow row = ChooseVideoDescriptionRow(request.videoFourcc, request.gopSize);
  const bool dnxhd = row.extensions == DescriptionExtensions::kDnxhd;
  const DnxhdDescriptionGeometry geometry = DnxhdGeometryOf(video);
  ByteWriter out;
  out.Begin(request.videoFourcc);
  PutHeaderFields(out, HeaderValuesOf(request, row, dnxhd ? &geometry : nullptr));
  if (dnxhd) PutDnxhdAtoms(out, geometry);
  out.End();

  std::vector<uint8_t> description = out.Take();
  zeb::movie::SampleDescriptionToNative(FourCC("vide"), description);
  Handle handle = HandleWith(description, row.handleSize);
  if (handle != nullptr && row.extensions == DescriptionExtensions::kImage)
    AppendImageExtensions(handle, request);
  return handle;
}
