#include "core/LibInfo.h"

#include <cstring>

#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr uint32_t kInfoClass = 2;
constexpr uint32_t kInfoValue = 2;

// Build time and date as the compiler stamps this file.
const LibInfoRecord kLibInfo = {1, kFrameworkVersionText, kLibraryVersionText, __TIME__, __DATE__};

void WriteValue(void* out) {
  const uint32_t value = kInfoValue;
  std::memcpy(out, &value, sizeof value);
}

// Clears the caller's `length` bytes first; the caller supplies at least 8
// so the text stays terminated.
void WriteVersionText(uint32_t* length, void* out) {
  std::memset(out, 0, *length);
  const uint32_t text_length = sizeof kLibraryVersionText - 1;
  std::memcpy(out, kLibraryVersionText, text_length);
  *length = text_length;
}

}  // namespace

uint32_t QueryLibInfo(const void* a0, uint32_t info_class, uint32_t item, uint32_t /*a3*/,
                      uint32_t* length, void* out) {
  if (a0 == nullptr) return ZEB_E_NULL_POINTER;
  if (info_class != kInfoClass) return ZEB_E_NOT_SUPPORTED;
  switch (item) {
    case 0:
    case 1:
      WriteValue(out);
      break;
    case 2:
      WriteVersionText(length, out);
      break;
    default:
      break;
  }
  return ZEB_OK;
}

int32_t GetLibState() { return -1; }

const LibInfoRecord* GetLibInfoRecord() { return &kLibInfo; }
