// The reference: libavformat reading the same movies, packet by packet.
#pragma once

#include <cstdint>
#include <string>

namespace zeb::bench {

struct PacketTotals {
  bool ok = false;
  uint64_t packets = 0;
  uint64_t bytes = 0;
  double loopSeconds = 0;  // the av_read_frame loop alone, without the open
};

// Every packet of the first video stream through av_read_frame.
PacketTotals ReadVideoPackets(const std::string& path);
// avformat_open_input and avformat_find_stream_info, then close.
bool OpenAndFindStreamInfo(const std::string& path);
// The file offset of the first video packet, or -1.
int64_t FirstVideoPacketPosition(const std::string& path);

}  // namespace zeb::bench
