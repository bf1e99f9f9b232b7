// Handles behave like the media layer's: a master pointer that follows the
// block when it moves, locking, and disposal after the caller restored a
// master pointer it saved at allocation.
#include <gtest/gtest.h>

#include <numeric>

#include "platform/movie/Handle.h"

namespace zeb::movie {
namespace {

TEST(HandleTest, ResizingKeepsTheBytesAndUpdatesTheMasterPointer) {
  Handle empty = NewHandle(0);
  ASSERT_NE(empty, nullptr);
  EXPECT_NE(*empty, nullptr) << "an empty handle still has a master pointer";
  DisposeHandle(empty);

  Handle handle = NewHandle(16);
  std::iota(*handle, *handle + 16, uint8_t{1});
  ASSERT_TRUE(SetHandleSize(handle, 1 << 20).IsOk());
  EXPECT_EQ(GetHandleSize(handle), size_t{1} << 20);
  for (int i = 0; i < 16; ++i) EXPECT_EQ((*handle)[i], i + 1);
  EXPECT_EQ((*handle)[(1 << 20) - 1], 0) << "new bytes are zero";
  ASSERT_TRUE(SetHandleSize(handle, 8).IsOk());
  EXPECT_EQ(GetHandleSize(handle), 8u);
  EXPECT_EQ((*handle)[7], 8);
  DisposeHandle(handle);
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
}  // namespace zeb::movie
