// The reader's parsers of sample descriptions and its PCM interleave, on
// byte-built inputs: image-description extensions (field order, aspect,
// clean aperture, colour, 'avcC' with its bounds), sound descriptions
// (version upgrade, little-endian codes, version 2) and merged tracks.
#include <gtest/gtest.h>

#include <initializer_list>

#include "media/AvcConfigRecord.h"
#include "media/FourCC.h"
#include "platform/movie/SampleDescriptionOrder.h"
#include "reader/ImageDescriptionAnalysis.h"
#include "reader/PcmByteOrder.h"
#include "reader/SoundDescriptionAnalysis.h"
#include "tests/host/LogCapture.h"
#include "tests/support/MovieBytes.h"

namespace {

using zeb::media::FourCC;
using zeb::movie::test::Bytes;

using zeb::movie::test::Be32s;
using zeb::movie::test::Concat;
using zeb::movie::test::NativeField;

Bytes Atom(uint32_t type, const Bytes& payload) { return zeb::movie::test::Atom(type, payload); }

// A description as callers hand it over: the header in the machine's order.
Bytes Native(uint32_t mediaType, Bytes fileOrder) {
  zeb::movie::SampleDescriptionToNative(mediaType, fileOrder);
  return fileOrder;
}

Bytes Image(const char (&code)[5], uint16_t width, uint16_t height,
            std::initializer_list<Bytes> atoms) {
  return Native(FourCC("vide"),
                zeb::movie::test::ImageDescription(FourCC(code), width, height, Concat(atoms)));
}

// An 'avcC' payload of one SPS and `ppsCount` copies of a 4-byte PPS.
Bytes AvcC(size_t ppsCount) {
  zeb::media::AvcConfigRecord record;
  record.sps.push_back(Bytes(20, 0x67));
  record.pps.assign(ppsCount, {0x68, 0xEE, 0x3C, 0x80});
  return zeb::media::BuildAvcConfig(record).value();
}

// Field order, aspect x:y and colour primaries/transfer/matrix, as the cases spell them.
std::string Described(const VideoTrackDesc& track) {
  return std::to_string(track.fieldOrder) + " " + std::to_string(track.aspectX) + ":" +
         std::to_string(track.aspectY) + " " + std::to_string(track.colorPrimaries) + "/" +
         std::to_string(track.transferFunction) + "/" + std::to_string(track.matrix);
}

TEST(ImageDescription, ExtensionsSetFieldOrderAspectAndColour) {
  const std::string noPasp = "QuickTime--Not find 'psap', use default DisplayAspectRatio";
  const std::string info = "ImageDescription Extern Info:";
  const auto fiel = [](uint8_t fields, uint8_t detail) {
    return Atom(FourCC("fiel"), {fields, detail});
  };
  const auto colr = [](char kind) {
    return Atom(FourCC("colr"), {'n', 'c', 'l', uint8_t(kind), 0, 1, 0, 1, 0, 1});
  };
  const Bytes pasp10to11 = Atom(FourCC("pasp"), Be32s({10, 11}));
  const struct {
    const char* name;
    Bytes description;
    const char* described;
    std::vector<std::string> log;
  } cases[] = {
      {"header and terminator only: not scanned",
       Image("apcn", 1920, 1080, {Be32s({0})}),
       "0 16:9 1/1/1",
       {noPasp}},
      {"last pasp is examined",
       Image("mx5p", 720, 480, {Atom(FourCC("pasp"), Be32s({40, 33}))}),
       "0 20:11 6/5/5",
       {info + "SampleAspextX:40, SampleAspextY:33 \n"}},
      {"progressive",
       Image("dvcp", 720, 576, {fiel(1, 0)}),
       "2 5:4 5/5/5",
       {info + "Progressive", noPasp}},
      {"second field top",
       Image("apch", 720, 486, {fiel(2, 14)}),
       "1 40:27 6/5/5",
       {info + "SecondFieldTop", noPasp}},
      {"fields back to back",
       Image("apch", 720, 576, {fiel(2, 6)}),
       "5 5:4 5/5/5",
       {info + "SecondFieldTopBackToBack", noPasp}},
      {"unknown field detail", Image("dvcp", 720, 576, {fiel(2, 3)}), "1 5:4 5/5/5", {noPasp}},
      {"nclc colour",
       Image("apcn", 720, 576, {colr('c')}),
       "0 5:4 1/1/1",
       {info + "'colr'", info + "'calc nclc: Primaries:1, TransferFunction:1, Matrix:1\n", noPasp}},
      {"nclx colour is not read",
       Image("apcn", 720, 576, {colr('x')}),
       "0 5:4 5/5/5",
       {info + "'colr'", noPasp}},
      {"clean aperture with pasp",
       Image("dvc ", 720, 480,
             {Atom(FourCC("clap"), Be32s({704, 1, 480, 1, 0, 1, 0, 1})), pasp10to11,
              Atom(FourCC("pasp"), Be32s({1, 1}))}),
       "1 4:3 5/5/5",
       {info + "'calc: ClapWidth = 704/1 = 704, ClapHeight= 480/1 = 480, ClapOffsetX = 0/1, "
               "ClapOffsetY = 0/1\n",
        info + "SampleAspextX:10, SampleAspextY:11 \n", "pasp(size=16)"}},
      {"clap with a zero denominator is absent",
       Image("dvc ", 720, 480,
             {Atom(FourCC("clap"), Be32s({704, 0, 480, 1, 0, 1, 0, 1})), pasp10to11}),
       "1 15:11 5/5/5",
       {info + "SampleAspextX:10, SampleAspextY:11 \n"}},
      {"other atoms are listed",
       Image("dvh5", 1440, 1080, {Atom(FourCC("ACLR"), Bytes(16, 0))}),
       "0 4:3 1/1/1",
       {"ACLR(size=24)", noPasp}},
      {"sequence-set count 0 ends the scan",
       Image("avc1", 1280, 720,
             {Atom(FourCC("avcC"), Bytes{1, 100, 0, 30, 0xFF, 0xE0, 0}), fiel(1, 0)}),
       "0 16:9 1/1/1",
       {noPasp}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    VideoTrackDesc track;
    std::unique_ptr<zeb::media::AvcConfigRecord> avc;
    AnalyseImageDescription(c.description, track, avc);
    EXPECT_EQ(Described(track), c.described);
    EXPECT_EQ(log.Texts(), c.log);
  }
}

// What a cut 'avcC' keeps is the parser's; the scan goes on after a kept
// record or a missing picture-set length, and ends after any other drop.
TEST(ImageDescription, AvcConfigOutcomesEndOrContinueTheScan) {
  struct Case {
    const char* name;
    Bytes payload;
    bool kept, scanGoesOn;
  };
  const Bytes two = AvcC(2);
  const Case cases[] = {
      {"one SPS and one PPS", AvcC(1), true, true},
      {"second PPS bytes cut", Bytes(two.begin(), two.end() - 1), true, true},
      {"second PPS length cut", Bytes(two.begin(), two.end() - 5), false, true},
      {"SPS cut", Bytes(two.begin(), two.begin() + 10), false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes d =
        Image("avc1", 1280, 720, {Atom(FourCC("avcC"), c.payload), Atom(FourCC("fiel"), {1, 0})});
    VideoTrackDesc track;
    std::unique_ptr<zeb::media::AvcConfigRecord> avc;
    AnalyseImageDescription(d, track, avc);
    EXPECT_EQ(avc != nullptr, c.kept);
    EXPECT_EQ(track.fieldOrder, c.scanGoesOn ? 2u : 0u);
  }
}

Bytes SoundV0(uint32_t format, uint16_t channels, uint16_t bits, const Bytes& extension = {}) {
  return Native(FourCC("soun"), zeb::movie::test::SoundDescription(format, 0, channels, bits, 48000,
                                                                   {}, extension));
}

Bytes SoundV1(uint32_t format, uint16_t bits, int16_t compressionId, const Bytes& extension = {}) {
  return Native(FourCC("soun"),
                zeb::movie::test::SoundDescription(format, 1, 1, bits, 48000, {1, 0, 0, bits / 8u},
                                                   extension, compressionId));
}

Bytes SoundV2Lpcm(uint32_t bits, uint32_t flags) {
  return Native(FourCC("soun"), zeb::movie::test::SoundDescription(FourCC("lpcm"), 2, 2, 16, 96000,
                                                                   {bits, flags, bits / 4, 1}));
}

Bytes LittleEndianWave(uint16_t flag) {
  return Atom(FourCC("wave"), [&] {
    Bytes inner = Atom(FourCC("frma"), Be32s({FourCC("in24")}));
    const Bytes enda = Atom(FourCC("enda"), {uint8_t(flag >> 8), uint8_t(flag)});
    inner.insert(inner.end(), enda.begin(), enda.end());
    return inner;
  }());
}

// Format, channels, bits, rate, and "variable" or "pcm" where they hold.
std::string Described(const AudioTrackDesc& desc) {
  return zeb::movie::FourCCToString(desc.format) + " " + std::to_string(desc.channels) + " " +
         std::to_string(desc.bitsPerSample) + " " + std::to_string(desc.sampleRate) +
         (desc.variable != 0 ? " variable" : "") + (desc.pcm ? " pcm" : "");
}

// The descriptions of ffmpeg's movies ('twos' of version 0, 8-bit 'raw ',
// '23ni', version-2 'lpcm', 'mp4a') are the reader's and the audio decoder's
// fixture rows, against ffprobe and the ffmpeg tool; these are the rest.
TEST(SoundDescription, NormalisationAndFields) {
  const Bytes esds = Atom(FourCC("esds"), {1, 2, 3, 4});
  const struct {
    const char* name;
    Bytes description;
    const char* described;
    std::vector<std::string> log;
  } cases[] = {
      {"ni24 is in24", SoundV1(FourCC("ni24"), 24, -1), "in24 1 24 48000 pcm", {"k24BitFormat"}},
      {"in24 marked little-endian",
       SoundV1(FourCC("in24"), 24, -1, LittleEndianWave(1)),
       "42ni 1 24 48000 pcm",
       {"k24BitLittleEndianFormat"}},
      {"in24 marked big-endian",
       SoundV1(FourCC("in24"), 24, -1, LittleEndianWave(0)),
       "in24 1 24 48000 pcm",
       {"k24BitFormat"}},
      {"version 2 without a width", SoundV2Lpcm(0, 0), "lpcm 2 16 96000 variable pcm", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    Bytes d = c.description;
    EXPECT_EQ(Described(AnalyseSoundDescription(d)), c.described);
    EXPECT_EQ(log.Texts(), c.log);
  }

  // A version-0 header gains the version-1 fields in front of its extensions.
  Bytes d = SoundV0(FourCC("twos"), 2, 16, esds);
  AnalyseSoundDescription(d);
  EXPECT_EQ(NativeField(d, 0, 4), 52 + esds.size());
  EXPECT_EQ(NativeField(d, 16, 2), 1u);       // version
  EXPECT_EQ(NativeField(d, 28, 2), 0xFFFFu);  // compression id -1
  EXPECT_EQ(NativeField(d, 44, 4), 4u);       // bytes per frame
  EXPECT_EQ(Bytes(d.begin() + 52, d.end()), esds);
}

// The byte-order treatments are AudioDecoderCodings' (every PCM code against
// the ffmpeg tool's decode); merged tracks of unequal length are this one's.
TEST(PcmByteOrder, MergedTracksInterleaveWithSilenceAfterTheShortOne) {
  // Two mono big-endian tracks, the second one frame short: A0 B0 A1 (silence).
  const PcmLayout layout{true, 2, PcmTreatment::kSwap16};
  const Bytes a = {0xA0, 0x00, 0xA1, 0x00}, b = {0xB0, 0x00};
  Bytes out(8, 0xEE);
  EXPECT_TRUE(InterleaveTrack(layout, {a, 2, 2, 0}, 2, out, 4));
  EXPECT_TRUE(InterleaveTrack(layout, {b, 1, 2, 2}, 2, out, 4));
  EXPECT_EQ(out, (Bytes{0x00, 0xA0, 0x00, 0xB0, 0x00, 0xA1, 0, 0}));
  // Frames that would run past the block, or past the track's bytes, are refused.
  EXPECT_FALSE(InterleaveTrack(layout, {a, 2, 2, 0}, 3, out, 4));
  EXPECT_FALSE(InterleaveTrack(layout, {b, 2, 2, 2}, 2, out, 4));
}

}  // namespace
