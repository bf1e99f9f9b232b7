// Turns what a stopped recording left on disk (the movie file without its
// movie resource, and the recovery journal beside it) into a playable movie:
// every sample whose bytes and journal record both reached the disk, and
// nothing after the first that did not.
#pragma once

#include <cstdint>
#include <string>

#include "platform/movie/Status.h"

namespace zeb::movie {

struct RecoveryReport {
  bool alreadyComplete = false;  // the movie closed normally; nothing was written
  uint32_t tracks = 0;
  uint64_t samples = 0;         // media samples in the recovered movie
  uint64_t droppedRecords = 0;  // journal records left out: their bytes are not in the file
  bool damagedJournalTail = false;
  uint64_t dataEnd = 0;  // where the media data ends; the movie resource follows
};

// Recovers `damagedPath` into `outPath`, which may be the same file (then
// it is repaired in place and its journal deleted). Writes nothing when the
// movie is complete already or cannot be recovered; the status says why.
Status RecoverMovie(const std::string& damagedPath, const std::string& outPath,
                    RecoveryReport& report);

}  // namespace zeb::movie
