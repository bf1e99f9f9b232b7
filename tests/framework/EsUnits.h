// Units with recognisable bytes for the elementary-stream buffer tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/io/include/ZEBSoftCodecIO.h"

namespace zeb::test {

// Bytes that differ per unit and per position, so a mix-up shows.
inline std::vector<uint8_t> MakeBytes(uint32_t seed, int32_t size) {
  std::vector<uint8_t> bytes(static_cast<size_t>(size > 0 ? size : 0));
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<uint8_t>(seed * 131 + i * 7 + (i >> 8));
  return bytes;
}

// Unit `index`: bytes from MakeBytes(index), side block from MakeBytes(index + 1000).
inline bool Put(CSoftEsBuffer& buffer, uint32_t index, int32_t size, int32_t sideSize) {
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

inline TakenUnit Take(CSoftEsBuffer& buffer) {
  TakenUnit unit;
  buffer.GetDate(&unit.index, &unit.data, &unit.size, &unit.side, &unit.sideSize, &unit.state);
  return unit;
}

// The unit that Put(index, size, sideSize) stored, in stream state `state`.
inline void ExpectUnit(const TakenUnit& unit, uint32_t index, int32_t size, int32_t sideSize,
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

}  // namespace zeb::test
