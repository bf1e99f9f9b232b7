// The movie layer's writing side under random call sequences: tracks of
// either kind, samples of random sizes, counts, durations, display offsets,
// sync flags and descriptions, then the media into their tracks and the
// movie resource. Refused calls are fine; whatever was accepted must come
// back, sample for sample, when the finished file is opened again.
#include <fuzzer/FuzzedDataProvider.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/movie/FourCC.h"
#include "platform/movie/Movie.h"
#include "platform/movie/MovieWriter.h"
#include "platform/movie/SampleDescriptionOrder.h"

namespace {

using namespace zeb::movie;

constexpr size_t kMaxTracks = 3;
constexpr size_t kMaxCalls = 160;
constexpr uint32_t kMaxSampleBytes = 4096;
constexpr uint32_t kSoundFrameBytes = 4;  // 16-bit stereo

void Require(bool condition) {
  if (!condition) std::abort();
}

struct ExpectedSample {
  std::vector<uint8_t> bytes;
  uint32_t duration;
  int32_t displayOffset;
  bool sync;
};

struct ExpectedTrack {
  uint32_t type = 0;
  WriterTrack* track = nullptr;
  WriterMedia* media = nullptr;
  std::vector<ExpectedSample> samples;  // video
  uint64_t soundSamples = 0;
  bool zeroDuration = false;  // samples at one time cannot be told apart by time
};

// A header-only description in file order, turned to the machine's order.
Handle NewDescription(FuzzedDataProvider& input, uint32_t mediaType) {
  std::vector<uint8_t> entry(mediaType == FourCC("vide") ? 86 : 36, 0);
  const uint32_t format =
      mediaType == FourCC("vide")
          ? input.PickValueInArray({FourCC("avc1"), FourCC("mp4v"), FourCC("2vuy")})
          : FourCC("twos");
  const uint32_t size = static_cast<uint32_t>(entry.size());
  for (int i = 0; i < 4; ++i) {
    entry[i] = static_cast<uint8_t>(size >> (24 - 8 * i));
    entry[4 + i] = static_cast<uint8_t>(format >> (24 - 8 * i));
  }
  entry[15] = 1;  // data reference index
  if (mediaType == FourCC("vide")) {
    entry[32] = input.ConsumeIntegral<uint8_t>();  // width, height
    entry[35] = input.ConsumeIntegral<uint8_t>();
    entry[83] = 24;  // depth
  } else {
    entry[25] = 2;     // channels
    entry[27] = 16;    // bits
    entry[32] = 0xBB;  // 48000 Hz, 16.16
    entry[33] = 0x80;
  }
  SampleDescriptionToNative(mediaType, entry);
  Handle handle = NewHandle(entry.size());
  std::copy(entry.begin(), entry.end(), *handle);
  return handle;
}

void AddSample(FuzzedDataProvider& input, MovieWriter& writer, ExpectedTrack& track) {
  const bool video = track.type == FourCC("vide");
  const uint32_t count = input.ConsumeIntegralInRange<uint32_t>(1, 4);
  const uint32_t asked =
      video ? input.ConsumeIntegralInRange<uint32_t>(0, kMaxSampleBytes / 4) : kSoundFrameBytes;
  // The input may run out: fewer bytes than asked.
  const std::vector<uint8_t> bytes = input.ConsumeBytes<uint8_t>(size_t{count} * asked);
  const size_t each = bytes.size() / count;
  const int64_t duration = video ? input.ConsumeIntegralInRange<int64_t>(-2, 1 << 20) : 1;
  const int64_t offset = video ? input.ConsumeIntegralInRange<int64_t>(-(1 << 20), 1 << 20) : 0;
  const uint32_t flags = input.ConsumeBool() ? kSampleNotSync : 0;
  Handle description = input.ConsumeBool() ? NewDescription(input, track.type) : nullptr;
  const Status added =
      writer.AddMediaSample2(track.media, bytes.data(), static_cast<uint32_t>(bytes.size()),
                             duration, offset, description, count, flags, nullptr);
  DisposeHandle(description);
  if (!added.IsOk()) return;
  Require(bytes.size() == count * each && duration >= 0);
  if (!video) {
    track.soundSamples += count;
    return;
  }
  track.zeroDuration |= duration == 0;
  for (uint32_t i = 0; i < count; ++i) {
    track.samples.push_back(
        {std::vector<uint8_t>(bytes.begin() + i * each, bytes.begin() + (i + 1) * each),
         static_cast<uint32_t>(duration), static_cast<int32_t>(offset), flags == 0});
  }
}

void CheckVideo(const Media& media, const ExpectedTrack& track) {
  Require(media.SampleCount() == track.samples.size());
  std::vector<SampleTiming> timings(track.samples.size());
  Require(media.GetSampleTimings(timings).IsOk());
  std::vector<uint8_t> buffer(kMaxSampleBytes);
  for (size_t i = 0; i < timings.size(); ++i) {
    const ExpectedSample& expected = track.samples[i];
    Require(timings[i].duration == expected.duration);
    Require(timings[i].displayOffset == expected.displayOffset);
    if (track.zeroDuration || expected.bytes.empty()) continue;
    int64_t time = 0, duration = 0;
    Require(media.GetSampleDecodeTime(i + 1, time, duration).IsOk());
    SampleReadResult read;
    Require(media.ReadSamples({time, buffer.data(), kMaxSampleBytes, 1}, read).IsOk());
    Require(read.flags == (expected.sync ? 0 : kSampleNotSync));
    Require(std::vector<uint8_t>(buffer.begin(), buffer.begin() + read.dataSize) == expected.bytes);
  }
}

void CheckSound(const Media& media, const ExpectedTrack& track) {
  Require(media.SampleCount() == track.soundSamples);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int fd = memfd_create("written", MFD_CLOEXEC);
  const std::string path = "/proc/self/fd/" + std::to_string(fd);
  FuzzedDataProvider input(data, size);
  std::unique_ptr<MovieWriter> writer;
  Require(MovieWriter::CreateMovieFile(path, writer).IsOk());

  std::vector<ExpectedTrack> tracks(input.ConsumeIntegralInRange<size_t>(1, kMaxTracks));
  for (ExpectedTrack& track : tracks) {
    track.type = input.ConsumeBool() ? FourCC("vide") : FourCC("soun");
    const uint32_t scale = input.ConsumeIntegralInRange<uint32_t>(0, 100000);
    if (!writer->NewTrack(0, 0, 0, track.track).IsOk() ||
        !writer->NewMedia(track.track, track.type, scale, track.media).IsOk() ||
        !writer->BeginMediaEdits(track.media).IsOk()) {
      return 0;  // a time scale of 0 is refused
    }
  }
  for (size_t call = 0; call < kMaxCalls && input.remaining_bytes() > 0; ++call) {
    AddSample(input, *writer, tracks[input.ConsumeIntegralInRange<size_t>(0, tracks.size() - 1)]);
  }
  for (ExpectedTrack& track : tracks) {
    uint64_t duration = 0;
    Require(writer->EndMediaEdits(track.media).IsOk());
    Require(writer->MediaDuration(track.media, duration).IsOk());
    if (duration == 0) continue;
    if (!writer->InsertMediaIntoTrack(track.track, 0, 0, static_cast<int64_t>(duration), kFixedOne)
             .IsOk()) {
      return 0;  // a media longer than the movie's time can express
    }
  }
  Require(writer->AddMovieResource().IsOk());
  Require(writer->CloseMovieFile().IsOk());
  writer.reset();

  std::unique_ptr<Movie> movie;
  const Status opened = Movie::Open(path, movie);
  Require(opened.IsOk());
  // Tracks without samples are left out of the movie; the others keep their order.
  uint32_t number = 0;
  for (const ExpectedTrack& expected : tracks) {
    if (expected.samples.empty() && expected.soundSamples == 0) continue;
    const Track* track = movie->GetTrack(++number);
    Require(track != nullptr && track->OpenStatus().IsOk());
    if (expected.type == FourCC("vide")) CheckVideo(track->GetMedia(), expected);
    if (expected.type == FourCC("soun")) CheckSound(track->GetMedia(), expected);
  }
  Require(movie->TrackCount() == number);
  return 0;
}
