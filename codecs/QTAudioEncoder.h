// The audio encoder family's object (ordinals 300..311): PCM from the host is
// re-cut by a CPCMAudioEncoder into chunks of whole packets and compressed
// chunk by chunk by a CQTAEnCoder. Each coded unit the host takes carries the
// private description {9, audio description block, its size}.
//
// Used by one thread at a time: the host's.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "codecs/CQTAEnCoder.h"
#include "media/CPCMAudioEncoder.h"
#include "zebplug/ZEBPlugRecords.h"

class QTAudioEncoder {
 public:
  QTAudioEncoder() = default;
  virtual ~QTAudioEncoder();
  QTAudioEncoder(const QTAudioEncoder&) = delete;
  QTAudioEncoder& operator=(const QTAudioEncoder&) = delete;

  // 0, or 0x80000403 (with a log line) for a format without a QuickTime code
  // or an odd channel count above 1; 0x80000004 for a null record.
  uint32_t CheckFormat(const SPlugAudioStreamInfo* info);
  // 0, or 0x80000403 when no encoder can be set up for the stream. `custom`
  // of kind 8 carries the settings dialog's block; any other kind is ignored.
  uint32_t Open(const SPlugAudioStreamInfo* info, const SPlugPrivateDesc* custom);
  // The PCM encoder's PutInterleaved / PutChannel with the record's dataSize
  // and streamState; 0x80000403 before a successful open, 0x80000004 for a
  // null record.
  uint32_t EncodeAudio(const uint8_t* data, const SPlugFrameInfo* info);
  uint32_t EncodeAudioChannel(uint32_t channel, const uint8_t* data, const SPlugFrameInfo* info);
  // Hands out the next coded unit: `*out` points at it until the next call or
  // the close. 0; 0x80000004 for null pointers.
  uint32_t GetEncodedAudio(const uint8_t** out, SPlugFrameInfo* info);
  uint32_t Close();

 private:
  void HandOutUnit(const uint8_t** out, SPlugFrameInfo& info);
  // The triple the next record carries: {9, block, its size}.
  void SetDescription(std::span<const uint8_t> block);

  std::unique_ptr<CPCMAudioEncoder> pcmEncoder_;
  std::unique_ptr<CQTAEnCoder> qtEncoder_;
  std::unique_ptr<SPlugPrivateDesc> description_;
  size_t nextUnit_ = 0;      // of the CQTAEnCoder's units
  uint32_t chunkState_ = 0;  // streamState of the chunk those units came from
};
