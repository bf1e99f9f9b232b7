#include "tests/support/Ffprobe.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "tests/support/Shell.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/sha.h>
}

namespace zeb::test {

namespace {

// "a=1<separator>b=2" as {a: 1, b: 2}, keeping the first value of a key.
ProbeFields KeyValues(const std::string& text, char separator) {
  ProbeFields fields;
  std::istringstream parts(text);
  for (std::string part; std::getline(parts, part, separator);) {
    const size_t equals = part.find('=');
    if (equals != std::string::npos)
      fields.emplace(part.substr(0, equals), part.substr(equals + 1));
  }
  return fields;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// The field as a number; false for a missing field or "N/A".
bool ReadInteger(const ProbeFields& fields, const char* key, int64_t& value) {
  const std::string text = Field(fields, key);
  if (text.empty() || text == "N/A") return false;
  value = std::strtoll(text.c_str(), nullptr, 0);
  return true;
}

int64_t Integer(const ProbeFields& fields, const char* key) {
  int64_t value = -1;
  ReadInteger(fields, key, value);
  return value;
}

ProbeStream ToStream(const ProbeFields& fields) {
  ProbeStream stream;
  stream.index = static_cast<int>(Integer(fields, "index"));
  stream.trackId = static_cast<uint32_t>(std::max<int64_t>(Integer(fields, "id"), 0));
  stream.codecType = Field(fields, "codec_type");
  stream.codecTag = Field(fields, "codec_tag_string");
  stream.codecName = Field(fields, "codec_name");
  const std::string timeBase = Field(fields, "time_base");
  const size_t slash = timeBase.find('/');
  if (slash != std::string::npos)
    stream.timeBaseDen = static_cast<uint32_t>(std::stoul(timeBase.substr(slash + 1)));
  return stream;
}

ProbePacket ToPacket(const ProbeFields& fields) {
  ProbePacket packet;
  packet.streamIndex = static_cast<int>(Integer(fields, "stream_index"));
  packet.hasPts = ReadInteger(fields, "pts", packet.pts);
  packet.hasDts = ReadInteger(fields, "dts", packet.dts);
  ReadInteger(fields, "duration", packet.duration);
  packet.size = static_cast<uint64_t>(std::max<int64_t>(Integer(fields, "size"), 0));
  ReadInteger(fields, "pos", packet.pos);
  const std::string flags = Field(fields, "flags");
  packet.key = flags.find('K') != std::string::npos;
  packet.discard = flags.find('D') != std::string::npos;
  const std::string hash = Field(fields, "data_hash");
  packet.sha256 = hash.substr(hash.find(':') + 1);
  return packet;
}

}  // namespace

std::vector<ProbePacket> ProbeResult::PacketsOf(int streamIndex) const {
  std::vector<ProbePacket> selected;
  for (const ProbePacket& packet : packets) {
    if (packet.streamIndex == streamIndex) selected.push_back(packet);
  }
  return selected;
}

ProbeResult ProbeFile(const std::string& path, const std::vector<std::string>& options) {
  std::string command = "ffprobe -v error";
  for (const std::string& option : options) command += " " + Quote(option);
  const CommandResult run =
      RunCommand(command + " -show_streams -show_packets -show_data_hash sha256 -of compact " +
                 Quote(path) + " 2>/dev/null");
  ProbeResult result;
  for (const std::string& line : Lines(run.output)) {
    if (line.starts_with("packet|")) result.packets.push_back(ToPacket(KeyValues(line, '|')));
    if (line.starts_with("stream|")) result.streams.push_back(ToStream(KeyValues(line, '|')));
  }
  result.ok = run.exitCode == 0 && !result.streams.empty();
  if (!result.ok) result.error = "ffprobe failed or found no streams in " + path;
  return result;
}

ProbeFields ProbeStreamFields(const std::string& path, const std::string& stream) {
  return KeyValues(RunCommand("ffprobe -v error -select_streams " + stream +
                              " -show_streams -of default=noprint_wrappers=1 " + Quote(path))
                       .output,
                   '\n');
}

std::string Field(const ProbeFields& fields, const std::string& key) {
  const auto found = fields.find(key);
  return found == fields.end() ? std::string() : found->second;
}

std::vector<ProbeFrame> ProbeVideoFrames(const std::string& path) {
  const std::string output =
      RunCommand(
          "ffprobe -v error -select_streams v:0 -show_entries "
          "packet=pos,size:frame=pkt_pos,pict_type,key_frame -of csv=nokey=0 " +
          Quote(path))
          .output;
  std::vector<ProbeFrame> frames;
  // Frames leave the decoder in display order; they find their packet by position.
  std::map<int64_t, ProbeFields> decodedAt;
  for (const std::string& line : Lines(output)) {
    const ProbeFields fields = KeyValues(line, ',');
    if (line.starts_with("packet,")) {
      frames.push_back({static_cast<uint64_t>(Integer(fields, "pos")),
                        static_cast<uint32_t>(Integer(fields, "size"))});
    } else if (line.starts_with("frame,")) {
      decodedAt[Integer(fields, "pkt_pos")] = fields;
    }
  }
  for (ProbeFrame& frame : frames) {
    const ProbeFields& decoded = decodedAt[static_cast<int64_t>(frame.pos)];
    frame.pictType = Field(decoded, "pict_type").append("?")[0];
    frame.key = Field(decoded, "key_frame") == "1";
  }
  return frames;
}

std::string Sha256Hex(std::span<const uint8_t> bytes) {
  const std::unique_ptr<AVSHA, decltype(&av_free)> sha(av_sha_alloc(), &av_free);
  av_sha_init(sha.get(), 256);
  av_sha_update(sha.get(), bytes.data(), bytes.size());
  uint8_t digest[32];
  av_sha_final(sha.get(), digest);
  std::string hex;
  for (const uint8_t byte : digest) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", byte);
    hex += two;
  }
  return hex;
}

}  // namespace zeb::test
