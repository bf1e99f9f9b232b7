// The atom tree as text: a golden dump of a byte-built movie, and a walk that
// stops at a framing error after printing what came before it.
#include <gtest/gtest.h>

#include "platform/movie/AtomDump.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/MemorySource.h"
#include "tests/platform_movie/MovieBytes.h"

namespace zeb::movie::test {
namespace {

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
