#include "tools/zebqt/DecodedAudio.h"

#include <algorithm>

#include "tools/zebqt/FrameRecords.h"

namespace {

// Uncompressed sources are read a tenth of a second a unit.
constexpr uint32_t kUnitsPerSecond = 10;

}  // namespace

DecodedAudio::DecodedAudio(const PluginLibrary& plugin, ReaderSession& reader,
                           const SPlugStreamInfo& stream)
    : reader_(reader),
      stream_(stream),
      decoder_(plugin, stream),
      channels_(std::max<uint32_t>(stream.audio.channels, 1)),
      // The ALAC decoder takes one packet a unit; packets of several frames
      // go one at a time for every coding alike.
      packetsPerUnit_(stream.framesPerPacket > 1
                          ? 1
                          : std::max<uint32_t>(stream.audio.sampleRate / kUnitsPerSecond, 1)) {
  // A coding's first packet may give no PCM (the AAC of some phones); the
  // format is read off the first unit that gives some.
  uint64_t frames = 0;
  while (pcm_.empty() && packetsRead_ < stream_.packetCount) {
    const uint64_t before = packetsRead_;
    DecodeNextUnit();
    frames = (packetsRead_ - before) * std::max<uint32_t>(stream.framesPerPacket, 1);
  }
  if (stream_.packetCount == 0) return;
  const uint64_t frameBytes = frames > 0 ? pcm_.size() / frames : 0;
  // The PCM has the record's channel count; the width is the record's when
  // it divides the frame, else 16 bits.
  const uint32_t bits = stream.audio.bitsPerSample;
  uint64_t width = frameBytes % channels_ == 0 ? frameBytes / channels_ : 0;
  if (width < 2 || width > 4) width = bits == 24 || bits == 32 ? bits / 8 : 2;
  if (frameBytes == 0 || frameBytes % width != 0 || frameBytes / width == 0) {
    throw Failure(kExitOutput, "the audio decoder gave " + std::to_string(pcm_.size()) +
                                   " bytes for " + std::to_string(frames) +
                                   " sample frames: not 16-, 24- or 32-bit PCM");
  }
  valueBytes_ = static_cast<uint32_t>(width);
  channels_ = static_cast<uint32_t>(frameBytes / width);
}

void DecodedAudio::DecodeNextUnit() {
  const uint64_t left = stream_.packetCount - packetsRead_;
  const auto ask = static_cast<uint32_t>(std::min<uint64_t>(packetsPerUnit_, left));
  const uint8_t* data = nullptr;
  SPlugFrameInfo info = NewFrameInfo();
  CheckStep(reader_.ReadAudio(static_cast<uint32_t>(packetsRead_), ask, &data, info),
            "reading audio at packet " + std::to_string(packetsRead_));
  // The reader may deliver fewer PCM samples than asked for, never none.
  const uint32_t packets = stream_.framesPerPacket > 1 ? ask : info.unitCount;
  if (packets == 0 || packets > ask) {
    throw Failure(kExitMovie, "audio at packet " + std::to_string(packetsRead_) +
                                  ": the reader returned no whole packets");
  }
  const std::span<const uint8_t> decoded =
      decoder_.Decode({data, info.dataSize}, packets, packetsRead_);
  packetsRead_ += packets;
  pcm_.erase(pcm_.begin(), pcm_.begin() + static_cast<std::ptrdiff_t>(at_));
  at_ = 0;
  pcm_.insert(pcm_.end(), decoded.begin(), decoded.end());
}

std::span<const uint8_t> DecodedAudio::Take(uint64_t frames) {
  const size_t frameBytes = size_t{channels_} * valueBytes_;
  while ((pcm_.size() - at_) / frameBytes < frames && packetsRead_ < stream_.packetCount) {
    DecodeNextUnit();
  }
  const size_t bytes =
      std::min<size_t>(frames * frameBytes, (pcm_.size() - at_) / frameBytes * frameBytes);
  const std::span<const uint8_t> slice(pcm_.data() + at_, bytes);
  at_ += bytes;
  // A decoder that leaves a part frame at the end drops it.
  if (packetsRead_ >= stream_.packetCount && pcm_.size() - at_ < frameBytes) at_ = pcm_.size();
  framesTaken_ += bytes / frameBytes;
  return slice;
}
