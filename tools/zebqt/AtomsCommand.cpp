// zebqt atoms [FILE]: the atom tree of a movie, one atom a line, for looking
// into a file the reader refuses or reads oddly; it stops at the first atom
// whose framing is broken and says where.
#include <iostream>
#include <memory>

#include "platform/movie/AtomDump.h"
#include "platform/movie/FileSource.h"
#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/Failure.h"

int RunAtoms(const PluginLibrary& /*plugin*/, const CommandLine& line) {
  const std::string path = MovieArgument(line);
  std::unique_ptr<zeb::movie::FileSource> source;
  zeb::movie::Status status = zeb::movie::FileSource::Open(path, source);
  if (!status.IsOk()) throw Failure(kExitMovie, path + ": " + status.ToString());
  std::string text;
  status = zeb::movie::DumpAtomTree(*source, text);
  std::cout << text;
  if (!status.IsOk()) throw Failure(kExitMovie, path + ": the walk stopped: " + status.ToString());
  return kExitOk;
}
