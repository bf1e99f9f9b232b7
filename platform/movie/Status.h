// Result of every movie-layer operation. Callers that only need the media
// layer's 16-bit result read Err(); diagnostics read ToString(), which names
// the atom path and the file offset where the problem was found.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace zeb::movie {

// 16-bit status as the media layer's callers see it: 0 = success.
using OSErr = int16_t;

inline constexpr OSErr kNoErr = 0;
inline constexpr OSErr kErrIo = -36;
inline constexpr OSErr kErrEndOfData = -39;
inline constexpr OSErr kErrNotFound = -43;
inline constexpr OSErr kErrParam = -50;
inline constexpr OSErr kErrMemory = -108;
inline constexpr OSErr kErrInvalidMovie = -2010;
inline constexpr OSErr kErrUnsupported = -2003;

enum class StatusCode : uint8_t {
  kOk,
  kTruncated,    // the bytes end before the structure does (need more data)
  kInvalid,      // the bytes contradict the file format
  kIoError,      // the operating system refused an open or a read
  kNotFound,     // no such file, description or extension
  kOutOfRange,   // an index, time or buffer size outside what the object holds
  kUnsupported,  // well-formed, but beyond what this layer reads
  kNoMemory,     // an allocation failed or a locked handle would have to move
};

inline constexpr uint64_t kNoFileOffset = ~uint64_t{0};

class [[nodiscard]] Status {
 public:
  Status() = default;  // success

  static Status Ok() { return {}; }
  // `where` is an atom path such as "moov/trak/mdia/minf/stbl/stsz" (may be
  // empty); `fileOffset` the byte of the file where the problem lies.
  static Status Error(StatusCode code, std::string message, std::string where = {},
                      uint64_t fileOffset = kNoFileOffset);

  bool IsOk() const { return details_ == nullptr; }
  StatusCode Code() const;
  OSErr Err() const;
  const std::string& Message() const;
  const std::string& Where() const;
  uint64_t FileOffset() const;
  // "invalid: <message> (at moov/trak/mdia, offset 1234)", or "ok".
  std::string ToString() const;

 private:
  struct Details {
    StatusCode code;
    std::string message;
    std::string where;
    uint64_t fileOffset;
  };
  std::shared_ptr<const Details> details_;  // null on success; shared because immutable
};

const char* StatusCodeName(StatusCode code);

}  // namespace zeb::movie

// Returns the status of `expr` from the enclosing function unless it is success.
#define ZEB_MOVIE_TRY(expr)                                  \
  do {                                                       \
    ::zeb::movie::Status zeb_movie_status_ = (expr);         \
    if (!zeb_movie_status_.IsOk()) return zeb_movie_status_; \
  } while (0)
