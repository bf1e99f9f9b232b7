// Every shared library exports exactly the functions of its header, which a
// host or a sibling resolves by name; nothing of the code it is built from
// may leak into the dynamic symbol table.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "tests/support/Shell.h"

namespace {

// What `nm -D --defined-only` lists, demangled.
std::set<std::string> DynamicSymbols(const std::string& library) {
  std::istringstream lines(
      zeb::test::RunCommand("nm -D --defined-only --demangle " + zeb::test::Quote(library)).output);
  std::set<std::string> names;
  std::string address, type, name;
  while (lines >> address >> type && std::getline(lines >> std::ws, name)) names.insert(name);
  return names;
}

TEST(LibraryExports, EachLibraryExportsExactlyItsFunctions) {
  const struct {
    const char* library;
    std::set<std::string> exports;
  } cases[] = {
      {ZEB_PLUGIN_LIBRARY,
       {"ZEBPlugGetProcByOrdinal", "TQGetLibInfo", "EraseCustomSettingMemory",
        "GetVideoCodecCustomSetting", "GetAudioCodecCustomSetting", "LoadQuickTime",
        "ZEBPlugSetRecoveryInterval"}},
      {ZEB_SYS_LIBRARY,
       {"ZEB_OutputW", "ZEBMSGW", "ZEB_SetLogSink", "ZEB_LoadModuleExW", "ZEB_GetFunction",
        "ZEB_CloseModule"}},
      {ZEB_IO_LIBRARY,
       {"ConvertUNC2LocalPathName", "CSoftEsBuffer::CSoftEsBuffer()",
        "CSoftEsBuffer::~CSoftEsBuffer()", "CSoftEsBuffer::Init(unsigned int)",
        "CSoftEsBuffer::PutDate(unsigned int, unsigned char const*, int, unsigned char const*, "
        "int)",
        "CSoftEsBuffer::GetDate(unsigned int*, unsigned char**, int*, unsigned char**, int*, "
        "unsigned int*)",
        "CSoftEsBuffer::SetEndOfInput()", "CSoftEsBuffer::Close()",
        "CSoftEsBuffer::Count() const"}},
      {ZEB_PROXY_LIBRARY,
       {"GetQuickTimeVideoTypeFOURCC", "GetQuickTimeAudioFOURCC", "IsQuickTimeUnCompressVideoType",
        "IsQuickTimeUnCompressAudio", "GetVideoSubType", "SARtoDAR", "DARtoSAR", "GetMpegVideoInfo",
        "GetMpegVideoRef", "GetDVVideoInfo", "GetH264FrameType"}},
      {ZEB_H264_LIBRARY,
       {"CreateH264Analyzer", "DestroyH264Analyzer", "ResetH264Analyzer",
        "GetH264VideoStreamInfo"}},
  };
  for (const auto& c : cases) EXPECT_EQ(DynamicSymbols(c.library), c.exports) << c.library;
}

}  // namespace
