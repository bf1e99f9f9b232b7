#include "codecs/CQTAEnCoder.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>

#include "core/LoadQuickTime.h"
#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"
#include "platform/movie/SoundDescriptionExtension.h"
#include "platform/movie/SpanWriter.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

namespace codec = zeb::codec;
namespace sound = zeb::media::sound;

constexpr size_t kSoundDescriptionSize = 52;  // version 1 header
constexpr uint32_t kWaveAtom = zeb::media::FourCC("wave");
constexpr uint32_t kInputFormat = zeb::media::FourCC("sowt");
constexpr int32_t kFillRecordSize = 28;

// The rates the media layer names exactly; any other rate that 16.16 can hold
// keeps its value, so that the movie plays at the rate it was made at.
uint32_t FixedPointRate(uint32_t hz) {
  constexpr std::array kNamed = {8000u, 11025u, 16000u, 22050u, 32000u, 44100u};
  if (std::find(kNamed.begin(), kNamed.end(), hz) != kNamed.end()) return hz << 16;
  if (hz == 0 || hz > 0xFFFF) return 0;
  return hz << 16;
}

// PCM codes, and codes whose description takes no 'wave'.
bool KeepsPlainDescription(uint32_t format) {
  using zeb::media::FourCC;
  return zeb::media::IsOneOf(
      format, {FourCC("raw "), FourCC("twos"), FourCC("sowt"), FourCC("fl32"), FourCC("fl64"),
               FourCC("in24"), FourCC("in32"), FourCC("23ni"), FourCC("Qclp")});
}

template <typename T>
void PutField(zeb::movie::SpanWriter& writer, size_t at, T value) {
  // Every offset lies inside the 52-byte header, which the handle always holds.
  if (writer.Seek(at).IsOk()) (void)writer.PutNative(value);
}

uint32_t NativeWord(const uint8_t* bytes) {
  uint32_t word = 0;
  std::memcpy(&word, bytes, sizeof word);
  return word;
}

}  // namespace

CQTAEnCoder::CQTAEnCoder() { LoadQuickTimeOnce(); }

CQTAEnCoder::~CQTAEnCoder() { Close(); }

uint32_t CQTAEnCoder::Open(const AudioEncoderParams& params, const uint8_t* custom,
                           uint32_t customSize) {
  Close();
  pairs_ = 1;
  channelsPerPair_ = params.channels;
  if (params.channels > 2) {
    pairs_ = params.channels / 2;
    channelsPerPair_ = 2;
  }
  description_.reset(zeb::movie::NewHandle(kSoundDescriptionSize));
  const uint32_t fixedRate = FixedPointRate(params.sampleRate);
  frameBytes_ = params.sampleSize * channelsPerPair_ / 8;
  const uint64_t outputSize = uint64_t{channelsPerPair_} * params.sampleRate * pairs_ * 16;
  if (!description_ || fixedRate == 0 || frameBytes_ == 0 ||
      outputSize > std::numeric_limits<uint32_t>::max()) {
    return ZEB_E_CODEC_50C;
  }
  FillDescription(params, fixedRate);
  if (const uint32_t opened = OpenConverters(params, fixedRate, custom, customSize);
      opened != ZEB_OK) {
    return opened;
  }
  zeb::movie::Handle wave = nullptr;
  if (codec::SoundEncoderGetInfo(converters_[0], codec::kEncoderParams, &wave) == 0 &&
      wave != nullptr) {
    zeb::movie::HLock(wave);
    for (codec::SoundEncoder converter : converters_) {
      (void)codec::SoundEncoderSetInfo(converter, codec::kEncoderParams, wave);
    }
    zeb::movie::HUnlock(wave);
  }
  ApplyCompressionInfo();
  outputSize_ = static_cast<uint32_t>(outputSize);
  pairBufferSize_ = params.sampleRate * channelsPerPair_ * 8;
  output_.reset(new (std::nothrow) uint8_t[outputSize_]);
  pairBuffer_.reset(new (std::nothrow) uint8_t[pairBufferSize_]);
  bool begun = output_ && pairBuffer_;
  for (codec::SoundEncoder converter : converters_) {
    begun = begun && codec::SoundEncoderBeginConversion(converter) == 0;
  }
  if (!begun) {
    zeb::movie::DisposeHandle(wave);
    return ZEB_E_CODEC_503;
  }
  fill_ = FillRecord();
  fill_.desc.format = kInputFormat;
  fill_.desc.numChannels = static_cast<int16_t>(channelsPerPair_);
  fill_.desc.sampleSize = static_cast<int16_t>(params.sampleSize);
  fill_.desc.sampleRate = fixedRate;
  fill_.recordSize = kFillRecordSize;
  const bool added = wave == nullptr || AddWaveExtension(wave, params.format);
  zeb::movie::DisposeHandle(wave);
  if (!added) return ZEB_E_CODEC_503;
  BuildDescriptionBlock();
  return ZEB_OK;
}

