#include "media/MpegPictureHeader.h"

#include "media/StartCodeScanner.h"

namespace zeb::media {

namespace {

constexpr uint8_t kPictureStartCode = 0x00;
constexpr size_t kTemporalReferenceBytes = 2;  // its ten bits lead these two

}  // namespace

std::optional<uint16_t> FirstTemporalReference(std::span<const uint8_t> frame) {
  const StartCodeScanner scanner(frame);
  std::optional<size_t> code = scanner.FindUnitStart(0);
  while (code && *code < frame.size() && frame[*code] != kPictureStartCode) {
    code = scanner.FindUnitStart(*code);
  }
  if (!code || *code >= frame.size()) return std::nullopt;
  const size_t fields = *code + 1;
  if (frame.size() - fields < kTemporalReferenceBytes) return std::nullopt;
  return static_cast<uint16_t>((frame[fields] << 2) | (frame[fields + 1] >> 6));
}

}  // namespace zeb::media
