// Movies and streams made at test time by the ffmpeg tool from the recipes
// of Fixtures.cpp, cached in the build folder's fixtures/ under the recipe's
// name with a digest of its arguments (a changed recipe makes a new file).
// Several test processes may ask for one fixture at once: each writes a
// temporary file and renames it into place, so a reader only ever sees a
// complete file.
//
// To add a fixture, add a row to the table: a file name (its extension picks
// ffmpeg's muxer) and the arguments that go between "ffmpeg" and the output
// name. Keep them short (a second or two, small frames).
#pragma once

#include <string>

namespace zeb::test {

// Full path of fixture `name`, made on first use. On failure returns an empty
// string and puts ffmpeg's complaint into `error`.
std::string FixturePath(const std::string& name, std::string& error);
// The same, failing the running test when the fixture cannot be made.
std::string Fixture(const std::string& name);

// `text` as a test's name: every character but letters and digits becomes '_'.
std::string TestName(std::string text);

// The folders the build passes in.
std::string FixtureDir();
std::string CorpusDir();

}  // namespace zeb::test
