#include "platform/movie/MovieWriter.h"

#include <algorithm>
#include <ctime>
#include <limits>

#include "platform/movie/ByteWriter.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/SampleDescriptionOrder.h"

namespace zeb::movie {
namespace {

constexpr uint64_t kU32Max = std::numeric_limits<uint32_t>::max();
constexpr uint64_t kSecondsFrom1904To1970 = 2082844800;
constexpr uint64_t kAtomHeader = 8;

Status BadArgument(const std::string& message) {
  return Status::Error(StatusCode::kOutOfRange, message);
}

uint64_t MacTimeNow() { return kSecondsFrom1904To1970 + static_cast<uint64_t>(std::time(nullptr)); }

Status CheckSampleArguments(const WriterMedia& media, const uint8_t* data, uint32_t size,
                            int64_t decodeDuration, int64_t displayOffset,
                            uint32_t numberOfSamples) {
  if (data == nullptr || size == 0) return BadArgument("sample has no data");
  if (numberOfSamples == 0 || size % numberOfSamples != 0) {
    return BadArgument("sample bytes do not divide into " + std::to_string(numberOfSamples) +
                       " samples");
  }
  if (decodeDuration < 0 || static_cast<uint64_t>(decodeDuration) > kU32Max) {
    return BadArgument("decode duration outside 0..2^32-1");
  }
  if (displayOffset < std::numeric_limits<int32_t>::min() ||
      displayOffset > std::numeric_limits<int32_t>::max()) {
    return BadArgument("display offset outside 32 bits");
  }
  if (!media.Table().CanAppend(numberOfSamples))
    return BadArgument("media sample count would pass 2^32-1");
  return Status::Ok();
}

size_t MinimumDescriptionSize(uint32_t mediaType, std::span<const uint8_t> native) {
  if (mediaType == FourCC("vide")) return kImageDescriptionHeaderSize;
  return SoundDescriptionHeaderSize(NativeDescriptionVersion(native));
}

// The description's own length (its first word, native) may be shorter than
// the handle holding it; the entry is that many bytes, header in file order.
Status FileOrderEntry(uint32_t mediaType, std::span<const uint8_t> native,
                      std::vector<uint8_t>& entry) {
  const uint32_t length = NativeDescriptionSize(native);
  if (length > native.size() || length < MinimumDescriptionSize(mediaType, native)) {
    return BadArgument("sample description of " + std::to_string(length) +
                       " bytes in a handle of " + std::to_string(native.size()) + " is not a " +
                       FourCCToString(mediaType) + " description");
  }
  entry.assign(native.begin(), native.begin() + length);
  SampleDescriptionToFileOrder(mediaType, entry);
  return Status::Ok();
}

}  // namespace

Status MovieWriter::CreateMovieFile(const std::string& utf8Path,
                                    std::unique_ptr<MovieWriter>& movie) {
  std::unique_ptr<MovieWriter> created = Blank(utf8Path);
  ZEB_MOVIE_TRY(created->sink_.Open(utf8Path));
  ZEB_MOVIE_TRY(created->WriteFileHeader());
  movie = std::move(created);
  return Status::Ok();
}

std::unique_ptr<MovieWriter> MovieWriter::Blank(const std::string& utf8Path) {
  std::unique_ptr<MovieWriter> movie(new MovieWriter());
  movie->header_.timeScale = kMovieTimeScale;
  movie->header_.macTime = MacTimeNow();
  movie->path_ = utf8Path;
  return movie;
}

Status MovieWriter::WriteFileHeader() {
  const std::vector<uint8_t> header = MovieFileHeader();
  wideOffset_ = header.size() - 2 * kAtomHeader;
  return sink_.Append(header);
}

Status MovieWriter::NewTrack(int32_t width, int32_t height, int16_t volume, WriterTrack*& track) {
  ZEB_MOVIE_TRY(CheckWritable());
  if (width < 0 || height < 0) return BadArgument("negative track size");
  const auto id = static_cast<uint32_t>(tracks_.size() + 1);
  tracks_.push_back(std::make_unique<WriterTrack>(id, width, height, volume));
  track = tracks_.back().get();
  JournalRecord record{.type = JournalRecordType::kTrack};
  record.width = width;
  record.height = height;
  record.volume = volume;
  Journal(record);
  return Status::Ok();
}

Status MovieWriter::NewMedia(WriterTrack* track, uint32_t mediaType, uint32_t timeScale,
                             WriterMedia*& media) {
  ZEB_MOVIE_TRY(CheckWritable());
  ZEB_MOVIE_TRY(FindTrack(track));
  if (track->Media() != nullptr)
    return Status::Error(StatusCode::kInvalid, "track already has a media");
  if (mediaType != FourCC("vide") && mediaType != FourCC("soun")) {
    return Status::Error(StatusCode::kUnsupported, "media type " + FourCCToString(mediaType));
  }
  if (timeScale == 0) return BadArgument("time scale 0");
  media_.push_back(std::make_unique<WriterMedia>(mediaType, timeScale));
  media = media_.back().get();
  track->SetMedia(media);
  journalledTicks_.push_back(0);
  JournalRecord record{.type = JournalRecordType::kMedia};
  record.track = track->Id() - 1;
  record.mediaType = mediaType;
  record.timeScale = timeScale;
  Journal(record);
  return Status::Ok();
}

Status MovieWriter::BeginMediaEdits(WriterMedia* media) {
  ZEB_MOVIE_TRY(FindMedia(media));
  media->BeginEdits();
  return Status::Ok();
}

Status MovieWriter::EndMediaEdits(WriterMedia* media) {
  ZEB_MOVIE_TRY(FindMedia(media));
  media->EndEdits();
  Journal({.type = JournalRecordType::kEndEdits, .media = MediaIndex(media)});
  return Status::Ok();
}

Status MovieWriter::AddMediaSample2(WriterMedia* media, const uint8_t* data, uint32_t size,
                                    int64_t decodeDuration, int64_t displayOffset,
                                    Handle description, uint32_t numberOfSamples,
                                    uint32_t sampleFlags, int64_t* sampleTime) {
  ZEB_MOVIE_TRY(CheckWritable());
  ZEB_MOVIE_TRY(FindMedia(media));
  if (!media->Editing()) return Status::Error(StatusCode::kInvalid, "media is not being edited");
  ZEB_MOVIE_TRY(
      CheckSampleArguments(*media, data, size, decodeDuration, displayOffset, numberOfSamples));
  uint32_t description_index = 0;
  const size_t descriptions = media->Descriptions().size();
  ZEB_MOVIE_TRY(DescriptionIndex(*media, description, description_index));
  if (media->Descriptions().size() > descriptions) {
    Journal({.type = JournalRecordType::kDescription,
             .media = MediaIndex(media),
             .description = media->Descriptions().back()});
  }

  const uint64_t decode_time = media->Duration();
  const uint64_t file_offset = sink_.Position();
  ZEB_MOVIE_TRY(AppendSampleData(*media, description_index, {data, size}));
  const SampleRun run{numberOfSamples, size / numberOfSamples,
                      static_cast<uint32_t>(decodeDuration), static_cast<int32_t>(displayOffset),
                      (sampleFlags & kSampleNotSync) == 0};
  media->Append(run);
  if (sampleTime != nullptr) *sampleTime = static_cast<int64_t>(decode_time);
  Journal({.type = JournalRecordType::kSamples,
           .media = MediaIndex(media),
           .fileOffset = file_offset,
           .run = run,
           .descriptionIndex = description_index});
  return MaybeCommitJournal(*media);
}

// A new description is converted to file order and kept once per media;
// none keeps the description of the previous sample.
Status MovieWriter::DescriptionIndex(WriterMedia& media, Handle description,
                                     uint32_t& index) const {
  if (description == nullptr) {
    if (media.CurrentDescription() == 0)
      return BadArgument("first sample of a media has no description");
    index = media.CurrentDescription();
    return Status::Ok();
  }
  std::vector<uint8_t> entry;
  ZEB_MOVIE_TRY(FileOrderEntry(media.Type(), {*description, GetHandleSize(description)}, entry));
  index = media.UseDescription(std::move(entry));
  return Status::Ok();
}

Status MovieWriter::AppendSampleData(WriterMedia& media, uint32_t descriptionIndex,
                                     std::span<const uint8_t> data) {
  if (media.NeedsNewChunk(descriptionIndex, lastDataMedia_ == &media)) {
    media.StartChunk(sink_.Position(), descriptionIndex);
  }
  ZEB_MOVIE_TRY(Remember(sink_.Append(data)));
  lastDataMedia_ = &media;
  return Status::Ok();
}

Status MovieWriter::MediaDuration(const WriterMedia* media, uint64_t& duration) const {
  ZEB_MOVIE_TRY(FindMedia(media));
  duration = media->Duration();
  return Status::Ok();
}

Status MovieWriter::InsertMediaIntoTrack(WriterTrack* track, int64_t trackStart, int64_t mediaTime,
                                         int64_t mediaDuration, int32_t rate) {
  ZEB_MOVIE_TRY(CheckWritable());
  ZEB_MOVIE_TRY(FindTrack(track));
  if (trackStart < 0 || mediaDuration < 0)
    return BadArgument("negative track start or media duration");
  return track->InsertMedia(static_cast<uint64_t>(trackStart), mediaTime,
                            static_cast<uint64_t>(mediaDuration), rate, header_.timeScale);
}

Status MovieWriter::AddMovieResource() {
  ZEB_MOVIE_TRY(CheckWritable());
  ZEB_MOVIE_TRY(FinishMediaData());
  // A track without samples has no description, which readers refuse.
  std::vector<const WriterTrack*> tracks;
  for (const auto& track : tracks_) {
    if (track->Media() != nullptr && track->Media()->Table().SampleCount() > 0) {
      tracks.push_back(track.get());
    }
  }
  std::vector<uint8_t> moov;
  ZEB_MOVIE_TRY(BuildMovieAtom(header_, tracks, moov));
  ZEB_MOVIE_TRY(Remember(sink_.Append(moov)));
  resourceAdded_ = true;
  return Status::Ok();
}

// Patches the 'mdat' size: 32 bits in its own header while it fits, else a
// 64-bit header that starts in the 'wide' reserve (ISO/IEC 14496-12 4.2, size 1).
Status MovieWriter::FinishMediaData() {
  const uint64_t mdat_offset = wideOffset_ + kAtomHeader;
  const uint64_t end = sink_.Position();
  ByteWriter header;
  if (end - mdat_offset <= kU32Max) {
    header.PutU32(static_cast<uint32_t>(end - mdat_offset));
    return Remember(sink_.Overwrite(mdat_offset, header.Bytes()));
  }
  header.PutU32(1);
  header.PutU32(FourCC("mdat"));
  header.PutU64(end - wideOffset_);
  return Remember(sink_.Overwrite(wideOffset_, header.Bytes()));
}

Status MovieWriter::CloseMovieFile() {
  const Status closed = sink_.Close();
  if (!failure_.IsOk()) return failure_;
  // Only a complete movie gives up its journal.
  if (closed.IsOk() && resourceAdded_ && journal_) {
    ZEB_MOVIE_TRY(journal_->Remove());
    journal_.reset();
  }
  return closed;
}

Status MovieWriter::CheckWritable() const {
  if (!failure_.IsOk()) return failure_;
  if (!sink_.IsOpen()) return Status::Error(StatusCode::kInvalid, "movie file is closed");
  if (resourceAdded_) return Status::Error(StatusCode::kInvalid, "movie resource already added");
  return Status::Ok();
}

Status MovieWriter::FindMedia(const WriterMedia* media) const {
  const bool ours = std::any_of(media_.begin(), media_.end(),
                                [media](const auto& own) { return own.get() == media; });
  return ours ? Status::Ok() : BadArgument("media does not belong to this movie");
}

Status MovieWriter::FindTrack(const WriterTrack* track) const {
  const bool ours = std::any_of(tracks_.begin(), tracks_.end(),
                                [track](const auto& own) { return own.get() == track; });
  return ours ? Status::Ok() : BadArgument("track does not belong to this movie");
}

Status MovieWriter::Remember(Status status) {
  if (!status.IsOk() && failure_.IsOk()) failure_ = status;
  return status;
}

}  // namespace zeb::movie
