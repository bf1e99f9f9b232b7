// Owners of the libav objects the codec bridge holds; each frees its object
// with libav's own release call.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

namespace zeb::codec {

struct CodecContextRelease {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct FrameRelease {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketRelease {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ScalerRelease {
  void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextRelease>;
using FramePtr = std::unique_ptr<AVFrame, FrameRelease>;
using PacketPtr = std::unique_ptr<AVPacket, PacketRelease>;
using ScalerPtr = std::unique_ptr<SwsContext, ScalerRelease>;

}  // namespace zeb::codec
