// Streams and packets of a movie as the ffprobe tool sees them, for checking
// our own readers against it. Runs
//   ffprobe <options> -show_streams -show_packets -show_data_hash sha256 -of compact <file>
// and keeps the fields below. Timestamps are in each stream's time base,
// which for QuickTime and MP4 files is 1 / the media's time scale.
//
// ffprobe applies edit lists to timestamps unless `options` holds
// {"-ignore_editlist", "1"}; the packets themselves are the same either way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeb::test {

struct ProbeStream {
  int index = -1;
  uint32_t trackId = 0;   // ffprobe's stream id: the track ID for QuickTime and MP4
  std::string codecType;  // "video", "audio", "data", ...
  std::string codecTag;   // four characters, e.g. "avc1"
  std::string codecName;  // e.g. "h264"
  uint32_t timeBaseDen = 0;
};

struct ProbePacket {
  int streamIndex = -1;
  bool hasPts = false;
  bool hasDts = false;
  int64_t pts = 0;
  int64_t dts = 0;
  int64_t duration = 0;
  uint64_t size = 0;
  int64_t pos = -1;      // file offset; -1 when ffprobe does not know
  bool key = false;      // flags K
  bool discard = false;  // flags D
  std::string sha256;    // lower-case hex of the packet's bytes
};

struct ProbeResult {
  bool ok = false;
  std::string error;
  std::vector<ProbeStream> streams;
  std::vector<ProbePacket> packets;

  std::vector<ProbePacket> PacketsOf(int streamIndex) const;
};

// `options` go before the file name (demuxer options such as -ignore_editlist).
ProbeResult ProbeFile(const std::string& path, const std::vector<std::string>& options = {});

}  // namespace zeb::test
