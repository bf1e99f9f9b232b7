#include "tests/reader/ReaderTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
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

uint32_t HostReader::Open(const std::string& utf8Path) {
  std::u16string units;
  // Test paths are ASCII.
  for (char c : utf8Path) units.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return OpenUnits(units);
}

uint32_t HostReader::OpenUnits(const std::u16string& path) {
  auto source = std::make_unique<SPlugSourceDesc>();
  const size_t units = std::min(path.size(), size_t{PLUG_SOURCE_PATH_UNITS - 1});
  std::copy_n(path.begin(), units, source->path);
  SPlugOpenParam param{1, source.get()};
  return OpenParam(&param);
}

uint32_t HostReader::OpenParam(const SPlugOpenParam* param) {
  return plugin_.Get<PFN_OpenReader>(ZEB_ORD_OpenReader)(handle_, param, 0, 0);
}

uint32_t HostReader::ProgramCount() {
  return plugin_.Get<PFN_GetProgramCount>(ZEB_ORD_GetProgramCount)(handle_);
}
uint32_t HostReader::VideoStreamCount() {
  return plugin_.Get<PFN_GetVideoStreamCount>(ZEB_ORD_GetVideoStreamCount)(handle_, 0);
}
uint32_t HostReader::AudioStreamCount() {
  return plugin_.Get<PFN_GetAudioStreamCount>(ZEB_ORD_GetAudioStreamCount)(handle_, 0);
}
uint32_t HostReader::State() {
  return plugin_.Get<PFN_GetReaderState>(ZEB_ORD_GetReaderState)(handle_);
}
uint32_t HostReader::MaxVideoFrameSize() {
  return plugin_.Get<PFN_GetMaxVideoFrameSize>(ZEB_ORD_GetMaxVideoFrameSize)(handle_);
}
uint32_t HostReader::VideoInfo(uint32_t index, SPlugStreamInfo* info, uint32_t program) {
  return plugin_.Get<PFN_GetVideoStreamInfo>(ZEB_ORD_GetVideoStreamInfo)(handle_, program, index,
                                                                         info);
}
uint32_t HostReader::AudioInfo(uint32_t index, SPlugStreamInfo* info, uint32_t program) {
  return plugin_.Get<PFN_GetAudioStreamInfo>(ZEB_ORD_GetAudioStreamInfo)(handle_, program, index,
                                                                         info);
}
uint32_t HostReader::Select(uint32_t video, uint32_t audio, uint32_t program) {
  return plugin_.Get<PFN_SelectStreams>(ZEB_ORD_SelectStreams)(handle_, program, video, 0, audio);
}
uint32_t HostReader::SetReadOptions(const uint32_t* options) {
  return plugin_.Get<PFN_SetReadOptions>(ZEB_ORD_SetReadOptions)(handle_, options);
}
uint32_t HostReader::GetReadOptions(uint32_t* options) {
  return plugin_.Get<PFN_GetReadOptions>(ZEB_ORD_GetReadOptions)(handle_, options);
}
uint32_t HostReader::SetReadAhead(bool on, uint32_t size) {
  uint32_t options[PLUG_READ_OPTIONS_WORDS] = {};
  GetReadOptions(options);
  options[PLUG_READ_OPTION_READ_AHEAD] = on ? 1 : 0;
  options[PLUG_READ_OPTION_READ_AHEAD_SIZE] = size;
  return SetReadOptions(options);
}

uint32_t HostReader::Read(uint32_t index, uint8_t* buffer, SPlugFrameInfo* info) {
  return plugin_.Get<PFN_ReadVideoFrame>(ZEB_ORD_ReadVideoFrame)(handle_, index, buffer, info);
}
uint32_t HostReader::ReadShared(uint32_t index, uint8_t** buffer, SPlugFrameInfo* info) {
  return plugin_.Get<PFN_ReadVideoFrameShared>(ZEB_ORD_ReadVideoFrameShared)(handle_, index,
                                                                             buffer, info);
}
uint32_t HostReader::ReadKeyFrameBefore(uint32_t index, uint8_t** buffer, SPlugFrameInfo* info) {
  return plugin_.Get<PFN_ReadKeyFrameBefore>(ZEB_ORD_ReadKeyFrameBefore)(handle_, index, buffer,
                                                                         info);
}
uint32_t HostReader::PeekKeyFrameBefore(uint32_t index, SPlugFrameInfo* info) {
  return plugin_.Get<PFN_PeekKeyFrameBefore>(ZEB_ORD_PeekKeyFrameBefore)(handle_, index, info);
}
uint32_t HostReader::ReadCurrent(uint8_t** buffer, SPlugFrameInfo* info) {
  return plugin_.Get<PFN_ReadCurrentVideoFrame>(ZEB_ORD_ReadCurrentVideoFrame)(handle_, buffer,
                                                                               info);
}
uint32_t HostReader::ReadCurrentInfo(SPlugFrameInfo* info) {
  return plugin_.Get<PFN_ReadCurrentFrameInfo>(ZEB_ORD_ReadCurrentFrameInfo)(handle_, info);
}
uint32_t HostReader::PeekNextReference(uint32_t index, SPlugFrameInfo* info) {
  return plugin_.Get<PFN_PeekNextReferenceFrame>(ZEB_ORD_PeekNextReferenceFrame)(handle_, index,
                                                                                 info);
}
uint32_t HostReader::ReadAudio(uint32_t start, uint32_t count, uint8_t* buffer,
                               SPlugFrameInfo* info) {
  return plugin_.Get<PFN_ReadAudioSamples>(ZEB_ORD_ReadAudioSamples)(handle_, start, count,
                                                                     buffer, info);
}
uint32_t HostReader::ReadAudioAlt(uint32_t start, uint32_t count, uint8_t** buffer,
                                  SPlugFrameInfo* info) {
  return plugin_.Get<PFN_ReadAudioSamplesAlt>(ZEB_ORD_ReadAudioSamplesAlt)(handle_, start, count,
                                                                           buffer, info);
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
                                                                   int streamIndex) {
  std::vector<std::pair<std::string, std::string>> fields;
  const auto lines =
      Lines(CommandOutput("ffprobe -v error -select_streams " + std::to_string(streamIndex) +
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
