// The kind of medium that holds a path, as far as reading strategy cares:
// optical discs are read buffered and sequentially, everything else unbuffered.
#pragma once

#include <cstdint>
#include <string>

namespace zeb::sys {

enum class DriveType {
  kUnknown,  // the path cannot be queried (missing, no permission)
  kFixed,
  kCdRom,  // ISO 9660 or UDF, the file systems of optical discs
};

// Maps a statfs f_type magic number.
DriveType DriveTypeOfFileSystem(std::uint64_t magic);
DriveType QueryDriveType(const std::string& utf8_path);

}  // namespace zeb::sys