uint32_t CQTAEnCoder::OpenConverters(const AudioEncoderParams& params, uint32_t fixedRate,
                                     const uint8_t* custom, uint32_t customSize) {
  codec::SoundComponentData input;
  input.format = kInputFormat;
  input.numChannels = static_cast<int16_t>(channelsPerPair_);
  input.sampleSize = static_cast<int16_t>(params.sampleSize);
  input.sampleRate = fixedRate;
  codec::SoundComponentData output = input;
  output.flags = codec::kNoRealtimeProcessing;
  output.format = params.format;
  zeb::movie::OwnedHandle settings;
  if (custom != nullptr && customSize > 0) {
    settings.reset(zeb::movie::NewHandle(customSize));
    if (!settings) return ZEB_E_CODEC_50C;
    std::memcpy(*settings, custom, customSize);
  }
  const auto channels = static_cast<int16_t>(channelsPerPair_);
  // The record's bit rate is the stream's: each pair codes its share. The
  // dialog's codec settings, set after it, name a pair's rate themselves.
  const uint32_t pairBitRate = params.bitRate / pairs_;
  // The writer shares each unit equally among the pairs' tracks, so pairs
  // must give packets of one size: ALAC then stores its samples verbatim.
  constexpr int32_t kVerbatim = 0;
  const bool verbatim = pairs_ > 1 && params.format == zeb::media::FourCC("alac");
  for (uint32_t pair = 0; pair < pairs_; ++pair) {
    codec::SoundEncoder converter = nullptr;
    if (codec::SoundEncoderOpen(&input, &output, &converter) != 0) return ZEB_E_CODEC_50C;
    converters_.push_back(converter);
    (void)codec::SoundEncoderSetInfo(converter, codec::kSiClientAcceptsVBR,
                                     reinterpret_cast<const void*>(uintptr_t{1}));
    (void)codec::SoundEncoderSetInfo(converter, codec::kSiCompressionChannels, &channels);
    (void)codec::SoundEncoderSetInfo(converter, codec::kSiCompressionSampleRate, &fixedRate);
    (void)codec::SoundEncoderSetInfo(converter, codec::kEncoderBitRate, &pairBitRate);
    if (settings) {
      (void)codec::SoundEncoderSetInfo(converter, codec::kEncoderParams, settings.get());
    }
    if (verbatim) {
      (void)codec::SoundEncoderSetInfo(converter, codec::kEncoderCompressionLevel, &kVerbatim);
    }
  }
  return ZEB_OK;
}

void CQTAEnCoder::FillDescription(const AudioEncoderParams& params, uint32_t fixedRate) {
  zeb::movie::SpanWriter writer({*description_, kSoundDescriptionSize});
  PutField(writer, zeb::media::kDescriptionSizeAt, static_cast<uint32_t>(kSoundDescriptionSize));
  PutField(writer, zeb::media::kDescriptionFormatAt, params.format);
  PutField(writer, sound::kChannelsAt, static_cast<uint16_t>(channelsPerPair_));
  PutField(writer, sound::kSampleSizeAt, static_cast<uint16_t>(params.sampleSize));
  PutField(writer, sound::kSampleRateAt, fixedRate);
}

