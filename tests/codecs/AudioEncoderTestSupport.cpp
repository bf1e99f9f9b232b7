#include "tests/codecs/AudioEncoderTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include "core/PlugRecords.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/Shell.h"
#include "tests/writer/WriterTestSupport.h"

namespace zeb::test {

std::vector<uint8_t> TonePcm(uint32_t frames, uint32_t channels, uint32_t rate, uint32_t bits) {
  const uint32_t bytes = bits / 8;
  std::vector<uint8_t> pcm(size_t{frames} * channels * bytes);
  const double scale = std::ldexp(1.0, static_cast<int>(bits) - 2);  // half of full scale
  for (uint32_t i = 0; i < frames; ++i) {
    for (uint32_t c = 0; c < channels; ++c) {
      const double phase = 2 * std::numbers::pi * 220.0 * (c + 1) * i / rate;
      const auto value = static_cast<int64_t>(std::lround(scale * std::sin(phase)));
      uint8_t* at = pcm.data() + (size_t{i} * channels + c) * bytes;
      for (uint32_t b = 0; b < bytes; ++b) at[b] = static_cast<uint8_t>(value >> (8 * b));
    }
  }
  return pcm;
}

uint32_t HostAudioEncoder::Put(const uint8_t* data, uint32_t size, uint32_t state, int channel) {
  SPlugFrameInfo info;
  PlugRecords::Init(info);
  info.dataSize = size;
  info.streamState = state;
  if (channel < 0) return Call<PFN_EncodeAudio>(ZEB_ORD_EncodeAudio, data, &info);
  return Call<PFN_EncodeAudioChannel>(ZEB_ORD_EncodeAudioChannel, static_cast<uint32_t>(channel),
                                      data, &info);
}

namespace {

// Takes units until one is empty or ends the stream; true when one ended it.
bool TakeUnits(HostAudioEncoder& encoder, std::vector<CodedUnit>& units) {
  for (;;) {
    CodedUnit unit;
    PlugRecords::Init(unit.info);
    const uint8_t* data = nullptr;
    EXPECT_EQ(encoder.Get(&data, &unit.info), 0u);
    if (unit.info.dataSize == 0) return unit.info.streamState == PLUG_STREAMSTATE_END_;
    unit.bytes.assign(data, data + unit.info.dataSize);
    EXPECT_EQ(unit.info.privateKind, uint32_t{PLUG_PRIVATE_AUDIO_DESCRIPTION});
    const auto* block = static_cast<const uint8_t*>(unit.info.privateAddress);
    if (block != nullptr) unit.block.assign(block, block + unit.info.privateSize);
    const bool ended = unit.info.streamState == PLUG_STREAMSTATE_END_;
    units.push_back(std::move(unit));
    if (ended) return true;
  }
}

}  // namespace

std::vector<CodedUnit> EncodeAll(HostAudioEncoder& encoder, const std::vector<uint8_t>& pcm,
                                 uint32_t blockAlign, uint32_t pieceFrames) {
  std::vector<CodedUnit> units;
  const size_t piece = size_t{pieceFrames} * blockAlign;
  for (size_t at = 0; at < pcm.size(); at += piece) {
    const size_t size = std::min(piece, pcm.size() - at);
    EXPECT_EQ(encoder.Put(pcm.data() + at, static_cast<uint32_t>(size), PLUG_STREAMSTATE_MORE_),
              0u);
    if (TakeUnits(encoder, units)) return units;
  }
  EXPECT_EQ(encoder.Put(nullptr, 0, PLUG_STREAMSTATE_END_), 0u);
  // Each call after the end cuts at most one chunk; a few calls drain it.
  for (int i = 0; i < 64; ++i) {
    if (TakeUnits(encoder, units)) return units;
  }
  ADD_FAILURE() << "the encoder never ended the stream";
  return units;
}

bool WriteAudioMovie(const TestPlugin& plugin, const std::string& path,
                     const SPlugAudioStreamInfo& audio, const std::vector<CodedUnit>& units) {
  writer::test::HostMuxer muxer(plugin);
  if (muxer.Open(path, {StreamRecord(audio)}) != 0) return false;
  for (const CodedUnit& unit : units) {
    if (muxer.Write(0, unit.bytes, unit.info) != 0) return false;
  }
  muxer.Destroy();
  return true;
}

DecodedAudio DecodeWithFfmpeg(const std::string& path, int index) {
  DecodedAudio decoded;
  const std::string specifier = "a:" + std::to_string(index);
  const ProbeFields fields = ProbeStreamFields(path, specifier);
  if (fields.empty()) return decoded;
  decoded.codecName = Field(fields, "codec_name");
  decoded.codecTag = Field(fields, "codec_tag_string");
  decoded.sampleRate = std::atoi(Field(fields, "sample_rate").c_str());
  decoded.channels = std::atoi(Field(fields, "channels").c_str());
  decoded.duration = std::atof(Field(fields, "duration").c_str());
  const std::string raw = path + "." + std::to_string(index) + ".s16";
  const CommandResult run =
      RunCommand("ffmpeg -v error -y -i " + Quote(path) + " -map 0:" + specifier +
                 " -f s16le -acodec pcm_s16le " + Quote(raw) + " 2>&1");
  if (run.exitCode != 0 || !run.output.empty()) {
    ADD_FAILURE() << "ffmpeg: " << run.output;
    decoded.codecName.clear();
    return decoded;
  }
  const std::vector<uint8_t> bytes = ReadFile(raw);
  decoded.samples.resize(bytes.size() / 2);
  std::memcpy(decoded.samples.data(), bytes.data(), decoded.samples.size() * 2);
  return decoded;
}

}  // namespace zeb::test
