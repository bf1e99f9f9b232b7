#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "framework/io/include/ZEBSoftCodecIO.h"
#include "framework/io/src/NetworkPath.h"

namespace {

namespace fs = std::filesystem;
using zeb::io::LocalMachine;
using zeb::io::MapNetworkPath;
using zeb::io::ParseShareMounts;

constexpr char kMountTable[] =
    "proc /proc proc rw,nosuid 0 0\n"
    "/dev/sda1 / ext4 rw,relatime 0 0\n"
    "nas:/export /mnt/nfs nfs4 rw 0 0\n"
    "//fileserver/media /mnt/media cifs rw,vers=3.0 0 0\n"
    "//nas/projects /mnt/projects cifs rw 0 0\n"
    "//nas/projects/2024 /mnt/p2024/ cifs rw 0 0\n"
    "//srv/share /mnt/my\\040share cifs rw 0 0\n"
    "//srv/root / cifs rw 0 0\n"
    "\\134\\134winbox\\134c /mnt/c cifs rw 0 0\n"
    "// /mnt/bogus cifs rw 0 0\n"
    "truncated-line\n";

// Share names parse with their octal escapes, and the longest matching share wins.
TEST(LocalPath, NetworkPathsMapToLocalOnes) {
  const LocalMachine machine{ParseShareMounts(kMountTable),
                             {"localhost", "127.0.0.1", "editbay.example", "editbay"}};
  struct Case {
    const char* in;
    const char* expected;
  };
  const Case cases[] = {
      {"\\\\fileserver\\media\\clip.mov", "/mnt/media/clip.mov"},
      {"//FILESERVER/Media/a/b.mov", "/mnt/media/a/b.mov"},
      {"//fileserver/mediaX/a.mov", "//fileserver/mediaX/a.mov"},
      {"//nas/projects/2024/x.mov", "/mnt/p2024/x.mov"},
      {"//nas/projects/2025/x.mov", "/mnt/projects/2025/x.mov"},
      {"\\\\srv\\share\\f.mov", "/mnt/my share/f.mov"},
      {"//srv/root/x.mov", "/x.mov"},
      {"//winbox/c/dir/f.mov", "/mnt/c/dir/f.mov"},
      {"\\\\localhost\\tmp\\a.mov", "/tmp/a.mov"},
      {"//EditBay/home/u/a.mov", "/home/u/a.mov"},
      {"//127.0.0.1/srv", "/srv"},
      {"//localhost", "/"},
      {"\\\\other\\share\\x.mov", "//other/share/x.mov"},
      {"/home/u/a\\b.mov", "/home/u/a\\b.mov"},
      {"C:\\clips\\a.mov", "C:\\clips\\a.mov"},
      {"\\single\\lead.mov", "\\single\\lead.mov"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(MapNetworkPath(c.in, machine), c.expected) << c.in;
}

// Widens a path that the test built from ASCII parts.
std::u16string Ascii16(const std::string& ascii) {
  for (char c : ascii) EXPECT_GE(c, 0) << "expected an ASCII temporary folder: " << ascii;
  return std::u16string(ascii.begin(), ascii.end());
}

// The public entry point against the real machine and a real file whose
// name is not ASCII.
TEST(LocalPath, MapsToAFileThatExists) {
  const fs::path dir = fs::temp_directory_path() / ("zeb_unc_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string name = "\xE7\x89\x87\xE6\xAE\xB5 clip.mov";
  const std::u16string name16 = u"\u7247\u6bb5 clip.mov";
  std::ofstream(dir / fs::path(reinterpret_cast<const char8_t*>(name.c_str()))) << "clip";
  std::string backslashed = dir.string();
  std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
  char host[256] = {};
  ASSERT_EQ(gethostname(host, sizeof(host) - 1), 0);
  for (const std::string& prefix :
       {std::string("\\\\localhost"), "\\\\" + std::string(host), std::string("//127.0.0.1")}) {
    const std::u16string in = Ascii16(prefix + backslashed + "\\") + name16;
    char16_t out[260] = {};
    ASSERT_EQ(ConvertUNC2LocalPathName(in.c_str(), out), 1) << prefix;
    EXPECT_EQ(std::u16string(out), Ascii16(dir.string() + "/") + name16) << prefix;
  }
  fs::remove_all(dir);
}

TEST(LocalPath, BoundsAndBadArguments) {
  char16_t out[260] = {};
  EXPECT_EQ(ConvertUNC2LocalPathName(nullptr, out), 0);
  EXPECT_EQ(ConvertUNC2LocalPathName(u"/a", nullptr), 0);

  const std::u16string fits(259, u'a');
  ASSERT_EQ(ConvertUNC2LocalPathName(fits.c_str(), out), 1);
  EXPECT_EQ(std::u16string(out), fits);

  std::fill(std::begin(out), std::end(out), u'\0');
  const std::u16string unterminated(400, u'b');
  EXPECT_EQ(ConvertUNC2LocalPathName(unterminated.c_str(), out), 0);
  EXPECT_TRUE(std::all_of(std::begin(out), std::end(out), [](char16_t c) { return c == 0; }))
      << "out untouched";

  const std::u16string astral = u"/tmp/\U0001F3AC.mov";
  ASSERT_EQ(ConvertUNC2LocalPathName(astral.c_str(), out), 1);
  EXPECT_EQ(std::u16string(out), astral) << "surrogate pairs survive";
}

}  // namespace
