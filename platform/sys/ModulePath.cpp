#include "platform/sys/ModulePath.h"

#include <dlfcn.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>

#include <memory>

namespace zeb::sys {
namespace {

// The loader names the main program "" in its map, so ask the kernel.
constexpr const char* kProgramPath = "/proc/self/exe";

std::string Canonical(const char* path) {
  std::unique_ptr<char, decltype(&free)> resolved(realpath(path, nullptr), &free);
  return resolved ? std::string(resolved.get()) : std::string();
}

}  // namespace

std::string ModulePathOf(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (address == nullptr ||
      dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0 ||
      map == nullptr) {
    return {};
  }
  const bool program = map->l_name == nullptr || map->l_name[0] == '\0';
  return Canonical(program ? kProgramPath : map->l_name);
}

std::string FolderOf(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

}  // namespace zeb::sys
