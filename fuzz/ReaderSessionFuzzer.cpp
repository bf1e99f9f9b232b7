// A whole reader session as a host runs it, through the ordinal table, on a
// movie made of the fuzz bytes. The bytes become a file in memory (memfd),
// opened by its /proc/self/fd path, so the reader's own file checks and its
// unbuffered-read fallback run as for a file on a file system that refuses
// O_DIRECT. Open, stream records, every video frame on two roads (read-ahead
// off with the caller's buffer, on with the reader's), every audio block of
// every stream, destroy. Each call must give a defined result code.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/sys/include/ZEBSoftCodecSys.h"
#include "zebplug/ZEBPlug.h"

namespace {

// Work per input: the tables may claim far more.
constexpr uint32_t kMaxFramesPerRoad = 64;
constexpr uint32_t kMaxAudioBlocks = 24;
constexpr uint32_t kAudioBlockUnits = 1024;
// Larger caller buffers are not handed in; the reader's own buffers still serve.
constexpr uint32_t kMaxHostBuffer = 64u << 20;
constexpr uint32_t kAudioBytesPerChannel = 384000;

constexpr uint32_t kDefinedResults[] = {
    ZEB_OK,
    ZEB_E_NOT_SUPPORTED,
    ZEB_E_NULL_POINTER,
    ZEB_E_OUT_OF_RANGE,
    ZEB_E_PATH_TOO_LONG,
    ZEB_E_FILE_OPEN,
    ZEB_E_FILE_SHORT_READ,
    ZEB_E_UNSUPPORTED_VARIANT,
    ZEB_E_NO_SOUND_MEDIA,
    ZEB_E_EMPTY_FRAME,
    ZEB_E_SAMPLE_READ,
};

uint32_t Checked(uint32_t result) {
  if (std::find(std::begin(kDefinedResults), std::end(kDefinedResults), result) ==
      std::end(kDefinedResults)) {
    std::abort();
  }
  return result;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

template <typename Function>
Function Ordinal(uint32_t ordinal) {
  void* const function = ZEBPlugGetProcByOrdinal(ordinal);
  Require(function != nullptr);
  return reinterpret_cast<Function>(function);
}

// The fuzz bytes as a file that lives as long as this object.
class MemoryMovie {
 public:
  explicit MemoryMovie(const uint8_t* data, size_t size) : fd_(memfd_create("movie", MFD_CLOEXEC)) {
    Require(fd_ >= 0);
    for (size_t done = 0; done < size;) {
      const ssize_t written = ::write(fd_, data + done, size - done);
      Require(written > 0);
      done += static_cast<size_t>(written);
    }
  }
  ~MemoryMovie() { ::close(fd_); }
  MemoryMovie(const MemoryMovie&) = delete;
  MemoryMovie& operator=(const MemoryMovie&) = delete;

  std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};

SPlugFrameInfo NewFrameInfo() {
  SPlugFrameInfo info{};
  info.size = sizeof(info);
  return info;
}

class Session {
 public:
  Session() : handle_(Ordinal<PFN_CreateReader>(ZEB_ORD_CreateReader)()) { Require(handle_); }
  ~Session() { Require(Ordinal<PFN_DestroyReader>(ZEB_ORD_DestroyReader)(handle_) == ZEB_OK); }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  uint32_t Open(const std::string& path) {
    SPlugSourceDesc source{};
    Require(path.size() < PLUG_SOURCE_PATH_UNITS);
    std::copy(path.begin(), path.end(), source.path);
    const SPlugOpenParam param{1, &source};
    return Checked(Ordinal<PFN_OpenReader>(ZEB_ORD_OpenReader)(handle_, &param, 0, 0));
  }

  // The counts and records a host asks for after the open, including one
  // index past each count. False when the movie has no video stream.
  bool DescribeStreams(SPlugStreamInfo& video, std::vector<SPlugStreamInfo>& audio) {
    Require(Ordinal<PFN_GetProgramCount>(ZEB_ORD_GetProgramCount)(handle_) == 1);
    const uint32_t videoCount =
        Ordinal<PFN_GetVideoStreamCount>(ZEB_ORD_GetVideoStreamCount)(handle_, 0);
    const uint32_t audioCount =
        Ordinal<PFN_GetAudioStreamCount>(ZEB_ORD_GetAudioStreamCount)(handle_, 0);
    Require(videoCount <= 1);
    const auto videoInfo = Ordinal<PFN_GetVideoStreamInfo>(ZEB_ORD_GetVideoStreamInfo);
    const auto audioInfo = Ordinal<PFN_GetAudioStreamInfo>(ZEB_ORD_GetAudioStreamInfo);
    video = {};
    for (uint32_t index = 0; index <= videoCount; ++index) {
      SPlugStreamInfo info{};
      Require(Checked(videoInfo(handle_, 0, index, &info)) ==
              (index < videoCount ? ZEB_OK : ZEB_E_OUT_OF_RANGE));
      if (index < videoCount) video = info;
    }
    audio.assign(audioCount, SPlugStreamInfo{});
    for (uint32_t index = 0; index <= audioCount; ++index) {
      SPlugStreamInfo info{};
      Require(Checked(audioInfo(handle_, 0, index, &info)) ==
              (index < audioCount ? ZEB_OK : ZEB_E_OUT_OF_RANGE));
      if (index < audioCount) audio[index] = info;
    }
    Require(Select(videoCount, audioCount) == ZEB_E_OUT_OF_RANGE);
    Require(Ordinal<PFN_GetReaderState>(ZEB_ORD_GetReaderState)(handle_) == 1);
    return videoCount == 1;
  }

  uint32_t Select(uint32_t video, uint32_t audio) {
    return Checked(Ordinal<PFN_SelectStreams>(ZEB_ORD_SelectStreams)(handle_, 0, video, 0, audio));
  }

  void SetReadAhead(bool on, uint32_t bytes) {
    uint32_t options[PLUG_READ_OPTIONS_WORDS] = {};
    Require(Ordinal<PFN_GetReadOptions>(ZEB_ORD_GetReadOptions)(handle_, options) == ZEB_OK);
    options[2] = on ? 1 : 0;
    options[3] = bytes;
    Require(Ordinal<PFN_SetReadOptions>(ZEB_ORD_SetReadOptions)(handle_, options) == ZEB_OK);
  }

  // Frames 0.. in order, either into the caller's buffer (420) or the
  // reader's (421), with the key-frame and peek calls woven in.
  void ReadFrames(uint32_t frameCount, bool callerBuffer) {
    const uint32_t maxSize =
        Ordinal<PFN_GetMaxVideoFrameSize>(ZEB_ORD_GetMaxVideoFrameSize)(handle_);
    if (callerBuffer && maxSize > kMaxHostBuffer) return;
    std::unique_ptr<uint8_t[]> buffer(callerBuffer ? new uint8_t[maxSize] : nullptr);
    const uint32_t frames = std::min(frameCount + 1, kMaxFramesPerRoad);
    for (uint32_t index = 0; index < frames; ++index) {
      SPlugFrameInfo info = NewFrameInfo();
      uint8_t* shared = nullptr;
      const uint32_t result = callerBuffer
                                  ? Ordinal<PFN_ReadVideoFrame>(ZEB_ORD_ReadVideoFrame)(
                                        handle_, index, buffer.get(), &info)
                                  : Ordinal<PFN_ReadVideoFrameShared>(ZEB_ORD_ReadVideoFrameShared)(
                                        handle_, index, &shared, &info);
      if (Checked(result) == ZEB_OK) Require(info.dataSize <= maxSize);
      if (index % 7 == 3) VisitAround(index);
    }
  }

  // Blocks of one audio stream, by turns into the caller's buffer (428) and
  // the reader's (429). Without video no selection holds and stream 0 is read.
  void ReadAudio(uint32_t stream, const SPlugStreamInfo& info) {
    Select(0, stream);
    const uint64_t bufferSize = uint64_t{info.audio.channels} * kAudioBytesPerChannel;
    std::unique_ptr<uint8_t[]> buffer(bufferSize <= kMaxHostBuffer ? new uint8_t[bufferSize]
                                                                   : nullptr);
    const uint32_t blocks =
        std::min<uint32_t>(info.packetCount / kAudioBlockUnits + 2, kMaxAudioBlocks);
    for (uint32_t block = 0; block < blocks; ++block) {
      const uint32_t start = block * kAudioBlockUnits;
      SPlugFrameInfo frameInfo = NewFrameInfo();
      uint8_t* shared = nullptr;
      const bool callerBuffer = buffer != nullptr && block % 2 == 0;
      const uint32_t result = callerBuffer
                                  ? Ordinal<PFN_ReadAudioSamples>(ZEB_ORD_ReadAudioSamples)(
                                        handle_, start, kAudioBlockUnits, buffer.get(), &frameInfo)
                                  : Ordinal<PFN_ReadAudioSamplesAlt>(ZEB_ORD_ReadAudioSamplesAlt)(
                                        handle_, start, kAudioBlockUnits, &shared, &frameInfo);
      if (Checked(result) == ZEB_OK) Require(frameInfo.dataSize <= bufferSize);
    }
  }

 private:
  // The calls that look around the current frame: key frame before (422,
  // 423), the current frame again (424, 425), the next reference (426).
  void VisitAround(uint32_t index) {
    SPlugFrameInfo info = NewFrameInfo();
    uint8_t* shared = nullptr;
    Checked(Ordinal<PFN_PeekKeyFrameBefore>(ZEB_ORD_PeekKeyFrameBefore)(handle_, index, &info));
    Checked(
        Ordinal<PFN_PeekNextReferenceFrame>(ZEB_ORD_PeekNextReferenceFrame)(handle_, index, &info));
    Checked(Ordinal<PFN_ReadCurrentFrameInfo>(ZEB_ORD_ReadCurrentFrameInfo)(handle_, &info));
    Checked(
        Ordinal<PFN_ReadCurrentVideoFrame>(ZEB_ORD_ReadCurrentVideoFrame)(handle_, &shared, &info));
    Checked(Ordinal<PFN_ReadKeyFrameBefore>(ZEB_ORD_ReadKeyFrameBefore)(handle_, index, &shared,
                                                                        &info));
  }

  void* handle_;
};

void DiscardLogLine(void*, const char*, uint32_t, const char*) {}

}  // namespace

// The log texts are still formatted; only their output is dropped.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ZEB_SetLogSink(DiscardLogLine, nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const MemoryMovie movie(data, size);
  Session session;
  if (session.Open(movie.Path()) != ZEB_OK) return 0;
  SPlugStreamInfo video{};
  std::vector<SPlugStreamInfo> audio;
  if (session.DescribeStreams(video, audio)) {
    session.SetReadAhead(false, 0x100000);
    session.ReadFrames(video.frameCount, true);
    // A small read-ahead block on odd sizes, so the ring wraps within few frames.
    session.SetReadAhead(true, size % 2 == 0 ? 0x100000 : 0x4000);
    session.ReadFrames(video.frameCount, false);
  }
  for (uint32_t stream = 0; stream < audio.size(); ++stream) {
    session.ReadAudio(stream, audio[stream]);
  }
  return 0;
}
