// Creates a QuickTime movie file and fills it: one video track and up to
// eight sound tracks (one per channel pair), a sample per coded video frame
// and per audio block. Sample additions can run on a writer thread of its
// own, fed through a ring of jobs, so the caller's thread only copies bytes.
//
// Threads: the caller's thread opens, submits and closes; the writer thread
// (when started) owns the movie, the media and the descriptions from
// StartWriterThread() until Close() has joined it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "platform/movie/Handle.h"
#include "platform/movie/MovieWriter.h"
#include "platform/sys/Thread.h"
#include "writer/SampleJobRing.h"
#include "writer/WriterSetup.h"

class CQTWriter {
 public:
  static constexpr size_t kMaxAudioTracks = 8;
  static constexpr uint32_t kSyncKeyFlag = 16;  // the key flag the muxer passes for sync frames
  static constexpr uint32_t kMaxImxFrameSize = 250000;
  // Sample frames of encoder priming in front of an AAC ('mp4a') track.
  static constexpr uint64_t kAacPriming = 1024;

  CQTWriter();
  // Closes a writer its owner left open: a running writer thread must be
  // stopped before the members it uses go away.
  virtual ~CQTWriter();
  CQTWriter(const CQTWriter&) = delete;
  CQTWriter& operator=(const CQTWriter&) = delete;

  // Creates `path` (replacing a file there) and the tracks of `setup`.
  uint32_t Open(std::u16string_view path, const WriterSetup& setup);
  // Moves sample additions to a thread of their own with a ring of
  // 2 × (depth / 2) + 2 jobs.
  uint32_t StartWriterThread(uint32_t depth);
  // `description`: an image description in memory (its first word its
  // length, its second its codec) or empty. `displayOffset`: display time
  // minus decode time in media ticks as the host's positions give it, used
  // for codings whose pictures do not carry their own order (all but
  // MPEG-2). The index is not used.
  uint32_t AddVideoSample(uint32_t index, std::span<const uint8_t> bytes, uint32_t keyFlag,
                          std::span<const uint8_t> description, int64_t displayOffset = 0);
  // `block`: the host's audio description block (mode, value, 52-byte sound
  // description) or empty. The index is not used.
  uint32_t AddAudioSamples(uint32_t index, int32_t count, std::span<const uint8_t> bytes,
                           std::span<const uint8_t> block);
  // Drains the ring, puts every media into its track and finishes the file.
  // Safe on a writer that never opened.
  uint32_t Close();

 private:
  uint32_t CreateFile(std::u16string_view path);
  zeb::movie::Status OpenVideo(const WriterSetup& setup);
  zeb::movie::Status OpenAudio(const AudioSetup& audio);
  zeb::movie::Status OpenMedia(int32_t width, int32_t height, int16_t volume, uint32_t type,
                               uint32_t timeScale, zeb::movie::WriterTrack*& track,
                               zeb::movie::WriterMedia*& media);
  void FinishFile();
  void StopWriterThread();
  void WriterThreadLoop();

  uint32_t SubmitSample(bool isVideo, int32_t count, std::span<const uint8_t> bytes,
                        uint32_t keyFlag, std::span<const uint8_t> description,
                        int64_t displayOffset);
  uint32_t WriteVideoSample(std::span<const uint8_t> bytes, uint32_t keyFlag,
                            std::span<const uint8_t> description, int64_t hostDisplayOffset);
  uint32_t WriteAudioSamples(int32_t count, std::span<const uint8_t> bytes,
                             std::span<const uint8_t> block);
  bool ReplaceVideoDescription(std::span<const uint8_t> description);
  uint32_t DisplayOffset(std::span<const uint8_t> frame, int64_t hostDisplayOffset,
                         int64_t& offset) const;
  std::span<const uint8_t> WrapImxFrame(std::span<const uint8_t> frame);

  std::unique_ptr<zeb::movie::MovieWriter> movie_;  // null while no file is open
  zeb::movie::WriterTrack* videoTrack_ = nullptr;
  zeb::movie::WriterMedia* videoMedia_ = nullptr;
  size_t audioTrackCount_ = 0;
  std::array<zeb::movie::WriterTrack*, kMaxAudioTracks> audioTracks_{};
  std::array<zeb::movie::WriterMedia*, kMaxAudioTracks> audioMedias_{};
  int32_t frameDuration_ = 0;
  uint32_t videoFourcc_ = 0;
  uint32_t audioFourcc_ = 0;
  zeb::movie::OwnedHandle videoDescription_;
  uint32_t gopStartIndex_ = 0;  // decode index of the last key frame
  uint32_t decodeIndex_ = 0;    // video samples added so far
  zeb::movie::OwnedHandle soundDescription_;
  std::unique_ptr<SampleJobRing> ring_;
  SampleJob* ringWrite_ = nullptr;  // the producer's position
  SampleJob* ringRead_ = nullptr;   // the writer thread's position
  zeb::sys::Thread writerThread_;
  std::vector<uint8_t> klvBuffer_;  // MPEG IMX only
};
