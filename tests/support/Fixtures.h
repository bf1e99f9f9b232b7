// Movies made at test time by the ffmpeg tool, cached by name in
// ZEB_FIXTURE_DIR (the build folder's fixtures/). Several test processes may
// ask for the same fixture at once: each writes a temporary file and renames
// it into place, so a reader only ever sees a complete movie.
//
// To add a fixture, add a row to the table in Fixtures.cpp: a file name (its
// extension picks ffmpeg's muxer) and the ffmpeg arguments that go between
// "ffmpeg" and the output name. Keep them short (a second or two, small
// frames); "-fflags +bitexact" is added so that every run makes the same bytes.
#pragma once

#include <span>
#include <string>

namespace zeb::test {

struct FixtureRecipe {
  const char* name;       // "avc1_bframes.mov"
  const char* arguments;  // "-f lavfi -i testsrc2=... -c:v libx264 -bf 2"
};

std::span<const FixtureRecipe> FixtureRecipes();

// Full path of fixture `name`, made on first use. On failure returns an empty
// string and puts ffmpeg's complaint into `error`.
std::string FixturePath(const std::string& name, std::string& error);

// The folders the build passes in.
std::string FixtureDir();
std::string CorpusDir();

}  // namespace zeb::test
