#include "core/PlugRecords.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint8_t kHostByte = 0xAB;

enum class Want { kValue, kAllOnes, kHostBytes };

// One field of a record: its bytes must hold `value` little-endian (zero
// beyond eight bytes), be all ones, or keep the host's bytes.
struct FieldWant {
  const char* name;
  size_t offset, width;
  Want want;
  uint64_t value;
};

#define FIELD(Record, member, value) \
  { #member, offsetof(Record, member), sizeof(Record::member), Want::kValue, value }
#define ALL_ONES(Record, member) \
  { #member, offsetof(Record, member), sizeof(Record::member), Want::kAllOnes, 0 }
#define HOST_KEPT(Record, member) \
  { #member, offsetof(Record, member), sizeof(Record::member), Want::kHostBytes, 0 }

uint8_t WantedByte(const FieldWant& field, size_t index) {
  switch (field.want) {
    case Want::kAllOnes:
      return 0xFF;
    case Want::kHostBytes:
      return kHostByte;
    case Want::kValue:
      return index < 8 ? static_cast<uint8_t>(field.value >> (8 * index)) : 0;
  }
  return 0;
}

template <typename Record>
void ExpectInitWrites(const char* recordName, const std::vector<FieldWant>& fields) {
  SCOPED_TRACE(recordName);
  Record record;
  std::memset(&record, kHostByte, sizeof record);
  PlugRecords::Init(record);
  uint8_t bytes[sizeof record];
  std::memcpy(bytes, &record, sizeof record);
  for (const FieldWant& field : fields) {
    for (size_t i = 0; i < field.width; ++i) {
      ASSERT_EQ(bytes[field.offset + i], WantedByte(field, i)) << field.name << " byte " << i;
    }
  }
}

using V = SPlugVideoStreamInfo;
using A = SPlugAudioStreamInfo;
using S = SPlugStreamInfo;
using F = SPlugFrameInfo;
using L = SPlugVideoFrameFormat;

TEST(PlugRecordsInit, EveryWordOfEachRecord) {
  ExpectInitWrites<V>("SPlugVideoStreamInfo", {
                                                  FIELD(V, size, 108),
                                                  FIELD(V, videoType, 0),
                                                  FIELD(V, videoSubType, 0),
                                                  FIELD(V, width, 720),
                                                  FIELD(V, height, 576),
                                                  FIELD(V, aspectX, 4),
                                                  FIELD(V, aspectY, 3),
                                                  FIELD(V, frameRateNum, 25),
                                                  FIELD(V, frameRateDen, 1),
                                                  FIELD(V, fieldOrder, 0),
                                                  FIELD(V, colorFormat, 23),
                                                  FIELD(V, colorPrimaries, 5),
                                                  FIELD(V, transferFunction, 5),
                                                  FIELD(V, matrix, 5),
                                                  FIELD(V, componentDepth, 0xFFFFFFFF),
                                                  FIELD(V, gopSize, 12),
                                                  FIELD(V, gopReserved, 2),
                                                  FIELD(V, videoRange, 1),
                                                  FIELD(V, reserved18, 1),
                                                  FIELD(V, bitRate, 0),
                                                  FIELD(V, reserved, 0),
                                              });
  ExpectInitWrites<A>("SPlugAudioStreamInfo", {
                                                  FIELD(A, size, 60),
                                                  FIELD(A, audioType, 1),
                                                  FIELD(A, audioSubType, 0),
                                                  FIELD(A, channels, 2),
                                                  FIELD(A, bitsPerSample, 16),
                                                  FIELD(A, sampleRate, 48000),
                                                  FIELD(A, bitRate, 1536000),
                                                  FIELD(A, blockAlign, 2),
                                                  FIELD(A, reserved8, 1),
                                                  FIELD(A, reserved9, 1),
                                                  FIELD(A, reserved10, 1),
                                                  FIELD(A, reserved, 0),
                                              });
  ExpectInitWrites<S>(
      "SPlugStreamInfo",
      {
          FIELD(S, structVersion, 1), FIELD(S, containerType, 0), FIELD(S, reserved8, 0),
          FIELD(S, streamId, 0),      FIELD(S, streamType, 0),    FIELD(S, reserved20, 0),
          FIELD(S, fileSize, 0),      FIELD(S, frameCount, 0),    FIELD(S, framesPerPacket, 1),
          FIELD(S, packetCount, 0),   FIELD(S, reserved212, 0),   FIELD(S, reservedAreas, 0),
          FIELD(S, reserved1044, 0),  FIELD(S, privateKind, 0),   FIELD(S, privateAddress, 0),
          FIELD(S, privateSize, 0),   FIELD(S, reserved1064, 0),  FIELD(S, extra, 0),
          FIELD(S, reserved1580, 0),
      });
  ExpectInitWrites<F>("SPlugFrameInfo", {
                                            FIELD(F, size, sizeof(F)),
                                            FIELD(F, streamType, 0),
                                            FIELD(F, streamState, 0),
                                            FIELD(F, dataSize, 0),
                                            FIELD(F, reserved4, 0),
                                            FIELD(F, decodePosition, 0xFFFFFFFF),
                                            FIELD(F, unitCount, 1),
                                            HOST_KEPT(F, reserved9),
                                            ALL_ONES(F, timeValues),
                                            FIELD(F, presentationPosition, 0xFFFFFFFF),
                                            FIELD(F, frameType, 1),
                                            FIELD(F, reserved19, 0),
                                            FIELD(F, privateKind, 0),
                                            FIELD(F, privateAddress, 0),
                                            FIELD(F, privateSize, 0),
                                            FIELD(F, reserved27, 0),
                                            HOST_KEPT(F, reserved33),
                                        });
  ExpectInitWrites<L>("SPlugVideoFrameFormat", {
                                                   FIELD(L, colorFormat, 0),
                                                   FIELD(L, width, 0),
                                                   FIELD(L, height, 0),
                                                   FIELD(L, flag3, 1),
                                                   FIELD(L, fieldOrder, 0xFFFFFFFF),
                                                   FIELD(L, aspectX, 0),
                                                   FIELD(L, aspectY, 0),
                                                   FIELD(L, videoRange, 1),
                                                   FIELD(L, matrix, 5),
                                                   FIELD(L, transferFunction, 5),
                                                   FIELD(L, colorPrimaries, 5),
                                                   FIELD(L, componentDepth, 8),
                                                   FIELD(L, planeCount, 0),
                                                   FIELD(L, rowBytes, 0),
                                                   FIELD(L, planeSize, 0),
                                                   HOST_KEPT(L, fillPattern),
                                                   FIELD(L, patternBytes, 0),
                                                   FIELD(L, patternPixels, 0),
                                                   FIELD(L, reserved, 0),
                                               });
}

TEST(PlugRecordsInit, StreamInfoCarriesDefaultSubRecords) {
  SPlugStreamInfo info;
  std::memset(&info, kHostByte, sizeof info);
  PlugRecords::Init(info);
  SPlugVideoStreamInfo video;
  SPlugAudioStreamInfo audio;
  PlugRecords::Init(video);
  PlugRecords::Init(audio);
  EXPECT_EQ(std::memcmp(&info.video, &video, sizeof video), 0);
  EXPECT_EQ(std::memcmp(&info.audio, &audio, sizeof audio), 0);
}

template <typename Record>
Record NumberedWords(uint32_t base) {
  uint32_t words[sizeof(Record) / 4];
  for (uint32_t i = 0; i < std::size(words); ++i) {
    words[i] = base + i;
  }
  Record record;
  std::memcpy(&record, words, sizeof record);
  return record;
}

template <typename Record>
std::vector<uint32_t> Words(const Record& record) {
  std::vector<uint32_t> words(sizeof(Record) / 4);
  std::memcpy(words.data(), &record, sizeof record);
  return words;
}

// Every word is copied; only the video record's size word is set to its own size.
template <typename Record>
void ExpectCopy(uint32_t sourceSize, uint32_t wantSize, bool ontoItself) {
  SCOPED_TRACE("source size " + std::to_string(sourceSize) + (ontoItself ? " onto itself" : ""));
  Record source = NumberedWords<Record>(0x1000);
  source.size = sourceSize;
  Record copy;
  std::memset(&copy, kHostByte, sizeof copy);
  std::vector<uint32_t> want = Words(source);
  want[0] = wantSize;
  Record& target = ontoItself ? source : copy;
  PlugRecords::Copy(target, source);
  EXPECT_EQ(Words(target), want);
}

TEST(PlugRecordsCopy, WordsAndSizeWord) {
  for (const uint32_t sourceSize : {0u, 60u, 108u, 0xFFFFFFFFu}) {
    for (const bool ontoItself : {false, true}) {
      ExpectCopy<SPlugVideoStreamInfo>(sourceSize, 108, ontoItself);
      ExpectCopy<SPlugAudioStreamInfo>(sourceSize, sourceSize, ontoItself);
    }
  }
}

// The host reads the triple at fixed offsets; its neighbours must survive.
template <typename Record>
void ExpectPrivateTripleAt(const char* recordName, size_t kindOffset, size_t addressOffset) {
  SCOPED_TRACE(recordName);
  int description = 0;
  const PlugRecords::PrivateDesc kCases[] = {
      {PLUG_PRIVATE_QT_IMAGE_DESCRIPTION, &description, 86},
      {PLUG_PRIVATE_AUDIO_DESCRIPTION, &description, 60},
      {PLUG_PRIVATE_NONE, nullptr, 0},
  };
  for (const PlugRecords::PrivateDesc& desc : kCases) {
    SCOPED_TRACE("kind " + std::to_string(desc.kind));
    Record record;
    std::memset(&record, kHostByte, sizeof record);
    PlugRecords::SetPrivate(record, desc);
    uint8_t bytes[sizeof record];
    std::memcpy(bytes, &record, sizeof record);
    uint32_t kind = 0;
    void* address = nullptr;
    uint32_t size = 0;
    std::memcpy(&kind, bytes + kindOffset, 4);
    std::memcpy(&address, bytes + addressOffset, sizeof address);
    std::memcpy(&size, bytes + addressOffset + sizeof address, 4);
    EXPECT_EQ(kind, desc.kind);
    EXPECT_EQ(address, desc.address);
    EXPECT_EQ(size, desc.size);
    EXPECT_EQ(bytes[kindOffset - 1], kHostByte);
    EXPECT_EQ(bytes[addressOffset + sizeof address + 4], kHostByte);
    const PlugRecords::PrivateDesc back = PlugRecords::GetPrivate(record);
    EXPECT_EQ(back.kind, desc.kind);
    EXPECT_EQ(back.address, desc.address);
    EXPECT_EQ(back.size, desc.size);
  }
}

TEST(PlugRecordsPrivate, TripleAtHostOffsets) {
  ExpectPrivateTripleAt<SPlugStreamInfo>("SPlugStreamInfo", 1052, 1056);
  ExpectPrivateTripleAt<SPlugFrameInfo>("SPlugFrameInfo", 96, 104);
}

}  // namespace
