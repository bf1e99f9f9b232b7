// Delivery of formatted log lines: the installed sink, or the default
// destination (level-1 lines to stderr). Serialises sink calls.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "framework/sys/include/ZEBSoftCodecSys.h"

namespace zeb::sys {

// Longest line delivered, in characters; longer lines are cut to this.
constexpr size_t kMaxLineChars = 16384;

class LogService {
 public:
  static LogService& Instance();

  void SetSink(ZEBLogSink sink, void* context);
  void Deliver(const wchar_t* source, uint32_t level, const std::wstring& line);

 private:
  static void WriteDefault(const std::string& source, uint32_t level, const std::string& line);

  std::mutex mutex_;
  ZEBLogSink sink_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace zeb::sys