// The packing the converter reports goes into the description and the block.
void CQTAEnCoder::ApplyCompressionInfo() {
  codec::SoundCompressionInfo info;
  info.recordSize = sizeof info;
  (void)codec::SoundEncoderGetInfo(converters_[0], codec::kEncoderCompressionInfo, &info);
  zeb::movie::SpanWriter writer({*description_, kSoundDescriptionSize});
  PutField(writer, sound::kCompressionIdAt, info.compressionID);
  PutField(writer, sound::kSamplesPerPacketAt, uint32_t{info.samplesPerPacket});
  PutField(writer, sound::kBytesPerPacketAt, uint32_t{info.bytesPerPacket});
  PutField(writer, sound::kBytesPerFrameAt, uint32_t{info.bytesPerFrame});
  PutField(writer, sound::kBytesPerSampleAt, uint32_t{info.bytesPerSample});
  compressionId_ = info.compressionID;
  samplesPerPacket_ = info.samplesPerPacket;
}

bool CQTAEnCoder::AddWaveExtension(zeb::movie::Handle wave, uint32_t format) {
  if (KeepsPlainDescription(format)) return true;
  zeb::movie::SpanWriter writer({*description_, kSoundDescriptionSize});
  PutField(writer, zeb::media::kDataReferenceIndexAt, uint16_t{1});
  PutField(writer, sound::kVersionAt, uint16_t{1});
  return zeb::movie::AddSoundDescriptionExtension(description_.get(), wave, kWaveAtom).IsOk();
}

void CQTAEnCoder::BuildDescriptionBlock() {
  const uint8_t* description = *description_;
  const size_t size =
      std::min<size_t>(NativeWord(description), zeb::movie::GetHandleSize(description_.get()));
  // Packets of several samples become one media sample each, lasting that
  // many ticks (mode -2): the movie layer stores only media samples of
  // whole, equal sizes, and an IMA packet of 64 samples has 34 bytes.
  const int32_t mode =
      samplesPerPacket_ > 1 ? zeb::media::sound::kVariableCompressionId : compressionId_;
  block_.resize(8 + size);
  std::memcpy(block_.data(), &mode, 4);
  std::memcpy(block_.data() + 4, &samplesPerPacket_, 4);
  std::memcpy(block_.data() + 8, description, size);
}

bool CQTAEnCoder::FillCallback(codec::SoundComponentData** data, void* refCon) {
  auto* record = static_cast<FillRecord*>(refCon);
  if (record->hasData) {
    record->hasData = false;
    *data = &record->desc;
    return true;
  }
  record->bufferSize = 0;
  return false;
}

// One pair's frames, gathered from the interleaved input into the pair buffer.
std::span<const uint8_t> CQTAEnCoder::PairInput(const uint8_t* pcm, uint32_t size, uint32_t pair) {
  if (pairs_ == 1) return {pcm, size};
  const uint32_t frames = std::min((size / frameBytes_) / pairs_, pairBufferSize_ / frameBytes_);
  for (uint32_t k = 0; k < frames; ++k) {
    std::memcpy(pairBuffer_.get() + size_t{k} * frameBytes_,
                pcm + (size_t{k} * pairs_ + pair) * frameBytes_, frameBytes_);
  }
  return {pairBuffer_.get(), size_t{frames} * frameBytes_};
}

