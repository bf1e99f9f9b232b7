#include "platform/movie/MovieRecovery.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "platform/movie/FileSource.h"
#include "platform/movie/MovieAtomWriter.h"
#include "platform/movie/MovieWriter.h"
#include "platform/movie/RecoveryJournal.h"
#include "platform/movie/TopLevelScan.h"

namespace zeb::movie {
namespace {

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  return a == b || std::filesystem::equivalent(a, b, error);
}

// The journal's records whose bytes lie inside the file, up to the first
// that does not; `dataEnd` becomes the end of the last sample kept.
std::vector<JournalRecord> RecordsInFile(const std::vector<JournalRecord>& records,
                                         uint64_t fileSize, uint64_t& dataEnd,
                                         RecoveryReport& report) {
  std::vector<JournalRecord> kept;
  for (const JournalRecord& record : records) {
    if (record.type == JournalRecordType::kSamples) {
      const uint64_t bytes = uint64_t{record.run.count} * record.run.size;
      if (record.fileOffset > fileSize || bytes > fileSize - record.fileOffset) break;
      dataEnd = std::max(dataEnd, record.fileOffset + bytes);
      report.samples += record.run.count;
    }
    kept.push_back(record);
  }
  report.droppedRecords = records.size() - kept.size();
  return kept;
}

Status CheckOurHeader(const ByteSource& movie) {
  const std::vector<uint8_t> expected = MovieFileHeader();
  std::vector<uint8_t> head(kMovieFileTypeBytes);
  if (movie.Size() < expected.size() || !movie.ReadAt(0, head).IsOk() ||
      !std::equal(head.begin(), head.end(), expected.begin())) {
    return Status::Error(StatusCode::kInvalid,
                         "the file does not begin as this writer's movies do");
  }
  return Status::Ok();
}

}  // namespace

Status RecoverMovie(const std::string& damagedPath, const std::string& outPath,
                    RecoveryReport& report) {
  report = RecoveryReport{};
  std::unique_ptr<FileSource> source;
  ZEB_MOVIE_TRY(FileSource::Open(damagedPath, source));
  JournalContents journal;
  const Status read = ReadRecoveryJournal(RecoveryJournalPath(damagedPath), journal);
  if (read.Code() == StatusCode::kNotFound) {
    AtomHeader moov;
    if (FindMoov(*source, moov).IsOk()) {
      report.alreadyComplete = true;
      return Status::Ok();
    }
    // Killed before its journal was made: not even the file's head had left the buffer.
    if (source->Size() <= MovieFileHeader().size()) {
      return Status::Error(StatusCode::kNotFound, "no sample of the recording reached the disk");
    }
    return Status::Error(StatusCode::kNotFound,
                         "no movie resource and no recovery journal beside the file");
  }
  ZEB_MOVIE_TRY(read);
  report.damagedJournalTail = journal.damagedTail;
  uint64_t dataEnd = MovieFileHeader().size();
  const std::vector<JournalRecord> records =
      RecordsInFile(journal.records, source->Size(), dataEnd, report);
  report.dataEnd = dataEnd;
  if (report.samples == 0) {
    return Status::Error(StatusCode::kNotFound, "no sample of the recording reached the disk");
  }
  ZEB_MOVIE_TRY(CheckOurHeader(*source));
  source.reset();

  const bool inPlace = SameFile(damagedPath, outPath);
  if (!inPlace) {
    std::error_code error;
    std::filesystem::copy_file(damagedPath, outPath,
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error)
      return Status::Error(StatusCode::kIoError,
                           "cannot copy to " + outPath + ": " + error.message());
  }
  std::unique_ptr<MovieWriter> movie;
  ZEB_MOVIE_TRY(MovieWriter::Resume(outPath, dataEnd, records, movie));
  for (const JournalRecord& record : records) {
    if (record.type == JournalRecordType::kTrack) ++report.tracks;
  }
  ZEB_MOVIE_TRY(movie->InsertEveryMediaWhole());
  ZEB_MOVIE_TRY(movie->AddMovieResource());
  ZEB_MOVIE_TRY(movie->CloseMovieFile());
  if (inPlace) std::filesystem::remove(RecoveryJournalPath(damagedPath));
  return Status::Ok();
}

}  // namespace zeb::movie
