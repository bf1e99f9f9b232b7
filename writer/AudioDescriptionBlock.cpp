#include "writer/AudioDescriptionBlock.h"

#include "platform/movie/ByteReader.h"

std::span<const uint8_t> AudioDescriptionBlockIn(std::span<const uint8_t> bytes) {
  if (bytes.size() < kAudioDescriptionBlockSize) return {};
  uint32_t length = 0;
  const bool read = zeb::movie::ByteReader(bytes).ReadNativeAt(kSoundDescriptionAt, length).IsOk();
  const size_t whole = kSoundDescriptionAt + size_t{length};
  if (read && whole > kAudioDescriptionBlockSize && whole <= bytes.size())
    return bytes.first(whole);
  return bytes.first(kAudioDescriptionBlockSize);
}
