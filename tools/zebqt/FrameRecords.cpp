#include "tools/zebqt/FrameRecords.h"

#include "tools/zebqt/ResultWords.h"

namespace {
// The families' "no position" value: the low 32 bits set.
constexpr uint64_t kUnsetPosition = 0x00000000FFFFFFFFull;
}  // namespace

SPlugFrameInfo NewFrameInfo() {
  SPlugFrameInfo info{};
  info.size = sizeof info;
  info.decodePosition = kUnsetPosition;
  info.presentationPosition = kUnsetPosition;
  return info;
}

void CheckStep(uint32_t result, const std::string& step, ExitCode code) {
  if (result != ZEB_OK) throw Failure(code, step + ": " + WithCode(ResultWords(result), result));
}
