#include "tests/analysis/AnalysisTestSupport.h"

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>
#include <utility>

#include "framework/h264dec/include/ZEBPlugH264Dec.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Shell.h"

namespace zeb::analysis::test {

namespace {

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

std::span<const uint8_t> FrameBytes(const std::vector<uint8_t>& file,
                                    const zeb::test::ProbeFrame& frame) {
  if (frame.pos > file.size() || frame.size > file.size() - frame.pos) {
    throw std::runtime_error("ffprobe frame outside the file");
  }
  return std::span<const uint8_t>(file).subspan(frame.pos, frame.size);
}

std::vector<uint8_t> FirstFrame(const std::string& fixture) {
  const std::string path = zeb::test::Fixture(fixture);
  const std::vector<uint8_t> file = zeb::test::ReadFile(path);
  const auto bytes = FrameBytes(file, zeb::test::ProbeVideoFrames(path).at(0));
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
