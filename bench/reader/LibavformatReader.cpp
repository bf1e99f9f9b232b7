#include "bench/reader/LibavformatReader.h"

#include "bench/reader/BenchSupport.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace zeb::bench {

PacketTotals ReadVideoPackets(const std::string& path) {
  PacketTotals totals;
  AVFormatContext* context = nullptr;
  if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) != 0) return totals;
  const int video = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  AVPacket* packet = av_packet_alloc();
  totals.loopSeconds = Seconds([&] {
    while (video >= 0 && av_read_frame(context, packet) == 0) {
      if (packet->stream_index == video) {
        ++totals.packets;
        totals.bytes += uint64_t(packet->size);
      }
      av_packet_unref(packet);
    }
  });
  av_packet_free(&packet);
  avformat_close_input(&context);
  totals.ok = video >= 0;
  return totals;
}

bool OpenAndFindStreamInfo(const std::string& path) {
  AVFormatContext* context = nullptr;
  if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) != 0) return false;
  const bool found = avformat_find_stream_info(context, nullptr) >= 0;
  avformat_close_input(&context);
  return found;
}

int64_t FirstVideoPacketPosition(const std::string& path) {
  AVFormatContext* context = nullptr;
  if (avformat_open_input(&context, path.c_str(), nullptr, nullptr) != 0) return -1;
  const int video = av_find_best_stream(context, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  AVPacket* packet = av_packet_alloc();
  int64_t position = -1;
  while (video >= 0 && position < 0 && av_read_frame(context, packet) == 0) {
    if (packet->stream_index == video) position = packet->pos;
    av_packet_unref(packet);
  }
  av_packet_free(&packet);
  avformat_close_input(&context);
  return position;
}

}  // namespace zeb::bench
