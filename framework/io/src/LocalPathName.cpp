// ConvertUNC2LocalPathName: the machine's mounts and names applied to a
// UTF-16 path from a host record.
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "framework/io/include/ZEBSoftCodecIO.h"
#include "framework/io/src/NetworkPath.h"
#include "platform/sys/Utf.h"

namespace {

// Path buffers of the host records hold this many UTF-16 units.
constexpr size_t kPathUnits = 260;

zeb::io::LocalMachine ThisMachine() {
  zeb::io::LocalMachine machine;
  std::ifstream table("/proc/self/mounts");
  const std::string text{std::istreambuf_iterator<char>(table), std::istreambuf_iterator<char>()};
  machine.mounts = zeb::io::ParseShareMounts(text);
  machine.hostNames = {"localhost", "127.0.0.1"};
  char name[256] = {};
  if (gethostname(name, sizeof(name) - 1) == 0 && name[0]) {
    const std::string full(name);
    machine.hostNames.push_back(full);
    machine.hostNames.push_back(full.substr(0, full.find('.')));
  }
  return machine;
}

}  // namespace

extern "C" int32_t ConvertUNC2LocalPathName(const char16_t* in, char16_t* out) {
  if (!in || !out) return 0;
  const char16_t* end = std::find(in, in + kPathUnits, u'\0');
  if (end == in + kPathUnits) return 0;
  const std::string path =
      zeb::sys::Utf16ToUtf8(std::u16string_view(in, static_cast<size_t>(end - in)));
  const std::u16string local = zeb::sys::Utf8ToUtf16(zeb::io::MapNetworkPath(path, ThisMachine()));
  if (local.size() >= kPathUnits) return 0;
  std::copy(local.begin(), local.end(), out);
  out[local.size()] = u'\0';
  return 1;
}
