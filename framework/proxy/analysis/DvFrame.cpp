#include "framework/proxy/analysis/DvFrame.h"

#include <optional>

#include "framework/proxy/analysis/VideoRecord.h"
#include "framework/proxy/analysis/include/ZEBStreamAnalysis.h"

namespace zeb::analysis {

namespace {

// A DIF sequence is 150 blocks of 80 bytes: header, two subcode blocks, three
// VAUX blocks, then audio and video (IEC 61834-2, SMPTE 314M/370M).
constexpr size_t kBlockBytes = 80;
constexpr size_t kBlocksPerSequence = 150;
constexpr size_t kFirstVauxBlock = 3;
constexpr size_t kVauxBlocks = 3;
constexpr size_t kPackBytes = 5;
constexpr size_t kPacksPerBlock = 15;
constexpr size_t kFirstPackOffset = 3;  // after the 3-byte block ID

constexpr uint8_t kSectionHeader = 0;
constexpr uint8_t kSectionVaux = 2;
constexpr uint8_t kVauxSourcePack = 0x60;
constexpr uint8_t kVauxSourceControlPack = 0x61;

// Sampling types of the VAUX source pack.
constexpr uint8_t kStypeDv25 = 0x00;
constexpr uint8_t kStypeDv50 = 0x04;
constexpr uint8_t kStypeDv100Lines1080 = 0x14;
constexpr uint8_t kStypeDv100Lines720 = 0x18;

// Display modes (DISP) of the source-control pack that mean 16:9: SMPTE 314M
// codes it 010; IEC 61834 consumer DV (APT 0) also uses 111, full-format 16:9.
constexpr uint8_t kDisplayWide = 0x2;
constexpr uint8_t kDisplayWideConsumer = 0x7;

struct DvPacks {
  std::optional<std::span<const uint8_t, kPackBytes>> source;
  std::optional<std::span<const uint8_t, kPackBytes>> sourceControl;
};

struct DvHeader {
  bool lines625 = false;  // DSF: 625/50 rather than 525/60
  uint8_t apt = 0;        // application ID of the track: 0 IEC 61834, else SMPTE 314M
};

std::optional<std::span<const uint8_t>> Block(std::span<const uint8_t> frame, size_t index) {
  if (index >= frame.size() / kBlockBytes) return std::nullopt;
  return frame.subspan(index * kBlockBytes, kBlockBytes);
}

uint8_t SectionType(std::span<const uint8_t> block) { return block[0] >> 5; }

std::optional<DvHeader> ReadHeader(std::span<const uint8_t> frame) {
  const auto block = Block(frame, 0);
  if (!block || SectionType(*block) != kSectionHeader) return std::nullopt;
  return DvHeader{((*block)[3] & 0x80) != 0, static_cast<uint8_t>((*block)[4] & 0x07)};
}

void CollectPacks(std::span<const uint8_t> block, DvPacks& packs) {
  for (size_t pack = 0; pack < kPacksPerBlock; ++pack) {
    const auto bytes = block.subspan(kFirstPackOffset + pack * kPackBytes).first<kPackBytes>();
    if (bytes[0] == kVauxSourcePack && !packs.source) packs.source = bytes;
    if (bytes[0] == kVauxSourceControlPack && !packs.sourceControl) packs.sourceControl = bytes;
  }
}

// The first source and source-control packs of the VAUX blocks, in frame order.
DvPacks FindVauxPacks(std::span<const uint8_t> frame) {
  DvPacks packs;
  const size_t blocks = frame.size() / kBlockBytes;
  for (size_t sequence = 0; sequence * kBlocksPerSequence < blocks; ++sequence) {
    for (size_t vaux = 0; vaux < kVauxBlocks; ++vaux) {
      const auto block = Block(frame, sequence * kBlocksPerSequence + kFirstVauxBlock + vaux);
      if (block && SectionType(*block) == kSectionVaux) CollectPacks(*block, packs);
      if (packs.source && packs.sourceControl) return packs;
    }
  }
  return packs;
}

uint32_t SdFieldOrder(const DvPacks& packs) {
  if (!packs.sourceControl) return PLUG_FIELD_ORDER_BOTTOM_FIRST_;
  const uint8_t flags = (*packs.sourceControl)[3];
  const bool interlaced = (flags & 0x10) != 0;       // IL
  const bool firstFieldFirst = (flags & 0x40) != 0;  // FS: field 1 is output first
  if (!interlaced) return PLUG_FIELD_ORDER_PROGRESSIVE_;
  // Standard-definition DV is bottom field first, which it signals as field 1 first.
  return firstFieldFirst ? PLUG_FIELD_ORDER_BOTTOM_FIRST_ : PLUG_FIELD_ORDER_TOP_FIRST_;
}

bool IsWide(const DvHeader& header, const DvPacks& packs) {
  if (!packs.sourceControl) return false;
  const uint8_t display = (*packs.sourceControl)[2] & 0x07;
  return display == kDisplayWide || (header.apt == 0 && display == kDisplayWideConsumer);
}

VideoFacts StandardDefinition(const DvHeader& header, const DvPacks& packs, uint8_t stype) {
  VideoFacts facts;
  facts.width = 720;
  facts.height = header.lines625 ? 576 : 480;
  facts.displayAspect = IsWide(header, packs) ? Ratio{16, 9} : Ratio{4, 3};
  facts.frameRate = header.lines625 ? Ratio{25, 1} : Ratio{30000, 1001};
  facts.fieldOrder = SdFieldOrder(packs);
  if (stype == kStypeDv50) {
    facts.colorFormat = PLUG_COLOR_FORMAT_YUV422P_;
    facts.bitRate = 50'000'000;
  } else {
    // Only IEC 61834 625-line DV samples 4:2:0; 525-line DV and DVCPRO are 4:1:1.
    const bool sampled420 = header.lines625 && header.apt == 0;
    facts.colorFormat = sampled420 ? PLUG_COLOR_FORMAT_YUV420P_ : PLUG_COLOR_FORMAT_YUV411P_;
    facts.bitRate = 25'000'000;
  }
  return facts;
}

// DVCPRO HD: 1080 lines are interlaced top field first, 720 lines progressive;
// both 16:9 and 4:2:2, stored horizontally subsampled.
VideoFacts HighDefinition(const DvHeader& header, uint8_t stype) {
  VideoFacts facts;
  if (stype == kStypeDv100Lines1080) {
    facts.width = header.lines625 ? 1440 : 1280;
    facts.height = 1080;
    facts.frameRate = header.lines625 ? Ratio{25, 1} : Ratio{30000, 1001};
    facts.fieldOrder = PLUG_FIELD_ORDER_TOP_FIRST_;
  } else {
    facts.width = 960;
    facts.height = 720;
    facts.frameRate = header.lines625 ? Ratio{50, 1} : Ratio{60000, 1001};
    facts.fieldOrder = PLUG_FIELD_ORDER_PROGRESSIVE_;
  }
  facts.displayAspect = {16, 9};
  facts.colorFormat = PLUG_COLOR_FORMAT_YUV422P_;
  facts.bitRate = 100'000'000;
  return facts;
}

std::optional<VideoFacts> FactsOf(const DvHeader& header, const DvPacks& packs) {
  if (!packs.source) return std::nullopt;
  const uint8_t stype = (*packs.source)[3] & 0x1F;
  std::optional<VideoFacts> facts;
  if (stype == kStypeDv25 || stype == kStypeDv50) {
    facts = StandardDefinition(header, packs, stype);
  } else if (stype == kStypeDv100Lines1080 || stype == kStypeDv100Lines720) {
    facts = HighDefinition(header, stype);
  }
  if (facts) facts->colour = DefaultColour(facts->width, facts->height);
  return facts;
}

}  // namespace

uint32_t DescribeDvFrame(std::span<const uint8_t> frame, SPlugVideoStreamInfo* info) {
  const auto header = ReadHeader(frame);
  if (!header) return ZEB_ANALYSIS_INVALID;
  const auto facts = FactsOf(*header, FindVauxPacks(frame));
  if (!facts) return ZEB_ANALYSIS_INVALID;
  WriteVideoFacts(*facts, info);
  return ZEB_ANALYSIS_COMPLETE;
}

}  // namespace zeb::analysis
