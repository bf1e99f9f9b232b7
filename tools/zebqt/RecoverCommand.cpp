// zebqt recover DAMAGED [OUT]: turns a movie whose recording stopped before
// it was closed into a playable one, from the recovery journal beside it.
// Without OUT the file is repaired in place.
#include <iostream>

#include "platform/movie/MovieRecovery.h"
#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/Failure.h"

int RunRecover(const PluginLibrary& /*plugin*/, const CommandLine& line) {
  if (line.arguments.empty() || line.arguments.size() > 2) {
    throw Failure(kExitUsage, "recover needs DAMAGED and optionally OUT");
  }
  const std::string& damaged = line.arguments[0];
  const std::string& out = line.arguments.size() == 2 ? line.arguments[1] : damaged;
  zeb::movie::RecoveryReport report;
  const zeb::movie::Status status = zeb::movie::RecoverMovie(damaged, out, report);
  if (!status.IsOk()) {
    throw Failure(kExitMovie,
                  damaged + ": cannot be recovered, nothing written: " + status.ToString());
  }
  if (report.alreadyComplete) {
    std::cout << damaged
              << ": the movie was closed normally; nothing to recover, nothing changed\n";
    return kExitOk;
  }
  std::cout << out << ": recovered " << report.samples << " samples in " << report.tracks
            << " tracks; media data ends at byte " << report.dataEnd << '\n';
  if (report.droppedRecords > 0 || report.damagedJournalTail) {
    std::cout << "left out: " << report.droppedRecords
              << " journal records whose bytes never reached the movie"
              << (report.damagedJournalTail ? ", and a journal tail cut short" : "") << '\n';
  }
  return kExitOk;
}
