#include "platform/sys/DriveType.h"

#include <sys/vfs.h>

namespace zeb::sys {
namespace {

// <linux/magic.h>: ISOFS_SUPER_MAGIC and UDF_SUPER_MAGIC.
constexpr std::uint64_t kIso9660Magic = 0x9660;
constexpr std::uint64_t kUdfMagic = 0x15013346;

}  // namespace

DriveType DriveTypeOfFileSystem(std::uint64_t magic) {
  return magic == kIso9660Magic || magic == kUdfMagic ? DriveType::kCdRom : DriveType::kFixed;
}

DriveType QueryDriveType(const std::string& utf8_path) {
  struct statfs info {};
  if (statfs(utf8_path.c_str(), &info) != 0) return DriveType::kUnknown;
  return DriveTypeOfFileSystem(static_cast<std::uint64_t>(info.f_type));
}

}  // namespace zeb::sys
