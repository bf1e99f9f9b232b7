// The recovery journal of a movie being written: a file beside it
// ("<movie>.zebrec") that says, for every sample whose bytes reached the
// movie file, where they lie and how the sample tables describe them, with
// the tracks, media and descriptions from the start. After a crash the
// journal and the movie's media data rebuild a playable movie; a normal close
// removes it.
//
// Records are appended in calling order: a type byte, a 32-bit length, the
// payload, and a CRC-32 of all three, big-endian. A reader stops at the first
// record that is cut short or fails its check, so a torn write loses only
// the records after it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/movie/ByteWriter.h"
#include "platform/movie/MovieAtomWriter.h"
#include "platform/movie/SampleTableBuilder.h"
#include "platform/movie/Status.h"

namespace zeb::movie {

enum class JournalRecordType : uint8_t {
  kTrack = 'T',
  kMedia = 'M',
  kMatrix = 'X',
  kDescription = 'D',
  kSamples = 'S',
  kEndEdits = 'E',
};

// One record; the fields its type does not use stay at their defaults.
struct JournalRecord {
  JournalRecordType type = JournalRecordType::kTrack;
  int32_t width = 0, height = 0;  // track: 16.16
  int16_t volume = 0;             // track: 8.8
  uint32_t track = 0;             // media: 0-based track number
  uint32_t mediaType = 0;         // media
  uint32_t timeScale = 0;         // media
  MovieMatrix matrix = kIdentityMatrix;
  uint32_t media = 0;                  // description, samples, end of edits: 0-based media number
  std::vector<uint8_t> description{};  // a sample description in file order
  uint64_t fileOffset = 0;             // samples: where their bytes start in the movie file
  SampleRun run{};                     // samples
  uint32_t descriptionIndex = 0;       // samples: 1-based
};

// The journal's head: this magic, then the version as a big-endian word.
inline constexpr std::array<uint8_t, 8> kJournalMagic = {'Z', 'E', 'B', 'R', 'C', 'V', 'R', '\n'};
inline constexpr uint32_t kJournalVersion = 1;

std::string RecoveryJournalPath(const std::string& moviePath);

// The writing side. Records wait in memory until Commit(), which the movie
// writer calls only after the bytes they describe were handed to the system.
class RecoveryJournal {
 public:
  RecoveryJournal() = default;
  RecoveryJournal(const RecoveryJournal&) = delete;
  RecoveryJournal& operator=(const RecoveryJournal&) = delete;
  ~RecoveryJournal();

  Status Create(const std::string& moviePath);
  void Add(const JournalRecord& record);
  // Writes the waiting records; with `durable` waits for the device.
  Status Commit(bool durable);
  // Closes and deletes the journal: the movie is complete.
  Status Remove();

 private:
  int fd_ = -1;
  std::string path_;
  ByteWriter pending_;  // records not yet written
};

struct JournalContents {
  uint32_t version = 0;
  std::vector<JournalRecord> records;  // up to the first damaged one
  bool damagedTail = false;            // bytes after the last whole record
};

// kNotFound without a journal, kInvalid when the file is not one.
Status ReadRecoveryJournal(const std::string& path, JournalContents& contents);

}  // namespace zeb::movie
