#include "tests/reader/ReaderTestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

#include "tests/support/Fixtures.h"
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

std::string Fixture(const std::string& name) {
  std::string error;
  const std::string path = FixturePath(name, error);
  EXPECT_FALSE(path.empty()) << name << ": " << error;
  return path;
}

std::vector<uint8_t> FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string WriteScratchMovie(const std::string& name, std::span<const uint8_t> bytes) {
  const std::string path = FixtureDir() + "/" + name + "." + std::to_string(::getpid()) + ".mov";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  return path;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

std::vector<uint8_t> CommandOutput(const std::string& command) {
  std::vector<uint8_t> bytes;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return bytes;
  uint8_t chunk[65536];
  size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, pipe.get())) > 0) {
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return bytes;
}

namespace {

std::vector<std::string> Lines(const std::vector<uint8_t>& bytes) {
  std::vector<std::string> lines;
  std::stringstream text(std::string(bytes.begin(), bytes.end()));
  std::string line;
  while (std::getline(text, line)) lines.push_back(line);
  return lines;
}

}  // namespace

std::vector<ProbeFrameType> ProbeVideoFrameTypes(const std::string& path) {
  std::vector<ProbeFrameType> frames;
  const auto lines = Lines(CommandOutput(
      "ffprobe -v error -select_streams v:0 -show_entries frame=pkt_pos,pict_type -of csv=p=0 " +
      Quoted(path)));
  for (const std::string& line : lines) {
    const size_t comma = line.find(',');
    if (comma == std::string::npos || comma + 1 >= line.size()) continue;
    frames.push_back({std::stoll(line.substr(0, comma)), line[comma + 1]});
  }
  return frames;
}

std::vector<std::pair<std::string, std::string>> ProbeStreamFields(const std::string& path,
                                                                   const std::string& stream) {
  std::vector<std::pair<std::string, std::string>> fields;
  const auto lines = Lines(CommandOutput("ffprobe -v error -select_streams " + stream +
                                         " -show_streams -of flat=s=_ " + Quoted(path)));
  // streams_stream_0_width=160
  const std::string prefix = "streams_stream_0_";
  for (const std::string& line : lines) {
    const size_t equals = line.find('=');
    if (line.rfind(prefix, 0) != 0 || equals == std::string::npos) continue;
    std::string value = line.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
    fields.emplace_back(line.substr(prefix.size(), equals - prefix.size()), value);
  }
  return fields;
}

std::string Field(const std::vector<std::pair<std::string, std::string>>& fields,
                  const std::string& key) {
  for (const auto& [name, value] : fields) {
    if (name == key) return value;
  }
  return {};
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
