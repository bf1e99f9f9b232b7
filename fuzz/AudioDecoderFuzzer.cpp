// The audio decoder over arbitrary descriptions and units. The input builds a
// sound description of one of the formats the converter knows (so the fuzzer
// reaches the real decoders), with a 'wave' extension whose payload is the
// input's, then feeds the units that follow:
//   byte 0  format (index into kFormats)      byte 3  sample size (index into kBits)
//   byte 1  channel count                     byte 4  'lpcm' format flags
//   byte 2  version (0..3)                    bytes 5-6  'wave' payload length W, big-endian
//   W bytes of 'wave' payload, then units: 2-byte big-endian length, the bytes, a 1-byte count.
// Every result must be a defined one and every PCM size within the buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "codecs/CQTSupportAudioDec.h"
#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

namespace sound = zeb::media::sound;
using zeb::media::FourCC;

constexpr uint32_t kFormats[] = {FourCC("mp4a"), FourCC("ima4"), FourCC("ulaw"), FourCC("alaw"),
                                 FourCC("alac"), FourCC(".mp3"), FourCC("ac-3"), FourCC("lpcm"),
                                 FourCC("fl32"), FourCC("raw "), FourCC("sowt"), FourCC("twos")};
constexpr uint16_t kBits[] = {8, 16, 24, 32, 64};
constexpr size_t kHeaderBytes = 7;
constexpr uint32_t kLargestPcm = 4u * 1024 * 1024;

void Require(bool condition) {
  if (!condition) std::abort();
}

template <typename T>
void Put(std::vector<uint8_t>& bytes, size_t at, T value) {
  std::memcpy(bytes.data() + at, &value, sizeof value);
}

uint32_t BigEndian32(size_t value) { return __builtin_bswap32(static_cast<uint32_t>(value)); }

std::vector<uint8_t> Description(std::span<const uint8_t> input, std::span<const uint8_t> wave) {
  const uint16_t version = input[2] % 4;
  const size_t header = version == 2 ? sound::kVersion2HeaderSize : sound::kVersion1HeaderSize;
  std::vector<uint8_t> bytes(header + 8 + wave.size(), 0);
  Put(bytes, zeb::media::kDescriptionSizeAt, static_cast<uint32_t>(bytes.size()));
  Put(bytes, zeb::media::kDescriptionFormatAt, kFormats[input[0] % std::size(kFormats)]);
  Put(bytes, sound::kVersionAt, version);
  Put(bytes, sound::kChannelsAt, uint16_t{input[1]});
  Put(bytes, sound::kSampleSizeAt, kBits[input[3] % std::size(kBits)]);
  Put(bytes, sound::kCompressionIdAt, static_cast<int16_t>(input[4] % 2 == 0 ? -2 : -1));
  Put(bytes, sound::kSampleRateAt, uint32_t{44100} << 16);
  if (version == 2) {
    Put(bytes, sound::kSampleRateF64At, 96000.0);
    Put(bytes, sound::kChannels32At, uint32_t{input[1]});
    Put(bytes, sound::kBitsPerChannelAt, uint32_t{kBits[input[3] % std::size(kBits)]});
    Put(bytes, sound::kFormatFlagsAt, uint32_t{input[4]});
    Put(bytes, sound::kBytesPerAudioPacketAt, static_cast<uint32_t>(input[4] % 2));
    Put(bytes, sound::kFramesPerAudioPacketAt, static_cast<uint32_t>(input[1] % 3));
  } else {
    Put(bytes, sound::kSamplesPerPacketAt, static_cast<uint32_t>(input[1] % 3));
  }
  Put(bytes, header, BigEndian32(8 + wave.size()));
  Put(bytes, header + 4, BigEndian32(FourCC("wave")));
  if (!wave.empty()) std::memcpy(bytes.data() + header + 8, wave.data(), wave.size());
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < kHeaderBytes) return 0;
  const std::span<const uint8_t> input(data, size);
  const size_t waveSize = std::min<size_t>((size_t{input[5]} << 8) | input[6], size - kHeaderBytes);
  std::vector<uint8_t> description = Description(input, input.subspan(kHeaderBytes, waveSize));
  CQTSupportAudioDec decoder;
  const SPlugPrivateDesc triple{PLUG_PRIVATE_QT_SOUND_DESCRIPTION, description.data(),
                                static_cast<uint32_t>(description.size())};
  const uint32_t opened = decoder.Open(&triple);
  Require(opened == ZEB_OK || opened == ZEB_E_AUDIO_DECODER_SETUP);
  Require(decoder.IsPacketSizeConstant() <= 1);
  std::span<const uint8_t> units = input.subspan(kHeaderBytes + waveSize);
  while (units.size() >= 3) {
    const size_t length = std::min<size_t>((size_t{units[0]} << 8) | units[1], units.size() - 3);
    // The unit in its own allocation, so that reading past it is caught.
    const std::vector<uint8_t> unit(units.begin() + 2, units.begin() + 2 + long(length));
    SPlugFrameInfo info{};
    info.dataSize = static_cast<uint32_t>(unit.size());
    info.unitCount = units[2 + length];
    Require(decoder.Decode(unit.data(), &info) == ZEB_OK);
    uint8_t* pcm = nullptr;
    Require(decoder.GetDecoded(&pcm, &info) == ZEB_OK);
    Require(info.dataSize <= kLargestPcm);
    if (info.dataSize != 0) {
      Require(pcm != nullptr);
      volatile uint8_t last = pcm[info.dataSize - 1];
      (void)last;
    }
    units = units.subspan(3 + length);
  }
  return 0;
}
