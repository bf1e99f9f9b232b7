// Where libav's own messages go (libavcodec, libswscale, libswresample, and
// the coders inside them such as x264): to a sink of the caller's instead of
// standard error.
#pragma once

#include <cstdint>

namespace zeb::codec {

// libav's levels as the route tells them apart: kError takes its panic,
// fatal and error levels.
enum class LibavSeverity : uint8_t { kError, kWarning, kInfo };

// One whole message line, without its newline; `origin` names what logged it
// ("h264", "libx264", "swscaler"), empty when nothing did.
using LibavLogSink = void (*)(LibavSeverity severity, const char* origin, const char* line);

// Routes every libav message of AV_LOG_INFO or more severe to `sink` from
// now on; more detailed ones are dropped. Process-wide, as libav's log is:
// the first call installs the route, later calls only change the sink.
void RouteLibavLog(LibavLogSink sink);

}  // namespace zeb::codec
