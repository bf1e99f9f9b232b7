#include "reader/SoundDescriptionAnalysis.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "core/QtLog.h"
#include "media/CodecTraits.h"
#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"
#include "platform/movie/ByteReader.h"
#include "platform/movie/CompressionInfo.h"
#include "platform/movie/SpanWriter.h"

using zeb::media::FourCC;
using zeb::media::kDescriptionFormatAt;
using zeb::movie::ByteReader;
using zeb::movie::SpanWriter;
using zeb::movie::Status;
namespace sound = zeb::media::sound;

namespace {

// A version-1 description's 'wave' atom at its header's end: size, type,
// then its first atom.
constexpr size_t kWaveTypeAt = sound::kVersion1HeaderSize + 4;
constexpr size_t kWaveFirstAtomAt = sound::kVersion1HeaderSize + 8;

size_t HeaderSize(uint16_t version) {
  return version == 2 ? sound::kVersion2HeaderSize : sound::kVersion1HeaderSize;
}

// Integers stored little-endian under a big-endian code: version 1, a 'wave'
// atom whose first atom is 'frma', followed inside 'wave' by 'enda' with a
// nonzero flag.
bool IsMarkedLittleEndian(ByteReader d, uint16_t version) {
  uint32_t waveType = 0, frmaSize = 0, frmaType = 0, endaType = 0;
  uint16_t littleEndian = 0;
  if (version != 1 || d.Size() <= sound::kVersion1HeaderSize) return false;
  if (!d.Seek(kWaveTypeAt).IsOk() || !d.ReadU32(waveType).IsOk() || waveType != FourCC("wave") ||
      !d.ReadU32(frmaSize).IsOk() || !d.ReadU32(frmaType).IsOk() || frmaType != FourCC("frma")) {
    return false;
  }
  return d.Seek(kWaveFirstAtomAt + size_t{frmaSize} + 4).IsOk() && d.ReadU32(endaType).IsOk() &&
         endaType == FourCC("enda") && d.ReadU16(littleEndian).IsOk() && littleEndian != 0;
}

// The little-endian integers get their own codes ('42ni', and '23ni' for
// 32-bit samples, which would otherwise be byte-reversed as big-endian).
Status NormaliseFormat(std::vector<uint8_t>& bytes) {
  const ByteReader d(bytes);
  uint32_t format = 0;
  uint16_t version = 0;
  ZEB_MOVIE_TRY(d.ReadNativeAt(kDescriptionFormatAt, format));
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kVersionAt, version));
  uint32_t normal = format;
  if (format == FourCC("in24") && IsMarkedLittleEndian(d, version)) normal = FourCC("42ni");
  if (format == FourCC("in32") && IsMarkedLittleEndian(d, version)) normal = FourCC("23ni");
  if (format == FourCC("ni24")) normal = FourCC("in24");
  if (normal == format) return Status::Ok();
  SpanWriter out(bytes);
  ZEB_MOVIE_TRY(out.Seek(kDescriptionFormatAt));
  return out.PutNative(normal);
}

// Version 0 becomes version 1: the 16 bytes of version-1 fields go in after
// the 36-byte header, so extension atoms (an 'esds', say) keep their bytes.
Status UpgradeVersion0(std::vector<uint8_t>& bytes) {
  const ByteReader d(bytes);
  int16_t compressionId = 0;
  uint32_t format = 0;
  uint16_t channels = 0, sampleSize = 0;
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kCompressionIdAt, compressionId));
  ZEB_MOVIE_TRY(d.ReadNativeAt(kDescriptionFormatAt, format));
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kChannelsAt, channels));
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kSampleSizeAt, sampleSize));
  // An unknown format gets the query's variable-size answer, which is what
  // the track is then read as.
  zeb::movie::CompressionInfo info;
  (void)zeb::movie::GetCompressionInfo(compressionId, format, channels, sampleSize, info);

  const size_t extensionBytes = bytes.size() - sound::kVersion0HeaderSize;
  bytes.insert(bytes.begin() + sound::kVersion0HeaderSize,
               sound::kVersion1HeaderSize - sound::kVersion0HeaderSize, 0);
  SpanWriter out(bytes);
  ZEB_MOVIE_TRY(out.Seek(zeb::media::kDescriptionSizeAt));
  ZEB_MOVIE_TRY(out.PutNative(static_cast<uint32_t>(sound::kVersion1HeaderSize + extensionBytes)));
  ZEB_MOVIE_TRY(out.Seek(sound::kVersionAt));
  ZEB_MOVIE_TRY(out.PutNative(uint16_t{1}));
  ZEB_MOVIE_TRY(out.Seek(sound::kCompressionIdAt));
  ZEB_MOVIE_TRY(out.PutNative(info.compressionId == 0 ? int16_t{-1} : info.compressionId));
  ZEB_MOVIE_TRY(out.Seek(sound::kSamplesPerPacketAt));
  for (const uint32_t field :
       {info.samplesPerPacket, info.bytesPerPacket, info.bytesPerFrame, info.bytesPerSample}) {
    ZEB_MOVIE_TRY(out.PutNative(field));
  }
  return Status::Ok();
}

