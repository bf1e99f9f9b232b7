// A movie as the ffprobe tool sees it, for checking our own readers against
// it: streams and packets, one stream's fields, the picture types its
// decoder finds, and its data hash. Timestamps are in each stream's time base, which for
// QuickTime and MP4 files is 1 / the media's time scale.
#pragma once

#include <cstdint>
#include <map>
#include <span>
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
  bool hasPts = false, hasDts = false;
  int64_t pts = 0, dts = 0, duration = 0;
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

// ffprobe -show_streams -show_packets -show_data_hash sha256. `options` go
// before the file name: ffprobe applies edit lists to timestamps unless they
// hold {"-ignore_editlist", "1"}; the packets are the same either way.
ProbeResult ProbeFile(const std::string& path, const std::vector<std::string>& options = {});

// The fields of one stream, chosen by a stream specifier ("v:0", "a:1"),
// side data included ("max_bitrate"); empty when ffprobe fails.
using ProbeFields = std::map<std::string, std::string>;
ProbeFields ProbeStreamFields(const std::string& path, const std::string& stream);
// A field's value; "" when ffprobe gives none.
std::string Field(const ProbeFields& fields, const std::string& key);

// The coded frames of the first video stream in decode order, each with the
// picture type ('I', 'P', 'B') and key flag of the frame decoded from it.
struct ProbeFrame {
  uint64_t pos = 0;
  uint32_t size = 0;
  char pictType = '?';
  bool key = false;
};
std::vector<ProbeFrame> ProbeVideoFrames(const std::string& path);

// Lower-case hex SHA-256 of `bytes`, as ffprobe's data hashes spell it.
std::string Sha256Hex(std::span<const uint8_t> bytes);

}  // namespace zeb::test
