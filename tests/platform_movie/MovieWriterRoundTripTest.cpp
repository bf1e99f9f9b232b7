// Movies copied sample by sample through MovieWriter must carry the same
// packets as their source for ffprobe, decode cleanly with ffmpeg, and keep
// every sample description byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform_movie/MovieWriterTestSupport.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/Fixtures.h"

namespace zeb::movie::test {
namespace {

int64_t TotalDuration(const std::vector<zeb::test::ProbePacket>& packets) {
    int64_t total = 0;
    for (const zeb::test::ProbePacket& packet : packets) total += packet.duration;
    return total;
}

// Video packets one for one: same data, key flag, display offset, duration.
void ExpectSameVideoPackets(const std::vector<zeb::test::ProbePacket>& source,
                            const std::vector<zeb::test::ProbePacket>& copy) {
    ASSERT_EQ(copy.size(), source.size());
    for (size_t i = 0; i < source.size(); ++i) {
        SCOPED_TRACE("video packet " + std::to_string(i));
        EXPECT_EQ(copy[i].sha256, source[i].sha256);
        EXPECT_EQ(copy[i].key, source[i].key);
        EXPECT_EQ(copy[i].pts - copy[i].dts, source[i].pts - source[i].dts);
        EXPECT_EQ(copy[i].duration, source[i].duration);
    }
}

// ffprobe regroups sound into packets by chunk, so sound is compared as
// the bytes of the whole stream and its total duration.
TEST(MovieWriterRoundTrip, CopiedMovieHasTheSourcePackets) {
    const char* const fixtures[] = {
        "avc1_bframes.mov", "avc1_pcm.mov", "pcm_twos.mov", "pcm_in24_be.mov", "pcm_mixed_formats.mov",
        "avc1_bframes_pcm_tracks.mov",
    };
    for (const char* fixture : fixtures) {
        SCOPED_TRACE(fixture);
        std::string error;
        const std::string source = zeb::test::FixturePath(fixture, error);
        ASSERT_FALSE(source.empty()) << error;
        const std::string copy = OutputPath(std::string("copy_") + fixture);
        const Status copied = CopyMovie(source, copy);
        ASSERT_TRUE(copied.IsOk()) << copied.ToString();

        EXPECT_EQ(DecodeErrors(copy), "");
        EXPECT_EQ(StsdEntries(copy), StsdEntries(source));
        const zeb::test::ProbeResult expected = zeb::test::ProbeFile(source);
        const zeb::test::ProbeResult written = zeb::test::ProbeFile(copy);
        ASSERT_TRUE(written.ok) << written.error;
        ASSERT_EQ(written.streams.size(), expected.streams.size());
        for (int stream = 0; stream < static_cast<int>(expected.streams.size()); ++stream) {
            SCOPED_TRACE("stream " + std::to_string(stream));
            const auto source_packets = expected.PacketsOf(stream);
            const auto copy_packets = written.PacketsOf(stream);
            if (expected.streams[stream].codecType == "video") {
                ExpectSameVideoPackets(source_packets, copy_packets);
            } else {
                EXPECT_EQ(PacketBytes(copy, copy_packets), PacketBytes(source, source_packets));
                EXPECT_EQ(TotalDuration(copy_packets), TotalDuration(source_packets));
            }
        }
    }
}

}  // namespace
}  // namespace zeb::movie::test
