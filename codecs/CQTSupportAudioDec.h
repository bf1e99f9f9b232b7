// The audio decoder family's object (ordinals 200..211): the decoder of the
// opened stream and the one coded unit waiting for GetDecodedAudio.
#pragma once

#include <cstdint>
#include <memory>

#include "codecs/CQTADeCoder.h"
#include "zebplug/ZEBPlugRecords.h"

class CQTSupportAudioDec {
 public:
  CQTSupportAudioDec() = default;
  ~CQTSupportAudioDec() { Close(); }
  CQTSupportAudioDec(const CQTSupportAudioDec&) = delete;
  CQTSupportAudioDec& operator=(const CQTSupportAudioDec&) = delete;

  // 0, 0x80000400 for a triple that is not a sound description, 0x80000402
  // when the decoder cannot be set up (it stays attached until the next
  // close), 0x80000004 for a null triple.
  uint32_t Open(const SPlugPrivateDesc* description);
  // 1 when the stream's packets have one size, 0 when they vary; 1 before a
  // decoder is attached.
  uint32_t IsPacketSizeConstant() const;
  // Keeps the unit (borrowed until GetDecoded); a second call replaces it.
  uint32_t Decode(const uint8_t* data, const SPlugFrameInfo* info);
  // Converts the pending unit: the PCM's address (the decoder's, valid until
  // the next call or the close) and its record. Nothing pending: 0, nothing
  // touched.
  uint32_t GetDecoded(uint8_t** out, SPlugFrameInfo* info);
  uint32_t Close();

 private:
  std::unique_ptr<CQTADeCoder> decoder_;
  const uint8_t* pendingData_ = nullptr;
  uint32_t pendingSize_ = 0;
  uint32_t pendingCount_ = 0;
  uint32_t pendingState_ = 0;  // the unit's streamState; kept, not used
};
