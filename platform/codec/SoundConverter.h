// Our sound converter, shaped like the media layer's: opened from an input
// and an output format, configured by four-character settings, fed coded
// audio through a fill callback and drained into the caller's buffer as
// interleaved PCM. Decoding is libavcodec's, sample conversion
// libswresample's; the rate is never changed.
#pragma once

#include <cstdint>

#include "platform/movie/Handle.h"
#include "platform/movie/Status.h"

namespace zeb::codec {

using zeb::movie::OSErr;

inline constexpr OSErr kBadFormatErr = -206;       // no decoder or no output of this format
inline constexpr OSErr kSiUnknownInfoType = -231;  // a setting this converter does not know
inline constexpr OSErr kNotOpenErr = -28;          // a conversion that was never begun

// The format of one side of a conversion, and the record a fill callback
// hands back with the coded data. `sampleRate` is unsigned 16.16 Hz.
struct SoundComponentData {
  int32_t flags = 0;
  uint32_t format = 0;
  int16_t numChannels = 0;
  int16_t sampleSize = 0;  // bits of one channel's value
  uint32_t sampleRate = 0;
  int32_t sampleCount = 0;  // audio frames at `buffer`
  uint8_t* buffer = nullptr;
  int32_t reserved = 0;
};

// The data record is extended when its flags carry kExtendedSoundData: the
// buffer's byte size, and for coded packets of varying size their average.
inline constexpr int32_t kExtendedSoundData = 0x4000;
inline constexpr int32_t kExtendedSoundBufferSizeValid = 0x2;
inline constexpr int32_t kExtendedSoundCommonFrameSizeValid = 0x8;

struct ExtendedSoundComponentData {
  SoundComponentData desc;
  int32_t recordSize = 0;
  int32_t extendedFlags = 0;
  int32_t bufferSize = 0;       // bytes at desc.buffer
  int32_t commonFrameSize = 0;  // bytes of one packet, when packets vary
};

// Input format flags of 'lpcm' (the version-2 sound description's own): the
// values are floating point, big-endian, signed.
inline constexpr int32_t kLinearPcmFloat = 0x1;
inline constexpr int32_t kLinearPcmBigEndian = 0x2;
inline constexpr int32_t kLinearPcmSigned = 0x4;

// Output format flag: the caller takes no real-time work from the converter.
// Output PCM is always signed integers in the machine's (little-endian) order,
// whatever the output code: 'sowt' 16-bit, 'in24' 24-bit, '23ni' 32-bit.
inline constexpr int32_t kNoRealtimeProcessing = 0x80;

// Settings by code.
inline constexpr uint32_t kSiClientAcceptsVBR = 0x63766272;       // 'cvbr': value in the pointer
inline constexpr uint32_t kSiCompressionChannels = 0x63706374;    // 'cpct': const int16_t*
inline constexpr uint32_t kSiCompressionSampleRate = 0x63707274;  // 'cprt': const uint32_t* (16.16)
// 'wave': Handle holding a 'wave' atom's payload (its child atoms: 'frma',
// the format's own, 'esds' or 'alac', the terminator). Read back, a new
// handle the caller disposes of.
inline constexpr uint32_t kSiDecompressionParams = 0x77617665;
// 'esds': Handle holding an 'esds' atom's payload, for descriptions that carry
// it without a 'wave'.
inline constexpr uint32_t kSiEsdsParams = 0x65736473;

// Bits of `outputFlags` after a fill.
inline constexpr uint32_t kSoundConverterDidntFillBuffer = 0x1;
inline constexpr uint32_t kSoundConverterHasLeftOverData = 0x2;

struct SoundConverterObject;
using SoundConverter = SoundConverterObject*;

// The fill callback: sets `*data` to the next coded data and returns true, or
// returns false when there is none for now. The record stays the caller's.
using SoundConverterFillBufferDataProc = bool (*)(SoundComponentData** data, void* refCon);

// kBadFormatErr when libavcodec has no decoder for the input format or the
// output is not one of 'sowt', 'in24', '23ni'.
OSErr SoundConverterOpen(const SoundComponentData* inputFormat,
                         const SoundComponentData* outputFormat, SoundConverter* converter);
// Null is accepted.
OSErr SoundConverterClose(SoundConverter converter);
OSErr SoundConverterSetInfo(SoundConverter converter, uint32_t selector, const void* info);
// Only 'wave' can be read back: `*static_cast<Handle*>(info)` receives a copy,
// or null when none was set.
OSErr SoundConverterGetInfo(SoundConverter converter, uint32_t selector, void* info);
// Sets the decoder up with the settings made so far; kBadFormatErr when it
// refuses them (no configuration for AAC, say).
OSErr SoundConverterBeginConversion(SoundConverter converter);
// Asks the callback for data until it has no more or `outputBuffer` is full,
// decoding into it. PCM that does not fit is kept for the next call. A unit
// that does not decode makes the result kCodecBadDataErr (-8969); the buffer
// still has what the other units gave.
OSErr SoundConverterFillBuffer(SoundConverter converter, SoundConverterFillBufferDataProc fill,
                               void* refCon, void* outputBuffer, uint32_t outputBufferByteSize,
                               uint32_t* bytesWritten, uint32_t* framesWritten,
                               uint32_t* outputFlags);
OSErr SoundConverterEndConversion(SoundConverter converter);

}  // namespace zeb::codec
