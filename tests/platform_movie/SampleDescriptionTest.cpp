// Sample descriptions as callers get them (native header, big-endian
// extensions) and back, sound-description extensions, the answer for an
// unknown sound format, and the handles that carry them.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/movie/CompressionInfo.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/SampleDescriptionOrder.h"
#include "platform/movie/SoundDescriptionExtension.h"
#include "tests/support/MovieBytes.h"

namespace zeb::movie::test {
namespace {

const Bytes kColr = Atom(FourCC("colr"), Concat({Be32s({FourCC("nclc")}), Be16s({1, 1, 1})}));
const Bytes kWave = Atom(FourCC("wave"), Concat({Atom(FourCC("frma"), Be32s({FourCC("in24")})),
                                                 Atom(FourCC("enda"), Be16s({1})), Be32s({0})}));

struct FieldCheck {
  size_t offset, width;
  uint64_t value;
};

struct DescriptionCase {
  const char* name;
  uint32_t mediaType;
  Bytes entry;
  std::vector<FieldCheck> nativeFields;
  size_t headerSize;  // extension atoms start here and stay big-endian
};

uint64_t DoubleBits(double value) {
  uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

TEST(SampleDescriptionTest, HeaderFieldsComeNativeAndGoBackToFileOrder) {
  const DescriptionCase cases[] = {
      // One field of each width and region; the round trips read the rest.
      {"image description with colr",
       FourCC("vide"),
       ImageDescription(FourCC("apcn"), 1920, 1080, kColr),
       {{4, 4, FourCC("apcn")}, {14, 2, 1}, {28, 4, 1023}, {32, 2, 1920}, {84, 2, 0xFFFF}},
       86},
      {"sound description version 0",
       FourCC("soun"),
       SoundDescription(FourCC("twos"), 0, 2, 16, 48000),
       {{24, 2, 2}, {26, 2, 16}, {32, 4, 48000u << 16}},
       36},
      {"sound description version 1 with wave",
       FourCC("soun"),
       SoundDescription(FourCC("in24"), 1, 1, 24, 48000, {1, 3, 3, 3}, kWave),
       {{28, 2, 0xFFFE}, {36, 4, 1}, {48, 4, 3}},
       52},
      {"sound description version 2",
       FourCC("soun"),
       SoundDescription(FourCC("lpcm"), 2, 6, 0, 96000, {24, 0x0C, 18, 1}),
       {{40, 8, DoubleBits(96000.0)}, {48, 4, 6}, {68, 4, 1}},
       72},
      {"timecode entry: only the common header",
       FourCC("tmcd"),
       Concat({Be32s({24, FourCC("tmcd"), 0}), Be16s({0, 1}), Be32s({0x01020304, 0x05060708})}),
       {{4, 4, FourCC("tmcd")}, {14, 2, 1}},
       16},
  };
  for (const DescriptionCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = c.entry;
    SampleDescriptionToNative(c.mediaType, bytes);
    EXPECT_EQ(NativeField(bytes, 0, 4), c.entry.size());
    for (const FieldCheck& field : c.nativeFields) {
      EXPECT_EQ(NativeField(bytes, field.offset, field.width), field.value)
          << "offset " << field.offset;
    }
    EXPECT_TRUE(std::equal(bytes.begin() + static_cast<std::ptrdiff_t>(c.headerSize), bytes.end(),
                           c.entry.begin() + static_cast<std::ptrdiff_t>(c.headerSize)))
        << "extension atoms stay as stored";
    SampleDescriptionToFileOrder(c.mediaType, bytes);
    EXPECT_EQ(bytes, c.entry);
  }
}

// Finding and adding extensions is what the audio codecs do with 'esds',
// 'wave' and ALAC's atom: the AAC and ALAC round trips decode only with them.
// What must not happen is a find outside the description.
TEST(SampleDescriptionTest, SoundExtensionsMissingOrPastTheDescription) {
  Bytes version0 = SoundDescription(FourCC("mp4a"), 0, 2, 16, 44100, {}, kWave);
  SampleDescriptionToNative(FourCC("soun"), version0);
  Handle extension = nullptr;
  Handle description = HandleOf(version0);
  EXPECT_EQ(GetSoundDescriptionExtension(description, FourCC("esds"), extension).Code(),
            StatusCode::kNotFound);
  EXPECT_EQ(extension, nullptr);
  DisposeHandle(description);
  Handle tiny = NewHandle(4);
  EXPECT_EQ(GetSoundDescriptionExtension(tiny, FourCC("wave"), extension).Code(),
            StatusCode::kOutOfRange);
  DisposeHandle(tiny);
}

// The per-format values are the movie layer's table, checked against ffprobe
// by the fixture and corpus comparisons; what callers rely on beyond them is
// the answer for a format the table lacks.
TEST(SampleDescriptionTest, UnknownSoundFormatIsTreatedAsVariable) {
  CompressionInfo info;
  EXPECT_EQ(GetCompressionInfo(-1, FourCC("zzzz"), 2, 16, info).Code(), StatusCode::kUnsupported);
  EXPECT_EQ(info.compressionId, kVariableCompression)
      << "callers that go on treat packets as variable";
  EXPECT_TRUE(GetCompressionInfo(kVariableCompression, FourCC("zzzz"), 2, 16, info).IsOk());
}

TEST(SampleDescriptionTest, FourCCToStringEscapesUnprintableBytes) {
  EXPECT_EQ(FourCCToString(FourCC("avc1")), "avc1");
  EXPECT_EQ(FourCCToString(0xA9737772), "\\xA9swr");
  EXPECT_EQ(FourCCToString(0x6D730011), "ms\\x00\\x11");
}

TEST(HandleTest, LockedHandleNeverMovesAndARedirectedOneIsFreedOnce) {
  Handle handle = NewHandle(32);
  HLock(handle);
  uint8_t* const before = *handle;
  EXPECT_EQ(SetHandleSize(handle, 4096).Code(), StatusCode::kNoMemory);
  EXPECT_EQ(GetHandleSize(handle), 32u);
  ASSERT_TRUE(SetHandleSize(handle, 16).IsOk()) << "shrinking in place is allowed";
  EXPECT_EQ(*handle, before);
  HUnlock(handle);
  ASSERT_TRUE(SetHandleSize(handle, 4096).IsOk());

  uint8_t* const saved = *handle;
  uint8_t own[16] = {};
  *handle = own;  // a caller that points the handle at its own memory for a while
  EXPECT_EQ(GetHandleSize(handle), 4096u);
  *handle = saved;
  DisposeHandle(handle);  // frees the block the handle owns, once
  DisposeHandle(nullptr);
}

}  // namespace
}  // namespace zeb::movie::test
