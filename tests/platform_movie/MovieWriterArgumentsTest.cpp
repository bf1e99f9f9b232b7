// Calls the writer must refuse with a clear status, leaving the movie as it
// was: the samples before and after a refused one are all that is written.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/movie/FourCC.h"
#include "platform/movie/Movie.h"
#include "platform/movie/MovieWriter.h"
#include "tests/support/MovieWriting.h"

namespace zeb::movie::test {
namespace {

// A native image description of `length` bytes claiming `claimed` in its first word.
Bytes BrokenDescription(size_t length, uint32_t claimed) {
  Bytes entry =
      NativeDescription(FourCC("vide"), ImageDescription(FourCC("raw "), 16, 16)).Native();
  entry.resize(length);
  std::memcpy(entry.data(), &claimed, sizeof claimed);
  return entry;
}

// Everything a refused call can touch.
struct Scene {
  TestMovie movie;
  NativeDescription description{FourCC("vide"), ImageDescription(FourCC("raw "), 16, 16)};
  Bytes data = Bytes(64, 0x5A);

  MovieWriter& Writer() { return movie.Writer(); }
  WriterMedia* Media() const { return movie.Media(0); }
};

struct RefusalCase {
  const char* name;
  bool afterFirstSample;
  std::function<Status(Scene&)> call;
  StatusCode code;
};

Status AddGood(Scene& s, Handle description) {
  return s.Writer().AddMediaSample2(s.Media(), s.data.data(), 64, 100, 0, description, 1, 0,
                                    nullptr);
}

TEST(MovieWriterArguments, RefusedCallsLeaveTheMovieIntact) {
  TestMovie other;
  ASSERT_TRUE(other.Create(OutputPath("other.mov"), {{FourCC("vide"), 600}}).IsOk());
  WriterTrack* other_track = other.Track(0);
  WriterMedia* other_media = other.Media(0);

  // One AddMediaSample2 call on the scene's media, or on `media` when given.
  const auto add = [](int64_t duration, int64_t offset, uint32_t size, uint32_t count,
                      bool data = true, std::optional<WriterMedia*> media = {}) {
    return [=](Scene& s) {
      return s.Writer().AddMediaSample2(media.value_or(s.Media()), data ? s.data.data() : nullptr,
                                        size, duration, offset, nullptr, count, 0, nullptr);
    };
  };
  const auto with_description = [](Bytes description) {
    return [description](Scene& s) {
      Handle handle = HandleOf(description);
      const Status status = AddGood(s, handle);
      DisposeHandle(handle);
      return status;
    };
  };
  constexpr StatusCode kOutOfRange = StatusCode::kOutOfRange;
  const RefusalCase cases[] = {
      {"NoDescriptionForTheFirstSample", false, add(100, 0, 64, 1), kOutOfRange},
      {"NullData", true, add(100, 0, 64, 1, false), kOutOfRange},
      {"ZeroSize", true, add(100, 0, 0, 1), kOutOfRange},
      {"ZeroCount", true, add(100, 0, 64, 0), kOutOfRange},
      {"SizeNotAWholeNumberOfSamples", true, add(100, 0, 64, 3), kOutOfRange},
      {"NegativeDuration", true, add(-1, 0, 64, 1), kOutOfRange},
      {"DurationPast32Bits", true, add(int64_t{1} << 32, 0, 64, 1), kOutOfRange},
      {"DisplayOffsetPast32Bits", true, add(100, int64_t{1} << 31, 64, 1), kOutOfRange},
      {"DescriptionShorterThanItsHeader", true, with_description(BrokenDescription(60, 60)),
       kOutOfRange},
      {"DescriptionLongerThanItsHandle", true, with_description(BrokenDescription(86, 200)),
       kOutOfRange},
      {"MediaOfAnotherMovie", true,
       [&](Scene& s) {
         return s.Writer().AddMediaSample2(other_media, s.data.data(), 64, 100, 0,
                                           s.description.Get(), 1, 0, nullptr);
       },
       kOutOfRange},
      {"NullMedia", true, add(100, 0, 64, 1, true, nullptr), kOutOfRange},
      {"MediaNotInEditing", true,
       [](Scene& s) {
         EXPECT_TRUE(s.Writer().EndMediaEdits(s.Media()).IsOk());
         const Status status = AddGood(s, nullptr);
         EXPECT_TRUE(s.Writer().BeginMediaEdits(s.Media()).IsOk());
         return status;
       },
       StatusCode::kInvalid},
      {"SecondMediaForATrack", true,
       [](Scene& s) {
         WriterMedia* media = nullptr;
         return s.Writer().NewMedia(s.movie.Track(0), FourCC("soun"), 48000, media);
       },
       StatusCode::kInvalid},
      {"TextMedia", true,
       [](Scene& s) {
         WriterTrack* track = nullptr;
         WriterMedia* media = nullptr;
         EXPECT_TRUE(s.Writer().NewTrack(0, 0, 0, track).IsOk());
         return s.Writer().NewMedia(track, FourCC("text"), 600, media);
       },
       StatusCode::kUnsupported},
      {"TrackOfAnotherMovie", true,
       [&](Scene& s) { return s.Writer().InsertMediaIntoTrack(other_track, 0, 0, 100, kFixedOne); },
       kOutOfRange},
  };
  const std::string path = OutputPath("refusals.mov");
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    Scene s;
    ASSERT_TRUE(s.movie.Create(path, {{FourCC("vide"), 600, 16 << 16, 16 << 16}}).IsOk());
    const int good_before = c.afterFirstSample ? 1 : 0;
    if (good_before == 1) {
      ASSERT_TRUE(AddGood(s, s.description.Get()).IsOk());
    }

    EXPECT_EQ(c.call(s).Code(), c.code);

    ASSERT_TRUE(AddGood(s, s.description.Get()).IsOk());
    ASSERT_TRUE(s.movie.Finish().IsOk());

    std::unique_ptr<Movie> movie;
    ASSERT_TRUE(Movie::Open(path, movie).IsOk());
    EXPECT_EQ(movie->GetTrack(1)->GetMedia().SampleCount(), static_cast<uint64_t>(good_before + 1));
    EXPECT_EQ(movie->GetTrack(1)->GetMedia().SampleDescriptionCount(), 1u);
  }
}

TEST(MovieWriterArguments, FileLevelRefusals) {
  // A missing folder and a folder as the file are CQTWriterOpen's refusals.
  std::unique_ptr<MovieWriter> writer;

  // An existing file is replaced, not appended to or partly overwritten;
  // the path is UTF-8 and reaches the file system unchanged.
  const std::string path = OutputPath("replaced \xC3\xA9t\xC3\xA9 \xE5\x90\x8D.mov");
  std::ofstream(path, std::ios::binary) << std::string(1 << 20, 'w');
  ASSERT_TRUE(MovieWriter::CreateMovieFile(path, writer).IsOk());
  WriterTrack* track = nullptr;
  WriterMedia* media = nullptr;
  ASSERT_TRUE(writer->NewTrack(0, 0, 0x100, track).IsOk());
  ASSERT_TRUE(writer->NewMedia(track, FourCC("soun"), 48000, media).IsOk());
  ASSERT_TRUE(writer->AddMovieResource().IsOk());
  EXPECT_EQ(writer->AddMovieResource().Code(), StatusCode::kInvalid);
  ASSERT_TRUE(writer->BeginMediaEdits(media).IsOk());
  const Bytes data(8, 1);
  EXPECT_EQ(writer->AddMediaSample2(media, data.data(), 8, 1, 0, nullptr, 2, 0, nullptr).Code(),
            StatusCode::kInvalid);
  ASSERT_TRUE(writer->CloseMovieFile().IsOk());
  const std::vector<AtomInfo> atoms = TopLevelAtoms(path);
  ASSERT_EQ(atoms.size(), 4u);  // ftyp, wide, empty mdat, moov
  EXPECT_EQ(atoms[2].size, 8u);
  EXPECT_EQ(atoms[3].offset + atoms[3].size, ReadFile(path).size());
  std::unique_ptr<Movie> movie;
  EXPECT_TRUE(Movie::Open(path, movie).IsOk());
}

}  // namespace
}  // namespace zeb::movie::test
