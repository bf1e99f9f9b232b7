#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "ZEBStreamAnalysis.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugRecords.h"

namespace zeb::analysis::test {

// Short names for the values the analyser tables compare.
inline constexpr uint32_t kTop = PLUG_FIELD_ORDER_TOP_FIRST_;
inline constexpr uint32_t kBottom = PLUG_FIELD_ORDER_BOTTOM_FIRST_;
inline constexpr uint32_t kProgressive = PLUG_FIELD_ORDER_PROGRESSIVE_;
inline constexpr uint32_t kComplete = ZEB_ANALYSIS_COMPLETE;
inline constexpr uint32_t kNeedMore = ZEB_ANALYSIS_NEED_MORE;
inline constexpr uint32_t kInvalid = ZEB_ANALYSIS_INVALID;

// A movie made once with the ffmpeg tool from its test pattern into the build
// folder's fixtures-analysis directory (kept between runs; the file name gets
// a digest of the recipe):
//   ffmpeg -f lavfi -i testsrc2=size=<size>:rate=<rate> -frames:v <frames> <args> <file>
struct FixtureRecipe {
  std::string file;  // name inside the fixture folder; its extension picks the container
  std::string size;
  std::string rate;
  int frames = 0;
  std::string args;
};
std::string MakeFixture(const FixtureRecipe& recipe);

std::string RunCommand(const std::string& command);
std::vector<uint8_t> ReadFileBytes(const std::string& path);

// ffprobe's key=value description of the first video stream, its side data
// ("max_bitrate") included.
std::map<std::string, std::string> ProbeStream(const std::string& path);

// One coded frame as ffprobe splits the stream, in decode order, with the
// picture type of the frame decoded from it ("I", "P", "B").
struct ProbedFrame {
  uint64_t pos = 0;
  uint32_t size = 0;
  std::string pictType;
  bool keyFrame = false;
};
std::vector<ProbedFrame> ProbeFrames(const std::string& path);
std::span<const uint8_t> FrameBytes(const std::vector<uint8_t>& file, const ProbedFrame& frame);

// The first coded frame of a fixture; of a DV fixture, its first DIF frame.
std::vector<uint8_t> FirstFrame(const FixtureRecipe& recipe);

// Names the instances of a parameterised test after their case's name.
inline constexpr auto kCaseName = [](const auto& info) { return std::string(info.param.name); };

// One analyser of the H.264 plug-in, which is loaded the way the reader loads
// it: by path from the folder of the running program, functions by name.
class H264Analyzer {
 public:
  H264Analyzer();
  ~H264Analyzer();
  H264Analyzer(const H264Analyzer&) = delete;
  H264Analyzer& operator=(const H264Analyzer&) = delete;

  uint32_t Feed(std::span<const uint8_t> bytes, SPlugVideoStreamInfo* info) const;
  void Reset() const;
  static std::string PluginPath();

 private:
  void* analyzer_;
};

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts);

// Writes syntax for byte-built streams: bits, Exp-Golomb codes, and finished
// units behind a start code (H.264 NAL units escaped, MPEG units as written).
class BitWriter {
 public:
  BitWriter& Bits(uint32_t value, unsigned count);
  BitWriter& Flag(bool value) { return Bits(value ? 1 : 0, 1); }
  BitWriter& Ue(uint32_t value);
  BitWriter& Se(int32_t value);
  // Appends 00 00 00 01, the NAL header and the escaped RBSP (with its stop bit).
  std::vector<uint8_t> Nal(uint8_t refIdc, uint8_t type);
  // Appends 00 00 01, the start-code value and the bits, zero-padded to a byte.
  std::vector<uint8_t> MpegUnit(uint8_t startCode);

 private:
  std::vector<uint8_t> Take();

  std::vector<uint8_t> bytes_;
  unsigned bitCount_ = 0;
};

}  // namespace zeb::analysis::test
