// Writes one movie file, with calls shaped like the media layer's movie
// creation operations: create the file, add tracks and media, add samples
// with AddMediaSample2, insert each media into its track, add the movie
// resource, close.
//
// File layout: 'ftyp', an 8-byte 'wide' reserve, then 'mdat', streamed as
// samples arrive; 'moov' is built in memory and appended by
// AddMovieResource(). When the sample data passes 4 GiB, the reserve becomes
// the start of a 64-bit 'mdat' header, and a track whose chunk offsets pass
// 2^32 - 1 gets 'co64' instead of 'stco'.
//
// Threads: the object has no lock. One thread at a time may call it; a
// thread that takes over (the system writer's own sample thread) must
// receive the object through a synchronising hand-over such as an event or
// a join, and give it back the same way before the file is finished.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/movie/FileSink.h"
#include "platform/movie/Handle.h"
#include "platform/movie/MovieAtomWriter.h"
#include "platform/movie/RecoveryJournal.h"
#include "platform/movie/SampleReference.h"
#include "platform/movie/Status.h"
#include "platform/movie/WriterMedia.h"
#include "platform/movie/WriterTrack.h"

namespace zeb::movie {

// How a recording stays recoverable: the journal is brought up to date
// whenever any media has gained `syncIntervalMs` of media time since the
// last update, so a killed process loses at most that much (or one sample,
// if longer). With `durable`, an update also waits for the storage device
// when `syncIntervalMs` of wall time have passed since the last such wait,
// so a power cut loses at most that much of the recording's time.
struct RecoveryOptions {
  uint32_t syncIntervalMs = 1000;  // 0: after every sample
  bool durable = true;
};

class MovieWriter {
 public:
  static constexpr uint32_t kMovieTimeScale = 600;

  // Creates the file at `utf8Path`, replacing an existing one, and writes
  // the file header.
  static Status CreateMovieFile(const std::string& utf8Path, std::unique_ptr<MovieWriter>& movie);
  // Reopens a movie this writer was making when it stopped: cuts the file
  // after `dataEnd` and replays the journal's `records` (whose samples all
  // lie before `dataEnd`), leaving every media in editing, ready for the
  // media to go into their tracks and the movie resource.
  static Status Resume(const std::string& utf8Path, uint64_t dataEnd,
                       const std::vector<JournalRecord>& records,
                       std::unique_ptr<MovieWriter>& movie);
  // Closes the file if it is still open; without AddMovieResource() it holds no movie.
  ~MovieWriter() = default;

  // Keeps a recovery journal beside the file from now on; only before the
  // first track. A normal CloseMovieFile() after AddMovieResource() deletes it.
  Status EnableRecovery(const RecoveryOptions& options);

  // `width` and `height` in 16.16 fixed point, `volume` in 8.8. The track
  // stays owned by the writer.
  Status NewTrack(int32_t width, int32_t height, int16_t volume, WriterTrack*& track);
  // The track's one media: 'vide' or 'soun', `timeScale` ticks a second.
  Status NewMedia(WriterTrack* track, uint32_t mediaType, uint32_t timeScale, WriterMedia*& media);
  void SetMatrix(const MovieMatrix& matrix);

  Status BeginMediaEdits(WriterMedia* media);
  Status EndMediaEdits(WriterMedia* media);
  // Appends `numberOfSamples` samples of size / numberOfSamples bytes each,
  // each lasting `decodeDuration` media ticks and shown `displayOffset`
  // ticks after its decode time. `description` holds a sample description
  // with native header fields (extension atoms big-endian) or is null to
  // keep the previous one. `sampleFlags` 0 marks sync samples, kSampleNotSync others. The decode
  // time of the first sample goes to `sampleTime` when it is not null.
  // Uncompressed sound is added one sample per audio frame.
  Status AddMediaSample2(WriterMedia* media, const uint8_t* data, uint32_t size,
                         int64_t decodeDuration, int64_t displayOffset, Handle description,
                         uint32_t numberOfSamples, uint32_t sampleFlags, int64_t* sampleTime);
  // Media ticks of the samples added so far.
  Status MediaDuration(const WriterMedia* media, uint64_t& duration) const;
  // Adds `mediaDuration` media ticks from `mediaTime` (-1: empty time) at
  // `trackStart` movie ticks, at 16.16 `rate`; only at the track's end.
  Status InsertMediaIntoTrack(WriterTrack* track, int64_t trackStart, int64_t mediaTime,
                              int64_t mediaDuration, int32_t rate);
  // Ends the edits of every media and puts each into its track whole, from
  // track time 0 at normal rate: how a recovered movie is finished.
  Status InsertEveryMediaWhole();
  // Finishes 'mdat' and appends 'moov'. Once only; no samples can follow.
  Status AddMovieResource();
  Status CloseMovieFile();

 private:
  MovieWriter() = default;
  static std::unique_ptr<MovieWriter> Blank(const std::string& utf8Path);

  Status WriteFileHeader();
  Status CheckWritable() const;
  Status FindMedia(const WriterMedia* media) const;
  Status FindTrack(const WriterTrack* track) const;
  Status DescriptionIndex(WriterMedia& media, Handle description, uint32_t& index) const;
  Status AppendSampleData(WriterMedia& media, uint32_t descriptionIndex,
                          std::span<const uint8_t> data);
  Status FinishMediaData();
  Status Remember(Status status);
  void Journal(const JournalRecord& record);
  // Brings the journal up to date when `media` has run long enough since.
  Status MaybeCommitJournal(const WriterMedia& media);
  uint32_t MediaIndex(const WriterMedia* media) const;
  Status Replay(const JournalRecord& record);

  FileSink sink_;
  WriterMovieHeader header_;
  std::vector<std::unique_ptr<WriterTrack>> tracks_;
  std::vector<std::unique_ptr<WriterMedia>> media_;
  uint64_t wideOffset_ = 0;  // file offset of the 'wide' reserve; 'mdat' follows it
  const WriterMedia* lastDataMedia_ = nullptr;  // owner of the bytes that end the file
  bool resourceAdded_ = false;
  Status failure_;  // first write failure; the file is unusable after it
  std::string path_;
  std::unique_ptr<RecoveryJournal> journal_;  // null: no journal kept
  RecoveryOptions recovery_;
  std::vector<uint64_t> journalledTicks_;  // per media: its duration at the last journal update
  std::chrono::steady_clock::time_point lastDeviceFlush_;
  uint64_t replayPosition_ = 0;  // Resume: the end of the data replayed so far
};

}  // namespace zeb::movie
