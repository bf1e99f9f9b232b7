// Bad input gives a defined error result: truncation, lying counts, atom
// sizes that break the framing rules, nesting; the atom dump stops at the
// first framing error. Random damage is the movie fuzz target's work.
#include <gtest/gtest.h>

#include "platform/movie/AtomDump.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/MemorySource.h"
#include "tests/support/MovieBytes.h"

namespace zeb::movie::test {
namespace {

// A video track with sync and display-offset tables and a sound track.
Bytes SmallMovie() {
  MovieBytes file;
  const uint32_t video = file.AddData(60, 0x10);
  const uint32_t sound = file.AddData(64, 0x20);
  return file.Build({
      TrackBytes{FourCC("vide"), 600, 1,
                 Concat({Stsd({ImageDescription(FourCC("avc1"), 64, 48,
                                                Atom(FourCC("pasp"), Be32s({1, 1})))}),
                         Stts({{6, 20}}), Ctts(1, {{2, 20}, {1, -20}, {3, 0}}), Stss({1, 4}),
                         Stsc({{1, 3, 1}}), Stsz(0, 6, {10, 10, 10, 10, 10, 10}),
                         Stco({video, video + 30})})},
      TrackBytes{FourCC("soun"), 48000, 2,
                 Concat({Stsd({SoundDescription(FourCC("sowt"), 0, 2, 16, 48000)}), Stts({{16, 1}}),
                         Stsc({{1, 8, 1}}), Stsz(1, 16), Co64({sound, sound + 32})})},
  });
}

TEST(MalformedMovieTest, TruncationGivesTruncatedAtEveryLength) {
  const Bytes whole = SmallMovie();
  std::unique_ptr<Movie> movie;
  ASSERT_TRUE(OpenBytes(whole, movie).IsOk());
  const uint64_t moovOffset = 8 + 124;  // after 'mdat'
  for (size_t length = 0; length < whole.size(); ++length) {
    SCOPED_TRACE(length);
    const Status status =
        OpenBytes(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length)), movie);
    ASSERT_FALSE(status.IsOk());
    if (length >= moovOffset + 8) {
      EXPECT_EQ(status.Code(), StatusCode::kTruncated) << status.ToString();
    }
  }
}

// Each table claims 0x40000001 entries in an atom of a few bytes.
TEST(MalformedMovieTest, LyingCountsFailBeforeAllocating) {
  for (const uint32_t type :
       {FourCC("stts"), FourCC("stsc"), FourCC("stsz"), FourCC("stco"), FourCC("co64"),
        FourCC("ctts"), FourCC("stss"), FourCC("stps"), FourCC("stsd"), FourCC("stz2")}) {
    const std::string atom = FourCCToString(type);
    SCOPED_TRACE(atom);
    // 'stsz' (no constant size) and 'stz2' (8-bit sizes) hold a field before the count.
    const Bytes lead = type == FourCC("stsz")   ? Be32s({0})
                       : type == FourCC("stz2") ? Be32s({8})
                                                : Bytes{};
    const Bytes lie = Concat({lead, Be32s({0x40000001, 1, 2})});
    MovieBytes file;
    std::unique_ptr<Movie> movie;
    const Status status = OpenEveryTrack(
        file.Build({TrackBytes{FourCC("vide"), 600, 1, FullAtom(type, 0, 0, lie)}}), movie);
    EXPECT_EQ(status.Code(), StatusCode::kInvalid) << status.ToString();
    EXPECT_EQ(status.Where(), std::string("moov/trak[1]/mdia/minf/stbl/") + atom);
    EXPECT_NE(status.Message().find("1073741825"), std::string::npos) << status.Message();
  }
}

// An 'elst' whose count passes its atom keeps the edits it holds.
TEST(MalformedMovieTest, ElstCountPastAtom) {
  const Bytes elst = FullAtom(FourCC("elst"), 0, 0, Be32s({189, 600, 0, 0x10000}));
  const Bytes moov =
      Atom(FourCC("moov"), Concat({Mvhd(600), Atom(FourCC("trak"), Atom(FourCC("edts"), elst))}));
  std::unique_ptr<Movie> movie;
  ASSERT_TRUE(OpenBytes(Concat({Atom(FourCC("mdat"), {}), moov}), movie).IsOk());
  ASSERT_EQ(movie->GetTrack(1)->Edits().size(), 1u);
  EXPECT_EQ(movie->GetTrack(1)->Edits()[0].segmentDuration, 600u);
}

struct FramingCase {
  const char* name;
  Bytes file;
  bool opens;
  StatusCode code;  // of the open, or else of the first unusable track
};

Bytes MoovWith(std::initializer_list<Bytes> children) {
  return Atom(FourCC("moov"), Concat(children));
}

