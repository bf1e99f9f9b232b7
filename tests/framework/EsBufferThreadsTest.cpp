#include <gtest/gtest.h>

#include <thread>
#include <utility>

#include "framework/io/include/ZEBSoftCodecIO.h"
#include "tests/framework/EsUnits.h"
#include "zebplug/ZEBPlugEnums.h"

namespace {

using zeb::test::ExpectUnit;
using zeb::test::Put;
using zeb::test::Take;

// A producer thread and a consumer thread share one buffer whose area holds
// only a few units, so units move through the area and through allocations of
// their own while the other side is working.
TEST(EsBufferThreads, ProducerAndConsumerAgreeOnEveryUnit) {
  const std::pair<const char*, uint32_t> cases[] = {
      {"small area", 4096}, {"no area", 0}, {"roomy area", 1 << 20}};
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
