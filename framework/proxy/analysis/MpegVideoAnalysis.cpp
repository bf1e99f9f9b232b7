#include "framework/proxy/analysis/MpegVideoAnalysis.h"

#include <algorithm>
#include <array>
#include <limits>

#include "framework/proxy/analysis/MpegFrameScan.h"
#include "framework/proxy/analysis/VideoRecord.h"

namespace zeb::analysis {

namespace {

constexpr uint32_t kBitRateUnit = 400;          // bit/s per unit of bit_rate_value
constexpr uint64_t kVariableBitRate = 0x3FFFF;  // MPEG-1's "variable" marker
constexpr uint32_t kMpeg1AspectLimit = 255;

// frame_rate_code 1 to 8 (ISO/IEC 13818-2 table 6-4).
constexpr std::array<Ratio, 9> kFrameRates = {{
    {0, 0},
    {24000, 1001},
    {24, 1},
    {25, 1},
    {30000, 1001},
    {30, 1},
    {50, 1},
    {60000, 1001},
    {60, 1},
}};

// MPEG-1 pel aspect ratio (pel height / pel width) in 1/10000, by
// aspect_ratio_information 1 to 14 (ISO/IEC 11172-2 table 2-D.1).
constexpr std::array<uint32_t, 15> kMpeg1PelAspect = {
    0, 10000, 6735, 7031, 7615, 8055, 8437, 8935, 9157, 9815, 10255, 10695, 10950, 11575, 12015,
};

// MPEG-2 display aspect ratios by aspect_ratio_information 2 to 4.
constexpr std::array<Ratio, 5> kMpeg2DisplayAspect = {
    {{0, 0}, {0, 0}, {4, 3}, {16, 9}, {221, 100}}};

Ratio SquarePixels(uint32_t width, uint32_t height) {
  return ReduceRatio(width, height, kExactRatioLimit);
}

Ratio Mpeg1DisplayAspect(uint32_t width, uint32_t height, uint32_t code) {
  if (code == 0 || code >= kMpeg1PelAspect.size()) return SquarePixels(width, height);
  // The table's four-digit values stand for simple ratios: take the closest
  // sample aspect ratio with terms up to 255.
  const Ratio sample = ReduceRatio(10000, kMpeg1PelAspect[code], kMpeg1AspectLimit);
  return ReduceRatio(uint64_t{width} * sample.num, uint64_t{height} * sample.den, kExactRatioLimit);
}

// aspect_ratio_information gives the picture's ratio. The display size of a
// sequence display extension is, in the streams met in practice, a pan-scan
// window (540 of 720 columns for 4:3 sets, 1920 for 1440-sample HDV) and does
// not change the ratio of the coded picture.
Ratio Mpeg2DisplayAspect(uint32_t width, uint32_t height, uint32_t code) {
  if (code < 2 || code >= kMpeg2DisplayAspect.size()) return SquarePixels(width, height);
  return kMpeg2DisplayAspect[code];
}

Ratio FrameRate(uint32_t code, const std::optional<MpegSequenceExtension>& extension) {
  const Ratio base = kFrameRates[code];
  if (!extension) return base;
  return ReduceRatio(uint64_t{base.num} * (extension->frameRateExtensionN + 1),
                     uint64_t{base.den} * (extension->frameRateExtensionD + 1), kExactRatioLimit);
}

uint32_t BitRate(const MpegSequenceHeader& sequence,
                 const std::optional<MpegSequenceExtension>& extension) {
  const uint64_t value =
      sequence.bitRateValue | (extension ? uint64_t{extension->bitRateExtension} << 18 : 0);
  if (value == kVariableBitRate) return 0;
  return static_cast<uint32_t>(
      std::min<uint64_t>(value * kBitRateUnit, std::numeric_limits<uint32_t>::max()));
}

uint32_t ColourFormat(const std::optional<MpegSequenceExtension>& extension) {
  if (!extension) return PLUG_COLOR_FORMAT_YUV420P_;
  switch (extension->chromaFormat) {
    case 2:
      return PLUG_COLOR_FORMAT_YUV422P_;
    case 3:
      return PLUG_COLOR_FORMAT_YUV444P_;
    default:
      return PLUG_COLOR_FORMAT_YUV420P_;
  }
}

bool IsProgressiveSequence(const MpegFrameHeaders& headers) {
  return !headers.sequenceExtension || headers.sequenceExtension->progressiveSequence;
}

// Decided by the first picture; before it is seen, top field first.
uint32_t FieldOrder(const MpegFrameHeaders& headers) {
  if (IsProgressiveSequence(headers)) return PLUG_FIELD_ORDER_PROGRESSIVE_;
  if (!headers.pictureCoding) return PLUG_FIELD_ORDER_TOP_FIRST_;
  const MpegPictureCodingExtension& coding = *headers.pictureCoding;
  switch (coding.pictureStructure) {
    case 1:
      return PLUG_FIELD_ORDER_TOP_FIRST_;
    case 2:
      return PLUG_FIELD_ORDER_BOTTOM_FIRST_;
    default:
      if (coding.progressiveFrame) return PLUG_FIELD_ORDER_PROGRESSIVE_;
      return coding.topFieldFirst ? PLUG_FIELD_ORDER_TOP_FIRST_ : PLUG_FIELD_ORDER_BOTTOM_FIRST_;
  }
}

VideoFacts FactsOf(const MpegFrameHeaders& headers) {
  const MpegSequenceHeader& sequence = *headers.sequence;
  const auto& extension = headers.sequenceExtension;
  VideoFacts facts;
  facts.width = sequence.width | (extension ? extension->widthExtension << 12 : 0);
  facts.height = sequence.height | (extension ? extension->heightExtension << 12 : 0);
  facts.videoType = extension ? PLUG_VIDEO_TYPE_MPEG2_ : PLUG_VIDEO_TYPE_MPEG1_;
  facts.displayAspect = extension
                            ? Mpeg2DisplayAspect(facts.width, facts.height, sequence.aspectCode)
                            : Mpeg1DisplayAspect(facts.width, facts.height, sequence.aspectCode);
  facts.frameRate = FrameRate(sequence.frameRateCode, extension);
  facts.fieldOrder = FieldOrder(headers);
  facts.colorFormat = ColourFormat(extension);
  facts.colour =
      ResolveColour(headers.displayExtension ? headers.displayExtension->colour : std::nullopt,
                    facts.width, facts.height);
  facts.bitRate = BitRate(sequence, extension);
  return facts;
}

bool DecidesEveryWord(const MpegFrameHeaders& headers) {
  return IsProgressiveSequence(headers) || headers.pictureCoding;
}

uint32_t PictureType(MpegPictureCodingType codingType) {
  switch (codingType) {
    case MpegPictureCodingType::kPredicted:
      return PLUG_FRAME_COMPRESS_TYPE_P_;
    case MpegPictureCodingType::kBidirectional:
      return PLUG_FRAME_COMPRESS_TYPE_B_;
    default:
      return PLUG_FRAME_COMPRESS_TYPE_I_;
  }
}

}  // namespace

uint32_t DescribeMpegVideo(std::span<const uint8_t> frame, SPlugVideoStreamInfo* info) {
  const MpegFrameHeaders headers = ScanMpegFrame(frame);
  if (!headers.sequence) return headers.picture ? ZEB_ANALYSIS_NEED_MORE : ZEB_ANALYSIS_INVALID;
  // Whether a sequence extension follows decides MPEG-1 or MPEG-2.
  if (!headers.sequenceFollowed) return ZEB_ANALYSIS_NEED_MORE;
  const VideoFacts facts = FactsOf(headers);
  if (facts.width == 0 || facts.height == 0) return ZEB_ANALYSIS_INVALID;
  WriteVideoFacts(facts, info);
  return DecidesEveryWord(headers) ? ZEB_ANALYSIS_COMPLETE : ZEB_ANALYSIS_NEED_MORE;
}

uint32_t DescribeMpegPicture(std::span<const uint8_t> frame, MpegVideoInfo* info) {
  *info = MpegVideoInfo{};
  info->pictureType = PLUG_FRAME_COMPRESS_TYPE_P_;
  const MpegFrameHeaders headers = ScanMpegFrame(frame);
  if (!headers.picture) return ZEB_ANALYSIS_INVALID;
  info->pictureType = PictureType(headers.picture->codingType);
  info->temporalReference = headers.picture->temporalReference;
  const MpegPictureCodingExtension coding =
      headers.pictureCoding.value_or(MpegPictureCodingExtension{.progressiveFrame = true});
  info->pictureStructure = coding.pictureStructure;
  info->topFieldFirst = coding.topFieldFirst;
  info->repeatFirstField = coding.repeatFirstField;
  info->progressiveFrame = coding.progressiveFrame;
  info->sequenceHeader = headers.sequence.has_value();
  info->gopHeader = headers.group.has_value();
  if (headers.group) {
    info->closedGop = headers.group->closedGop;
    info->brokenLink = headers.group->brokenLink;
  }
  return ZEB_ANALYSIS_COMPLETE;
}

}  // namespace zeb::analysis
