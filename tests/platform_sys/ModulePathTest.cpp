// The module path's edges: addresses of no loaded object, and the folder of
// a path. That the plug-in names its own file is every test that finds the
// H.264 analyser beside it (and ReaderFailures', which finds none).
#include "platform/sys/ModulePath.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace zeb::sys {
namespace {

TEST(ModulePath, AddressesOutsideAnyObjectHaveNoPath) {
  int on_stack = 0;
  auto on_heap = std::make_unique<int>(0);
  EXPECT_EQ(ModulePathOf(nullptr), "");
  EXPECT_EQ(ModulePathOf(&on_stack), "");
  EXPECT_EQ(ModulePathOf(on_heap.get()), "");
}

TEST(ModulePath, FolderEndsAtTheLastSlash) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"/usr/lib/zeb/libZEBPlugQuickTimeLibU.so", "/usr/lib/zeb/"},
      {"/plugin.so", "/"},
      {"plugin.so", ""},
      {"rel/dir/x", "rel/dir/"},
  };
  for (const auto& [path, folder] : cases) EXPECT_EQ(FolderOf(path), folder) << path;
}

}  // namespace
}  // namespace zeb::sys