uint32_t CQTAEnCoder::Encode(const uint8_t* pcm, uint32_t size, const uint8_t** out,
                             uint32_t* outBytes, uint32_t* outFrames, bool end) {
  uint32_t totalFrames = 0;
  uint32_t totalBytes = 0;
  std::vector<std::vector<codec::SoundEncoderPacket>> packets(pairs_);
  for (uint32_t pair = 0; pair < converters_.size(); ++pair) {
    const std::span<const uint8_t> input = PairInput(pcm, size, pair);
    fill_.desc.buffer = const_cast<uint8_t*>(input.data());  // the converter only reads it
    fill_.desc.sampleCount = static_cast<int32_t>(input.size() / frameBytes_);
    fill_.bufferSize = static_cast<int32_t>(input.size());
    fill_.hasData = !input.empty();
    uint8_t* write = output_.get() + totalBytes;
    uint32_t bytes = 0;
    uint32_t frames = 0;
    uint32_t flags = 0;
    (void)codec::SoundEncoderFillBuffer(converters_[pair], FillCallback, &fill_, write,
                                        outputSize_ - totalBytes, &bytes, &frames, &flags);
    const auto filled = codec::SoundEncoderPackets(converters_[pair]);
    packets[pair].assign(filled.begin(), filled.end());
    totalFrames += frames;
    totalBytes += bytes;
    if (end) {
      uint32_t endFrames = 0;
      uint32_t endBytes = 0;
      if (codec::SoundEncoderEndConversion(converters_[pair], write + bytes,
                                           outputSize_ - totalBytes, &endFrames, &endBytes) == 0) {
        const auto ended = codec::SoundEncoderPackets(converters_[pair]);
        packets[pair].insert(packets[pair].end(), ended.begin(), ended.end());
        totalFrames += endFrames;
        totalBytes += endBytes;
      }
    }
  }
  *out = output_.get();
  *outBytes = totalBytes;
  *outFrames = totalFrames / pairs_;
  CutUnits(totalBytes, *outFrames, packets);
  return ZEB_OK;
}

void CQTAEnCoder::CutUnits(uint32_t totalBytes, uint32_t frames,
                           const std::vector<std::vector<codec::SoundEncoderPacket>>& packets) {
  units_.clear();
  if (compressionId_ != zeb::media::sound::kVariableCompressionId) {
    if (totalBytes > 0) units_.push_back({output_.get(), totalBytes, frames, 0});
    return;
  }
  if (pairs_ == 1) {
    const uint8_t* at = output_.get();
    for (const codec::SoundEncoderPacket& packet : packets[0]) {
      units_.push_back({at, packet.bytes, 1, packet.samples});
      at += packet.bytes;
    }
    return;
  }
  // Unit i holds packet i of every pair, each padded with zero bytes to the
  // largest of them: the writer gives every pair's track an equal share of a
  // unit, and AAC and MP3 decoders skip zero bytes after a packet's end.
  // ALAC's pairs are of one size already (verbatim).
  size_t count = packets[0].size();
  for (const auto& pair : packets) count = std::min(count, pair.size());
  std::vector<const uint8_t*> read(pairs_, output_.get());
  for (uint32_t pair = 1; pair < pairs_; ++pair) {
    read[pair] = read[pair - 1];
    for (const codec::SoundEncoderPacket& packet : packets[pair - 1]) read[pair] += packet.bytes;
  }
  std::vector<uint32_t> shares(count, 0);
  std::vector<uint32_t> samples(count, UINT32_MAX);
  for (size_t i = 0; i < count; ++i) {
    for (const auto& pair : packets) {
      shares[i] = std::max(shares[i], pair[i].bytes);
      samples[i] = std::min(samples[i], pair[i].samples);
    }
  }
  size_t assembled = 0;
  for (uint32_t share : shares) assembled += size_t{share} * pairs_;
  unitBuffer_.assign(assembled, 0);
  uint8_t* write = unitBuffer_.data();
  for (size_t i = 0; i < count; ++i) {
    units_.push_back({write, shares[i] * pairs_, 1, samples[i]});
    for (uint32_t pair = 0; pair < pairs_; ++pair) {
      std::memcpy(write + size_t{pair} * shares[i], read[pair], packets[pair][i].bytes);
      read[pair] += packets[pair][i].bytes;
    }
    write += size_t{shares[i]} * pairs_;
  }
}

std::span<const uint8_t> CQTAEnCoder::DescriptionBlockFor(const EncodedAudioUnit& unit) {
  if (unit.samples == 0 || unit.samples >= samplesPerPacket_) return block_;
  shortBlock_ = block_;
  std::memcpy(shortBlock_.data() + 4, &unit.samples, 4);
  return shortBlock_;
}

void CQTAEnCoder::Close() {
  for (codec::SoundEncoder converter : converters_) codec::SoundEncoderClose(converter);
  converters_.clear();
  output_.reset();
  outputSize_ = 0;
  description_.reset();
  block_.clear();
  pairBuffer_.reset();
  pairBufferSize_ = 0;
  units_.clear();
  unitBuffer_.clear();
  shortBlock_.clear();
}
