#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "ZEBStreamAnalysis.h"
#include "tests/support/Ffprobe.h"
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

// The bytes of a frame that ffprobe found in `file`, and the first coded
// frame of a fixture stream (tests/support/Fixtures.cpp).
std::span<const uint8_t> FrameBytes(const std::vector<uint8_t>& file,
                                    const zeb::test::ProbeFrame& frame);
std::vector<uint8_t> FirstFrame(const std::string& fixture);

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
