// The image-description header of each codec the writer names: handle size,
// version, qualities, picture size and compressor name, and which extension
// atoms follow the header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class DescriptionExtensions {
  kNone,
  kImage,  // field, pixel aspect, clean aperture, colour, terminator
  kDnxhd,  // ACLR, APRG, ARES, terminator
};

struct VideoDescriptionRow {
  size_t handleSize;  // bytes of the handle the description is built in
  uint16_t version;
  uint16_t revision;
  uint32_t temporalQuality;
  uint32_t spatialQuality;
  int32_t fixedWidth;  // 0: the request's size
  int32_t fixedHeight;
  std::string_view name;  // compressor name, at most 31 characters
  DescriptionExtensions extensions;
};

// The row of `fourcc`; codes the table does not name get the generic row,
// whose qualities follow the GOP: intra-only (gopSize below 2) or not.
VideoDescriptionRow ChooseVideoDescriptionRow(uint32_t fourcc, int32_t gopSize);
