#include "tests/codecs/AudioDecoderTestSupport.h"

#include <gtest/gtest.h>

#include "tests/reader/ReaderTestSupport.h"
#include "tests/support/Shell.h"

namespace zeb::test {

std::vector<uint8_t> HostAudioDecoder::DecodeUnit(const std::vector<uint8_t>& unit, uint32_t count,
                                                  SPlugFrameInfo& info) {
  SPlugFrameInfo coded = NewFrameInfo();
  coded.dataSize = static_cast<uint32_t>(unit.size());
  coded.unitCount = count;
  EXPECT_EQ(Decode(unit.data(), &coded), 0u);
  uint8_t* pcm = nullptr;
  info = NewFrameInfo();
  EXPECT_EQ(Fetch(&pcm, &info), 0u);
  if (pcm == nullptr || info.dataSize == 0) return {};
  return {pcm, pcm + info.dataSize};
}

uint32_t HostAudioDecoder::OpenOn(ReadSound& sound) {
  const SPlugPrivateDesc description = DescriptionOf(sound);
  return Open(&description);
}

ReadSound ReadWholeSound(const TestPlugin& plugin, const std::string& path, uint32_t block) {
  ReadSound sound;
  HostReader reader(plugin);
  EXPECT_EQ(reader.Open(path), 0u);
  EXPECT_EQ(reader.AudioInfo(0, &sound.stream), 0u);
  EXPECT_EQ(sound.stream.privateKind, uint32_t{PLUG_PRIVATE_QT_SOUND_DESCRIPTION});
  const auto* description = static_cast<const uint8_t*>(sound.stream.privateAddress);
  if (description != nullptr) {
    sound.description.assign(description, description + sound.stream.privateSize);
  }
  std::vector<uint8_t> buffer(size_t{sound.stream.audio.channels} * 384000);
  for (uint32_t start = 0; start < sound.stream.packetCount; start += block) {
    SPlugFrameInfo info = NewFrameInfo();
    EXPECT_EQ(reader.ReadAudio(start, block, buffer.data(), &info), 0u) << start;
    sound.units.push_back({{buffer.begin(), buffer.begin() + info.dataSize}, info.unitCount});
  }
  return sound;
}

SPlugPrivateDesc DescriptionOf(ReadSound& sound) {
  return {PLUG_PRIVATE_QT_SOUND_DESCRIPTION, sound.description.data(),
          static_cast<uint32_t>(sound.description.size())};
}

std::vector<uint8_t> ReferenceAudio(const std::string& path, const std::string& format,
                                    const std::string& options) {
  const CommandResult run =
      RunCommand("ffmpeg -v error -nostdin -ignore_editlist 1 -i " + Quote(path) + " -map 0:a:0 " +
                 options + " -f " + format + " -");
  EXPECT_EQ(run.exitCode, 0) << run.output.substr(0, 200);
  return {run.output.begin(), run.output.end()};
}

}  // namespace zeb::test
