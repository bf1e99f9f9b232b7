#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/io/include/ZEBSoftCodecIO.h"
#include "tests/framework/EsUnits.h"
#include "zebplug/ZEBPlugEnums.h"

namespace {

using zeb::test::ExpectUnit;
using zeb::test::MakeBytes;
using zeb::test::TakenUnit;
using zeb::test::Take;

struct FifoCase {
    const char* name;
    uint32_t capacity;
    std::vector<int32_t> sizes;
    std::vector<int32_t> sideSizes;
};

// Every unit put comes out once, in order, with its bytes and side block intact,
// whether it lives in the reserved area or in an allocation of its own.
TEST(EsBuffer, FifoKeepsOrderAndBytes) {
    const FifoCase cases[] = {
        {"all fit", 4096, {100, 200, 300}, {116, 116, 116}},
        {"nothing reserved", 0, {10, 20, 30}, {4, 0, 8}},
        {"unit larger than the area", 64, {1000, 8, 2000}, {116, 1, 116}},
        {"area fills, rest spill", 256, {100, 100, 100, 100, 100}, {16, 16, 16, 16, 16}},
        {"odd sizes", 1000, {1, 3, 7, 13, 999, 5}, {3, 5, 0, 1, 7, 2}},
        {"exact fit", 64, {24, 24}, {8, 8}},
        {"capacity past the reserve cap", 0xFFFFFFFF, {4096, 1}, {16, 0}},
    };
    for (const FifoCase& c : cases) {
        CSoftEsBuffer buffer;
        buffer.Init(c.capacity);
        for (size_t i = 0; i < c.sizes.size(); ++i) {
            const auto data = MakeBytes(static_cast<uint32_t>(i), c.sizes[i]);
            const auto side = MakeBytes(static_cast<uint32_t>(i) + 1000, c.sideSizes[i]);
            ASSERT_TRUE(buffer.PutDate(static_cast<uint32_t>(i), data.data(), c.sizes[i], side.data(),
                                       c.sideSizes[i])) << c.name << " unit " << i;
        }
        EXPECT_EQ(buffer.Count(), c.sizes.size()) << c.name;
        buffer.SetEndOfInput();
        for (size_t i = 0; i < c.sizes.size(); ++i) {
            const TakenUnit unit = Take(buffer);
            const uint32_t expectedState = i + 1 == c.sizes.size() ? PLUG_STREAMSTATE_END_ : PLUG_STREAMSTATE_MORE_;
            ExpectUnit(unit, static_cast<uint32_t>(i), c.sizes[i], c.sideSizes[i], expectedState, c.name);
        }
        const TakenUnit after = Take(buffer);
        EXPECT_LT(after.size, 1) << c.name;
        EXPECT_EQ(after.data, nullptr) << c.name;
        EXPECT_EQ(after.state, uint32_t{PLUG_STREAMSTATE_END_}) << c.name;
    }
}

// Puts and gets interleaved so that units wrap around the reserved area many
// times; a wrong wrap would hand out overwritten or misplaced bytes.
TEST(EsBuffer, WrapsAroundTheAreaWithoutCorruption) {
    struct Pattern {
        const char* name;
        int putsPerRound;
        int getsPerRound;
    };
    const Pattern patterns[] = {{"one in one out", 1, 1}, {"two in one out", 2, 1}, {"three in two out", 3, 2}};
    for (const Pattern& p : patterns) {
        CSoftEsBuffer buffer;
        buffer.Init(1500);
        uint32_t nextPut = 0;
        uint32_t nextGet = 0;
        auto sizeOf = [](uint32_t i) { return static_cast<int32_t>(37 + (i * 97) % 400); };
        auto sideOf = [](uint32_t i) { return static_cast<int32_t>(i % 3 == 0 ? 0 : 116 + i % 9); };
        for (int round = 0; round < 300; ++round) {
            for (int k = 0; k < p.putsPerRound; ++k, ++nextPut) {
                const auto data = MakeBytes(nextPut, sizeOf(nextPut));
                const auto side = MakeBytes(nextPut + 1000, sideOf(nextPut));
                ASSERT_TRUE(buffer.PutDate(nextPut, data.data(), sizeOf(nextPut), side.data(), sideOf(nextPut)));
            }
            for (int k = 0; k < p.getsPerRound; ++k, ++nextGet)
                ExpectUnit(Take(buffer), nextGet, sizeOf(nextGet), sideOf(nextGet), PLUG_STREAMSTATE_MORE_, p.name);
        }
        buffer.SetEndOfInput();
        for (; nextGet < nextPut; ++nextGet) {
            const uint32_t state = nextGet + 1 == nextPut ? PLUG_STREAMSTATE_END_ : PLUG_STREAMSTATE_MORE_;
            ExpectUnit(Take(buffer), nextGet, sizeOf(nextGet), sideOf(nextGet), state, p.name);
        }
    }
}

TEST(EsBuffer, HandedOutUnitSurvivesFurtherPuts) {
    CSoftEsBuffer buffer;
    buffer.Init(512);
    const auto first = MakeBytes(7, 200);
    const auto side = MakeBytes(1007, 116);
    ASSERT_TRUE(buffer.PutDate(7, first.data(), 200, side.data(), 116));
    const TakenUnit held = Take(buffer);
    for (uint32_t i = 0; i < 20; ++i) {
        const auto filler = MakeBytes(i, 150);
        ASSERT_TRUE(buffer.PutDate(i, filler.data(), 150, nullptr, 0));
    }
    ExpectUnit(held, 7, 200, 116, PLUG_STREAMSTATE_MORE_, "held unit");
    EXPECT_EQ(reinterpret_cast<uintptr_t>(held.side) % 8, 0u) << "side block aligned for record words";
    for (uint32_t i = 0; i < 20; ++i) ExpectUnit(Take(buffer), i, 150, 0, PLUG_STREAMSTATE_MORE_, "filler");
}

TEST(EsBuffer, RefusesBadPutsAndKeepsState) {
    const uint8_t bytes[16] = {};
    struct Case {
        const char* name;
        bool init;
        bool ended;
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
        const TakenUnit unit = Take(buffer);
        EXPECT_EQ(unit.size, 0) << c.name;
        EXPECT_EQ(unit.state, c.ended ? uint32_t{PLUG_STREAMSTATE_END_} : uint32_t{PLUG_STREAMSTATE_MORE_}) << c.name;
    }
}

TEST(EsBuffer, InitAndCloseStartOver) {
    CSoftEsBuffer buffer;
    buffer.Init(1024);
    const auto data = MakeBytes(2, 64);
    ASSERT_TRUE(buffer.PutDate(1, data.data(), 64, nullptr, 0));
    buffer.SetEndOfInput();
    buffer.Init(2048);
    EXPECT_EQ(buffer.Count(), 0u) << "Init discards";
    ASSERT_TRUE(buffer.PutDate(2, data.data(), 64, nullptr, 0)) << "Init clears the end of input";
    ExpectUnit(Take(buffer), 2, 64, 0, PLUG_STREAMSTATE_MORE_, "after re-init");
    buffer.Close();
    EXPECT_FALSE(buffer.PutDate(3, data.data(), 64, nullptr, 0)) << "closed";
    buffer.GetDate(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace
