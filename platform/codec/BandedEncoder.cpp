#include "platform/codec/BandedEncoder.h"

#include <algorithm>
#include <atomic>
#include <span>
#include <system_error>
#include <thread>

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace zeb::codec {

std::unique_ptr<BandedEncoder> BandedEncoder::Make(const BandCoding& coding,
                                                   const AVCodecContext& whole, int threads,
                                                   const OpenBandCoder& open) {
  const int rows = (whole.height + coding.rowLines - 1) / coding.rowLines;
  const int count = std::min(threads * kBandsAThread, rows / kMinimumBandRows);
  if (threads < 2 || count < 2 || (whole.flags & AV_CODEC_FLAG_INTERLACED_DCT) != 0) {
    return nullptr;
  }
  std::unique_ptr<BandedEncoder> encoder(new BandedEncoder(coding, whole.height, threads));
  encoder->bands_.resize(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) {
    Band& band = encoder->bands_[static_cast<size_t>(i)];
    band.firstLine = rows * i / count * coding.rowLines;
    const int endLine = std::min(whole.height, rows * (i + 1) / count * coding.rowLines);
    AVDictionary* options = nullptr;
    const bool inherited = coding.inherit(whole, &options);
    band.coder = inherited ? open(endLine - band.firstLine, &options) : nullptr;
    av_dict_free(&options);
    if (!band.coder || !band.view || !band.packet) return nullptr;
  }
  return encoder;
}

// The band's lines of `picture`, sharing its buffers.
void BandedEncoder::EncodeBand(const AVFrame& picture, Band& band) {
  band.coded = false;
  AVFrame* view = band.view.get();
  if (av_frame_ref(view, &picture) < 0) return;
  const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(view->format));
  for (int plane = 0; plane < AV_NUM_DATA_POINTERS && view->data[plane] != nullptr; ++plane) {
    const bool chroma = plane == 1 || plane == 2;
    const int line = chroma ? band.firstLine >> format->log2_chroma_h : band.firstLine;
    view->data[plane] += static_cast<ptrdiff_t>(line) * view->linesize[plane];
  }
  view->height = band.coder->height;
  av_packet_unref(band.packet.get());
  band.coded = avcodec_send_frame(band.coder.get(), view) >= 0 &&
               avcodec_receive_packet(band.coder.get(), band.packet.get()) >= 0;
  // The coder keeps no reference, so the picture is writable again.
  av_frame_unref(view);
}

bool BandedEncoder::Encode(const AVFrame& picture, movie::ByteWriter& frame, bool& key) {
  std::atomic<size_t> next{0};
  const auto codeBands = [&] {
    for (size_t i = next++; i < bands_.size(); i = next++) EncodeBand(picture, bands_[i]);
  };
  std::vector<std::thread> helpers;
  helpers.reserve(static_cast<size_t>(threads_ - 1));
  try {
    for (int i = 1; i < threads_; ++i) helpers.emplace_back(codeBands);
  } catch (const std::system_error&) {
    // Fewer threads take the bands.
  }
  codeBands();
  for (std::thread& helper : helpers) helper.join();
  std::vector<std::span<const uint8_t>> coded;
  coded.reserve(bands_.size());
  key = true;
  for (const Band& band : bands_) {
    if (!band.coded) return false;
    key = key && (band.packet->flags & AV_PKT_FLAG_KEY) != 0;
    coded.emplace_back(band.packet->data, static_cast<size_t>(band.packet->size));
  }
  return coding_.join(coded, height_, frame);
}

}  // namespace zeb::codec
