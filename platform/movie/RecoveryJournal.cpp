#include "platform/movie/RecoveryJournal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/movie/ByteReader.h"
#include "platform/movie/ByteWriter.h"
#include "platform/movie/Crc32.h"

namespace zeb::movie {
namespace {

constexpr size_t kRecordHead = 5;   // type, length
constexpr size_t kRecordCheck = 4;  // CRC-32
constexpr uint32_t kMaxPayload = 1u << 24;

Status JournalIoError(const char* what, const std::string& path) {
  return Status::Error(StatusCode::kIoError,
                       std::string(what) + " " + path + ": " + std::strerror(errno));
}

Status WriteAll(int fd, std::span<const uint8_t> bytes, const std::string& path) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return JournalIoError("cannot write", path);
    bytes = bytes.subspan(static_cast<size_t>(written));
  }
  return Status::Ok();
}

void PutPayload(const JournalRecord& record, ByteWriter& out) {
  switch (record.type) {
    case JournalRecordType::kTrack:
      out.PutU32(static_cast<uint32_t>(record.width));
      out.PutU32(static_cast<uint32_t>(record.height));
      out.PutU16(static_cast<uint16_t>(record.volume));
      break;
    case JournalRecordType::kMedia:
      out.PutU32(record.track);
      out.PutU32(record.mediaType);
      out.PutU32(record.timeScale);
      break;
    case JournalRecordType::kMatrix:
      for (const int32_t value : record.matrix) out.PutU32(static_cast<uint32_t>(value));
      break;
    case JournalRecordType::kDescription:
      out.PutU32(record.media);
      out.PutBytes(record.description);
      break;
    case JournalRecordType::kSamples:
      out.PutU32(record.media);
      out.PutU64(record.fileOffset);
      out.PutU32(record.run.count);
      out.PutU32(record.run.size);
      out.PutU32(record.run.duration);
      out.PutU32(static_cast<uint32_t>(record.run.displayOffset));
      out.PutU8(record.run.sync ? 1 : 0);
      out.PutU32(record.descriptionIndex);
      break;
    case JournalRecordType::kEndEdits:
      out.PutU32(record.media);
      break;
  }
}

Status ReadPayload(ByteReader& in, JournalRecord& record) {
  uint32_t word = 0;
  switch (record.type) {
    case JournalRecordType::kTrack: {
      uint32_t width = 0, height = 0;
      uint16_t volume = 0;
      ZEB_MOVIE_TRY(in.ReadU32(width));
      ZEB_MOVIE_TRY(in.ReadU32(height));
      ZEB_MOVIE_TRY(in.ReadU16(volume));
      record.width = static_cast<int32_t>(width);
      record.height = static_cast<int32_t>(height);
      record.volume = static_cast<int16_t>(volume);
      return Status::Ok();
    }
    case JournalRecordType::kMedia:
      ZEB_MOVIE_TRY(in.ReadU32(record.track));
      ZEB_MOVIE_TRY(in.ReadU32(record.mediaType));
      return in.ReadU32(record.timeScale);
    case JournalRecordType::kMatrix:
      for (int32_t& value : record.matrix) ZEB_MOVIE_TRY(in.ReadS32(value));
      return Status::Ok();
    case JournalRecordType::kDescription: {
      ZEB_MOVIE_TRY(in.ReadU32(record.media));
      const std::span<const uint8_t> rest = in.Rest();
      record.description.assign(rest.begin(), rest.end());
      return in.Skip(rest.size());
    }
    case JournalRecordType::kSamples: {
      uint8_t sync = 0;
      ZEB_MOVIE_TRY(in.ReadU32(record.media));
      ZEB_MOVIE_TRY(in.ReadU64(record.fileOffset));
      ZEB_MOVIE_TRY(in.ReadU32(record.run.count));
      ZEB_MOVIE_TRY(in.ReadU32(record.run.size));
      ZEB_MOVIE_TRY(in.ReadU32(record.run.duration));
      ZEB_MOVIE_TRY(in.ReadU32(word));
      record.run.displayOffset = static_cast<int32_t>(word);
      ZEB_MOVIE_TRY(in.ReadU8(sync));
      record.run.sync = sync != 0;
      return in.ReadU32(record.descriptionIndex);
    }
    case JournalRecordType::kEndEdits:
      return in.ReadU32(record.media);
  }
  return in.Invalid("unknown journal record");
}

bool KnownType(uint8_t type) {
  for (const JournalRecordType known :
       {JournalRecordType::kTrack, JournalRecordType::kMedia, JournalRecordType::kMatrix,
        JournalRecordType::kDescription, JournalRecordType::kSamples,
        JournalRecordType::kEndEdits}) {
    if (type == static_cast<uint8_t>(known)) return true;
  }
  return false;
}

