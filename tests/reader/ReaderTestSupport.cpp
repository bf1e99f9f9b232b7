#include "tests/reader/ReaderTestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "zebplug/ZEBPlugOrdinals.h"

namespace zeb::test {

HostReader::HostReader(const TestPlugin& plugin) : plugin_(plugin) {
  handle_ = plugin_.Get<PFN_CreateReader>(ZEB_ORD_CreateReader)();
  EXPECT_NE(handle_, nullptr);
}

HostReader::~HostReader() { plugin_.Get<PFN_DestroyReader>(ZEB_ORD_DestroyReader)(handle_); }

OpenRequest::OpenRequest(const std::string& asciiPath) {
  const size_t units = std::min(asciiPath.size(), size_t{PLUG_SOURCE_PATH_UNITS - 1});
  std::copy_n(asciiPath.begin(), units, source.path);
}

uint32_t HostReader::Open(const std::string& asciiPath) {
  const OpenRequest request(asciiPath);
  return OpenParam(&request.param);
}

uint32_t HostReader::SetReadAhead(bool on, uint32_t size) {
  uint32_t options[PLUG_READ_OPTIONS_WORDS] = {};
  GetReadOptions(options);
  options[PLUG_READ_OPTION_READ_AHEAD] = on ? 1 : 0;
  options[PLUG_READ_OPTION_READ_AHEAD_SIZE] = size;
  return Call<PFN_SetReadOptions>(ZEB_ORD_SetReadOptions, static_cast<const uint32_t*>(options));
}

uint32_t Code(const std::string& tag) {
  uint32_t code = 0;
  for (char c : tag) code = (code << 8) | static_cast<uint8_t>(c);
  return code;
}

SPlugFrameInfo NewFrameInfo() {
  SPlugFrameInfo info{};
  info.size = sizeof(info);
  info.decodePosition = 0xFFFFFFFFu;
  info.unitCount = 1;
  info.timeValues[0] = info.timeValues[1] = info.timeValues[2] = ~uint64_t{0};
  info.presentationPosition = 0xFFFFFFFFu;
  info.frameType = 1;
  return info;
}

std::string WriteScratchMovie(const std::string& name, std::span<const uint8_t> bytes) {
  const std::string path = FixtureDir() + "/" + name + "." + std::to_string(::getpid()) + ".mov";
  WriteFile(path, bytes);
  return path;
}

std::vector<uint8_t> ToLengthPrefixed(std::span<const uint8_t> annexB, uint32_t lengthSize,
                                      bool dropLeadingParameterSets) {
  // Units start after each 00 00 00 01; emulation prevention keeps that
  // sequence out of every unit's payload.
  std::vector<std::span<const uint8_t>> units;
  size_t start = std::string::npos;
  for (size_t i = 0; i + 4 <= annexB.size(); ++i) {
    if (annexB[i] == 0 && annexB[i + 1] == 0 && annexB[i + 2] == 0 && annexB[i + 3] == 1) {
      if (start != std::string::npos) units.push_back(annexB.subspan(start, i - start));
      start = i + 4;
      i += 3;
    }
  }
  if (start != std::string::npos) units.push_back(annexB.subspan(start));
  size_t first = 0;
  while (dropLeadingParameterSets && first < units.size() && !units[first].empty() &&
         ((units[first][0] & 0x1F) == 7 || (units[first][0] & 0x1F) == 8) && first < 2) {
    ++first;
  }
  std::vector<uint8_t> out;
  for (size_t u = first; u < units.size(); ++u) {
    for (uint32_t b = lengthSize; b-- > 0;) out.push_back(uint8_t(units[u].size() >> (8 * b)));
    out.insert(out.end(), units[u].begin(), units[u].end());
  }
  return out;
}

}  // namespace zeb::test
