#include "platform/sys/DirectIoAlignment.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <bit>
#include <fstream>
#include <optional>
#include <string>

namespace zeb::sys {
namespace {

// Larger values would not divide the reader's 1 MiB blocks evenly.
constexpr std::uint32_t kLargestAlignment = 65536;

bool Plausible(std::uint64_t value) {
  return value > 0 && value <= kLargestAlignment && std::has_single_bit(value);
}

std::optional<DirectIoAlignment> FromStatx(int fd) {
#ifdef STATX_DIOALIGN
  struct statx info {};
  if (statx(fd, "", AT_EMPTY_PATH, STATX_DIOALIGN, &info) != 0) return std::nullopt;
  if ((info.stx_mask & STATX_DIOALIGN) == 0) return std::nullopt;
  if (!Plausible(info.stx_dio_offset_align) || !Plausible(info.stx_dio_mem_align)) {
    return std::nullopt;
  }
  return DirectIoAlignment{info.stx_dio_offset_align, info.stx_dio_mem_align};
#else
  (void)fd;
  return std::nullopt;
#endif
}

std::optional<std::uint32_t> ReadSysfsNumber(const std::string& path) {
  std::ifstream in(path);
  std::uint64_t value = 0;
  if (!(in >> value) || !Plausible(value)) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

// A partition's sysfs folder has no queue/; its parent disk's has.
std::optional<DirectIoAlignment> FromDeviceBlockSize(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0) return std::nullopt;
  const std::string device = "/sys/dev/block/" + std::to_string(major(info.st_dev)) + ":" +
                             std::to_string(minor(info.st_dev));
  for (const char* queue : {"/queue/logical_block_size", "/../queue/logical_block_size"}) {
    if (auto size = ReadSysfsNumber(device + queue)) return DirectIoAlignment{*size, *size};
  }
  return std::nullopt;
}

}  // namespace

DirectIoAlignment QueryDirectIoAlignment(int fd) {
  if (auto alignment = FromStatx(fd)) return *alignment;
  if (auto alignment = FromDeviceBlockSize(fd)) return *alignment;
  return DirectIoAlignment{};
}

}  // namespace zeb::sys
