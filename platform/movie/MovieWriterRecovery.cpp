// The movie writer's recovery journal: what it records as the movie grows,
// when it brings the journal up to date, and how a stopped movie is rebuilt
// from it.
#include <algorithm>
#include <chrono>

#include "platform/movie/MovieWriter.h"

namespace zeb::movie {
namespace {

constexpr uint64_t kAtomHeader = 8;

Status Damaged(const std::string& message) { return Status::Error(StatusCode::kInvalid, message); }

}  // namespace

Status MovieWriter::EnableRecovery(const RecoveryOptions& options) {
  ZEB_MOVIE_TRY(CheckWritable());
  if (!tracks_.empty()) return Damaged("recovery must be enabled before the first track");
  auto journal = std::make_unique<RecoveryJournal>();
  ZEB_MOVIE_TRY(journal->Create(path_));
  journal_ = std::move(journal);
  recovery_ = options;
  lastDeviceFlush_ = std::chrono::steady_clock::now();
  return Status::Ok();
}

void MovieWriter::SetMatrix(const MovieMatrix& matrix) {
  header_.matrix = matrix;
  Journal({.type = JournalRecordType::kMatrix, .matrix = matrix});
}

void MovieWriter::Journal(const JournalRecord& record) {
  if (journal_) journal_->Add(record);
}

uint32_t MovieWriter::MediaIndex(const WriterMedia* media) const {
  const auto found = std::find_if(media_.begin(), media_.end(),
                                  [media](const auto& own) { return own.get() == media; });
  return static_cast<uint32_t>(found - media_.begin());
}

// The movie's bytes reach the system (and, at a device flush, the device)
// before the records that describe them, so the journal never points past the
// data. Updates follow media time, which bounds what a killed process loses;
// device flushes follow wall time, which bounds what a power cut loses
// without making a faster-than-real-time copy wait for the disk every second
// of media.
Status MovieWriter::MaybeCommitJournal(const WriterMedia& media) {
  if (!journal_) return Status::Ok();
  const uint64_t since = media.Duration() - journalledTicks_[MediaIndex(&media)];
  if (since * 1000 < uint64_t{recovery_.syncIntervalMs} * media.TimeScale()) return Status::Ok();
  const auto now = std::chrono::steady_clock::now();
  const bool flushDevice =
      recovery_.durable &&
      now - lastDeviceFlush_ >= std::chrono::milliseconds(recovery_.syncIntervalMs);
  ZEB_MOVIE_TRY(Remember(sink_.Sync(flushDevice)));
  ZEB_MOVIE_TRY(Remember(journal_->Commit(flushDevice)));
  if (flushDevice) lastDeviceFlush_ = now;
  for (size_t i = 0; i < media_.size(); ++i) journalledTicks_[i] = media_[i]->Duration();
  return Status::Ok();
}

Status MovieWriter::Resume(const std::string& utf8Path, uint64_t dataEnd,
                           const std::vector<JournalRecord>& records,
                           std::unique_ptr<MovieWriter>& movie) {
  const std::vector<uint8_t> head = MovieFileHeader();
  if (dataEnd < head.size()) return Damaged("the file ends inside its header");
  std::unique_ptr<MovieWriter> resumed = Blank(utf8Path);
  resumed->wideOffset_ = head.size() - 2 * kAtomHeader;
  resumed->replayPosition_ = head.size();
  ZEB_MOVIE_TRY(resumed->sink_.OpenForAppend(utf8Path, dataEnd));
  for (const JournalRecord& record : records) ZEB_MOVIE_TRY(resumed->Replay(record));
  movie = std::move(resumed);
  return Status::Ok();
}

Status MovieWriter::InsertEveryMediaWhole() {
  for (const auto& track : tracks_) {
    WriterMedia* media = track->Media();
    if (media == nullptr) continue;
    media->EndEdits();
    if (media->Duration() == 0) continue;
    ZEB_MOVIE_TRY(InsertMediaIntoTrack(track.get(), 0, 0, static_cast<int64_t>(media->Duration()),
                                       kFixedOne));
  }
  return Status::Ok();
}

Status MovieWriter::Replay(const JournalRecord& record) {
  WriterTrack* track = nullptr;
  WriterMedia* media = nullptr;
  const bool hasMedia = record.media < media_.size();
  if (hasMedia) media = media_[record.media].get();
  switch (record.type) {
    case JournalRecordType::kTrack:
      return NewTrack(record.width, record.height, record.volume, track);
    case JournalRecordType::kMedia:
      if (record.track >= tracks_.size()) return Damaged("journal: media of a missing track");
      ZEB_MOVIE_TRY(
          NewMedia(tracks_[record.track].get(), record.mediaType, record.timeScale, media));
      return BeginMediaEdits(media);
    case JournalRecordType::kMatrix:
      header_.matrix = record.matrix;
      return Status::Ok();
    case JournalRecordType::kDescription:
      if (!hasMedia) return Damaged("journal: description of a missing media");
      media->UseDescription(record.description);
      return Status::Ok();
    case JournalRecordType::kEndEdits:
      if (hasMedia) media->EndEdits();
      return Status::Ok();
    case JournalRecordType::kSamples:
      break;
  }
  if (!hasMedia || record.descriptionIndex == 0 ||
      record.descriptionIndex > media->Descriptions().size() || record.run.count == 0 ||
      !media->Table().CanAppend(record.run.count)) {
    return Damaged("journal: samples that no media can take");
  }
  // A chunk goes on only where its bytes go on.
  const bool follows = record.fileOffset == replayPosition_ && lastDataMedia_ == media;
  if (!follows || media->NeedsNewChunk(record.descriptionIndex, true)) {
    media->StartChunk(record.fileOffset, record.descriptionIndex);
  }
  media->Append(record.run);
  lastDataMedia_ = media;
  replayPosition_ = record.fileOffset + uint64_t{record.run.count} * record.run.size;
  return Status::Ok();
}

}  // namespace zeb::movie
