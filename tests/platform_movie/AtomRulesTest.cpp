// The rules each container applies to its children: a required child that is
// missing, and a child that comes twice (the first read and the second noted,
// or the track refused), always at a defined atom path. A broken track stays
// in the movie and reports itself; the other tracks still open.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>

#include "platform/movie/FourCC.h"
#include "tests/support/AtomWalk.h"
#include "tests/support/MovieBytes.h"

namespace zeb::movie::test {
namespace {

// A one-track movie as lists of children, so that a case can drop or repeat
// any of them. Two 10-byte samples of 100 ticks in one chunk.
class MovieTree {
 public:
  MovieTree() {
    const auto stsc = Stsc({{1, 2, 1}});
    children_["moov"] = {Mvhd(600)};
    children_["trak"] = {Tkhd(1)};
    children_["mdia"] = {Mdhd(600), Hdlr(FourCC("vide"))};
    children_["minf"] = {};
    children_["stbl"] = {Stsd({ImageDescription(FourCC("avc1"), 16, 16)}), Stts({{2, 100}}), stsc,
                         Stsz(10, 2), Stco({8})};
  }

  // Removes every child of `container` of type `type`.
  MovieTree& Drop(const char* container, uint32_t type) {
    std::erase_if(children_[container],
                  [&](const Bytes& child) { return zeb::test::BigEndian(child, 4) == type; });
    return *this;
  }
  MovieTree& Add(const char* container, Bytes child) {
    children_[container].push_back(std::move(child));
    return *this;
  }

  // Leaves out 'mdia', 'minf' or 'stbl' with all it holds.
  MovieTree& DropContainer(const char* container) {
    dropped_.insert(container);
    return *this;
  }

  // 'mdat' with the samples' 20 bytes, then 'moov'. In each container the
  // child container comes first, then the listed children in order.
  Bytes Build() const {
    const Bytes stbl = Atom(FourCC("stbl"), Children("stbl"));
    const Bytes minf = Atom(FourCC("minf"), Concat({Kept("stbl", stbl), Children("minf")}));
    const Bytes mdia = Atom(FourCC("mdia"), Concat({Kept("minf", minf), Children("mdia")}));
    const Bytes trak = Atom(FourCC("trak"), Concat({Kept("mdia", mdia), Children("trak")}));
    const Bytes moov = Atom(FourCC("moov"), Concat({Children("moov"), trak}));
    return Concat({Atom(FourCC("mdat"), Bytes(20, 0x5A)), moov});
  }

 private:
  Bytes Children(const char* container) const {
    Bytes all;
    for (const Bytes& child : children_.at(container))
      all.insert(all.end(), child.begin(), child.end());
    return all;
  }
  Bytes Kept(const char* container, const Bytes& atom) const {
    return dropped_.contains(container) ? Bytes{} : atom;
  }

