// The encoding side of our sound converter, shaped like the media layer's:
// opened from an input format (little-endian integer PCM, 'sowt') and an
// output format (a PCM code or a compressed sound format), configured by
// four-character settings, fed PCM through a fill callback and drained into
// the caller's buffer as whole packets. Encoding is libavcodec's, sample
// conversion libswresample's; the rate is never changed.
//
// One converter is one coded stream: it carries the coding's state (AAC's
// overlapping blocks, the ADPCM predictor) from one fill to the next, so a
// caller encoding several streams opens one converter for each. A converter
// belongs to one thread at a time.
#pragma once

#include <cstdint>
#include <span>

#include "platform/codec/SoundConverter.h"
#include "platform/movie/Handle.h"

namespace zeb::codec {

// Formats, fill records, the fill callback and the settings shared with the
// decoding side come from SoundConverter.h; the input is read, never written.
inline constexpr OSErr kEncoderFailedErr = -8960;  // libavcodec refused the set-up or a frame

// Settings by code, beside 'cvbr' (accepted), 'cpct' and 'cprt' (which must
// equal the input's channels and rate: the converter never remixes or
// resamples).
// 'evaw': set, a Handle of codec settings: the sound component's 'cdec'
// settings of this output format (SoundCompression.h) apply their bit rate;
// other bytes (a 'wave' payload read back) are kept; read back, a new Handle (the
// caller disposes of it) with the payload of the 'wave' atom that describes
// the coded stream ('frma', the format's own atom, 'esds' for AAC or 'alac'
// for Apple Lossless, the terminator). Codings that need no 'wave' answer
// kSiUnknownInfoType.
inline constexpr uint32_t kEncoderParams = 0x65766177;
// 'brat': const uint32_t*, bits per second of the coded stream for the
// codings coded at a chosen rate (AAC, MP3; others ignore it); 0 is the
// coding's own rate, 64 kbit/s a channel.
inline constexpr uint32_t kEncoderBitRate = 0x62726174;
// 'cmpl': const int32_t*, libavcodec's compression level of the encoder (-1,
// its default). ALAC at level 0 stores samples verbatim, so that streams of
// the same length give packets of the same size.
inline constexpr uint32_t kEncoderCompressionLevel = 0x636D706C;
// 'cmfa': read into a SoundCompressionInfo whose recordSize the caller set.
inline constexpr uint32_t kEncoderCompressionInfo = 0x636D6661;

// How the output format packs frames into packets, laid out as the media
// layer's compression information (20 bytes).
struct SoundCompressionInfo {
  int32_t recordSize = 0;
  uint32_t format = 0;
  int16_t compressionID = 0;  // -1 constant-size packets (PCM too), -2 packets of their own size
  uint16_t samplesPerPacket = 0;
  uint16_t bytesPerPacket = 0;  // one channel's packet; 0 when packets vary
  uint16_t bytesPerFrame = 0;   // one packet of all channels
  uint16_t bytesPerSample = 0;
  int16_t futureUse = 0;
};

struct SoundEncoderObject;
using SoundEncoder = SoundEncoderObject*;

// kBadFormatErr when the input is not 8-, 16-, 24- or 32-bit 'sowt' of
// one or two channels, or libavcodec has no encoder for the output format
// (at the output's sample size for the PCM codes).
OSErr SoundEncoderOpen(const SoundComponentData* input, const SoundComponentData* output,
                       SoundEncoder* encoder);
// Null is accepted.
void SoundEncoderClose(SoundEncoder encoder);
// Channels and rate apply to both sides (the converter never remixes or
// resamples) and must equal the input's. The bit rate and compression level apply from
// the next time the encoder is set up: the first read of 'evaw' or 'cmfa', or
// the beginning of a conversion.
OSErr SoundEncoderSetInfo(SoundEncoder encoder, uint32_t selector, const void* info);
OSErr SoundEncoderGetInfo(SoundEncoder encoder, uint32_t selector, void* info);
OSErr SoundEncoderBeginConversion(SoundEncoder encoder);
// Takes PCM from the callback until it has none, encodes every whole packet
// and writes packets into `output` while they fit; the rest wait for the next
// call (kSoundConverterHasLeftOverData). `frames` counts packets, or samples for
// codings of one sample a packet (PCM, µ-law, A-law). A frame that libavcodec
// refuses makes the result kEncoderFailedErr; the counts are what was written.
OSErr SoundEncoderFillBuffer(SoundEncoder encoder, SoundConverterFillBufferDataProc fill,
                             void* refCon, uint8_t* output, uint32_t outputBytes,
                             uint32_t* bytesWritten, uint32_t* framesWritten,
                             uint32_t* outputFlags);
// Encodes what is left (a last, shorter packet, padded with silence where the
// coding has no short packets), drains the encoder and writes the packets;
// the conversion is over and may be begun again.
OSErr SoundEncoderEndConversion(SoundEncoder encoder, uint8_t* output, uint32_t outputBytes,
                                uint32_t* framesWritten, uint32_t* bytesWritten);
struct SoundEncoderPacket {
  uint32_t bytes = 0;
  uint32_t samples = 0;  // audio frames it decodes to (a last packet may be short)
};
// The packets the last fill or end wrote, in order; valid until the next
// call on the converter.
std::span<const SoundEncoderPacket> SoundEncoderPackets(SoundEncoder encoder);

}  // namespace zeb::codec
