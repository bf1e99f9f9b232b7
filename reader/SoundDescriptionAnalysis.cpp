#include "reader/SoundDescriptionAnalysis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "core/QtLog.h"
#include "media/CodecTraits.h"
#include "media/FourCC.h"
#include "platform/movie/CompressionInfo.h"
#include "reader/ByteView.h"

using zeb::media::FourCC;

namespace {

// Header offsets, machine order.
constexpr size_t kSizeAt = 0;
constexpr size_t kFormatAt = 4;
constexpr size_t kVersionAt = 16;
constexpr size_t kChannelsAt = 24;
constexpr size_t kSampleSizeAt = 26;
constexpr size_t kCompressionIdAt = 28;
constexpr size_t kRateIntegerAt = 34;  // 16.16 rate at 32; its integer half
constexpr size_t kVersion0HeaderSize = 36;
// Version 1.
constexpr size_t kSamplesPerPacketAt = 36;
constexpr size_t kBytesPerPacketAt = 40;
constexpr size_t kBytesPerFrameAt = 44;
constexpr size_t kBytesPerSampleAt = 48;
// Version 2.
constexpr size_t kRateF64At = 40;
constexpr size_t kChannels32At = 48;
constexpr size_t kBitsPerChannelAt = 56;
constexpr size_t kBytesPerPacket2At = 64;
constexpr size_t kFramesPerPacket2At = 68;

constexpr int16_t kVariableCompressionId = -2;

class MutableDescription {
 public:
  explicit MutableDescription(std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  ByteView View() const { return ByteView(bytes_.data(), bytes_.size()); }

  template <typename T>
  T Get(size_t at) const {
    T value{};
    if (at + sizeof(T) <= bytes_.size()) std::memcpy(&value, bytes_.data() + at, sizeof(T));
    return value;
  }
  template <typename T>
  void Put(size_t at, T value) {
    if (at + sizeof(T) <= bytes_.size()) std::memcpy(bytes_.data() + at, &value, sizeof(T));
  }

 private:
  std::vector<uint8_t>& bytes_;
};

// Integers stored little-endian under a big-endian code: version 1, a 'wave'
// atom at byte 52 whose first atom is 'frma', followed inside 'wave' by
// 'enda' with a nonzero flag.
bool IsMarkedLittleEndian(const MutableDescription& d) {
  const ByteView view = d.View();
  uint32_t waveType = 0, frmaSize = 0, frmaType = 0, endaType = 0;
  uint16_t littleEndian = 0;
  if (d.Get<uint16_t>(kVersionAt) != 1 || view.size() <= kVersion1HeaderSize) return false;
  if (!view.Be32(56, waveType) || waveType != FourCC("wave")) return false;
  if (!view.Be32(60, frmaSize) || !view.Be32(64, frmaType) || frmaType != FourCC("frma")) {
    return false;
  }
  const size_t enda = 60 + size_t{frmaSize};
  return view.Be32(enda + 4, endaType) && endaType == FourCC("enda") &&
         view.Be16(enda + 8, littleEndian) && littleEndian != 0;
}

// The little-endian integers get their own codes ('42ni', and '23ni' for
// 32-bit samples, which would otherwise be byte-reversed as big-endian).
void NormaliseFormat(MutableDescription& d) {
  const uint32_t format = d.Get<uint32_t>(kFormatAt);
  if (format == FourCC("in24") && IsMarkedLittleEndian(d)) d.Put(kFormatAt, FourCC("42ni"));
  if (format == FourCC("in32") && IsMarkedLittleEndian(d)) d.Put(kFormatAt, FourCC("23ni"));
  if (format == FourCC("ni24")) d.Put(kFormatAt, FourCC("in24"));
}

// Version 0 becomes version 1: the 16 bytes of version-1 fields go in after
// the 36-byte header, so extension atoms (an 'esds', say) keep their bytes.
void UpgradeVersion0(std::vector<uint8_t>& bytes) {
  const size_t extensionBytes = bytes.size() - kVersion0HeaderSize;
  bytes.insert(bytes.begin() + kVersion0HeaderSize, kVersion1HeaderSize - kVersion0HeaderSize, 0);
  MutableDescription d(bytes);
  d.Put<uint16_t>(kVersionAt, 1);
  d.Put<uint32_t>(kSizeAt, static_cast<uint32_t>(kVersion1HeaderSize + extensionBytes));
  // An unknown format still gets the query's variable-size answer.
  zeb::movie::CompressionInfo info;
  (void)zeb::movie::GetCompressionInfo(d.Get<int16_t>(kCompressionIdAt), d.Get<uint32_t>(kFormatAt),
                                       d.Get<uint16_t>(kChannelsAt), d.Get<uint16_t>(kSampleSizeAt),
                                       info);
  d.Put<int16_t>(kCompressionIdAt, info.compressionId == 0 ? int16_t{-1} : info.compressionId);
  d.Put(kSamplesPerPacketAt, info.samplesPerPacket);
  d.Put(kBytesPerPacketAt, info.bytesPerPacket);
  d.Put(kBytesPerFrameAt, info.bytesPerFrame);
  d.Put(kBytesPerSampleAt, info.bytesPerSample);
}

void ReadVersion1(const MutableDescription& d, AudioTrackDesc& desc) {
  desc.framesPerPacket = d.Get<uint32_t>(kSamplesPerPacketAt);
  desc.channels = d.Get<uint16_t>(kChannelsAt);
  desc.bitsPerSample = d.Get<uint16_t>(kSampleSizeAt);
  desc.sampleRate = d.Get<uint16_t>(kRateIntegerAt);
  desc.variable = d.Get<int16_t>(kCompressionIdAt) == kVariableCompressionId ? 1 : 0;
}

void ReadVersion2(const MutableDescription& d, AudioTrackDesc& desc) {
  const double rate = d.Get<double>(kRateF64At);
  desc.sampleRate = std::isfinite(rate) && rate > 0 && rate < 4294967295.0
                        ? static_cast<uint32_t>(std::lround(rate))
                        : 0;
  desc.channels = d.Get<uint32_t>(kChannels32At);
  const uint32_t framesPerPacket = d.Get<uint32_t>(kFramesPerPacket2At);
  desc.framesPerPacket = framesPerPacket == 0 ? 1 : framesPerPacket;
  desc.variable = d.Get<uint32_t>(kBytesPerPacket2At) == 0 ? 1 : 0;
  const uint32_t bits = d.Get<uint32_t>(kBitsPerChannelAt);
  desc.bitsPerSample = bits != 0 ? bits : 16;
}

// The codes the reader describes as PCM, and whose tracks it may merge; every
// other code, PCM or not, is handed on as compressed.
constexpr std::array kDescribedAsPcm = {FourCC("raw "), FourCC("twos"), FourCC("sowt"),
                                        FourCC("in24"), FourCC("42ni"), FourCC("fl32"),
                                        FourCC("in32"), FourCC("23ni"), FourCC("lpcm")};

// A PCM code of fixed width says the bits; 'lpcm' says them in version 2
// only; the others keep what the header says.
void SettleFormatAndBits(const MutableDescription& d, AudioTrackDesc& desc) {
  desc.format = d.Get<uint32_t>(kFormatAt);
  desc.pcm = std::find(kDescribedAsPcm.begin(), kDescribedAsPcm.end(), desc.format) !=
             kDescribedAsPcm.end();
  if (desc.pcm) {
    const zeb::media::CodecTraits& codec = *zeb::media::FindAudioCodec(desc.format);
    if (codec.pcmBytes != 0) desc.bitsPerSample = 8u * codec.pcmBytes;
    if (codec.pcm == zeb::media::PcmCoding::kDescribed &&
        (d.Get<uint16_t>(kVersionAt) != 2 || d.Get<uint32_t>(kBitsPerChannelAt) == 0)) {
      desc.bitsPerSample = 16;
    }
  }
  if (desc.format == FourCC("in24")) QtLogTrace(L"k24BitFormat");
  if (desc.format == FourCC("42ni")) QtLogTrace(L"k24BitLittleEndianFormat");
  if (desc.bitsPerSample != 16 && desc.bitsPerSample != 24 && desc.bitsPerSample != 32) {
    desc.bitsPerSample = 16;
  }
}

}  // namespace

AudioTrackDesc AnalyseSoundDescription(std::vector<uint8_t>& bytes) {
  if (bytes.size() < kVersion0HeaderSize) bytes.resize(kVersion0HeaderSize, 0);
  {
    MutableDescription d(bytes);
    NormaliseFormat(d);
    if (d.Get<uint16_t>(kVersionAt) == 0) UpgradeVersion0(bytes);
  }
  if (bytes.size() < kVersion1HeaderSize) bytes.resize(kVersion1HeaderSize, 0);
  const MutableDescription d(bytes);
  AudioTrackDesc desc;
  if (d.Get<uint16_t>(kVersionAt) == 2) {
    ReadVersion2(d, desc);
  } else {
    ReadVersion1(d, desc);
  }
  if (desc.framesPerPacket == 0) desc.framesPerPacket = 1;
  SettleFormatAndBits(d, desc);
  return desc;
}
