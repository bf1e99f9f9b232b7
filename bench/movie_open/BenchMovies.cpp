#include "bench/movie_open/BenchMovies.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/movie/FourCC.h"
#include "platform/movie/MovieWriter.h"
#include "platform/movie/SampleDescriptionOrder.h"

namespace zeb::bench {
namespace {

using movie::FourCC;
using movie::Handle;
using movie::MovieWriter;
using movie::Status;
using movie::WriterMedia;
using movie::WriterTrack;

bool Exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && info.st_size > 0;
}

// A handle with the description's bytes, header fields turned to native order.
Handle NativeHandle(uint32_t mediaType, std::vector<uint8_t> fileOrder) {
  movie::SampleDescriptionToNative(mediaType, fileOrder);
  Handle handle = movie::NewHandle(fileOrder.size());
  std::copy(fileOrder.begin(), fileOrder.end(), *handle);
  return handle;
}

std::vector<uint8_t> AvcEntry() {
  std::vector<uint8_t> entry(86, 0);
  entry[3] = 86, entry[4] = 'a', entry[5] = 'v', entry[6] = 'c', entry[7] = '1';
  entry[15] = 1, entry[33] = 64, entry[35] = 48, entry[83] = 24;
  return entry;
}

std::vector<uint8_t> SowtStereoEntry() {
  std::vector<uint8_t> entry(52, 0);
  entry[3] = 52, entry[4] = 's', entry[5] = 'o', entry[6] = 'w', entry[7] = 't';
  entry[15] = 1, entry[17] = 1, entry[25] = 2, entry[27] = 16, entry[32] = 0xBB, entry[33] = 0x80;
  entry[39] = 1, entry[43] = 2, entry[47] = 4, entry[51] = 2;
  return entry;
}

// Writes one track of `mediaType` through `addSamples`, then the movie.
template <typename AddSamples>
bool WriteOneTrackMovie(const std::string& path, bool video, uint32_t timeScale,
                        std::vector<uint8_t> entry, AddSamples addSamples) {
  const std::string partial = path + ".part";
  std::unique_ptr<MovieWriter> writer;
  WriterTrack* track = nullptr;
  WriterMedia* media = nullptr;
  const uint32_t type = video ? FourCC("vide") : FourCC("soun");
  Status status = MovieWriter::CreateMovieFile(partial, writer);
  if (status.IsOk())
    status = writer->NewTrack(video ? 64 << 16 : 0, video ? 48 << 16 : 0, video ? 0 : 0x100, track);
  if (status.IsOk()) status = writer->NewMedia(track, type, timeScale, media);
  if (status.IsOk()) status = writer->BeginMediaEdits(media);
  Handle description = NativeHandle(type, std::move(entry));
  if (status.IsOk()) status = addSamples(*writer, media, description);
  movie::DisposeHandle(description);
  uint64_t duration = 0;
  if (status.IsOk()) status = writer->EndMediaEdits(media);
  if (status.IsOk()) status = writer->MediaDuration(media, duration);
  if (status.IsOk())
    status = writer->InsertMediaIntoTrack(track, 0, 0, static_cast<int64_t>(duration), 0x10000);
  if (status.IsOk()) status = writer->AddMovieResource();
  if (status.IsOk()) status = writer->CloseMovieFile();
  if (!status.IsOk()) {
    std::fprintf(stderr, "writing %s: %s\n", path.c_str(), status.ToString().c_str());
    return false;
  }
  return std::rename(partial.c_str(), path.c_str()) == 0;
}

}  // namespace

std::string MakeTwentyMinuteAvcPcm(const std::string& cacheDir) {
  const std::string path = cacheDir + "/avc_pcm_20min.mov";
  if (Exists(path)) return path;
  const std::string partial = path + ".part.mov";
  const std::string command =
      "ffmpeg -y -v error -f lavfi -i testsrc=size=64x48:rate=30000/1001 -f lavfi -i "
      "sine=sample_rate=48000 "
      "-t 1200 -map 0:v -map 1:a -c:v libx264 -preset ultrafast -bf 2 -g 30 -pix_fmt yuv420p "
      "-c:a pcm_s16le -ac 2 '" +
      partial + "'";
  std::printf("making %s with ffmpeg...\n", path.c_str());
  std::fflush(stdout);
  if (std::system(command.c_str()) != 0 || std::rename(partial.c_str(), path.c_str()) != 0)
    return {};
  return path;
}

std::string MakeTinyFrameMovie(const std::string& cacheDir, uint32_t frames) {
  const std::string path = cacheDir + "/tiny_frames_" + std::to_string(frames) + ".mov";
  if (Exists(path)) return path;
  const auto add = [frames](MovieWriter& writer, WriterMedia* media, Handle description) {
    static constexpr int32_t kOffsets[3] = {2002, 0,
                                            0};  // I or P, then two B-frames, in 1001 ticks
    std::vector<uint8_t> data(128);
    for (uint32_t i = 0; i < frames; ++i) {
      const uint32_t size = 20 + (i * 2654435761u >> 26);
      for (uint32_t b = 0; b < size; ++b) data[b] = static_cast<uint8_t>(i + b);
      const Status status = writer.AddMediaSample2(
          media, data.data(), size, 1001, kOffsets[i % 3], i == 0 ? description : nullptr, 1,
          i % 30 == 0 ? 0 : movie::kSampleNotSync, nullptr);
      if (!status.IsOk()) return status;
    }
    return Status::Ok();
  };
  return WriteOneTrackMovie(path, true, 30000, AvcEntry(), add) ? path : std::string();
}

std::string MakePcmMovie(const std::string& cacheDir, uint32_t minutes) {
  const std::string path = cacheDir + "/pcm_" + std::to_string(minutes) + "min.mov";
  if (Exists(path)) return path;
  const auto add = [minutes](MovieWriter& writer, WriterMedia* media, Handle description) {
    constexpr uint32_t kFramesASecond = 48000;
    const std::vector<uint8_t> second(kFramesASecond * 4, 0);
    for (uint32_t s = 0; s < minutes * 60; ++s) {
      const Status status =
          writer.AddMediaSample2(media, second.data(), static_cast<uint32_t>(second.size()), 1, 0,
                                 s == 0 ? description : nullptr, kFramesASecond, 0, nullptr);
      if (!status.IsOk()) return status;
    }
    return Status::Ok();
  };
  return WriteOneTrackMovie(path, false, 48000, SowtStereoEntry(), add) ? path : std::string();
}

}  // namespace zeb::bench
