// Movies past 4 GiB: 64-bit chunk offsets and a 64-bit 'mdat' size, right at
// the boundaries. The sample data is zeros, which the writer leaves as holes,
// so each file takes almost no disk.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/movie/FileSink.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/Movie.h"
#include "platform/movie/MovieWriter.h"
#include "platform/movie/SampleDescriptionOrder.h"
#include "tests/platform_movie/MovieWriterTestSupport.h"

namespace zeb::movie::test {
namespace {

constexpr uint64_t k4GiB = uint64_t{1} << 32;
constexpr uint64_t kDataStart = 36;   // ftyp 20, wide 8, mdat header 8
constexpr uint64_t kSoundBytes = 16;  // the sound sample that follows the video

Handle DescriptionHandle(uint32_t mediaType, Bytes fileOrder) {
    Handle handle = NewHandle(fileOrder.size());
    SampleDescriptionToNative(mediaType, fileOrder);
    std::copy(fileOrder.begin(), fileOrder.end(), *handle);
    return handle;
}

Bytes RawVideoEntry() {
    Bytes entry(86, 0);
    entry[3] = 86;
    entry[4] = 'r', entry[5] = 'a', entry[6] = 'w', entry[7] = ' ';
    entry[15] = 1;  // data reference index
    entry[33] = 16, entry[35] = 16;  // 16 x 16
    entry[83] = 24;                  // depth
    return entry;
}

Bytes TwosEntry() {
    Bytes entry(36, 0);
    entry[3] = 36;
    entry[4] = 't', entry[5] = 'w', entry[6] = 'o', entry[7] = 's';
    entry[15] = 1;
    entry[25] = 2, entry[27] = 16;  // stereo, 16 bits
    entry[32] = 0xBB, entry[33] = 0x80;  // 48000.0 in 16.16
    return entry;
}

// Writes `videoBytes` of zero video samples, then one sound sample, then the movie.
Status WriteLargeMovie(const std::string& path, uint64_t videoBytes, const Bytes& sound) {
    static const Bytes zeros(size_t{64} << 20, 0);
    std::unique_ptr<MovieWriter> writer;
    ZEB_MOVIE_TRY(MovieWriter::CreateMovieFile(path, writer));
    WriterTrack* video_track = nullptr;
    WriterTrack* sound_track = nullptr;
    WriterMedia* video = nullptr;
    WriterMedia* audio = nullptr;
    ZEB_MOVIE_TRY(writer->NewTrack(16 << 16, 16 << 16, 0, video_track));
    ZEB_MOVIE_TRY(writer->NewMedia(video_track, FourCC("vide"), 25, video));
    ZEB_MOVIE_TRY(writer->NewTrack(0, 0, 0x100, sound_track));
    ZEB_MOVIE_TRY(writer->NewMedia(sound_track, FourCC("soun"), 48000, audio));
    ZEB_MOVIE_TRY(writer->BeginMediaEdits(video));
    ZEB_MOVIE_TRY(writer->BeginMediaEdits(audio));

    Handle video_description = DescriptionHandle(FourCC("vide"), RawVideoEntry());
    Handle sound_description = DescriptionHandle(FourCC("soun"), TwosEntry());
    Status status;
    for (uint64_t left = videoBytes; left > 0 && status.IsOk();) {
        const auto size = static_cast<uint32_t>(std::min<uint64_t>(left, zeros.size()));
        status = writer->AddMediaSample2(video, zeros.data(), size, 1, 0, video_description, 1, 0, nullptr);
        left -= size;
    }
    if (status.IsOk()) {
        status = writer->AddMediaSample2(audio, sound.data(), static_cast<uint32_t>(sound.size()), 1, 0,
                                         sound_description, static_cast<uint32_t>(sound.size() / 4), 0, nullptr);
    }
    DisposeHandle(video_description);
    DisposeHandle(sound_description);
    ZEB_MOVIE_TRY(status);
    for (auto [track, media] : {std::pair{video_track, video}, std::pair{sound_track, audio}}) {
        uint64_t duration = 0;
        ZEB_MOVIE_TRY(writer->EndMediaEdits(media));
        ZEB_MOVIE_TRY(writer->MediaDuration(media, duration));
        ZEB_MOVIE_TRY(writer->InsertMediaIntoTrack(track, 0, 0, static_cast<int64_t>(duration), kFixedOne));
    }
    ZEB_MOVIE_TRY(writer->AddMovieResource());
    return writer->CloseMovieFile();
}

// Whether the fixture folder keeps zero blocks as holes; without that each
// case would write gigabytes.
bool FolderHasSparseFiles() {
    const std::string probe = FixturePath("sparse_probe.bin");
    FileSink sink;
    const bool written = sink.Open(probe).IsOk() && sink.Append(Bytes(size_t{8} << 20, 0)).IsOk() &&
                         sink.Append(Bytes(1, 1)).IsOk() && sink.Close().IsOk();
    struct stat info;
    const bool sparse = written && ::stat(probe.c_str(), &info) == 0 && info.st_blocks * 512 < (4 << 20);
    std::remove(probe.c_str());
    return sparse;
}

struct LargeCase {
    const char* name;
    uint64_t videoBytes;
    bool mdat64;
    bool videoCo64;
    bool soundCo64;
};

TEST(MovieWriterLargeFile, OffsetsAndMdatSizeSwitchTo64BitAtTheBoundary) {
    if (!FolderHasSparseFiles()) GTEST_SKIP() << "the fixture folder's file system has no sparse files";
    const LargeCase cases[] = {
        // The sound chunk starts at 2^32 - 1: the last offset 'stco' can hold.
        {"SoundChunkAtLast32BitOffset", k4GiB - 1 - kDataStart, false, false, false},
        // 'mdat' (header + video + sound) is exactly 2^32 - 1 bytes.
        {"MdatSizeAtLast32BitValue", k4GiB - 1 - 8 - kSoundBytes, false, false, true},
        {"MdatSizeOnePast32Bits", k4GiB - 8 - kSoundBytes, true, false, true},
        // Video chunks start past 4 GiB too.
        {"FiveGiB", 5 * (k4GiB / 4), true, true, true},
    };
    const Bytes sound = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const std::string path = FixturePath("large.mov");
    for (const LargeCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Status written = WriteLargeMovie(path, c.videoBytes, sound);
        ASSERT_TRUE(written.IsOk()) << written.ToString();

        const std::vector<Atom> atoms = TopLevelAtoms(path);
        ASSERT_GE(atoms.size(), 3u);
        const Atom& mdat = c.mdat64 ? atoms[1] : atoms[2];
        EXPECT_EQ(mdat.type, FourCC("mdat"));
        EXPECT_EQ(mdat.headerSize, c.mdat64 ? 16u : 8u);
        EXPECT_EQ(mdat.offset, c.mdat64 ? 20u : 28u);
        EXPECT_EQ(mdat.offset + mdat.size, kDataStart + c.videoBytes + kSoundBytes);
        EXPECT_EQ(atoms[1].type, c.mdat64 ? FourCC("mdat") : FourCC("wide"));
        EXPECT_EQ(atoms.back().type, FourCC("moov"));

        const Bytes moov = MoovBytes(path);
        const uint64_t sound_offset = kDataStart + c.videoBytes;
        const std::vector<Bytes> tables = AtomPayloads(moov, "trak/mdia/minf/stbl");
        ASSERT_EQ(tables.size(), 2u);
        const std::vector<Atom> video_tables = ChildAtoms(tables[0], 0, tables[0].size());
        const std::vector<Atom> sound_tables = ChildAtoms(tables[1], 0, tables[1].size());
        EXPECT_EQ(video_tables.back().type, c.videoCo64 ? FourCC("co64") : FourCC("stco"));
        EXPECT_EQ(sound_tables.back().type, c.soundCo64 ? FourCC("co64") : FourCC("stco"));
        const uint64_t entry_at = sound_tables.back().offset + 16;  // after version, flags and count
        const uint64_t stored_offset = c.soundCo64 ? BeU64(tables[1], entry_at) : BeU32(tables[1], entry_at);
        EXPECT_EQ(stored_offset, sound_offset);
        EXPECT_EQ(ReadBytes(path, sound_offset, kSoundBytes), sound);

        std::unique_ptr<Movie> movie;
        const Status opened = Movie::Open(path, movie);
        ASSERT_TRUE(opened.IsOk()) << opened.ToString();
        ASSERT_EQ(movie->TrackCount(), 2u);
        EXPECT_EQ(movie->GetTrack(1)->GetMedia().SampleCount(), (c.videoBytes + (uint64_t{64} << 20) - 1) >> 26);
        Bytes read_back(kSoundBytes);
        SampleReadResult result;
        const Status read = movie->GetTrack(2)->GetMedia().ReadSamples(
            {0, read_back.data(), static_cast<uint32_t>(read_back.size()), 0}, result);
        ASSERT_TRUE(read.IsOk()) << read.ToString();
        EXPECT_EQ(read_back, sound);

        int exit_code = 0;
        RunCommand("ffprobe -v error -show_streams '" + path + "' >/dev/null", exit_code);
        EXPECT_EQ(exit_code, 0);
        struct stat info;
        ASSERT_EQ(::stat(path.c_str(), &info), 0);
        EXPECT_LT(static_cast<uint64_t>(info.st_blocks) * 512, uint64_t{64} << 20);
    }
    std::remove(path.c_str());
}

}  // namespace
}  // namespace zeb::movie::test