  std::map<std::string, std::vector<Bytes>> children_;
  std::set<std::string> dropped_;
};

constexpr const char* kStbl = "moov/trak[1]/mdia/minf/stbl";

struct RuleCase {
  std::string name;
  std::function<void(MovieTree&)> edit;
  StatusCode track;   // the track's status (the movie opens)
  std::string where;  // of the track's status, or of the one note
  std::string message;
  size_t notes;
  // What the first child gave, where the second one was skipped.
  std::function<void(const Movie&)> check = [](const Movie&) {};
};

TEST(AtomRulesTest, RepeatedAndMissingChildrenOfATrack) {
  const auto refused = [](const char* container, const char* type, Bytes twin,
                          const std::string& codes) {
    return RuleCase{std::string(type) + " twice",
                    [=](MovieTree& tree) { tree.Add(container, twin); },
                    StatusCode::kInvalid,
                    std::string(kStbl) + "/" + type,
                    "second " + codes + " in 'stbl'",
                    0};
  };
  const auto missing = [](const char* container, uint32_t type, const std::string& where,
                          const std::string& message) {
    return RuleCase{"no " + FourCCToString(type),
                    [=](MovieTree& tree) { tree.Drop(container, type); },
                    StatusCode::kInvalid,
                    where,
                    message,
                    0};
  };
  const RuleCase cases[] = {
      {"as built", [](MovieTree&) {}, StatusCode::kOk, "", "", 0},
      // A second table of one kind: the track is refused.
      refused("stbl", "stsz", Stsz(0, 2, {4, 4}), "'stsz' or 'stz2'"),
      refused("stbl", "stz2", FullAtom(FourCC("stz2"), 0, 0, Be32s({8, 2, 0x0404'0000})),
              "'stsz' or 'stz2'"),
      refused("stbl", "co64", Co64({8}), "'stco' or 'co64'"),
      refused("stbl", "stts", Stts({{2, 50}}), "'stts'"),
      refused("stbl", "stsc", Stsc({{1, 1, 1}}), "'stsc'"),
      refused("stbl", "stsd", Stsd({}), "'stsd'"),
      {"ctts twice",
       [](MovieTree& tree) {
         tree.Add("stbl", Ctts(0, {{2, 0}})).Add("stbl", Ctts(0, {{2, 100}}));
       },
       StatusCode::kInvalid, std::string(kStbl) + "/ctts", "second 'ctts' in 'stbl'", 0},
      {"stss twice", [](MovieTree& tree) { tree.Add("stbl", Stss({1})).Add("stbl", Stss({2})); },
       StatusCode::kInvalid, std::string(kStbl) + "/stss", "second 'stss' in 'stbl'", 0},
      // A second header atom or container: the first is read, the second noted.
      {"tkhd twice", [](MovieTree& tree) { tree.Add("trak", Tkhd(9)); }, StatusCode::kOk,
       "moov/trak[1]/tkhd", "second 'tkhd' in 'trak'", 1,
       [](const Movie& movie) { EXPECT_EQ(movie.GetTrack(1)->Id(), 1u); }},
      {"mdhd twice", [](MovieTree& tree) { tree.Add("mdia", Mdhd(90000)); }, StatusCode::kOk,
       "moov/trak[1]/mdia/mdhd", "second 'mdhd' in 'mdia'", 1,
       [](const Movie& movie) { EXPECT_EQ(movie.GetTrack(1)->GetMedia().TimeScale(), 600u); }},
      {"hdlr twice", [](MovieTree& tree) { tree.Add("mdia", Hdlr(FourCC("soun"))); },
       StatusCode::kOk, "moov/trak[1]/mdia/hdlr", "second 'hdlr' in 'mdia'", 1,
       [](const Movie& movie) { EXPECT_EQ(movie.GetTrack(1)->GetMedia().Type(), FourCC("vide")); }},
      {"mvhd twice", [](MovieTree& tree) { tree.Add("moov", Mvhd(1000)); }, StatusCode::kOk,
       "moov/mvhd", "second 'mvhd' or 'cmov' in 'moov'", 1,
       [](const Movie& movie) { EXPECT_EQ(movie.TimeScale(), 600u); }},
      {"stbl twice", [](MovieTree& tree) { tree.Add("minf", Atom(FourCC("stbl"), {})); },
       StatusCode::kOk, std::string(kStbl), "second 'stbl' in 'minf'", 1,
       [](const Movie& movie) { EXPECT_EQ(movie.GetTrack(1)->GetMedia().SampleCount(), 2u); }},
      // A required child missing: the track, at its container's path.
      missing("stbl", FourCC("stsd"), kStbl, "'stbl' holds no 'stsd'"),
      missing("stbl", FourCC("stts"), kStbl, "'stbl' holds no 'stts'"),
      missing("stbl", FourCC("stsc"), kStbl, "'stbl' holds no 'stsc'"),
      missing("stbl", FourCC("stsz"), kStbl, "'stbl' holds no 'stsz' or 'stz2'"),
      missing("stbl", FourCC("stco"), kStbl, "'stbl' holds no 'stco' or 'co64'"),
      missing("mdia", FourCC("mdhd"), "moov/trak[1]/mdia", "'mdia' holds no 'mdhd'"),
      missing("mdia", FourCC("hdlr"), "moov/trak[1]/mdia", "'mdia' holds no 'hdlr'"),
      missing("trak", FourCC("tkhd"), "moov/trak[1]", "'trak' holds no 'tkhd'"),
      {"no stbl", [](MovieTree& tree) { tree.DropContainer("stbl"); }, StatusCode::kInvalid,
       "moov/trak[1]/mdia/minf", "'minf' holds no 'stbl'", 0},
      {"no minf", [](MovieTree& tree) { tree.DropContainer("minf"); }, StatusCode::kInvalid,
       "moov/trak[1]/mdia", "'mdia' holds no 'minf'", 0},
      {"no mdia", [](MovieTree& tree) { tree.DropContainer("mdia"); }, StatusCode::kInvalid,
       "moov/trak[1]", "'trak' holds no 'mdia'", 0},
  };
  for (const RuleCase& c : cases) {
    SCOPED_TRACE(c.name);
    MovieTree tree;
    c.edit(tree);
    std::unique_ptr<Movie> movie;
    const Status opened = OpenBytes(tree.Build(), movie);
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
    c.check(*movie);
  }
}

TEST(AtomRulesTest, MovieWithoutHeaderIsRefused) {
  MovieTree tree;
  tree.Drop("moov", FourCC("mvhd"));
  std::unique_ptr<Movie> movie;
  const Status status = OpenBytes(tree.Build(), movie);
  EXPECT_EQ(status.Code(), StatusCode::kInvalid);
  EXPECT_EQ(status.Where(), "moov");
  EXPECT_EQ(status.Message(), "'moov' holds no 'mvhd' or 'cmov'");
  EXPECT_EQ(movie, nullptr);
}

// A sound track without a description and one with contradictory tables sit
// between two good video tracks: the movie opens, the broken ones say why,
// keep their type and time scale, and the good ones read as usual.
TEST(AtomRulesTest, BrokenTracksStayInTheMovie) {
  MovieBytes file;
  const uint32_t at = file.AddData(40, 0x11);
  const auto video = [&](uint32_t id) {
    return TrackBytes{FourCC("vide"), 600, id,
                      Concat({Stsd({ImageDescription(FourCC("avc1"), 16, 16)}), Stts({{4, 100}}),
                              Stsc({{1, 4, 1}}), Stsz(10, 4), Stco({at})})};
  };
  const Bytes bytes = file.Build({
      video(1),
      TrackBytes{FourCC("soun"), 48000, 2,
                 Concat({Stsd({}), Stts({{4, 1}}), Stsc({{1, 4, 1}}), Stsz(2, 4), Stco({at})})},
      TrackBytes{FourCC("soun"), 44100, 3,
                 Concat({Stsd({SoundDescription(FourCC("twos"), 0, 1, 16, 44100)}), Stts({{4, 1}}),
                         Stsc({{2, 4, 1}, {1, 4, 1}}), Stsz(2, 4), Stco({at, at + 8})})},
      video(4),
  });
  std::unique_ptr<Movie> movie;
  ASSERT_TRUE(OpenBytes(bytes, movie).IsOk());
  ASSERT_EQ(movie->TrackCount(), 4u);
  const struct {
    uint32_t track;
    bool usable;
    uint32_t timeScale;
    uint64_t samples;
  } expected[] = {{1, true, 600, 4}, {2, false, 48000, 0}, {3, false, 44100, 0}, {4, true, 600, 4}};
  for (const auto& e : expected) {
    SCOPED_TRACE(e.track);
    const Track& track = *movie->GetTrack(e.track);
    EXPECT_EQ(track.OpenStatus().IsOk(), e.usable) << track.OpenStatus().ToString();
    EXPECT_EQ(track.Id(), e.track);
    EXPECT_EQ(track.GetMedia().TimeScale(), e.timeScale);
    EXPECT_EQ(track.GetMedia().SampleCount(), e.samples);
    if (!e.usable) {
      EXPECT_EQ(track.OpenStatus().Where(),
                "moov/trak[" + std::to_string(e.track) + "]/mdia/minf/stbl");
      EXPECT_EQ(track.GetMedia().Type(), FourCC("soun"));
    }
  }
}

}  // namespace
}  // namespace zeb::movie::test
