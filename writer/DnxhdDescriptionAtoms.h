// The DNxHD ('AVdn') part of a video sample description: the coded picture
// size and compression id of the host's DNxHD sub-type, and the 'ACLR',
// 'APRG' and 'ARES' atoms that carry them.
#pragma once

#include <cstdint>

#include "platform/movie/ByteWriter.h"
#include "zebplug/ZEBPlugRecords.h"

struct DnxhdDescriptionGeometry {
  uint32_t compressionId;
  uint16_t width;  // of the description header
  uint16_t height;
  uint32_t codedWidth;  // of the 'ARES' atom: one field for interlaced 1080
  uint32_t codedHeight;
  uint32_t scan;    // 2 interlaced, 1 progressive
  uint32_t format;  // 4 1080i, 5 1080p, 6 720p
};

// From the record's sub-type; sub-types past the table and a null record
// take the 1080i compression id 1242.
DnxhdDescriptionGeometry DnxhdGeometryOf(const SPlugVideoStreamInfo* video);

// The geometry of the first sub-type coded with `compressionId`; an id the
// table does not have takes the default sub-type's, as for DnxhdGeometryOf.
DnxhdDescriptionGeometry DnxhdGeometryOfCompressionId(uint32_t compressionId);

// Appends the three atoms and a four-byte zero terminator, big-endian.
void PutDnxhdAtoms(zeb::movie::ByteWriter& out, const DnxhdDescriptionGeometry& geometry);
