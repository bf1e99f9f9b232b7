// Movies written through the movie layer's MovieWriter: descriptions as hosts
// hand them in, a movie with a track per plan, a copy of every stream of a
// fixture, and what a written movie must show to ffprobe and ffmpeg.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/movie/MovieWriter.h"
#include "tests/support/AtomWalk.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/MovieBytes.h"
#include "tests/support/Shell.h"

namespace zeb::movie::test {

using zeb::test::AtomInfo;
using zeb::test::AtomPayloads;
using zeb::test::BigEndian;
using zeb::test::MoovBytes;
using zeb::test::ReadFile;
using zeb::test::TopLevelAtoms;
// <fixture folder>/movie_writer/<name>: where these tests write their movies.
std::string OutputPath(const std::string& name);
// The bytes of ffprobe's `packets` of the file, concatenated in packet order.
Bytes PacketBytes(const std::string& path, const std::vector<zeb::test::ProbePacket>& packets);
// Errors that `ffmpeg -v error` prints while decoding every stream, or
// "exit N" when it fails without printing.
std::string DecodeErrors(const std::string& path);

// A handle that frees itself, holding a description with its header fields
// turned to native order, as hosts hand descriptions to the writer.
class NativeDescription {
 public:
  NativeDescription(uint32_t mediaType, Bytes fileOrder);
  ~NativeDescription() { DisposeHandle(handle_); }
  NativeDescription(const NativeDescription&) = delete;
  NativeDescription& operator=(const NativeDescription&) = delete;
  Handle Get() const { return handle_; }
  Bytes Native() const { return HandleBytes(handle_); }

 private:
  Handle handle_;
};

// A movie being written with one track and media per entry, every media
// already in editing.
struct TrackPlan {
  uint32_t mediaType, timeScale;
  int32_t width = 0;   // 16.16
  int32_t height = 0;  // 16.16
};
class TestMovie {
 public:
  // With `recovery`, the movie keeps a recovery journal.
  Status Create(const std::string& path, const std::vector<TrackPlan>& tracks,
                const RecoveryOptions* recovery = nullptr);
  MovieWriter& Writer() { return *writer_; }
  WriterTrack* Track(size_t index) const { return tracks_.at(index); }
  WriterMedia* Media(size_t index) const { return media_.at(index); }
  // Ends the edits, inserts each whole media at track time 0, adds the movie, closes.
  Status Finish();

 private:
  std::unique_ptr<MovieWriter> writer_;
  std::vector<WriterTrack*> tracks_;
  std::vector<WriterMedia*> media_;
};

// Copies every stream of a source movie into a new movie through
// MovieWriter, sample by sample in the source's file order, as the system's
// writer would: each sample with its description handle, decode duration,
// display offset and sync flag; sound one sample per audio frame.
class MovieCopier {
 public:
  explicit MovieCopier(const std::string& source);

  // Creates the target with one track and media per source stream.
  Status Open(const std::string& target, const RecoveryOptions* recovery = nullptr);
  size_t PacketCount() const { return probe_.packets.size(); }
  // ffprobe's view of the source; AddPacket(i) copies its packet i.
  const zeb::test::ProbeResult& Probe() const { return probe_; }
  Status AddPacket(size_t index);
  Status Finish() { return target_.Finish(); }
  TestMovie& Target() { return target_; }

 private:
  std::string source_;
  zeb::test::ProbeResult probe_;
  std::vector<Bytes> entries_;           // each stream's description, as stored
  std::vector<uint32_t> bytesPerFrame_;  // per stream; 0 for video
  std::vector<std::unique_ptr<NativeDescription>> descriptions_;
  TestMovie target_;
};

// Fails the running test unless `copy` decodes cleanly and carries the
// source's descriptions and packets: video one for one (bytes, key flag,
// display offset, duration), sound as the bytes of the whole stream and its
// duration, since ffprobe regroups sound into packets by chunk.
void ExpectSamePackets(const std::string& source, const std::string& copy);

}  // namespace zeb::movie::test
