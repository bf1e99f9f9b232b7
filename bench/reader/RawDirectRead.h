// The device's ceiling for an unbuffered sequential read: the whole file
// through io_uring with a few large reads in flight into one aligned buffer,
// no copy and no frame work. It tells what the disk gives before any reader
// logic, beside dd's single read at a time.
#pragma once

#include <cstdint>
#include <string>

namespace zeb::bench {

// Bytes read; 0 when the file cannot be opened O_DIRECT or io_uring refuses.
uint64_t ReadWithIoUring(const std::string& path, uint32_t readBytes, unsigned inFlight);

}  // namespace zeb::bench
