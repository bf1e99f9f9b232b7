#include "framework/proxy/analysis/StartCodeScanner.h"

#include <algorithm>

namespace zeb::analysis {

namespace {
constexpr size_t kStartCodeBytes = 3;
}  // namespace

StartCodeScanner::StartCodeScanner(std::span<const uint8_t> bytes)
    : bytes_(bytes), unitStart_(FindUnitStart(0)) {}

std::optional<size_t> StartCodeScanner::FindUnitStart(size_t from) const {
  size_t candidate = from + kStartCodeBytes - 1;  // where the 01 would be
  while (candidate < bytes_.size()) {
    const auto rest = bytes_.subspan(candidate);
    const auto one = std::find(rest.begin(), rest.end(), uint8_t{0x01});
    candidate += static_cast<size_t>(one - rest.begin());
    if (candidate >= bytes_.size()) break;
    if (bytes_[candidate - 1] == 0 && bytes_[candidate - 2] == 0) return candidate + 1;
    ++candidate;
  }
  return std::nullopt;
}

std::optional<std::span<const uint8_t>> StartCodeScanner::Next() {
  while (unitStart_) {
    const size_t start = *unitStart_;
    unitStart_ = FindUnitStart(start);
    const size_t end = unitStart_ ? *unitStart_ - kStartCodeBytes : bytes_.size();
    if (end > start) return bytes_.subspan(start, end - start);
  }
  return std::nullopt;
}

}  // namespace zeb::analysis
