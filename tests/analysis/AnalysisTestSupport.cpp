#include "tests/analysis/AnalysisTestSupport.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>

namespace zeb::analysis::test {

namespace {

std::string Quote(const std::string& text) { return "'" + text + "'"; }

std::string RunCommand(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  std::string output;
  std::array<char, 4096> chunk{};
  while (size_t got = fread(chunk.data(), 1, chunk.size(), pipe)) output.append(chunk.data(), got);
  if (pclose(pipe) != 0) throw std::runtime_error("failed: " + command);
  return output;
}

std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

// ffprobe -of flat lines "<section>.<kind>.<index>.<key>=<value>". Nested keys
// (side data: "side_data_list.side_data.0.max_bitrate") are kept when asked.
std::map<size_t, std::map<std::string, std::string>> ParseFlat(const std::string& text,
                                                               const std::string& prefix,
                                                               bool keepNested) {
  std::map<size_t, std::map<std::string, std::string>> entries;
  size_t lineStart = 0;
  while (lineStart < text.size()) {
    size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const std::string line = text.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    if (line.rfind(prefix, 0) != 0) continue;
    const size_t indexEnd = line.find('.', prefix.size());
    const size_t equals = line.find('=');
    if (indexEnd == std::string::npos || equals == std::string::npos || equals < indexEnd) continue;
    const std::string key = line.substr(indexEnd + 1, equals - indexEnd - 1);
    if (!keepNested && key.find('.') != std::string::npos) continue;
    const size_t index = std::stoul(line.substr(prefix.size(), indexEnd - prefix.size()));
    entries[index][key] = Unquote(line.substr(equals + 1));
  }
  return entries;
}

std::string ProgramFolder() {
  std::array<char, 4096> path{};
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (length <= 0) throw std::runtime_error("cannot find the test program's path");
  const std::string program(path.data(), static_cast<size_t>(length));
  return program.substr(0, program.rfind('/') + 1);
}

}  // namespace

std::string MakeFixture(const FixtureRecipe& recipe) {
  // The name carries a digest of the recipe, so a changed recipe makes a new file.
  const std::string key = recipe.size + recipe.rate + std::to_string(recipe.frames) + recipe.args;
  const std::filesystem::path named = recipe.file;
  const std::filesystem::path folder = ZEB_ANALYSIS_FIXTURE_DIR;
  const size_t digest = std::hash<std::string>{}(key) % 1'000'000;
  const std::string name =
      named.stem().string() + "-" + std::to_string(digest) + named.extension().string();
  const std::filesystem::path target = folder / name;
  if (std::filesystem::exists(target)) return target.string();
  std::filesystem::create_directories(folder);
  // Test processes run in parallel: each writes its own file and renames it.
  const std::string partial = target.string() + ".part" + std::to_string(getpid()) +
                              target.extension().string();
  RunCommand("ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=size=" +
             recipe.size + ":rate=" + recipe.rate + " -frames:v " + std::to_string(recipe.frames) +
             " " + recipe.args + " " + Quote(partial));
  std::filesystem::rename(partial, target);
  return target.string();
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::map<std::string, std::string> ProbeStream(const std::string& path) {
  const std::string text =
      RunCommand("ffprobe -v error -select_streams v:0 -show_streams -of flat " + Quote(path));
  auto streams = ParseFlat(text, "streams.stream.", true);
  return streams.empty() ? std::map<std::string, std::string>{} : streams.begin()->second;
}

std::vector<ProbedFrame> ProbeFrames(const std::string& path) {
  const std::string packets = RunCommand(
      "ffprobe -v error -select_streams v:0 -show_entries packet=pos,size -of flat " + Quote(path));
  const std::string frames = RunCommand(
      "ffprobe -v error -select_streams v:0 -show_entries frame=pkt_pos,pict_type,key_frame "
      "-of flat " + Quote(path));
  std::map<uint64_t, std::map<std::string, std::string>> framesByPosition;
  for (auto& [index, frame] : ParseFlat(frames, "frames.frame.", false)) {
    framesByPosition[std::stoull(frame["pkt_pos"])] = frame;
  }
  std::vector<ProbedFrame> result;
  for (auto& [index, packet] : ParseFlat(packets, "packets.packet.", false)) {
    ProbedFrame probed;
    probed.pos = std::stoull(packet["pos"]);
    probed.size = static_cast<uint32_t>(std::stoul(packet["size"]));
    auto& frame = framesByPosition[probed.pos];
    probed.pictType = frame["pict_type"];
    probed.keyFrame = frame["key_frame"] == "1";
    result.push_back(probed);
  }
  return result;
}

std::span<const uint8_t> FrameBytes(const std::vector<uint8_t>& file, const ProbedFrame& frame) {
  if (frame.pos > file.size() || frame.size > file.size() - frame.pos) {
    throw std::runtime_error("ffprobe frame outside the file");
  }
  return std::span<const uint8_t>(file).subspan(frame.pos, frame.size);
}

std::pair<uint32_t, uint32_t> ParseRatio(const std::string& text) {
  const size_t colon = text.find_first_of(":/");
  if (colon == std::string::npos) return {0, 0};
  const uint32_t num = static_cast<uint32_t>(std::stoul(text.substr(0, colon)));
  const uint32_t den = static_cast<uint32_t>(std::stoul(text.substr(colon + 1)));
  if (num == 0 || den == 0) return {0, 0};
  return {num, den};
}

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> joined;
  for (const auto& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

std::string H264AnalyzerPlugin::Path() { return ProgramFolder() + "libZEBPlugH264Dec.so"; }

H264AnalyzerPlugin::H264AnalyzerPlugin() : module_(dlopen(Path().c_str(), RTLD_NOW | RTLD_LOCAL)) {
  if (module_ == nullptr) return;
  create_ = reinterpret_cast<ZEBCreateH264AnalyzerFn>(dlsym(module_, "CreateH264Analyzer"));
  destroy_ = reinterpret_cast<ZEBDestroyH264AnalyzerFn>(dlsym(module_, "DestroyH264Analyzer"));
  reset_ = reinterpret_cast<ZEBResetH264AnalyzerFn>(dlsym(module_, "ResetH264Analyzer"));
  analyse_ =
      reinterpret_cast<ZEBGetH264VideoStreamInfoFn>(dlsym(module_, "GetH264VideoStreamInfo"));
}

H264AnalyzerPlugin::~H264AnalyzerPlugin() {
  if (module_ != nullptr) dlclose(module_);
}

BitWriter& BitWriter::Bits(uint32_t value, unsigned count) {
  for (unsigned i = count; i-- > 0;) {
    if (bitCount_ % 8 == 0) bytes_.push_back(0);
    const uint32_t bit = (value >> i) & 1u;
    bytes_.back() = static_cast<uint8_t>(bytes_.back() | (bit << (7 - bitCount_ % 8)));
    ++bitCount_;
  }
  return *this;
}

BitWriter& BitWriter::Ue(uint32_t value) {
  const uint64_t code = uint64_t{value} + 1;
  unsigned length = 0;
  while ((code >> length) > 1) ++length;
  Bits(0, length);
  return Bits(1, 1).Bits(static_cast<uint32_t>(code - (uint64_t{1} << length)), length);
}

BitWriter& BitWriter::Se(int32_t value) {
  const int64_t wide = value;
  return Ue(static_cast<uint32_t>(wide > 0 ? wide * 2 - 1 : -wide * 2));
}

std::vector<uint8_t> BitWriter::Nal(uint8_t refIdc, uint8_t type) {
  Bits(1, 1);
  while (bitCount_ % 8 != 0) Bits(0, 1);
  std::vector<uint8_t> nal = {0, 0, 0, 1, static_cast<uint8_t>((refIdc << 5) | type)};
  unsigned zeros = 0;
  for (uint8_t byte : bytes_) {
    if (zeros >= 2 && byte <= 3) {
      nal.push_back(3);
      zeros = 0;
    }
    nal.push_back(byte);
    zeros = byte == 0 ? zeros + 1 : 0;
  }
  bytes_.clear();
  bitCount_ = 0;
  return nal;
}

std::vector<uint8_t> BitWriter::MpegUnit(uint8_t startCode) {
  std::vector<uint8_t> unit = Join({{0, 0, 1, startCode}, bytes_});
  bytes_.clear();
  bitCount_ = 0;
  return unit;
}

}  // namespace zeb::analysis::test
