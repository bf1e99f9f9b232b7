// Movies written from synthetic samples and read back by our own parser:
// every sample's bytes, timing, display offset, sync flag and description
// must come back as given, and chunks must follow the interleaving rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/movie/FourCC.h"
#include "platform/movie/Movie.h"
#include "platform/movie/MovieWriter.h"
#include "platform/movie/SampleDescriptionOrder.h"
#include "tests/platform_movie/MovieWriterTestSupport.h"

namespace zeb::movie::test {
namespace {

constexpr size_t kVideo = 0;  // track slots of a case
constexpr size_t kSound = 1;

// One AddMediaSample2 call.
struct Unit {
    size_t track;
    uint32_t size;   // bytes
    uint32_t count;  // samples in the call
    uint32_t duration;
    int32_t displayOffset;
    bool sync;
    int description;  // 0 or 1: which of the track's two descriptions
};

struct ReadBackCase {
    const char* name;
    std::vector<Unit> units;
    std::vector<uint32_t> chunkCounts;  // per track with samples
};

Unit Frame(uint32_t size, int32_t offset, bool sync, int description = 0) {
    return {kVideo, size, 1, 1001, offset, sync, description};
}
Unit Pcm(uint32_t frames) { return {kSound, frames * 4, frames, 1, 0, true, 0}; }

std::vector<Unit> Repeat(const std::vector<Unit>& pattern, int times) {
    std::vector<Unit> units;
    for (int i = 0; i < times; ++i) units.insert(units.end(), pattern.begin(), pattern.end());
    return units;
}

// Sample bytes that differ between units, so lost or swapped data shows.
Bytes UnitBytes(size_t index, uint32_t size) {
    Bytes bytes(size);
    for (uint32_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(index * 31 + i * 7 + 1);
    return bytes;
}

// Native-order descriptions as a host hands them in; the two of a track
// differ in a header field and in an extension atom.
Bytes NativeDescription(size_t track, int variant) {
    Bytes entry;
    if (track == kVideo) {
        entry.assign(86 + 12, 0);
        entry[3] = 98, entry[4] = 'a', entry[5] = 'v', entry[6] = 'c', entry[7] = '1';
        entry[15] = 1, entry[33] = static_cast<uint8_t>(160 + variant), entry[35] = 120, entry[83] = 24;
        const Bytes extension = {0, 0, 0, 12, 'x', 't', 'r', 'a', 1, 2, 3, static_cast<uint8_t>(variant)};
        std::copy(extension.begin(), extension.end(), entry.begin() + 86);
        SampleDescriptionToNative(FourCC("vide"), entry);
    } else {
        entry.assign(52, 0);
        entry[3] = 52, entry[4] = 's', entry[5] = 'o', entry[6] = 'w', entry[7] = 't';
        entry[15] = 1, entry[17] = 1, entry[25] = 2, entry[27] = 16, entry[32] = 0xBB, entry[33] = 0x80;
        entry[39] = 1, entry[43] = 2, entry[47] = 4, entry[51] = 2;  // v1: 1 sample a packet, 4 bytes a frame
        SampleDescriptionToNative(FourCC("soun"), entry);
    }
    return entry;
}

Status WriteUnits(const std::string& path, const std::vector<Unit>& units) {
    std::unique_ptr<MovieWriter> writer;
    ZEB_MOVIE_TRY(MovieWriter::CreateMovieFile(path, writer));
    WriterTrack* tracks[2] = {};
    WriterMedia* media[2] = {};
    ZEB_MOVIE_TRY(writer->NewTrack(160 << 16, 120 << 16, 0, tracks[kVideo]));
    ZEB_MOVIE_TRY(writer->NewMedia(tracks[kVideo], FourCC("vide"), 30000, media[kVideo]));
    ZEB_MOVIE_TRY(writer->NewTrack(0, 0, 0x100, tracks[kSound]));
    ZEB_MOVIE_TRY(writer->NewMedia(tracks[kSound], FourCC("soun"), 48000, media[kSound]));
    for (WriterMedia* one : media) ZEB_MOVIE_TRY(writer->BeginMediaEdits(one));

    std::vector<Handle> handles;
    for (size_t track : {kVideo, kSound}) {
        for (int variant : {0, 1}) {
            const Bytes native = NativeDescription(track, variant);
            handles.push_back(NewHandle(native.size()));
            std::copy(native.begin(), native.end(), *handles.back());
        }
    }
    Status status;
    int last_description[2] = {-1, -1};
    for (size_t i = 0; i < units.size() && status.IsOk(); ++i) {
        const Unit& unit = units[i];
        const Bytes bytes = UnitBytes(i, unit.size);
        // Like the system's writer, pass the description only when it changes.
        const bool changed = last_description[unit.track] != unit.description;
        last_description[unit.track] = unit.description;
        int64_t decode_time = -1;
        status = writer->AddMediaSample2(media[unit.track], bytes.data(), unit.size, unit.duration,
                                         unit.displayOffset, changed ? handles[unit.track * 2 + unit.description] : nullptr,
                                         unit.count, unit.sync ? 0 : kSampleNotSync, &decode_time);
    }
    for (Handle handle : handles) DisposeHandle(handle);
    ZEB_MOVIE_TRY(status);
    for (size_t track : {kVideo, kSound}) {
        uint64_t duration = 0;
        ZEB_MOVIE_TRY(writer->EndMediaEdits(media[track]));
        ZEB_MOVIE_TRY(writer->MediaDuration(media[track], duration));
        ZEB_MOVIE_TRY(writer->InsertMediaIntoTrack(tracks[track], 0, 0, static_cast<int64_t>(duration), kFixedOne));
    }
    ZEB_MOVIE_TRY(writer->AddMovieResource());
    return writer->CloseMovieFile();
}

// Reads the unit back as one request and compares everything the reader reports.
void ExpectUnit(const Media& media, const Unit& unit, int64_t decodeTime, const Bytes& expected) {
    Bytes bytes(unit.size);
    SampleReadResult result;
    const Status read = media.ReadSamples({decodeTime, bytes.data(), unit.size, unit.count}, result);
    ASSERT_TRUE(read.IsOk()) << read.ToString();
    EXPECT_EQ(result.dataSize, unit.size);
    EXPECT_EQ(result.sampleCount, unit.count);
    EXPECT_EQ(result.decodeTime, decodeTime);
    EXPECT_EQ(result.decodeDuration, unit.duration);
    EXPECT_EQ(result.displayOffset, unit.displayOffset);
    EXPECT_EQ(result.flags, unit.sync ? 0 : kSampleNotSync);
    EXPECT_EQ(result.descriptionIndex, static_cast<uint32_t>(unit.description + 1));
    EXPECT_TRUE(bytes == expected);
}

TEST(MovieWriterReadBack, SamplesComeBackAsWritten) {
    const ReadBackCase cases[] = {
        {"BFramesWithNegativeOffsets",
         Repeat({Frame(900, 1001, true), Frame(90, -1001, false), Frame(80, 0, false), Frame(300, 2002, false)}, 3),
         {1, 0}},
        {"HalfSecondChunksWithoutInterleave", Repeat({Frame(50, 0, true), Frame(40, 0, false)}, 20), {3, 0}},
        {"AlternatingTracksGiveAChunkPerUnit",
         Repeat({Frame(700, 0, true), Pcm(1602), Frame(60, 0, false), Pcm(1601)}, 4), {8, 8}},
        {"SoundRunsJoinUntilHalfASecond", Repeat({Pcm(4800)}, 12), {0, 3}},
        {"DescriptionChangeStartsAChunk",
         {Frame(10, 0, true), Frame(11, 0, false), Frame(12, 0, true, 1), Frame(13, 0, false, 1),
          Frame(14, 0, true)},
         {3, 0}},
    };
    const std::string path = FixturePath("read_back.mov");
    for (const ReadBackCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Status written = WriteUnits(path, c.units);
        ASSERT_TRUE(written.IsOk()) << written.ToString();

        std::unique_ptr<Movie> movie;
        const Status opened = Movie::Open(path, movie);
        ASSERT_TRUE(opened.IsOk()) << opened.ToString();
        ASSERT_EQ(movie->TrackCount(), 2u);
        int64_t decode_time[2] = {0, 0};
        uint64_t samples[2] = {0, 0};
        for (size_t i = 0; i < c.units.size(); ++i) {
            SCOPED_TRACE("unit " + std::to_string(i));
            const Unit& unit = c.units[i];
            ExpectUnit(movie->GetTrack(static_cast<uint32_t>(unit.track + 1))->GetMedia(), unit,
                       decode_time[unit.track], UnitBytes(i, unit.size));
            decode_time[unit.track] += int64_t{unit.count} * unit.duration;
            samples[unit.track] += unit.count;
        }
        const std::vector<Bytes> chunk_tables = AtomPayloads(MoovBytes(path), "trak/mdia/minf/stbl/stco");
        ASSERT_EQ(chunk_tables.size(), 2u);
        for (size_t track : {kVideo, kSound}) {
            SCOPED_TRACE("track " + std::to_string(track));
            const Media& media = movie->GetTrack(static_cast<uint32_t>(track + 1))->GetMedia();
            EXPECT_EQ(media.SampleCount(), samples[track]);
            EXPECT_EQ(media.Duration(), static_cast<uint64_t>(decode_time[track]));
            EXPECT_EQ(BeU32(chunk_tables[track], 4), c.chunkCounts[track]);
            for (uint32_t index = 1; index <= media.SampleDescriptionCount(); ++index) {
                Handle description = NewHandle(0);
                ASSERT_TRUE(media.GetSampleDescription(index, description).IsOk());
                EXPECT_EQ(Bytes(*description, *description + GetHandleSize(description)),
                          NativeDescription(track, static_cast<int>(index - 1)));
                DisposeHandle(description);
            }
        }
    }
}

}  // namespace
}  // namespace zeb::movie::test
