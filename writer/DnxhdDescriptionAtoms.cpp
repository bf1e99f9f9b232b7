#include "writer/DnxhdDescriptionAtoms.h"

#include <algorithm>
#include <array>

#include "media/FourCC.h"

namespace {

using zeb::media::FourCC;

// Sub-types 0-7 are 1080i, 8-19 1080p, 20-32 720p, each family cycling
// through its compression ids.
constexpr std::array<uint16_t, 33> kCompressionIdBySubType = {
    1243, 1242, 1241, 1244, 1243, 1242, 1241, 1244,                                 // 1080i
    1238, 1237, 1253, 1235, 1238, 1237, 1253, 1235, 1238, 1237, 1253, 1235,         // 1080p
    1251, 1252, 1250, 1251, 1252, 1250, 1251, 1252, 1250, 1252, 1251, 1252, 1250};  // 720p
constexpr uint32_t kFirst1080p = 8;
constexpr uint32_t kFirst720p = 20;
constexpr uint32_t kDefaultSubType = 1;  // compression id 1242

// Every atom's payload opens with its own type and the version "0001".
void BeginAvidAtom(zeb::movie::ByteWriter& out, uint32_t type) {
  out.Begin(type);
  out.PutU32(type);
  out.PutU32(FourCC("0001"));
}

DnxhdDescriptionGeometry GeometryOfSubType(uint32_t subType) {
  if (subType >= kCompressionIdBySubType.size()) subType = kDefaultSubType;
  const uint32_t id = kCompressionIdBySubType[subType];
  if (subType < kFirst1080p) return {id, 1920, 1080, 1920, 540, 2, 4};
  if (subType < kFirst720p) return {id, 1920, 1080, 1920, 1080, 1, 5};
  return {id, 1280, 720, 1280, 720, 1, 6};
}

}  // namespace

DnxhdDescriptionGeometry DnxhdGeometryOf(const SPlugVideoStreamInfo* video) {
  return GeometryOfSubType(video == nullptr ? kDefaultSubType : video->videoSubType);
}

DnxhdDescriptionGeometry DnxhdGeometryOfCompressionId(uint32_t compressionId) {
  const auto* found =
      std::find(kCompressionIdBySubType.begin(), kCompressionIdBySubType.end(), compressionId);
  return GeometryOfSubType(static_cast<uint32_t>(found - kCompressionIdBySubType.begin()));
}

void PutDnxhdAtoms(zeb::movie::ByteWriter& out, const DnxhdDescriptionGeometry& geometry) {
  for (const uint32_t type : {FourCC("ACLR"), FourCC("APRG")}) {
    BeginAvidAtom(out, type);
    out.PutU32(2);
    out.PutU32(0);
    out.End();
  }
  BeginAvidAtom(out, FourCC("ARES"));
  out.PutU32(geometry.compressionId);
  out.PutU32(geometry.codedWidth);
  out.PutU32(geometry.codedHeight);
  out.PutU32(geometry.scan);
  out.PutU32(0);
  out.PutU32(geometry.format);
  out.PutZeros(80);
  out.End();
  out.PutU32(0);
}
