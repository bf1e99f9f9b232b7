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
    std::vector<uint8_t> bytes(static_cast<size_t>(size > 0 ? size : 0) + 1);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(seed * 131 + i * 7 + (i >> 8));
    return bytes;
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

// The unit put with index `index`: bytes from MakeBytes(index) and a side
// block from MakeBytes(index + 1000).
inline void ExpectUnit(const TakenUnit& unit, uint32_t index, int32_t size, int32_t sideSize, uint32_t state,
                       const std::string& label) {
    ASSERT_EQ(unit.size, size) << label << " unit " << index;
    ASSERT_NE(unit.data, nullptr) << label;
    EXPECT_EQ(unit.index, index) << label;
    EXPECT_EQ(unit.sideSize, sideSize) << label;
    EXPECT_EQ(unit.state, state) << label << " unit " << index;
    const auto data = MakeBytes(index, size);
    EXPECT_EQ(std::vector<uint8_t>(unit.data, unit.data + size), std::vector<uint8_t>(data.begin(), data.end() - 1))
        << label << " bytes of unit " << index;
    if (sideSize > 0) {
        ASSERT_NE(unit.side, nullptr) << label;
        const auto side = MakeBytes(index + 1000, sideSize);
        EXPECT_EQ(std::vector<uint8_t>(unit.side, unit.side + sideSize),
                  std::vector<uint8_t>(side.begin(), side.end() - 1))
            << label << " side block of unit " << index;
    } else {
        EXPECT_EQ(unit.side, nullptr) << label;
    }
}

}  // namespace zeb::test
