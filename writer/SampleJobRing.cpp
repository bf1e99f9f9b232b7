#include "writer/SampleJobRing.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr uint32_t kHeadroom = 1u << 20;

}  // namespace

SampleJob::SampleJob(const std::shared_ptr<zeb::sys::SignalDomain>& domain)
    : readyEvent(zeb::sys::ResetMode::kAuto, false, domain),
      freeEvent(zeb::sys::ResetMode::kAuto, true, domain) {}

bool SampleJob::Fill(bool video, int32_t samples, std::span<const uint8_t> bytes, uint32_t key,
                     std::span<const uint8_t> description, int64_t hostDisplayOffset) {
  if (!CopyData(bytes)) return false;
  isVideo = video;
  count = samples;
  keyFlag = key;
  displayOffset = hostDisplayOffset;
  return CopyDescription(description, video ? videoDescriptionCopy : audioDescriptionCopy);
}

bool SampleJob::CopyData(std::span<const uint8_t> bytes) {
  if (!data || capacity < bytes.size()) {
    const uint64_t grown = uint64_t{bytes.size()} + kHeadroom;
    if (grown > UINT32_MAX) return false;
    data.reset(new (std::nothrow) uint8_t[grown]);
    capacity = data ? static_cast<uint32_t>(grown) : 0;
    if (!data) return false;
  }
  if (!bytes.empty()) std::memcpy(data.get(), bytes.data(), bytes.size());
  size = static_cast<uint32_t>(bytes.size());
  return true;
}

bool SampleJob::CopyDescription(std::span<const uint8_t> description, std::vector<uint8_t>& copy) {
  try {
    copy.assign(description.begin(), description.end());
  } catch (const std::bad_alloc&) {
    copy.clear();
    return false;
  }
  return true;
}

SampleJobRing::SampleJobRing(size_t jobCount)
    : domain_(zeb::sys::SignalDomain::Create()),
      quit_(zeb::sys::ResetMode::kManual, false, domain_) {
  jobs_.reserve(jobCount);
  for (size_t i = 0; i < jobCount; ++i) jobs_.push_back(std::make_unique<SampleJob>(domain_));
  for (size_t i = 0; i < jobCount; ++i) jobs_[i]->next = jobs_[(i + 1) % jobCount].get();
}
