// A one-line progress bar on stderr, drawn only when stderr is a terminal.
#pragma once

#include <cstdint>
#include <string>

class ProgressBar {
 public:
  ProgressBar(std::string label, uint64_t total);
  ~ProgressBar();
  void Update(uint64_t done);

 private:
  std::string label_;
  uint64_t total_;
  bool visible_;
  int last_percent_ = -1;
};