// One whole record from the reader's cursor, or false at a cut or damaged
// one. `journal` is the whole file the reader walks, for the check.
bool ReadRecord(std::span<const uint8_t> journal, ByteReader& in, JournalRecord& record) {
  const size_t start = in.Position();
  uint8_t type = 0;
  uint32_t length = 0;
  if (!in.ReadU8(type).IsOk() || !in.ReadU32(length).IsOk() || !KnownType(type) ||
      length > kMaxPayload || in.Remaining() < size_t{length} + kRecordCheck) {
    return false;
  }
  ByteReader payload;
  uint32_t check = 0;
  if (!in.Slice(length, payload).IsOk() || !in.ReadU32(check).IsOk()) return false;
  if (Crc32(journal.subspan(start, kRecordHead + length)) != check) return false;
  record = JournalRecord{};
  record.type = static_cast<JournalRecordType>(type);
  return ReadPayload(payload, record).IsOk() && payload.Remaining() == 0;
}

}  // namespace

std::string RecoveryJournalPath(const std::string& moviePath) { return moviePath + ".zebrec"; }

RecoveryJournal::~RecoveryJournal() {
  if (fd_ >= 0) ::close(fd_);
}

Status RecoveryJournal::Create(const std::string& moviePath) {
  path_ = RecoveryJournalPath(moviePath);
  fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd_ < 0) return JournalIoError("cannot create", path_);
  ByteWriter header;
  header.PutBytes(kJournalMagic);
  header.PutU32(kJournalVersion);
  return WriteAll(fd_, header.Bytes(), path_);
}

// Encoded in place at the end of the waiting records: one record per sample
// run is written for the whole recording, so it costs no allocation.
void RecoveryJournal::Add(const JournalRecord& record) {
  const size_t start = pending_.Size();
  pending_.PutU8(static_cast<uint8_t>(record.type));
  pending_.PutU32(0);  // the payload's length, once known
  PutPayload(record, pending_);
  pending_.PatchU32(start + 1, static_cast<uint32_t>(pending_.Size() - start - kRecordHead));
  pending_.PutU32(Crc32(std::span(pending_.Bytes()).subspan(start)));
}

Status RecoveryJournal::Commit(bool durable) {
  if (fd_ < 0) return Status::Error(StatusCode::kInvalid, "journal not open");
  ZEB_MOVIE_TRY(WriteAll(fd_, pending_.Bytes(), path_));
  pending_.Clear();
  if (durable && ::fdatasync(fd_) != 0) return JournalIoError("cannot sync", path_);
  return Status::Ok();
}

Status RecoveryJournal::Remove() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  pending_.Clear();
  if (::unlink(path_.c_str()) != 0 && errno != ENOENT)
    return JournalIoError("cannot delete", path_);
  return Status::Ok();
}

}  // namespace zeb::movie

namespace zeb::movie {

Status ReadRecoveryJournal(const std::string& path, JournalContents& contents) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return errno == ENOENT ? Status::Error(StatusCode::kNotFound, "no recovery journal " + path)
                           : JournalIoError("cannot open", path);
  }
  std::vector<uint8_t> bytes;
  uint8_t block[1 << 16];
  for (;;) {
    const ssize_t got = ::read(fd, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    bytes.insert(bytes.end(), block, block + got);
  }
  ::close(fd);
  // A recording killed while it created its journal leaves part of the head
  // at most: a journal of nothing.
  ByteWriter head;
  head.PutBytes(kJournalMagic);
  head.PutU32(kJournalVersion);
  if (bytes.size() < head.Size() && std::equal(bytes.begin(), bytes.end(), head.Bytes().begin())) {
    contents = JournalContents{kJournalVersion, {}, false};
    return Status::Ok();
  }
  ByteReader in(bytes);
  std::span<const uint8_t> magic;
  if (!in.ReadBytes(kJournalMagic.size(), magic).IsOk() ||
      !std::equal(magic.begin(), magic.end(), kJournalMagic.begin()) ||
      !in.ReadU32(contents.version).IsOk() || contents.version != kJournalVersion) {
    return Status::Error(StatusCode::kInvalid, "not a recovery journal of this version: " + path);
  }
  contents.records.clear();
  JournalRecord record;
  while (in.Remaining() > 0 && ReadRecord(bytes, in, record)) contents.records.push_back(record);
  contents.damagedTail = in.Remaining() > 0;
  return Status::Ok();
}

}  // namespace zeb::movie
