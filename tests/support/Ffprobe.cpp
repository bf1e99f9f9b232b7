#include "tests/support/Ffprobe.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>

namespace zeb::test {

namespace {

using Fields = std::map<std::string, std::string>;

// "packet|stream_index=0|pts=0|..." -> {"stream_index": "0", ...}
Fields SplitFields(const std::string& line) {
  Fields fields;
  std::stringstream parts(line);
  std::string part;
  while (std::getline(parts, part, '|')) {
    const size_t equals = part.find('=');
    if (equals != std::string::npos) fields[part.substr(0, equals)] = part.substr(equals + 1);
  }
  return fields;
}

bool ReadInteger(const Fields& fields, const char* key, int64_t& value) {
  const auto it = fields.find(key);
  if (it == fields.end() || it->second.empty() || it->second == "N/A") return false;
  value = std::strtoll(it->second.c_str(), nullptr, 0);
  return true;
}

std::string Text(const Fields& fields, const char* key) {
  const auto it = fields.find(key);
  return it == fields.end() ? std::string() : it->second;
}

ProbeStream ToStream(const Fields& fields) {
  ProbeStream stream;
  int64_t value = 0;
  if (ReadInteger(fields, "index", value)) stream.index = static_cast<int>(value);
  if (ReadInteger(fields, "id", value)) stream.trackId = static_cast<uint32_t>(value);
  stream.codecType = Text(fields, "codec_type");
  stream.codecTag = Text(fields, "codec_tag_string");
  stream.codecName = Text(fields, "codec_name");
  const std::string timeBase = Text(fields, "time_base");
  const size_t slash = timeBase.find('/');
  if (slash != std::string::npos)
    stream.timeBaseDen = static_cast<uint32_t>(std::stoul(timeBase.substr(slash + 1)));
  return stream;
}

ProbePacket ToPacket(const Fields& fields) {
  ProbePacket packet;
  int64_t value = 0;
  if (ReadInteger(fields, "stream_index", value)) packet.streamIndex = static_cast<int>(value);
  packet.hasPts = ReadInteger(fields, "pts", packet.pts);
  packet.hasDts = ReadInteger(fields, "dts", packet.dts);
  ReadInteger(fields, "duration", packet.duration);
  if (ReadInteger(fields, "size", value)) packet.size = static_cast<uint64_t>(value);
  ReadInteger(fields, "pos", packet.pos);
  const std::string flags = Text(fields, "flags");
  packet.key = flags.find('K') != std::string::npos;
  packet.discard = flags.find('D') != std::string::npos;
  const std::string hash = Text(fields, "data_hash");
  const size_t colon = hash.find(':');
  packet.sha256 = colon == std::string::npos ? hash : hash.substr(colon + 1);
  return packet;
}

std::string Quote(const std::string& text) { return "'" + text + "'"; }

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
  command += " -show_streams -show_packets -show_data_hash sha256 -of compact " + Quote(path) +
             " 2>/dev/null";
  ProbeResult result;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) {
    result.error = "cannot run ffprobe";
    return result;
  }
  std::string line;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe.get()) != nullptr) {
    line += buffer;
    if (line.empty() || line.back() != '\n') continue;
    line.pop_back();
    if (line.rfind("packet|", 0) == 0) result.packets.push_back(ToPacket(SplitFields(line)));
    if (line.rfind("stream|", 0) == 0) result.streams.push_back(ToStream(SplitFields(line)));
    line.clear();
  }
  const int status = ::pclose(pipe.release());
  result.ok = status == 0 && !result.streams.empty();
  if (!result.ok) result.error = "ffprobe failed or found no streams in " + path;
  return result;
}

}  // namespace zeb::test
