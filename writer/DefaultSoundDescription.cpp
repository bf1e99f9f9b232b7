#include "writer/DefaultSoundDescription.h"

#include <algorithm>

#include "media/SampleDescriptionLayout.h"
#include "platform/movie/SpanWriter.h"

namespace {

constexpr uint16_t kDataReferenceIndex = 1;
constexpr uint16_t kVersion1 = 1;
constexpr uint32_t kLargestFixedRate = 0xFFFF;  // the 16.16 rate field's integer part

template <typename T>
void Put(zeb::movie::SpanWriter& writer, size_t at, T value) {
  // The description is 52 bytes and every offset lies inside it.
  if (writer.Seek(at).IsOk()) (void)writer.PutNative(value);
}

}  // namespace

void FillDefaultSoundDescription(const AudioSetup& audio, int32_t channelsPerTrack,
                                 std::span<uint8_t, kSoundDescriptionSize> description) {
  namespace sound = zeb::media::sound;
  std::fill(description.begin(), description.end(), uint8_t{0});
  const auto bytesPerSample = static_cast<uint32_t>(std::max(audio.bitsPerSample, 8) / 8);
  const auto channels = static_cast<uint32_t>(std::max(channelsPerTrack, 1));
  const uint32_t rate =
      std::min(static_cast<uint32_t>(std::max(audio.sampleRate, 0)), kLargestFixedRate);
  zeb::movie::SpanWriter writer(description);
  Put(writer, zeb::media::kDescriptionSizeAt, static_cast<uint32_t>(kSoundDescriptionSize));
  Put(writer, zeb::media::kDescriptionFormatAt, audio.audioFourcc);
  Put(writer, zeb::media::kDataReferenceIndexAt, kDataReferenceIndex);
  Put(writer, sound::kVersionAt, kVersion1);
  Put(writer, sound::kChannelsAt, static_cast<uint16_t>(channels));
  Put(writer, sound::kSampleSizeAt, static_cast<uint16_t>(bytesPerSample * 8));
  Put(writer, sound::kSampleRateAt, rate << 16);
  Put(writer, sound::kSamplesPerPacketAt, uint32_t{1});
  Put(writer, sound::kBytesPerPacketAt, bytesPerSample);
  Put(writer, sound::kBytesPerFrameAt, bytesPerSample * channels);
  Put(writer, sound::kBytesPerSampleAt, bytesPerSample);
}
