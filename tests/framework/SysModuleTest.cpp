#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "framework/sys/include/ZEBSoftCodecSys.h"
#include "tests/host/LogCapture.h"

namespace {

namespace fs = std::filesystem;

const fs::path kModule = ZEB_TEST_MODULE_PATH;

class TempDir {
 public:
  TempDir() : path_(fs::temp_directory_path() / ("zeb_sys_" + std::to_string(::getpid()))) {
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

TEST(SysModule, LoadsResolvesAndCloses) {
  TempDir temp;
  fs::create_directories(temp.path() / u8"m\u00f3dulo \u6d4b\u8bd5");
  fs::copy_file(kModule, temp.path() / u8"m\u00f3dulo \u6d4b\u8bd5" / "libZebTest.so");
  // The process runs in the C locale, so the wide path is spelled out
  // rather than converted by the library.
  for (const std::wstring& path :
       {kModule.wstring(), temp.path().wstring() + L"/m\u00f3dulo \u6d4b\u8bd5/libZebTest.so"}) {
    void* module = ZEB_LoadModuleExW(path.c_str(), 0, 8);
    ASSERT_NE(module, nullptr);
    auto answer = reinterpret_cast<int (*)()>(ZEB_GetFunction(module, "ZebTestModuleAnswer"));
    auto twice = reinterpret_cast<int (*)(int)>(ZEB_GetFunction(module, "ZebTestModuleTwice"));
    ASSERT_NE(answer, nullptr);
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(twice(21), 42);
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "ZebTestModuleAnswer"), nullptr)
        << "exports stay private to the handle";
    ZEB_CloseModule(module);
  }
}

TEST(SysModule, FailuresGiveNull) {
  TempDir temp;
  const fs::path textFile = temp.path() / "not_a_library.so";
  std::ofstream(textFile) << "plain text, no ELF header\n";
  for (const std::wstring& path : {(temp.path() / "absent.so").wstring(), textFile.wstring(),
                                   temp.path().wstring(), std::wstring()}) {
    LogCapture capture;
    EXPECT_EQ(ZEB_LoadModuleExW(path.c_str(), 0, 8), nullptr) << path;
    if (!path.empty()) {
      ASSERT_EQ(capture.Lines().size(), 1u) << path;
      EXPECT_EQ(capture.Lines()[0].level, 8u);
    }
  }
  EXPECT_EQ(ZEB_LoadModuleExW(nullptr, 0, 8), nullptr);

  void* module = ZEB_LoadModuleExW(kModule.wstring().c_str(), 0, 8);
  ASSERT_NE(module, nullptr);
  for (const char* missing : {"GetH264VideoStreamInfo", "", static_cast<const char*>(nullptr)})
    EXPECT_EQ(ZEB_GetFunction(module, missing), nullptr);
  EXPECT_EQ(ZEB_GetFunction(nullptr, "ZebTestModuleAnswer"), nullptr);
  ZEB_CloseModule(module);
  ZEB_CloseModule(nullptr);
}

}  // namespace
