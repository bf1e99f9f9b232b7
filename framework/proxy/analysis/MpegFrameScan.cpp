#include "framework/proxy/analysis/MpegFrameScan.h"

#include "framework/proxy/analysis/StartCodeScanner.h"

namespace zeb::analysis {

namespace {

// Which header the extensions that follow belong to (ISO/IEC 13818-2 6.2.1).
enum class ExtensionOwner { kNone, kSequence, kPicture };

bool IsSlice(uint8_t code) { return code >= 0x01 && code <= kMpegLastSliceStartCode; }

template <typename T>
void KeepFirst(std::optional<T>& slot, std::optional<T> parsed) {
  if (!slot) slot = parsed;
}

void ReadExtension(std::span<const uint8_t> body, ExtensionOwner owner, MpegFrameHeaders& headers) {
  const auto id = ReadMpegExtensionId(body);
  if (owner == ExtensionOwner::kSequence && id == MpegExtensionId::kSequence) {
    KeepFirst(headers.sequenceExtension, ParseMpegSequenceExtension(body));
  } else if (owner == ExtensionOwner::kSequence && id == MpegExtensionId::kSequenceDisplay) {
    KeepFirst(headers.displayExtension, ParseMpegDisplayExtension(body));
  } else if (owner == ExtensionOwner::kPicture && id == MpegExtensionId::kPictureCoding) {
    KeepFirst(headers.pictureCoding, ParseMpegPictureCodingExtension(body));
  }
}

}  // namespace

MpegFrameHeaders ScanMpegFrame(std::span<const uint8_t> frame) {
  MpegFrameHeaders headers;
  ExtensionOwner owner = ExtensionOwner::kNone;
  StartCodeScanner scanner(frame);
  while (const auto unit = scanner.Next()) {
    const uint8_t code = unit->front();
    const auto body = unit->subspan(1);
    if (headers.sequence) headers.sequenceFollowed = true;
    if (code == kMpegPictureStartCode) {
      if (headers.picture) break;
      headers.picture = ParseMpegPictureHeader(body);
      owner = headers.picture ? ExtensionOwner::kPicture : ExtensionOwner::kNone;
    } else if (IsSlice(code)) {
      if (headers.picture) break;
    } else if (code == kMpegSequenceHeaderCode) {
      if (headers.sequence) continue;
      headers.sequence = ParseMpegSequenceHeader(body);
      owner = headers.sequence ? ExtensionOwner::kSequence : ExtensionOwner::kNone;
    } else if (code == kMpegExtensionStartCode) {
      ReadExtension(body, owner, headers);
    } else if (code == kMpegGroupStartCode) {
      KeepFirst(headers.group, ParseMpegGroupHeader(body));
      owner = ExtensionOwner::kNone;
    }
  }
  return headers;
}

}  // namespace zeb::analysis
