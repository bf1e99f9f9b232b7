#include "tests/host/LogCapture.h"

#include <algorithm>
#include <ostream>

#include "framework/sys/include/ZEBSoftCodecSys.h"

LogCapture::LogCapture() { ZEB_SetLogSink(&LogCapture::Sink, this); }

LogCapture::~LogCapture() { ZEB_SetLogSink(nullptr, nullptr); }

void LogCapture::Sink(void* context, const char* source, uint32_t level, const char* line) {
  auto* self = static_cast<LogCapture*>(context);
  std::lock_guard lock(self->mutex_);
  self->lines_.push_back({source, level, line});
}

std::vector<LogLine> LogCapture::Lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::vector<std::string> LogCapture::Texts() const {
  std::vector<std::string> texts;
  for (const LogLine& line : Lines()) texts.push_back(line.text);
  return texts;
}

bool LogCapture::Contains(const std::string& text) const {
  const auto texts = Texts();
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

void LogCapture::Clear() {
  std::lock_guard lock(mutex_);
  lines_.clear();
}

std::ostream& operator<<(std::ostream& out, const LogLine& line) {
  return out << line.source << "[" << line.level << "] " << line.text;
}
