#include "writer/ImageExtensions.h"

#include <optional>

#include "framework/proxy/include/ZEBProxyCodec.h"
#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"
#include "platform/movie/ByteReader.h"
#include "platform/movie/ByteWriter.h"
#include "platform/movie/SpanWriter.h"

namespace {

using zeb::media::FourCC;
using zeb::movie::ByteWriter;

struct FieldLayout {
  uint8_t count;
  uint8_t detail;
};

// Field detail values of the 'fiel' atom: 9 and 14 interleaved fields top or
// bottom first, 1 and 6 the same stored one field after the other.
std::optional<FieldLayout> FieldLayoutOf(int32_t fieldOrder) {
  switch (fieldOrder) {
    case -1:
      return std::nullopt;
    case 0:
      return FieldLayout{2, 9};
    case 1:
      return FieldLayout{2, 14};
    case 2:
    case 3:
      return FieldLayout{1, 0};
    case 4:
      return FieldLayout{2, 1};
    case 5:
      return FieldLayout{2, 6};
    default:
      // Two fields whose order the record does not say.
      return FieldLayout{2, 0};
  }
}

struct PixelAspect {
  uint32_t horizontalSpacing;
  uint32_t verticalSpacing;
  uint32_t cleanWidth;
  uint32_t cleanWidthDivisor;
  uint32_t cleanHeight;
  uint32_t cleanHeightDivisor;
};

// Standard-definition and HD television sizes have fixed spacings and clean
// apertures; other sizes take the spacing that shows the display aspect
// ratio and say nothing when it is square. DV codes fix their own.
std::optional<PixelAspect> PixelAspectOf(const VideoDescriptionRequest& request) {
  const auto width = static_cast<uint32_t>(request.width);
  const auto height = static_cast<uint32_t>(request.height);
  PixelAspect aspect{1, 1, width, 1, height, 1};
  if (width == 720 && height == 576) {
    aspect = {59, 54, 41472, 59, 576, 1};
  } else if (width == 720 && height == 480) {
    aspect = {10, 11, 704, 1, 480, 1};
  } else if (width == 1920 && height == 1080) {
    aspect = {1, 1, 1888, 1, 1062, 1};
  } else {
    DARtoSAR(width, height, static_cast<uint32_t>(request.aspectX),
             static_cast<uint32_t>(request.aspectY), &aspect.horizontalSpacing,
             &aspect.verticalSpacing);
    if (aspect.horizontalSpacing == 1 && aspect.verticalSpacing == 1) return std::nullopt;
  }
  switch (request.videoFourcc) {
    case FourCC("dvcp"):
    case FourCC("dvpp"):
    case FourCC("dv5p"):
      aspect = {59, 54, 41472, 59, 576, 1};
      break;
    case FourCC("dvc "):
    case FourCC("dv5n"):
      aspect = {10, 11, 704, aspect.cleanWidthDivisor, 480, 1};
      break;
    case FourCC("dvh5"):
      aspect = {4, 3, 1416, aspect.cleanWidthDivisor, 1062, 1};
      break;
    default:
      break;
  }
  return aspect;
}

struct ColorCodes {
  uint16_t primaries;
  uint16_t transfer;
  uint16_t matrix;
};

ColorCodes ColorCodesOf(const VideoDescriptionRequest& request) {
  switch (request.videoFourcc) {
    case FourCC("dvcp"):
    case FourCC("dvpp"):
    case FourCC("dv5p"):
      return {5, 1, 6};
    case FourCC("dvc "):
    case FourCC("dv5n"):
      return {6, 1, 6};
    case FourCC("dvh5"):
    case FourCC("dvh6"):
      return {1, 1, 1};
    default:
      return {static_cast<uint16_t>(request.colorPrimaries),
              static_cast<uint16_t>(request.transferFunction),
              static_cast<uint16_t>(request.matrix)};
  }
}

void PutFieldAtom(ByteWriter& out, const FieldLayout& field) {
  out.Begin(FourCC("fiel"));
  out.PutU8(field.count);
  out.PutU8(field.detail);
  out.End();
}

void PutAspectAtoms(ByteWriter& out, const PixelAspect& aspect) {
  out.Begin(FourCC("pasp"));
  out.PutU32(aspect.horizontalSpacing);
  out.PutU32(aspect.verticalSpacing);
  out.End();
  out.Begin(FourCC("clap"));
  out.PutU32(aspect.cleanWidth);
  out.PutU32(aspect.cleanWidthDivisor);
  out.PutU32(aspect.cleanHeight);
  out.PutU32(aspect.cleanHeightDivisor);
  for (int offset = 0; offset < 2; ++offset) {  // horizontal, vertical: 0/1
    out.PutU32(0);
    out.PutU32(1);
  }
  out.End();
}

void PutColorAtom(ByteWriter& out, const ColorCodes& color) {
  out.Begin(FourCC("colr"));
  out.PutU32(FourCC("nclc"));
  out.PutU16(color.primaries);
  out.PutU16(color.transfer);
  out.PutU16(color.matrix);
  out.End();
}

}  // namespace

std::vector<uint8_t> BuildImageExtensions(const VideoDescriptionRequest& request) {
  ByteWriter out;
  if (const auto field = FieldLayoutOf(request.fieldOrder)) PutFieldAtom(out, *field);
  if (const auto aspect = PixelAspectOf(request)) PutAspectAtoms(out, *aspect);
  PutColorAtom(out, ColorCodesOf(request));
  out.PutU32(0);
  return out.Take();
}

uint32_t AppendImageExtensions(zeb::movie::Handle description,
                               const VideoDescriptionRequest& request) {
  return AppendDescriptionAtoms(description, BuildImageExtensions(request));
}

uint32_t AppendDescriptionAtoms(zeb::movie::Handle description, std::span<const uint8_t> atoms) {
  if (description == nullptr) return 0;
  const size_t handleSize = zeb::movie::GetHandleSize(description);
  uint32_t length = 0;
  const zeb::movie::ByteReader reader({*description, handleSize});
  if (!reader.ReadNativeAt(zeb::media::kDescriptionSizeAt, length).IsOk() || length > handleSize)
    return 0;
  const size_t grown = size_t{length} + atoms.size();
  if (handleSize < grown && !zeb::movie::SetHandleSize(description, grown).IsOk()) return 0;
  zeb::movie::SpanWriter writer({*description, grown});
  const bool written = writer.Seek(length).IsOk() && writer.PutBytes(atoms).IsOk() &&
                       writer.Seek(zeb::media::kDescriptionSizeAt).IsOk() &&
                       writer.PutNative(static_cast<uint32_t>(grown)).IsOk();
  return written ? static_cast<uint32_t>(atoms.size()) : 0;
}
