#include "platform/movie/Status.h"

namespace zeb::movie {

Status Status::Error(StatusCode code, std::string message, std::string where, uint64_t fileOffset) {
  Status status;
  if (code != StatusCode::kOk) {
    status.details_ = std::make_shared<const Details>(
        Details{code, std::move(message), std::move(where), fileOffset});
  }
  return status;
}

StatusCode Status::Code() const { return details_ ? details_->code : StatusCode::kOk; }

OSErr Status::Err() const {
  switch (Code()) {
    case StatusCode::kOk:
      return kNoErr;
    case StatusCode::kTruncated:
      return kErrEndOfData;
    case StatusCode::kInvalid:
      return kErrInvalidMovie;
    case StatusCode::kIoError:
      return kErrIo;
    case StatusCode::kNotFound:
      return kErrNotFound;
    case StatusCode::kOutOfRange:
      return kErrParam;
    case StatusCode::kUnsupported:
      return kErrUnsupported;
    case StatusCode::kNoMemory:
      return kErrMemory;
  }
  return kErrInvalidMovie;
}

const std::string& Status::Message() const {
  static const std::string kEmpty;
  return details_ ? details_->message : kEmpty;
}

const std::string& Status::Where() const {
  static const std::string kEmpty;
  return details_ ? details_->where : kEmpty;
}

uint64_t Status::FileOffset() const { return details_ ? details_->fileOffset : kNoFileOffset; }

std::string Status::ToString() const {
  if (!details_) return "ok";
  std::string text = std::string(StatusCodeName(details_->code)) + ": " + details_->message;
  if (!details_->where.empty() || details_->fileOffset != kNoFileOffset) {
    text += " (";
    if (!details_->where.empty()) text += "at " + details_->where;
    if (!details_->where.empty() && details_->fileOffset != kNoFileOffset) text += ", ";
    if (details_->fileOffset != kNoFileOffset)
      text += "offset " + std::to_string(details_->fileOffset);
    text += ")";
  }
  return text;
}

const char* StatusCodeName(StatusCode code) {
  switch (code) {
    case StatusCode::kOk:
      return "ok";
    case StatusCode::kTruncated:
      return "truncated";
    case StatusCode::kInvalid:
      return "invalid";
    case StatusCode::kIoError:
      return "i/o error";
    case StatusCode::kNotFound:
      return "not found";
    case StatusCode::kOutOfRange:
      return "out of range";
    case StatusCode::kUnsupported:
      return "unsupported";
    case StatusCode::kNoMemory:
      return "no memory";
  }
  return "unknown";
}

}  // namespace zeb::movie
