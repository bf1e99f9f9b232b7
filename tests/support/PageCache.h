// The page cache of a test file, set to a known state and read back, for the
// tests of reads that take cached pages from the cache and the rest from the
// device.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zeb::test {

// Writes the file's dirty pages back and drops all of its pages.
void DropFromPageCache(const std::string& path);
// Reads [offset, offset + length) buffered with read-ahead off, so that just
// those pages (rounded out to whole pages) come into the cache.
void LoadIntoPageCache(const std::string& path, std::uint64_t offset, std::uint64_t length);
// One flag a page: in the page cache or not.
std::vector<bool> CachedPages(const std::string& path);
// Bytes of [offset, offset + length), cut at the end of the file, whose pages
// `cached` marks.
std::uint64_t CachedBytes(const std::vector<bool>& cached, std::uint64_t fileSize,
                          std::uint64_t offset, std::uint64_t length);

}  // namespace zeb::test
