#include "platform/sys/ModulePath.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace zeb::sys {
namespace {

int FunctionInThisProgram() { return 42; }

TEST(ModulePath, NamesTheObjectHoldingAnAddress) {
  const std::string program = std::filesystem::canonical("/proc/self/exe").string();
  EXPECT_EQ(ModulePathOf(reinterpret_cast<const void*>(&FunctionInThisProgram)), program);

  // Looked up in libc itself: a sanitizer runtime may stand in for &::pread.
  void* handle = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr);
  const std::string libc = ModulePathOf(dlsym(handle, "pread"));
  dlclose(handle);
  ASSERT_FALSE(libc.empty());
  EXPECT_EQ(libc.front(), '/');
  EXPECT_NE(libc.find("libc"), std::string::npos) << libc;
  EXPECT_TRUE(std::filesystem::is_regular_file(libc));
  EXPECT_NE(FolderOf(libc), FolderOf(program));
}

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
