// The rules each container applies to its children: a required child that is
// missing, and a child that comes twice (the first read and the second noted,
// or the track refused), always at a defined atom path. That a broken track
// stays in the movie while the others read as ffprobe reads them is
// ReaderFailures.BrokenTracksAreSkipped's.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "platform/movie/FourCC.h"
#include "tests/support/AtomWalk.h"
#include "tests/support/MovieBytes.h"

namespace zeb::movie::test {
namespace {

using zeb::test::AtomPayloads;
using zeb::test::WithAtomPayload;

constexpr const char* kStbl = "moov/trak[1]/mdia/minf/stbl";

// A one-track movie, 'mdat' first: two 10-byte samples of 100 ticks in one chunk.
Bytes OneTrackMovie() {
  MovieBytes file;
  file.AddData(20, 0x5A);
  return file.Build(
      {TrackBytes{FourCC("vide"), 600, 1,
                  Concat({Stsd({ImageDescription(FourCC("avc1"), 16, 16)}), Stts({{2, 100}}),
                          Stsc({{1, 2, 1}}), Stsz(10, 2), Stco({8})})}});
}

// The movie with `added` after the children of the atom at `path`, or
// without that atom when nothing is added.
Bytes Edited(const std::string& path, const std::optional<Bytes>& added) {
  const Bytes movie = OneTrackMovie();
  if (path.empty() || !added)
    return path.empty() ? movie : WithAtomPayload(movie, path, std::nullopt);
  return WithAtomPayload(movie, path, Concat({AtomPayloads(movie, path).at(0), *added}));
}

struct RuleCase {
  std::string name;
  std::string path;            // of the atom edited
  std::optional<Bytes> added;  // none: the atom goes
  StatusCode track;            // the track's status (the movie opens)
  std::string where;           // of the track's status, or of the one note
  std::string message;
  size_t notes;
};

TEST(AtomRulesTest, RepeatedAndMissingChildrenOfATrack) {
  const std::string stbl = kStbl;
  const auto refused = [&](const char* type, Bytes twin, const std::string& codes) {
    return RuleCase{
        std::string(type) + " twice",     stbl, twin, StatusCode::kInvalid, stbl + "/" + type,
        "second " + codes + " in 'stbl'", 0};
  };
  const auto missing = [](const std::string& container, const char* type) {
    const std::string name = container.substr(container.rfind('/') + 1, 4);
    return RuleCase{std::string("no ") + type,
                    container + "/" + type,
                    std::nullopt,
                    StatusCode::kInvalid,
                    container,
                    "'" + name + "' holds no '" + type + "'",
                    0};
  };
  const RuleCase cases[] = {
      {"as built", "", std::nullopt, StatusCode::kOk, "", "", 0},
      // A second table of one kind: the track is refused.
      refused("stsz", Stsz(0, 2, {4, 4}), "'stsz' or 'stz2'"),
      refused("stz2", FullAtom(FourCC("stz2"), 0, 0, Be32s({8, 2, 0x0404'0000})),
              "'stsz' or 'stz2'"),
      refused("co64", Co64({8}), "'stco' or 'co64'"),
      refused("stss", Concat({Stss({1}), Stss({2})}), "'stss'"),
      // A second header atom: the first is read (the track's ID and the movie's
      // time scale stay those of the first), the second noted.
      {"tkhd twice", "moov/trak", Tkhd(9), StatusCode::kOk, "moov/trak[1]/tkhd",
       "second 'tkhd' in 'trak'", 1},
      {"mvhd twice", "moov", Mvhd(1000), StatusCode::kOk, "moov/mvhd",
       "second 'mvhd' or 'cmov' in 'moov'", 1},
      // A required child missing: the track, at its container's path.
      missing(stbl, "stsd"),
      missing("moov/trak[1]/mdia", "mdhd"),
      missing("moov/trak[1]", "tkhd"),
      missing("moov/trak[1]/mdia/minf", "stbl"),
      missing("moov/trak[1]", "mdia"),
      {"no stsz", stbl + "/stsz", std::nullopt, StatusCode::kInvalid, stbl,
       "'stbl' holds no 'stsz' or 'stz2'", 0},
  };
  for (const RuleCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Movie> movie;
    const Status opened = OpenBytes(Edited(c.path, c.added), movie);
    ASSERT_TRUE(opened.IsOk()) << opened.ToString();
    ASSERT_EQ(movie->TrackCount(), 1u);
    const Track& track = *movie->GetTrack(1);
    const Status& status = track.OpenStatus();
    EXPECT_EQ(status.Code(), c.track) << status.ToString();
    ASSERT_EQ(movie->Notes().size(), c.notes);
    const Status& reported = c.notes != 0 ? movie->Notes()[0] : status;
    EXPECT_EQ(reported.Where(), c.where) << reported.ToString();
    EXPECT_EQ(reported.Message(), c.message) << reported.ToString();
    if (!status.IsOk()) {
      EXPECT_EQ(track.GetMedia().SampleCount(), 0u);
      EXPECT_EQ(track.GetMedia().SampleDescriptionCount(), 0u);
    }
    if (c.notes != 0) {
      EXPECT_EQ(track.Id(), 1u);
      EXPECT_EQ(movie->TimeScale(), 600u);
    }
  }
}

TEST(AtomRulesTest, MovieWithoutHeaderIsRefused) {
  std::unique_ptr<Movie> movie;
  const Status status = OpenBytes(Edited("moov/mvhd", std::nullopt), movie);
  EXPECT_EQ(status.Code(), StatusCode::kInvalid);
  EXPECT_EQ(status.Where(), "moov");
  EXPECT_EQ(status.Message(), "'moov' holds no 'mvhd' or 'cmov'");
  EXPECT_EQ(movie, nullptr);
}

}  // namespace
}  // namespace zeb::movie::test
