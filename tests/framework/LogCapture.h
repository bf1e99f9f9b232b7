// Collects the lines that the logging service hands to its sink.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/sys/include/ZEBSoftCodecSys.h"

namespace zeb::test {

struct LoggedLine {
    std::string source;
    uint32_t level;
    std::string text;
    bool operator==(const LoggedLine&) const = default;
};

// Installs itself as the sink for its lifetime; the default comes back after.
class LogCapture {
public:
    LogCapture() { ZEB_SetLogSink(&LogCapture::Receive, this); }
    ~LogCapture() { ZEB_SetLogSink(nullptr, nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<LoggedLine>& lines() const { return lines_; }
    void clear() { lines_.clear(); }

private:
    static void Receive(void* context, const char* source, uint32_t level, const char* line) {
        static_cast<LogCapture*>(context)->lines_.push_back({source, level, line});
    }

    std::vector<LoggedLine> lines_;
};

}  // namespace zeb::test
