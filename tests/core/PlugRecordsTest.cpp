#include "core/PlugRecords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>
#include <typeinfo>
#include <utility>

namespace {

constexpr uint8_t kHostByte = 0xAB;

// The byte range of a member, for the fields a record keeps from its host.
#define MEMBER(Record, member) \
  std::pair { offsetof(Record, member), offsetof(Record, member) + sizeof(Record::member) }

// Init writes the same bytes whatever the memory held, except in the host's
// own fields, which keep the host's bytes.
template <typename Record>
void ExpectInitWritesAllBut(std::initializer_list<std::pair<size_t, size_t>> kept) {
  Record fromHostBytes, fromZeros;
  std::memset(&fromHostBytes, kHostByte, sizeof(Record));
  std::memset(&fromZeros, 0, sizeof(Record));
  PlugRecords::Init(fromHostBytes);
  PlugRecords::Init(fromZeros);
  const auto* host = reinterpret_cast<const uint8_t*>(&fromHostBytes);
  const auto* zero = reinterpret_cast<const uint8_t*>(&fromZeros);
  for (size_t i = 0; i < sizeof(Record); ++i) {
    const bool keep = std::any_of(kept.begin(), kept.end(), [i](const auto& range) {
      return i >= range.first && i < range.second;
    });
    const uint8_t keptZero = 0;
    EXPECT_EQ(std::make_pair(host[i], zero[i]),
              keep ? std::make_pair(kHostByte, keptZero) : std::make_pair(zero[i], zero[i]))
        << typeid(Record).name() << " byte " << i;
  }
}

TEST(PlugRecordsInit, EveryByteButTheHostsFieldsAndTheSizeWords) {
  ExpectInitWritesAllBut<SPlugVideoStreamInfo>({});
  ExpectInitWritesAllBut<SPlugAudioStreamInfo>({});
  ExpectInitWritesAllBut<SPlugStreamInfo>({});
  ExpectInitWritesAllBut<SPlugFrameInfo>(
      {MEMBER(SPlugFrameInfo, reserved9), MEMBER(SPlugFrameInfo, reserved33)});
  ExpectInitWritesAllBut<SPlugVideoFrameFormat>({MEMBER(SPlugVideoFrameFormat, fillPattern)});
  SPlugVideoStreamInfo video;
  SPlugAudioStreamInfo audio;
  SPlugFrameInfo frame;
  PlugRecords::Init(video);
  PlugRecords::Init(audio);
  PlugRecords::Init(frame);
  EXPECT_EQ(video.size, 108u);
  EXPECT_EQ(audio.size, 60u);
  EXPECT_EQ(frame.size, sizeof frame);
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
