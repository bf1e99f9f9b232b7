#include "tests/writer/WriterTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>

#include "core/PlugRecords.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/Movie.h"
#include "platform/sys/Utf.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Shell.h"
#include "zebplug/ZEBPlugOrdinals.h"

namespace zeb::writer::test {

using zeb::movie::FourCC;

std::string ScratchPath(const std::string& name) {
  const std::string folder = zeb::test::FixtureDir() + "/writer";
  std::filesystem::create_directories(folder);
  return folder + "/" + name;
}

WriterSetup VideoOnlySetup(uint32_t fourcc, int32_t timeScale, int32_t frameDuration, int32_t width,
                           int32_t height) {
  WriterSetup setup;
  setup.videoPresent = 1;
  setup.video.videoFourcc = fourcc;
  setup.video.width = width;
  setup.video.height = height;
  setup.video.timeScale = timeScale;
  setup.video.frameDuration = frameDuration;
  setup.video.aspectX = 4;
  setup.video.aspectY = 3;
  PlugRecords::Init(setup.videoInfo);
  return setup;
}

WriterSetup AudioOnlySetup(int32_t channels, int32_t sampleRate) {
  WriterSetup setup;
  setup.audioPresent = 1;
  setup.audio.audioFourcc = FourCC("twos");
  setup.audio.channels = channels;
  setup.audio.bitsPerSample = 16;
  setup.audio.sampleRate = sampleRate;
  return setup;
}

Bytes MpegPicture(uint16_t temporalReference, size_t size) {
  // A sequence header's start, then the picture header: 10 bits of temporal
  // reference and the I coding type.
  Bytes picture = {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x00, 0x00, 0x01, 0x00};
  picture.push_back(static_cast<uint8_t>(temporalReference >> 2));
  picture.push_back(static_cast<uint8_t>((temporalReference & 3) << 6 | 0x08));
  picture.resize(std::max(size, picture.size()), 0x55);
  return picture;
}

Bytes Pattern(size_t size, uint8_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(seed + i);
  return bytes;
}

namespace {

void ReadVideoSamples(const zeb::movie::Media& media, WrittenTrack& track) {
  Bytes buffer(16 << 20);
  for (uint64_t n = 1; n <= media.SampleCount(); ++n) {
    int64_t time = 0, duration = 0;
    ASSERT_TRUE(media.GetSampleDecodeTime(n, time, duration).IsOk());
    zeb::movie::SampleReadResult read;
    const zeb::movie::Status status =
        media.ReadSamples({time, buffer.data(), static_cast<uint32_t>(buffer.size()), 1}, read);
    ASSERT_TRUE(status.IsOk()) << status.ToString();
    track.samples.push_back({Bytes(buffer.begin(), buffer.begin() + read.dataSize),
                             read.decodeDuration, read.displayOffset, read.flags == 0,
                             read.descriptionIndex});
  }
}

void ReadSoundRuns(const std::string& path, const zeb::movie::Media& media, WrittenTrack& track) {
  int64_t time = 0;
  for (;;) {
    zeb::movie::SampleReference64 records[256];
    uint32_t filled = 0;
    if (!media.GetSampleReferences(time, 256, records, filled).IsOk() || filled == 0) return;
    for (uint32_t i = 0; i < filled; ++i) {
      const zeb::movie::SampleReference64 record = records[i];
      if (track.chunkSamples.empty())
        track.firstDataOffset = static_cast<uint64_t>(record.dataOffset);
      track.chunkSamples.push_back(record.numberOfSamples);
      track.soundSamples += record.numberOfSamples;
      const Bytes bytes =
          zeb::test::ReadFile(path, static_cast<uint64_t>(record.dataOffset), record.dataSize);
      track.soundBytes.insert(track.soundBytes.end(), bytes.begin(), bytes.end());
      time += int64_t{record.numberOfSamples} * record.durationPerSample;
    }
  }
}

}  // namespace

std::vector<WrittenTrack> ReadWrittenMovie(const std::string& path) {
  std::unique_ptr<zeb::movie::Movie> movie;
  const zeb::movie::Status opened = zeb::movie::Movie::Open(path, movie);
  EXPECT_TRUE(opened.IsOk()) << path << ": " << opened.ToString();
  std::vector<WrittenTrack> tracks;
  if (!opened.IsOk()) return tracks;
  for (uint32_t i = 1; i <= movie->TrackCount(); ++i) {
    const zeb::movie::Media& media = movie->GetTrack(i)->GetMedia();
    WrittenTrack track;
    track.type = media.Type();
    track.timeScale = media.TimeScale();
    for (uint32_t d = 1; d <= media.SampleDescriptionCount(); ++d) {
      zeb::movie::OwnedHandle description(zeb::movie::NewHandle(0));
      EXPECT_TRUE(media.GetSampleDescription(d, description.get()).IsOk());
      const size_t size = zeb::movie::GetHandleSize(description.get());
      track.descriptions.emplace_back(*description, *description + size);
    }
    if (media.Type() == FourCC("vide")) ReadVideoSamples(media, track);
    if (media.Type() == FourCC("soun")) ReadSoundRuns(path, media, track);
    tracks.push_back(std::move(track));
  }
  return tracks;
}

HostMuxer::HostMuxer(const TestPlugin& plugin) : plugin_(plugin) {
  handle_ = plugin_.Get<PFN_MuxerCreate>(ZEB_ORD_MuxerCreate)();
  EXPECT_NE(handle_, nullptr);
}

void HostMuxer::Destroy() {
  if (handle_ == nullptr) return;
  EXPECT_EQ(plugin_.Get<PFN_MuxerDestroy>(ZEB_ORD_MuxerDestroy)(handle_), 0u);
  handle_ = nullptr;
}

uint32_t HostMuxer::Open(const std::string& path, std::vector<SPlugStreamInfo> streams,
                         uint32_t writerThreads, uint32_t openMode) {
  SPlugSourceDesc source{};
  const std::u16string wide = zeb::sys::Utf8ToUtf16(path);
  std::copy_n(wide.begin(), std::min<size_t>(wide.size(), PLUG_SOURCE_PATH_UNITS - 1), source.path);
  const SPlugOpenParam open{1, &source};
  streams_ = std::move(streams);
  SPlugMuxParam param{};
  param.streamCount = static_cast<uint32_t>(streams_.size());
  param.streams = streams_.data();
  param.openMode = openMode;
  param.writerThreads = writerThreads;
  return OpenParam(&open, &param);
}

uint32_t HostMuxer::OpenParam(const SPlugOpenParam* open, const SPlugMuxParam* param) {
  return plugin_.Get<PFN_MuxerOpen>(ZEB_ORD_MuxerOpen)(handle_, open, param);
}

uint32_t HostMuxer::Write(uint32_t stream, std::span<const uint8_t> unit, SPlugFrameInfo info) {
  info.dataSize = static_cast<uint32_t>(unit.size());
  return plugin_.Get<PFN_MuxerWrite>(ZEB_ORD_MuxerWrite)(handle_, stream, unit.data(), &info);
}

uint32_t HostMuxer::WriteVideo(std::span<const uint8_t> frame, uint32_t frameType) {
  SPlugFrameInfo info;
  PlugRecords::Init(info);
  info.frameType = frameType;
  return Write(0, frame, info);
}

uint32_t HostMuxer::WriteAudio(std::span<const uint8_t> block, uint32_t samples, bool last) {
  SPlugFrameInfo info;
  PlugRecords::Init(info);
  info.unitCount = samples;
  info.streamState = last ? PLUG_STREAMSTATE_END_ : PLUG_STREAMSTATE_MORE_;
  return Write(1, block, info);
}

}  // namespace zeb::writer::test
