// Codes each picture as horizontal bands of macroblock rows, every band by a
// coder of its own, and joins the bands' frames into the frame of the whole
// picture. For codings whose rows are coded apart (ProRes), where one
// libavcodec coder writes all its slices on one thread. A few bands a thread,
// taken in turn, keep the threads busy where a picture's detail is uneven.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/codec/Compressors.h"
#include "platform/codec/LibavObjects.h"
#include "platform/movie/ByteWriter.h"

namespace zeb::codec {

class BandedEncoder {
 public:
  // Opens a coder for pictures `height` lines high, with `options` added to
  // the compressor's own; null when it refuses.
  using OpenBandCoder = std::function<CodecContextPtr(int height, AVDictionary** options)>;

  // `whole` is the opened coder of the whole picture; `threads` the threads
  // that code. Null for one thread, for a picture too low for two bands of
  // `kMinimumBandRows` rows, or when a band's coder cannot be opened.
  static std::unique_ptr<BandedEncoder> Make(const BandCoding& coding, const AVCodecContext& whole,
                                             int threads, const OpenBandCoder& open);

  // Codes `picture` (the whole height) into `frame`, a key frame when every
  // band's is; false when a band fails.
  bool Encode(const AVFrame& picture, movie::ByteWriter& frame, bool& key);

 private:
  struct Band {
    int firstLine = 0;
    CodecContextPtr coder;
    FramePtr view{av_frame_alloc()};
    PacketPtr packet{av_packet_alloc()};
    bool coded = false;
  };

  static constexpr int kMinimumBandRows = 4;
  static constexpr int kBandsAThread = 8;

  BandedEncoder(const BandCoding& coding, int height, int threads)
      : coding_(coding), height_(height), threads_(threads) {}
  void EncodeBand(const AVFrame& picture, Band& band);

  const BandCoding& coding_;
  int height_ = 0;
  int threads_ = 0;
  std::vector<Band> bands_;
};

}  // namespace zeb::codec
