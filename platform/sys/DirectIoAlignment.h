// What unbuffered (O_DIRECT) reads of one open file must be aligned to.
#pragma once

#include <cstdint>

namespace zeb::sys {

inline constexpr std::uint32_t kDefaultDirectIoAlignment = 4096;

struct DirectIoAlignment {
  std::uint32_t offset = kDefaultDirectIoAlignment;  // file offsets and lengths, bytes
  std::uint32_t memory = kDefaultDirectIoAlignment;  // destination addresses, bytes
};

// Asks, in this order: statx STATX_DIOALIGN (when both the headers and the
// running kernel know it), the logical block size of the device that holds
// the file, and otherwise answers 4096, which every common device divides.
DirectIoAlignment QueryDirectIoAlignment(int fd);

}  // namespace zeb::sys
