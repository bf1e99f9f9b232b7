#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/io/include/ZEBSoftCodecIO.h"
#include "zebplug/ZEBPlugEnums.h"

namespace {

// Bytes that differ per unit and per position, so a mix-up shows.
std::vector<uint8_t> MakeBytes(uint32_t seed, int32_t size) {
  std::vector<uint8_t> bytes(static_cast<size_t>(size > 0 ? size : 0));
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(seed * 131 + i * 7 + (i >> 8));
  return bytes;
}

// Unit `index`: bytes from MakeBytes(index), side block from MakeBytes(index + 1000).
bool Put(CSoftEsBuffer& buffer, uint32_t index, int32_t size, int32_t sideSize) {
  const auto data = MakeBytes(index, size);
  const auto side = MakeBytes(index + 1000, sideSize);
  return buffer.PutDate(index, data.data(), size, sideSize > 0 ? side.data() : nullptr, sideSize);
}

struct TakenUnit {
  uint32_t index = 0xDEAD;
  uint8_t* data = nullptr;
  int32_t size = -99;
  uint8_t* side = nullptr;
  int32_t sideSize = -99;
  uint32_t state = 0;
};

TakenUnit Take(CSoftEsBuffer& buffer) {
  TakenUnit unit;
  buffer.GetDate(&unit.index, &unit.data, &unit.size, &unit.side, &unit.sideSize, &unit.state);
  return unit;
}

// The unit that Put(index, size, sideSize) stored, in stream state `state`.
void ExpectUnit(const TakenUnit& unit, uint32_t index, int32_t size, int32_t sideSize,
                uint32_t state, const std::string& label) {
  SCOPED_TRACE(label + " unit " + std::to_string(index));
  ASSERT_EQ(unit.size, size);
  ASSERT_NE(unit.data, nullptr);
  EXPECT_EQ(unit.index, index);
  EXPECT_EQ(unit.sideSize, sideSize);
  EXPECT_EQ(unit.state, state);
  EXPECT_EQ(std::vector<uint8_t>(unit.data, unit.data + size), MakeBytes(index, size)) << "bytes";
  if (sideSize > 0) {
    ASSERT_NE(unit.side, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(unit.side, unit.side + sideSize),
              MakeBytes(index + 1000, sideSize))
        << "side";
  } else {
    EXPECT_EQ(unit.side, nullptr);
  }
}

TEST(EsBuffer, HandedOutUnitSurvivesFurtherPuts) {
  CSoftEsBuffer buffer;
  buffer.Init(512);
  ASSERT_TRUE(Put(buffer, 7, 200, 116));
  const auto held = Take(buffer);
  for (uint32_t i = 0; i < 20; ++i) ASSERT_TRUE(Put(buffer, i, 150, 0));
  EXPECT_EQ(buffer.Count(), 20u);
  ExpectUnit(held, 7, 200, 116, PLUG_STREAMSTATE_MORE_, "held unit");
  EXPECT_EQ(reinterpret_cast<uintptr_t>(held.side) % 8, 0u)
      << "side block aligned for record words";
  for (uint32_t i = 0; i < 20; ++i)
    ExpectUnit(Take(buffer), i, 150, 0, PLUG_STREAMSTATE_MORE_, "filler");
}

TEST(EsBuffer, RefusesBadPutsAndKeepsState) {
  const uint8_t bytes[16] = {};
  struct Case {
    const char* name;
    bool init, ended;
    const uint8_t* data;
    int32_t size;
    const uint8_t* side;
    int32_t sideSize;
  };
  const Case cases[] = {
      {"before init", false, false, bytes, 16, bytes, 4},
      {"after end of input", true, true, bytes, 16, bytes, 4},
      {"empty unit", true, false, bytes, 0, bytes, 4},
      {"negative size", true, false, bytes, -1, nullptr, 0},
      {"negative side size", true, false, bytes, 16, bytes, -4},
      {"null data", true, false, nullptr, 16, nullptr, 0},
      {"null side with a size", true, false, bytes, 16, nullptr, 4},
  };
  for (const Case& c : cases) {
    CSoftEsBuffer buffer;
    if (c.init) buffer.Init(1024);
    if (c.ended) buffer.SetEndOfInput();
    EXPECT_FALSE(buffer.PutDate(0, c.data, c.size, c.side, c.sideSize)) << c.name;
    EXPECT_EQ(buffer.Count(), 0u) << c.name;
    const auto unit = Take(buffer);
    EXPECT_EQ(unit.size, 0) << c.name;
    EXPECT_EQ(unit.state,
              c.ended ? uint32_t{PLUG_STREAMSTATE_END_} : uint32_t{PLUG_STREAMSTATE_MORE_})
        << c.name;
  }
}

TEST(EsBuffer, InitAndCloseStartOver) {
  CSoftEsBuffer buffer;
  buffer.Init(1024);
  ASSERT_TRUE(Put(buffer, 1, 64, 0));
  buffer.SetEndOfInput();
  buffer.Init(2048);
  EXPECT_EQ(buffer.Count(), 0u) << "Init discards";
  ASSERT_TRUE(Put(buffer, 2, 64, 0)) << "Init clears the end of input";
  ExpectUnit(Take(buffer), 2, 64, 0, PLUG_STREAMSTATE_MORE_, "after re-init");
  buffer.Close();
  EXPECT_FALSE(Put(buffer, 3, 64, 0)) << "closed";
  buffer.GetDate(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

// A producer thread and a consumer thread share one buffer whose area holds
// only a few units, none, or all of them, so units wrap around the area and
// live in allocations of their own while the other side is working; every
// unit must come out once, in order, intact, the last one ending the stream.
TEST(EsBufferThreads, ProducerAndConsumerAgreeOnEveryUnit) {
  const std::pair<const char*, uint32_t> cases[] = {{"small area", 4096},
                                                    {"no area", 0},
                                                    {"roomy area", 1 << 20},
                                                    {"capacity past the reserve cap", 0xFFFFFFFF}};
  constexpr uint32_t kUnits = 2000;
  auto sizeOf = [](uint32_t i) { return static_cast<int32_t>(1 + (i * 389) % 1500); };
  auto sideOf = [](uint32_t i) { return static_cast<int32_t>(116 + i % 5); };
  for (const auto& [name, capacity] : cases) {
    CSoftEsBuffer buffer;
    buffer.Init(capacity);
    std::thread producer([&] {
      for (uint32_t i = 0; i < kUnits; ++i) ASSERT_TRUE(Put(buffer, i, sizeOf(i), sideOf(i)));
      buffer.SetEndOfInput();
    });
    uint32_t received = 0;
    bool ended = false;
    while (!ended) {
      const auto unit = Take(buffer);
      if (unit.size < 1) {
        ended = unit.state == PLUG_STREAMSTATE_END_;
        std::this_thread::yield();
        continue;
      }
      ExpectUnit(unit, received, sizeOf(received), sideOf(received), unit.state, name);
      ended = unit.state == PLUG_STREAMSTATE_END_;
      ++received;
    }
    producer.join();
    EXPECT_EQ(received, kUnits) << name;
  }
}

}  // namespace
