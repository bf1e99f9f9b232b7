#include "tests/support/Sha256.h"

#include <cstdio>
#include <memory>

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/sha.h>
}

namespace zeb::test {

std::string Sha256Hex(std::span<const uint8_t> bytes) {
  const std::unique_ptr<AVSHA, decltype(&av_free)> sha(av_sha_alloc(), &av_free);
  av_sha_init(sha.get(), 256);
  av_sha_update(sha.get(), bytes.data(), bytes.size());
  uint8_t digest[32];
  av_sha_final(sha.get(), digest);
  std::string hex;
  for (const uint8_t byte : digest) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", byte);
    hex += two;
  }
  return hex;
}

}  // namespace zeb::test
