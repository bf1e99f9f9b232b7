// Turns coded audio units of one sound track into PCM. The PCM codes the
// reader already delivers in the machine's order pass straight through;
// every other format goes through a sound converter fed by a fill callback
// that hands it the pending unit once.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/codec/SoundConverter.h"
#include "platform/movie/Handle.h"

class CQTADeCoder {
 public:
  CQTADeCoder();
  virtual ~CQTADeCoder();
  CQTADeCoder(const CQTADeCoder&) = delete;
  CQTADeCoder& operator=(const CQTADeCoder&) = delete;

  // `description` is a sound description as the reader hands it over (header
  // in the machine's order) of `size` bytes. 0, 0x8000050C when it cannot be
  // read or its converter cannot be opened, 0x80000402 when the conversion
  // cannot begin.
  uint32_t Open(const uint8_t* description, uint32_t size);
  // One unit of `count` packets: the PCM's address and size, valid until the
  // next Decode or Close. Always 0; a unit that does not convert gives what
  // the converter wrote (0 bytes when nothing).
  uint32_t Decode(const uint8_t* data, uint32_t size, uint32_t count, uint8_t** out,
                  uint32_t* outSize);
  void Close();

  bool VariablePackets() const { return variablePackets_ != 0; }

 private:
  // The fill record: the converter's extended data record, and the flag
  // that lets the callback hand it out once per unit.
  struct FillRecord {
    zeb::codec::ExtendedSoundComponentData data;
    bool hasData = false;
  };

  uint32_t ReadDescription(const uint8_t* description, uint32_t size);
  uint32_t OpenConverter();
  void SetDecompressionParams();
  bool AllocateOutput(uint32_t capacity);
  static bool FillCallback(zeb::codec::SoundComponentData** data, void* refCon);

  zeb::codec::SoundConverter converter_ = nullptr;
  uint8_t converting_ = 0;
  std::unique_ptr<uint8_t[]> output_;
  uint32_t outputCapacity_ = 0;
  zeb::movie::Handle descriptionCopy_ = nullptr;
  FillRecord fill_;
  uint8_t variablePackets_ = 0;
  uint32_t framesPerPacket_ = 0;
  zeb::codec::SoundComponentData input_;
  // Set by a successful Open: a decoder whose open failed hands out nothing
  // rather than a compressed unit taken for PCM.
  bool opened_ = false;
};
