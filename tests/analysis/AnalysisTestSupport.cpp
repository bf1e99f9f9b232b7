#include "tests/analysis/AnalysisTestSupport.h"

#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "framework/h264dec/include/ZEBPlugH264Dec.h"

namespace zeb::analysis::test {

namespace {

std::string Quote(const std::string& text) { return "'" + text + "'"; }

// Splits "a=1<separator>b=2" into {a: 1, b: 2}, keeping the first value of a
// key; parts without '=' are left out.
std::map<std::string, std::string> KeyValues(const std::string& text, char separator) {
  std::map<std::string, std::string> values;
  std::istringstream parts(text);
  for (std::string part; std::getline(parts, part, separator);) {
    const size_t equals = part.find('=');
    if (equals != std::string::npos) {
      values.emplace(part.substr(0, equals), part.substr(equals + 1));
    }
  }
  return values;
}

struct H264Plugin {
  ZEBCreateH264AnalyzerFn create;
  ZEBDestroyH264AnalyzerFn destroy;
  ZEBResetH264AnalyzerFn reset;
  ZEBGetH264VideoStreamInfoFn analyse;
};

template <class Function>
Function Symbol(void* module, const char* name) {
  void* found = module == nullptr ? nullptr : dlsym(module, name);
  if (found == nullptr) throw std::runtime_error(H264Analyzer::PluginPath() + " lacks " + name);
  return reinterpret_cast<Function>(found);
}

// Loaded once and kept for the life of the test process.
const H264Plugin& Plugin() {
  static const H264Plugin plugin = [] {
    void* module = dlopen(H264Analyzer::PluginPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    return H264Plugin{Symbol<ZEBCreateH264AnalyzerFn>(module, "CreateH264Analyzer"),
                      Symbol<ZEBDestroyH264AnalyzerFn>(module, "DestroyH264Analyzer"),
                      Symbol<ZEBResetH264AnalyzerFn>(module, "ResetH264Analyzer"),
                      Symbol<ZEBGetH264VideoStreamInfoFn>(module, "GetH264VideoStreamInfo")};
  }();
  return plugin;
}

}  // namespace

std::string RunCommand(const std::string& command) {
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  std::string output;
  std::array<char, 4096> chunk{};
  while (size_t got = fread(chunk.data(), 1, chunk.size(), pipe)) output.append(chunk.data(), got);
  if (pclose(pipe) != 0) throw std::runtime_error("failed: " + command);
  return output;
}

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
  const std::string partial =
      target.string() + ".part" + std::to_string(getpid()) + target.extension().string();
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
  return KeyValues(RunCommand("ffprobe -v error -select_streams v:0 -show_streams "
                              "-of default=noprint_wrappers=1 " +
                              Quote(path)),
                   '\n');
}

std::vector<ProbedFrame> ProbeFrames(const std::string& path) {
  std::istringstream lines(
      RunCommand("ffprobe -v error -select_streams v:0 -show_entries "
                 "packet=pos,size:frame=pkt_pos,pict_type,key_frame -of csv=nokey=0 " +
                 Quote(path)));
  std::vector<ProbedFrame> packets;
  // Frames leave the decoder in display order; they are matched to packets by position.
  std::map<uint64_t, std::map<std::string, std::string>> framesByPosition;
  for (std::string line; std::getline(lines, line);) {
    auto values = KeyValues(line, ',');
    if (line.starts_with("packet,")) {
      const auto size = static_cast<uint32_t>(std::stoul(values["size"]));
      packets.push_back({std::stoull(values["pos"]), size, "", false});
    } else if (line.starts_with("frame,")) {
      framesByPosition[std::stoull(values["pkt_pos"])] = values;
    }
  }
  for (ProbedFrame& packet : packets) {
    auto& frame = framesByPosition[packet.pos];
    packet.pictType = frame["pict_type"];
    packet.keyFrame = frame["key_frame"] == "1";
  }
  return packets;
}

std::span<const uint8_t> FrameBytes(const std::vector<uint8_t>& file, const ProbedFrame& frame) {
  if (frame.pos > file.size() || frame.size > file.size() - frame.pos) {
    throw std::runtime_error("ffprobe frame outside the file");
  }
  return std::span<const uint8_t>(file).subspan(frame.pos, frame.size);
}

std::vector<uint8_t> FirstFrame(const FixtureRecipe& recipe) {
  const std::string path = MakeFixture(recipe);
  auto file = ReadFileBytes(path);
  if (recipe.file.ends_with(".dv")) {
    file.resize(file.size() / static_cast<size_t>(recipe.frames));
    return file;
  }
  const auto bytes = FrameBytes(file, ProbeFrames(path).front());
  return {bytes.begin(), bytes.end()};
}

std::string H264Analyzer::PluginPath() {
  const std::string program = std::filesystem::read_symlink("/proc/self/exe").string();
  return program.substr(0, program.rfind('/') + 1) + "libZEBPlugH264Dec.so";
}

H264Analyzer::H264Analyzer() : analyzer_(Plugin().create(0)) {
  if (analyzer_ == nullptr) throw std::runtime_error("the plug-in made no analyser");
}

H264Analyzer::~H264Analyzer() { Plugin().destroy(analyzer_); }

uint32_t H264Analyzer::Feed(std::span<const uint8_t> bytes, SPlugVideoStreamInfo* info) const {
  return Plugin().analyse(analyzer_, info, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

void H264Analyzer::Reset() const { Plugin().reset(analyzer_); }

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> joined;
  for (const auto& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
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

std::vector<uint8_t> BitWriter::Take() {
  bitCount_ = 0;
  return std::exchange(bytes_, {});
}

std::vector<uint8_t> BitWriter::Nal(uint8_t refIdc, uint8_t type) {
  Bits(1, 1);
  std::vector<uint8_t> nal = {0, 0, 0, 1, static_cast<uint8_t>((refIdc << 5) | type)};
  unsigned zeros = 0;
  for (uint8_t byte : Take()) {
    if (zeros >= 2 && byte <= 3) {
      nal.push_back(3);
      zeros = 0;
    }
    nal.push_back(byte);
    zeros = byte == 0 ? zeros + 1 : 0;
  }
  return nal;
}

std::vector<uint8_t> BitWriter::MpegUnit(uint8_t startCode) {
  return Join({{0, 0, 1, startCode}, Take()});
}

}  // namespace zeb::analysis::test
