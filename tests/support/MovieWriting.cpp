#include "tests/support/MovieWriting.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/movie/FourCC.h"
#include "platform/movie/SampleDescriptionOrder.h"
#include "tests/support/Fixtures.h"

namespace zeb::movie::test {
namespace {

// Version 1 stores bytes per frame at 44; version 0 has channels at 24 and
// bits per sample at 26.
uint32_t SoundBytesPerFrame(const Bytes& entry) {
  if (BigEndian(entry, 16) >> 16 == 1) return BigEndian(entry, 44);
  const uint32_t format = BigEndian(entry, 24);
  return (format >> 16) * ((format & 0xFFFF) / 8);
}

}  // namespace

std::string OutputPath(const std::string& name) {
  const std::string folder = zeb::test::FixtureDir() + "/movie_writer";
  std::filesystem::create_directories(folder);
  return folder + "/" + name;
}

Bytes PacketBytes(const std::string& path, const std::vector<zeb::test::ProbePacket>& packets) {
  Bytes all;
  for (const zeb::test::ProbePacket& packet : packets) {
    const Bytes data = ReadFile(path, static_cast<uint64_t>(packet.pos), packet.size);
    all.insert(all.end(), data.begin(), data.end());
  }
  return all;
}

std::string DecodeErrors(const std::string& path) {
  const auto run = zeb::test::RunCommand("ffmpeg -v error -i '" + path + "' -f null - 2>&1");
  return run.output.empty() && run.exitCode != 0 ? "exit " + std::to_string(run.exitCode)
                                                 : run.output;
}

NativeDescription::NativeDescription(uint32_t mediaType, Bytes fileOrder) : handle_(nullptr) {
  SampleDescriptionToNative(mediaType, fileOrder);
  handle_ = HandleOf(fileOrder);
}

Status TestMovie::Create(const std::string& path, const std::vector<TrackPlan>& tracks,
                         const RecoveryOptions* recovery) {
  ZEB_MOVIE_TRY(MovieWriter::CreateMovieFile(path, writer_));
  if (recovery != nullptr) ZEB_MOVIE_TRY(writer_->EnableRecovery(*recovery));
  for (const TrackPlan& plan : tracks) {
    WriterTrack* track = nullptr;
    WriterMedia* media = nullptr;
    const int16_t volume = plan.mediaType == FourCC("soun") ? 0x100 : 0;
    ZEB_MOVIE_TRY(writer_->NewTrack(plan.width, plan.height, volume, track));
    ZEB_MOVIE_TRY(writer_->NewMedia(track, plan.mediaType, plan.timeScale, media));
    ZEB_MOVIE_TRY(writer_->BeginMediaEdits(media));
    tracks_.push_back(track);
    media_.push_back(media);
  }
  return Status::Ok();
}

Status TestMovie::Finish() {
  for (size_t i = 0; i < media_.size(); ++i) {
    uint64_t duration = 0;
    ZEB_MOVIE_TRY(writer_->EndMediaEdits(media_[i]));
    ZEB_MOVIE_TRY(writer_->MediaDuration(media_[i], duration));
    ZEB_MOVIE_TRY(
        writer_->InsertMediaIntoTrack(tracks_[i], 0, 0, static_cast<int64_t>(duration), kFixedOne));
  }
  ZEB_MOVIE_TRY(writer_->AddMovieResource());
  return writer_->CloseMovieFile();
}

MovieCopier::MovieCopier(const std::string& source)
    : source_(source), probe_(zeb::test::ProbeFile(source)) {
  entries_ = zeb::test::StsdEntries(source);
  for (size_t i = 0; i < probe_.streams.size() && i < entries_.size(); ++i) {
    const bool video = probe_.streams[i].codecType == "video";
    descriptions_.push_back(
        std::make_unique<NativeDescription>(video ? FourCC("vide") : FourCC("soun"), entries_[i]));
    bytesPerFrame_.push_back(video ? 0 : SoundBytesPerFrame(entries_[i]));
  }
}

Status MovieCopier::Open(const std::string& target, const RecoveryOptions* recovery) {
  if (!probe_.ok || probe_.streams.empty() || descriptions_.size() != probe_.streams.size()) {
    return Status::Error(StatusCode::kNotFound,
                         "source not probed: " + source_ + " " + probe_.error);
  }
  std::vector<TrackPlan> tracks;
  for (size_t i = 0; i < probe_.streams.size(); ++i) {
    const bool video = bytesPerFrame_[i] == 0;
    const uint32_t size =
        video ? BigEndian(entries_[i], 32) : 0;  // image description: width, height
    tracks.push_back({video ? FourCC("vide") : FourCC("soun"), probe_.streams[i].timeBaseDen,
                      static_cast<int32_t>(size & 0xFFFF0000), static_cast<int32_t>(size << 16)});
  }
  return target_.Create(target, tracks, recovery);
}

Status MovieCopier::AddPacket(size_t index) {
  const zeb::test::ProbePacket& packet = probe_.packets.at(index);
  const auto stream = static_cast<size_t>(packet.streamIndex);
  const Bytes data = ReadFile(source_, static_cast<uint64_t>(packet.pos), packet.size);
  const bool video = bytesPerFrame_.at(stream) == 0;
  const uint32_t count = video ? 1 : static_cast<uint32_t>(data.size() / bytesPerFrame_[stream]);
  return target_.Writer().AddMediaSample2(
      target_.Media(stream), data.data(), static_cast<uint32_t>(data.size()),
      video ? packet.duration : 1, video ? packet.pts - packet.dts : 0,
      descriptions_[stream]->Get(), count, packet.key ? 0 : kSampleNotSync, nullptr);
}

namespace {

int64_t TotalDuration(const std::vector<zeb::test::ProbePacket>& packets) {
  int64_t total = 0;
  for (const zeb::test::ProbePacket& packet : packets) total += packet.duration;
  return total;
}

void ExpectSameVideoPackets(const std::vector<zeb::test::ProbePacket>& source,
                            const std::vector<zeb::test::ProbePacket>& copy) {
  ASSERT_EQ(copy.size(), source.size());
  for (size_t i = 0; i < source.size(); ++i) {
    SCOPED_TRACE("video packet " + std::to_string(i));
    EXPECT_EQ(copy[i].sha256, source[i].sha256);
    EXPECT_EQ(copy[i].key, source[i].key);
    EXPECT_EQ(copy[i].pts - copy[i].dts, source[i].pts - source[i].dts);
    EXPECT_EQ(copy[i].duration, source[i].duration);
  }
}

}  // namespace

void ExpectSamePackets(const std::string& source, const std::string& copy) {
  EXPECT_EQ(DecodeErrors(copy), "");
  EXPECT_EQ(zeb::test::StsdEntries(copy), zeb::test::StsdEntries(source));
  const zeb::test::ProbeResult expected = zeb::test::ProbeFile(source);
  const zeb::test::ProbeResult written = zeb::test::ProbeFile(copy);
  ASSERT_TRUE(written.ok) << written.error;
  ASSERT_EQ(written.streams.size(), expected.streams.size());
  for (int stream = 0; stream < static_cast<int>(expected.streams.size()); ++stream) {
    SCOPED_TRACE("stream " + std::to_string(stream));
    const auto sourcePackets = expected.PacketsOf(stream);
    const auto copyPackets = written.PacketsOf(stream);
    if (expected.streams[stream].codecType == "video") {
      ExpectSameVideoPackets(sourcePackets, copyPackets);
    } else {
      EXPECT_EQ(PacketBytes(copy, copyPackets), PacketBytes(source, sourcePackets));
      EXPECT_EQ(TotalDuration(copyPackets), TotalDuration(sourcePackets));
    }
  }
}

}  // namespace zeb::movie::test