Status ReadVersion1(const ByteReader& d, AudioTrackDesc& desc) {
  uint16_t channels = 0, bits = 0;
  int16_t compressionId = 0;
  uint32_t rate = 0;  // 16.16
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kSamplesPerPacketAt, desc.framesPerPacket));
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kChannelsAt, channels));
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kSampleSizeAt, bits));
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kSampleRateAt, rate));
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kCompressionIdAt, compressionId));
  desc.channels = channels;
  desc.bitsPerSample = bits;
  desc.sampleRate = rate >> 16;
  desc.variable = compressionId == sound::kVariableCompressionId ? 1 : 0;
  return Status::Ok();
}

Status ReadVersion2(const ByteReader& d, AudioTrackDesc& desc) {
  double rate = 0;
  uint32_t framesPerPacket = 0, bytesPerPacket = 0, bits = 0;
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kSampleRateF64At, rate));
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kChannels32At, desc.channels));
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kFramesPerAudioPacketAt, framesPerPacket));
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kBytesPerAudioPacketAt, bytesPerPacket));
  ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kBitsPerChannelAt, bits));
  desc.sampleRate = std::isfinite(rate) && rate > 0 && rate < 4294967295.0
                        ? static_cast<uint32_t>(std::lround(rate))
                        : 0;
  desc.framesPerPacket = framesPerPacket == 0 ? 1 : framesPerPacket;
  desc.variable = bytesPerPacket == 0 ? 1 : 0;
  desc.bitsPerSample = bits != 0 ? bits : 16;
  return Status::Ok();
}

// The codes the reader describes as PCM, and whose tracks it may merge; every
// other code, PCM or not, is handed on as compressed.
constexpr std::array kDescribedAsPcm = {FourCC("raw "), FourCC("twos"), FourCC("sowt"),
                                        FourCC("in24"), FourCC("42ni"), FourCC("fl32"),
                                        FourCC("in32"), FourCC("23ni"), FourCC("lpcm")};

// A PCM code of fixed width says the bits; 'lpcm' says them in version 2
// only; the others keep what the header says.
Status SettleFormatAndBits(const ByteReader& d, uint16_t version, AudioTrackDesc& desc) {
  ZEB_MOVIE_TRY(d.ReadNativeAt(zeb::media::kDescriptionFormatAt, desc.format));
  uint32_t bitsPerChannel = 0;
  if (version == 2) ZEB_MOVIE_TRY(d.ReadNativeAt(sound::kBitsPerChannelAt, bitsPerChannel));
  desc.pcm = std::find(kDescribedAsPcm.begin(), kDescribedAsPcm.end(), desc.format) !=
             kDescribedAsPcm.end();
  if (desc.pcm) {
    const zeb::media::CodecTraits& codec = *zeb::media::FindAudioCodec(desc.format);
    if (codec.pcmBytes != 0) desc.bitsPerSample = 8u * codec.pcmBytes;
    if (codec.pcm == zeb::media::PcmCoding::kDescribed && bitsPerChannel == 0) {
      desc.bitsPerSample = 16;
    }
  }
  if (desc.format == FourCC("in24")) QtLogTrace(L"k24BitFormat");
  if (desc.format == FourCC("42ni")) QtLogTrace(L"k24BitLittleEndianFormat");
  if (desc.bitsPerSample != 16 && desc.bitsPerSample != 24 && desc.bitsPerSample != 32) {
    desc.bitsPerSample = 16;
  }
  return Status::Ok();
}

}  // namespace

AudioTrackDesc AnalyseSoundDescription(std::vector<uint8_t>& bytes) {
  if (bytes.size() < sound::kVersion0HeaderSize) bytes.resize(sound::kVersion0HeaderSize, 0);
  uint16_t version = 0;
  if (!NormaliseFormat(bytes).IsOk() ||
      !ByteReader(bytes).ReadNativeAt(sound::kVersionAt, version).IsOk() ||
      (version == 0 && !UpgradeVersion0(bytes).IsOk())) {
    return {};
  }
  // Every header field read below lies in the bytes.
  if (bytes.size() < HeaderSize(version)) bytes.resize(HeaderSize(version), 0);
  const ByteReader d(bytes);
  AudioTrackDesc desc;
  const Status read = version == 2 ? ReadVersion2(d, desc) : ReadVersion1(d, desc);
  if (!read.IsOk() || !SettleFormatAndBits(d, version, desc).IsOk()) return {};
  if (desc.framesPerPacket == 0) desc.framesPerPacket = 1;
  return desc;
}
