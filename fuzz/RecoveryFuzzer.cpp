// Recovery of a stopped recording from a damaged journal: the fuzz bytes are
// the journal's records (behind a valid head), beside a movie file holding
// the writer's header and some media data. Recovery may refuse, but must
// never crash, and a movie it writes must open again.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/movie/ByteWriter.h"
#include "platform/movie/Movie.h"
#include "platform/movie/MovieAtomWriter.h"
#include "platform/movie/MovieRecovery.h"
#include "platform/movie/RecoveryJournal.h"

namespace {

using namespace zeb::movie;

constexpr size_t kMediaDataBytes = 64 << 10;

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// Kept alive to the very end (never destroyed), so the clean-up at exit can still name it.
const std::string& Folder() {
  static const std::string* folder = [] {
    auto* path = new std::string("/dev/shm/zeb_fuzz_recovery." + std::to_string(::getpid()));
    std::filesystem::create_directories(*path);
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return path;
  }();
  return *folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string movie = Folder() + "/movie.mov";
  const std::string out = Folder() + "/out.mov";
  std::vector<uint8_t> file = MovieFileHeader();
  file.resize(file.size() + kMediaDataBytes, 0x5A);
  WriteFile(movie, file);

  ByteWriter journal;
  journal.PutBytes(kJournalMagic);
  journal.PutU32(kJournalVersion);
  journal.PutBytes({data, size});
  WriteFile(RecoveryJournalPath(movie), journal.Bytes());

  std::filesystem::remove(out);
  RecoveryReport report;
  if (RecoverMovie(movie, out, report).IsOk()) {
    std::unique_ptr<Movie> reopened;
    if (!Movie::Open(out, reopened).IsOk()) std::abort();
  }
  return 0;
}
