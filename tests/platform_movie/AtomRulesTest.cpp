// The rules each container applies to its children: a required child that is
// missing, and a child that comes twice (the first read and the second noted,
// or the track refused), always at a defined atom path. That a broken track
// stays in the movie while the others read as ffprobe reads them is
// ReaderFailures.BrokenTracksAreSkipped's.
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
      {"stss twice", [](MovieTree& tree) { tree.Add("stbl", Stss({1})).Add("stbl", Stss({2})); },
       StatusCode::kInvalid, std::string(kStbl) + "/stss", "second 'stss' in 'stbl'", 0},
      // A second header atom or container: the first is read, the second noted.
      {"tkhd twice", [](MovieTree& tree) { tree.Add("trak", Tkhd(9)); }, StatusCode::kOk,
       "moov/trak[1]/tkhd", "second 'tkhd' in 'trak'", 1,
       [](const Movie& movie) { EXPECT_EQ(movie.GetTrack(1)->Id(), 1u); }},
      {"mvhd twice", [](MovieTree& tree) { tree.Add("moov", Mvhd(1000)); }, StatusCode::kOk,
       "moov/mvhd", "second 'mvhd' or 'cmov' in 'moov'", 1,
       [](const Movie& movie) { EXPECT_EQ(movie.TimeScale(), 600u); }},
      // A required child missing: the track, at its container's path.
      missing("stbl", FourCC("stsd"), kStbl, "'stbl' holds no 'stsd'"),
      missing("stbl", FourCC("stsz"), kStbl, "'stbl' holds no 'stsz' or 'stz2'"),
      missing("mdia", FourCC("mdhd"), "moov/trak[1]/mdia", "'mdia' holds no 'mdhd'"),
      missing("trak", FourCC("tkhd"), "moov/trak[1]", "'trak' holds no 'tkhd'"),
      {"no stbl", [](MovieTree& tree) { tree.DropContainer("stbl"); }, StatusCode::kInvalid,
       "moov/trak[1]/mdia/minf", "'minf' holds no 'stbl'", 0},
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

}  // namespace
}  // namespace zeb::movie::test
