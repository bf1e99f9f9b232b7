#include "tools/zebqt/ProgressBar.h"

#include <unistd.h>

#include <cstdio>

namespace {
constexpr int kWidth = 40;
}

ProgressBar::ProgressBar(std::string label, uint64_t total)
    : label_(std::move(label)), total_(total), visible_(isatty(STDERR_FILENO) != 0 && total > 0) {}

ProgressBar::~ProgressBar() {
  if (visible_ && last_percent_ >= 0) std::fputc('\n', stderr);
}

void ProgressBar::Update(uint64_t done) {
  if (!visible_) return;
  const int percent = static_cast<int>(done * 100 / total_);
  if (percent == last_percent_) return;
  last_percent_ = percent;
  const int filled = percent * kWidth / 100;
  std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", label_.c_str(), filled,
               "########################################", kWidth - filled, "", percent);
  std::fflush(stderr);
}
