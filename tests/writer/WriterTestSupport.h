// What the movie-writer tests share: set-ups and frames for CQTWriter, the
// muxer driven through the plug-in's ordinal table, and a written movie read
// back through the movie layer track by track.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tests/host/TestPlugin.h"
#include "writer/WriterSetup.h"
#include "zebplug/ZEBPlug.h"

namespace zeb::writer::test {

using Bytes = std::vector<uint8_t>;

// <fixture folder>/writer/<name>, the folder made when missing.
std::string ScratchPath(const std::string& name);

WriterSetup VideoOnlySetup(uint32_t fourcc, int32_t timeScale = 25, int32_t frameDuration = 1,
                           int32_t width = 720, int32_t height = 576);
// 16-bit big-endian PCM ('twos').
WriterSetup AudioOnlySetup(int32_t channels, int32_t sampleRate = 48000);

// An MPEG-2 picture: filler, the picture start code with `temporalReference`,
// then `size` bytes in all.
Bytes MpegPicture(uint16_t temporalReference, size_t size = 64);
// `size` bytes counting up from `seed`, so misplaced bytes show.
Bytes Pattern(size_t size, uint8_t seed = 0);

struct WrittenSample {
  Bytes bytes;
  int64_t duration = 0, displayOffset = 0;
  bool sync = false;
  uint32_t descriptionIndex = 0;  // 1-based
  bool operator==(const WrittenSample&) const = default;
};
struct WrittenTrack {
  uint32_t type = 0;  // 'vide', 'soun'
  uint32_t timeScale = 0;
  std::vector<Bytes> descriptions;     // header fields in the machine's order
  std::vector<WrittenSample> samples;  // video: one a frame
  std::vector<uint32_t> chunkSamples;  // sound: media samples in each run of back-to-back bytes
  Bytes soundBytes;                    // sound: every byte in order
  uint64_t soundSamples = 0;
  uint64_t firstDataOffset = 0;  // file offset of the track's first byte of media
};
// Every track of a movie written by the writer, read back through the movie
// layer; the test fails when the movie does not open.
std::vector<WrittenTrack> ReadWrittenMovie(const std::string& path);

// One CMuxerForQuickTime behind its handle, created by ordinal 500 and
// destroyed (which finishes the movie) by 501.
class HostMuxer {
 public:
  explicit HostMuxer(const TestPlugin& plugin);
  ~HostMuxer() { Destroy(); }
  HostMuxer(const HostMuxer&) = delete;
  HostMuxer& operator=(const HostMuxer&) = delete;

  uint32_t Open(const std::string& path, std::vector<SPlugStreamInfo> streams,
                uint32_t writerThreads = 0, uint32_t openMode = 0);
  uint32_t OpenParam(const SPlugOpenParam* open, const SPlugMuxParam* param);
  uint32_t Write(uint32_t stream, std::span<const uint8_t> unit, SPlugFrameInfo info);
  uint32_t WriteVideo(std::span<const uint8_t> frame, uint32_t frameType);
  uint32_t WriteAudio(std::span<const uint8_t> block, uint32_t samples, bool last = false);
  // Finishes the movie (ordinal 501); the object is gone afterwards.
  void Destroy();

 private:
  const TestPlugin& plugin_;
  void* handle_ = nullptr;
  std::vector<SPlugStreamInfo> streams_;
};

}  // namespace zeb::writer::test
