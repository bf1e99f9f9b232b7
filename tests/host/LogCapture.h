// Captures every line the framework log receives while it lives.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct LogLine {
  std::string source;
  uint32_t level;
  std::string text;

  bool operator==(const LogLine&) const = default;
};

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<LogLine> Lines() const;
  // Texts only, in order.
  std::vector<std::string> Texts() const;
  bool Contains(const std::string& text) const;
  void Clear();

 private:
  static void Sink(void* context, const char* source, uint32_t level, const char* line);

  mutable std::mutex mutex_;
  std::vector<LogLine> lines_;
};

std::ostream& operator<<(std::ostream& out, const LogLine& line);