Bytes Nested(uint32_t type, int depth, const Bytes& inner) {
  Bytes bytes = inner;
  for (int i = 0; i < depth; ++i) bytes = Atom(type, bytes);
  return bytes;
}

TEST(MalformedMovieTest, AtomFramingRules) {
  const Bytes mvhd = Mvhd(600);
  Bytes sizeZeroMoov = MoovWith({mvhd});
  sizeZeroMoov[3] = 0;  // size 0: runs to the end of the file
  Bytes largeSizeMoov = Concat(
      {Be32s({1, FourCC("moov"), 0}), Be32s({static_cast<uint32_t>(16 + mvhd.size())}), mvhd});
  const FramingCase cases[] = {
      {"empty file", {}, false, StatusCode::kInvalid},
      {"no moov", Atom(FourCC("free"), Bytes(10, 0)), false, StatusCode::kInvalid},
      {"moov of size 0 at the end", Concat({Atom(FourCC("free"), {}), sizeZeroMoov}), true,
       StatusCode::kOk},
      {"moov with a 64-bit size", largeSizeMoov, true, StatusCode::kOk},
      {"size smaller than the header", Be32s({4, FourCC("moov")}), false, StatusCode::kInvalid},
      {"child larger than its parent", MoovWith({Be32s({200, FourCC("trak")})}), false,
       StatusCode::kInvalid},
      {"trailing bytes shorter than a header are padding", MoovWith({mvhd, Bytes(7, 0xFF)}), true,
       StatusCode::kOk},
      {"trak nested in trak 100 times is skipped: the outer one lacks its atoms",
       MoovWith({mvhd, Nested(FourCC("trak"), 100, {})}), true, StatusCode::kInvalid},
      {"stsd entry smaller than a sample entry",
       MoovWith({mvhd, Nested(FourCC("trak"), 1,
                              Atom(FourCC("mdia"),
                                   Atom(FourCC("minf"),
                                        Atom(FourCC("stbl"),
                                             FullAtom(FourCC("stsd"), 0, 0,
                                                      Be32s({1, 8, FourCC("avc1")}))))))}),
       true, StatusCode::kInvalid},
  };
  for (const FramingCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<Movie> movie;
    EXPECT_EQ(OpenBytes(c.file, movie).IsOk(), c.opens);
    const Status status = OpenEveryTrack(c.file, movie);
    EXPECT_EQ(status.Code(), c.code) << status.ToString();
    if (c.opens) {
      EXPECT_EQ(movie->TimeScale(), 600u) << "mvhd was read";
    }
  }
}

// The atom tree as text: a golden dump of a byte-built movie, and a walk that
// stops at a framing error after printing what came before it.
Bytes OneTrackMovie() {
  MovieBytes file;
  const uint32_t at = file.AddData(20, 0x44);
  return file.Build(
      {TrackBytes(FourCC("vide"), 600, 1,
                  Concat({Stsd({ImageDescription(FourCC("avc1"), 16, 16)}), Stts({{2, 100}}),
                          Stsc({{1, 2, 1}}), Stsz(10, 2), Stco({at})}))});
}

TEST(AtomDumpTest, GoldenTreeAndAStopAtAFramingError) {
  std::string text;
  ASSERT_TRUE(DumpAtomTree(MemorySource(OneTrackMovie()), text).IsOk());
  EXPECT_EQ(text,
            "mdat @0 size 28\n"
            "moov @28 size 499\n"
            "  mvhd @36 size 108\n"
            "  trak @144 size 383\n"
            "    tkhd @152 size 92\n"
            "    mdia @244 size 283\n"
            "      mdhd @252 size 32\n"
            "      hdlr @284 size 33\n"
            "      minf @317 size 210\n"
            "        stbl @325 size 202\n"
            "          stsd @333 size 102 entries 1\n"
            "            avc1 @349 size 86 (sample description)\n"
            "          stts @435 size 24 entries 1\n"
            "          stsc @459 size 28 entries 1\n"
            "          stsz @487 size 20 entries 2\n"
            "          stco @507 size 20 entries 1\n");

  Bytes broken = OneTrackMovie();
  broken[459 + 3] = 0xFF;  // 'stsc' now claims more than its parent holds
  const Status status = DumpAtomTree(MemorySource(broken), text);
  EXPECT_EQ(status.Code(), StatusCode::kInvalid);
  EXPECT_EQ(status.Where(), "moov/trak/mdia/minf/stbl/stsc");
  EXPECT_NE(text.find("stts @435"), std::string::npos) << "the lines before the error are kept";
  EXPECT_EQ(text.find("stco"), std::string::npos);
}

}  // namespace
}  // namespace zeb::movie::test
