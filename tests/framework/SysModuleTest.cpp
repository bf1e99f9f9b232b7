#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "framework/sys/include/ZEBSoftCodecSys.h"
#include "tests/framework/LogCapture.h"

namespace {

namespace fs = std::filesystem;

const fs::path kModule = ZEB_TEST_MODULE_PATH;

std::wstring Wide(const fs::path& path) { return path.wstring(); }

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
    void* module = ZEB_LoadModuleExW(Wide(kModule).c_str(), 0, 8);
    ASSERT_NE(module, nullptr);
    auto answer = reinterpret_cast<int (*)()>(ZEB_GetFunction(module, "ZebTestModuleAnswer"));
    auto twice = reinterpret_cast<int (*)(int)>(ZEB_GetFunction(module, "ZebTestModuleTwice"));
    ASSERT_NE(answer, nullptr);
    ASSERT_NE(twice, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(twice(21), 42);
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "ZebTestModuleAnswer"), nullptr) << "exports stay private to the handle";
    ZEB_CloseModule(module);
}

TEST(SysModule, PathWithNonAsciiCharacters) {
    TempDir temp;
    const fs::path dir = temp.path() / u8"m\u00f3dulo \u6d4b\u8bd5";
    fs::create_directories(dir);
    const fs::path copy = dir / "libZebTest.so";
    fs::copy_file(kModule, copy);
    // The process runs in the C locale, so the wide path is spelled out
    // rather than converted by the library.
    const std::wstring wide = Wide(temp.path()) + L"/m\u00f3dulo \u6d4b\u8bd5/libZebTest.so";
    void* module = ZEB_LoadModuleExW(wide.c_str(), 0, 8);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(ZEB_GetFunction(module, "ZebTestModuleAnswer"), nullptr);
    ZEB_CloseModule(module);
}

TEST(SysModule, FailuresGiveNull) {
    TempDir temp;
    const fs::path text_file = temp.path() / "not_a_library.so";
    std::ofstream(text_file) << "plain text, no ELF header\n";
    struct Case {
        const char* name;
        std::wstring path;
    };
    const Case cases[] = {
        {"missing file", Wide(temp.path() / "absent.so")},
        {"not a library", Wide(text_file)},
        {"directory", Wide(temp.path())},
        {"empty path", L""},
    };
    for (const Case& c : cases) {
        zeb::test::LogCapture capture;
        EXPECT_EQ(ZEB_LoadModuleExW(c.path.c_str(), 0, 8), nullptr) << c.name;
        if (!c.path.empty()) {
            ASSERT_EQ(capture.lines().size(), 1u) << c.name;
            EXPECT_EQ(capture.lines()[0].level, 8u) << c.name;
        }
    }
    EXPECT_EQ(ZEB_LoadModuleExW(nullptr, 0, 8), nullptr);

    void* module = ZEB_LoadModuleExW(Wide(kModule).c_str(), 0, 8);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(ZEB_GetFunction(module, "GetH264VideoStreamInfo"), nullptr);
    EXPECT_EQ(ZEB_GetFunction(module, ""), nullptr);
    EXPECT_EQ(ZEB_GetFunction(module, nullptr), nullptr);
    EXPECT_EQ(ZEB_GetFunction(nullptr, "ZebTestModuleAnswer"), nullptr);
    ZEB_CloseModule(module);
    ZEB_CloseModule(nullptr);
}

}  // namespace
