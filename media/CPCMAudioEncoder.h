// Re-cuts uncompressed PCM into interleaved chunks of a fixed number of
// samples per channel. Audio comes in interleaved or one channel at a time;
// each channel waits in its own first-in-first-out buffer until every channel
// holds a whole chunk. At the end of the stream ended channels are padded with
// silence and a last, shorter chunk is cut. Audio that does not fit a channel
// buffer (a little over two seconds) is dropped in whole samples.
//
// Used by one thread at a time: the muxer or the audio encoder that owns it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "zebplug/ZEBPlugRecords.h"

class CPCMAudioEncoder {
 public:
  // One 25 fps video frame at 48 kHz.
  static constexpr int32_t kDefaultChunkSamples = 1920;
  // Channel buffers and the chunk buffer of one encoder stay below this.
  static constexpr uint64_t kMaxBufferBytes = 256ull << 20;

  CPCMAudioEncoder();
  virtual ~CPCMAudioEncoder();
  CPCMAudioEncoder(const CPCMAudioEncoder&) = delete;
  CPCMAudioEncoder& operator=(const CPCMAudioEncoder&) = delete;

  // Takes the stream's format and allocates the buffers; 0. A null format
  // gives 0x80000004; a format without a whole byte per sample, without
  // channels or whose buffers would pass kMaxBufferBytes gives 0x80000403
  // and leaves the encoder without buffers. `unused` is not read.
  uint32_t Init(const SPlugAudioStreamInfo* format, uint32_t unused);
  // Samples per channel of the following chunks; 0. The chunk buffer grows
  // when a chunk needs more than it holds and is kept otherwise. A size below
  // 1 or above what a channel buffer holds gives 0x80000006 and changes nothing.
  uint32_t SetChunkSize(int32_t samples);
  // Appends `size` bytes of interleaved audio; `state` 2 with size 0 ends
  // every channel. 0; null data with a nonzero size gives 0x80000004.
  uint32_t PutInterleaved(const uint8_t* data, uint32_t size, uint32_t state);
  // Appends one channel's audio; `state` 2 with size 0 ends that channel. 0;
  // a channel index of no channel gives 0x80000006, null data with a nonzero
  // size 0x80000004.
  uint32_t PutChannel(uint32_t channel, const uint8_t* data, uint32_t size, uint32_t state);
  // Fills `info` and, when a chunk is complete (or the stream has ended),
  // points `data` at it: valid until the next GetChunk, Init, Reset or a
  // SetChunkSize that grows the chunk buffer. Nothing delivered: dataSize 0,
  // `data` and streamState untouched. 0; null pointers give 0x80000004.
  uint32_t GetChunk(const uint8_t** data, SPlugFrameInfo* info);
  // Frees every buffer; 0.
  uint32_t Reset();

 private:
  struct Channel {
    std::unique_ptr<uint8_t[]> buffer;  // capacity_ bytes
    uint32_t filled = 0;                // waiting bytes, from readOffset on
    uint32_t readOffset = 0;
    uint32_t state = 0;  // PLUG_STREAMSTATE_ of its last input
  };

  static uint64_t ChannelCapacity(const SPlugAudioStreamInfo& format);
  // Moves the waiting bytes to the buffer start when `bytes` more would not
  // fit behind them.
  void MakeRoom(Channel& channel, uint32_t bytes) const;
  // Appends `frames` samples of channel `index` from interleaved frames of
  // `stride` bytes.
  void AppendSamples(Channel& channel, uint32_t index, const uint8_t* data, uint32_t frames,
                     uint32_t stride);
  void PadEndedChannels();
  bool AllEnded() const;
  void Interleave(uint32_t take);
  void GrowChunkBuffer();

  SPlugAudioStreamInfo format_;
  int32_t chunkSamples_ = kDefaultChunkSamples;
  std::vector<Channel> channels_;
  uint32_t capacity_ = 0;  // bytes of each channel buffer
  uint32_t bytesPerSample_ = 2;
  std::vector<uint8_t> chunk_;  // interleaved output; only ever grows until Reset
};
