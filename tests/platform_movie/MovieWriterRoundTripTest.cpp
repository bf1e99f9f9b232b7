// Movies copied sample by sample through MovieWriter must carry the same
// packets as their source for ffprobe, decode cleanly with ffmpeg, and keep
// every sample description byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform_movie/MovieWriterTestSupport.h"

namespace zeb::movie::test {
namespace {

constexpr const char* kVideo = "-f lavfi -i testsrc=size=160x120:rate=30000/1001 ";
constexpr const char* kMono48k = "-f lavfi -i sine=frequency=440:sample_rate=48000 ";
constexpr const char* kStereo44k = "-f lavfi -i 'aevalsrc=sin(440*2*PI*t)|sin(660*2*PI*t):s=44100' ";
constexpr const char* kAvcWithBFrames = "-c:v libx264 -preset veryfast -bf 2 -g 12 -pix_fmt yuv420p ";

struct RoundTripCase {
    const char* name;
    std::string ffmpegArgs;
};

// Bytes of every packet of `stream`, concatenated in packet order.
Bytes StreamBytes(const std::string& path, const std::vector<ProbedPacket>& packets, int stream) {
    Bytes all;
    for (const ProbedPacket& packet : packets) {
        if (packet.stream != stream) continue;
        const Bytes data = ReadBytes(path, packet.pos, packet.size);
        all.insert(all.end(), data.begin(), data.end());
    }
    return all;
}

std::vector<ProbedPacket> PacketsOf(const std::vector<ProbedPacket>& packets, int stream) {
    std::vector<ProbedPacket> selected;
    for (const ProbedPacket& packet : packets) {
        if (packet.stream == stream) selected.push_back(packet);
    }
    return selected;
}

int64_t TotalDuration(const std::vector<ProbedPacket>& packets) {
    int64_t total = 0;
    for (const ProbedPacket& packet : packets) total += packet.duration;
    return total;
}

// Video packets one for one: same data, key flag, display offset, duration.
void ExpectSameVideoPackets(const std::vector<ProbedPacket>& source, const std::vector<ProbedPacket>& copy) {
    ASSERT_EQ(copy.size(), source.size());
    for (size_t i = 0; i < source.size(); ++i) {
        SCOPED_TRACE("video packet " + std::to_string(i));
        EXPECT_EQ(copy[i].hash, source[i].hash);
        EXPECT_EQ(copy[i].key, source[i].key);
        EXPECT_EQ(copy[i].pts - copy[i].dts, source[i].pts - source[i].dts);
        EXPECT_EQ(copy[i].duration, source[i].duration);
    }
}

TEST(MovieWriterRoundTrip, CopiedMovieHasTheSourcePackets) {
    const RoundTripCase cases[] = {
        {"AvcBFramesWithTwosMono",
         std::string(kVideo) + kMono48k + "-t 2 -map 0:v -map 1:a " + kAvcWithBFrames + "-c:a pcm_s16be"},
        {"AvcWithSowtStereo",
         std::string(kVideo) + kStereo44k + "-t 2 -map 0:v -map 1:a " + kAvcWithBFrames + "-c:a pcm_s16le"},
        {"VideoAndTwoSoundTracks", std::string(kVideo) + kMono48k + kStereo44k + "-t 2 -map 0:v -map 1:a -map 2:a " +
                                       kAvcWithBFrames + "-c:a:0 pcm_s16be -c:a:1 pcm_s16le"},
        {"SoundOnly24Bit", std::string(kStereo44k) + "-t 3 -c:a pcm_s24be"},
    };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = MakeFixture(std::string(c.name) + ".mov", c.ffmpegArgs);
        ASSERT_FALSE(ProbeStreams(source).empty()) << "fixture not made: " << source;
        const std::string copy = FixturePath(std::string(c.name) + ".copy.mov");
        const Status copied = CopyMovie(source, copy);
        ASSERT_TRUE(copied.IsOk()) << copied.ToString();

        EXPECT_EQ(DecodeErrors(copy), "");
        EXPECT_EQ(StsdEntries(copy), StsdEntries(source));
        const std::vector<ProbedStream> streams = ProbeStreams(source);
        ASSERT_EQ(ProbeStreams(copy).size(), streams.size());
        const std::vector<ProbedPacket> source_packets = ProbePackets(source);
        const std::vector<ProbedPacket> copy_packets = ProbePackets(copy);
        for (int stream = 0; stream < static_cast<int>(streams.size()); ++stream) {
            SCOPED_TRACE("stream " + std::to_string(stream));
            if (streams[stream].type == "video") {
                ExpectSameVideoPackets(PacketsOf(source_packets, stream), PacketsOf(copy_packets, stream));
            } else {
                // ffprobe regroups sound into packets by chunk, so compare the sound itself.
                EXPECT_EQ(StreamBytes(copy, copy_packets, stream), StreamBytes(source, source_packets, stream));
                EXPECT_EQ(TotalDuration(PacketsOf(copy_packets, stream)),
                          TotalDuration(PacketsOf(source_packets, stream)));
            }
        }
    }
}

}  // namespace
}  // namespace zeb::movie::test
