#include "reader/CQTReader.h"

#include "core/LoadQuickTime.h"
#include "core/QtLog.h"
#include "platform/movie/FourCC.h"
#include "platform/sys/Utf.h"
#include "reader/CQTFileReader.h"
#include "reader/FrameReaderRing.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr size_t kMaxPathUnits = 255;

bool IsFileUnreachable(const zeb::movie::Status& status) {
  return status.Code() == zeb::movie::StatusCode::kIoError ||
         status.Code() == zeb::movie::StatusCode::kNotFound;
}

}  // namespace

CQTReader::CQTReader(DirectRead directRead) : directRead_(directRead) { LoadQuickTimeOnce(); }

CQTReader::~CQTReader() { Close(); }

uint32_t CQTReader::Open(const char16_t* path, OpenResult& result) {
  Close();
  const std::u16string_view units = zeb::sys::TerminatedView(path, kMaxPathUnits + 1);
  if (units.size() > kMaxPathUnits) return ZEB_E_PATH_TOO_LONG;
  path_.assign(units);
  const uint32_t opened = OpenMovie();
  if (opened != ZEB_OK) return opened;

  for (uint32_t i = 1; i <= movie_->TrackCount(); ++i) {
    const zeb::movie::Track* track = movie_->GetTrack(i);
    if (track->Id() != i) {
      QtLogMessage(L"CQTReader::Open()--TrackIndex:%d, TackID:%d\n", i, track->Id());
    }
    if (!track->OpenStatus().IsOk()) {
      // One broken track does not cost the movie its other tracks.
      QtLogMessage(L"CQTReader::Open()--Track %d skipped: %ls\n", i,
                   zeb::sys::Utf8ToWide(track->OpenStatus().ToString()).c_str());
      continue;
    }
    const zeb::movie::Media& media = track->GetMedia();
    if (media.Type() == zeb::movie::FourCC("vide") && videoTrackCount_ == 0) {
      DescribeVideoTrack(media);
    } else if (media.Type() == zeb::movie::FourCC("soun")) {
      DescribeSoundTrack(media);
    }
  }
  if (videoTrackCount_ == 1) {
    hasVideo_ = 1;
    frameBufferSize_ = videoTrack_.width * videoTrack_.height * 4;
  }
  SummariseSoundTracks();

  result.hasVideo = hasVideo_;
  result.videoTrack = videoTrack_;
  result.frameCount = frameCount_;
  result.hasAudio = hasAudio_;
  result.firstAudio = firstAudio_;
  result.firstAudioPackets = firstAudioPackets_;
  return ZEB_OK;
}

uint32_t CQTReader::OpenMovie() {
  zeb::movie::Status status = zeb::movie::Movie::Open(zeb::sys::Utf16ToUtf8(path_), movie_);
  if (status.IsOk()) return ZEB_OK;
  if (IsFileUnreachable(status)) {
    QtLogMessage(L"CQTReader::Open--OpenMovieFile() Error(");
    QtLogMessage(L"%ls", zeb::sys::Utf16ToWide(path_).c_str());
  } else {
    QtLogMessage(L"OpenMovieFile() Error\n ");
  }
  movie_.reset();
  return ZEB_E_FILE_OPEN;
}

void CQTReader::Close() {
  StopFrameReader();
  frameReader_.reset();
  soundTracks_.clear();
  interleave_.reset();
  interleaveSize_ = 0;
  merged_ = false;
  firstAudio_ = {};
  firstAudioPackets_ = 0;
  sampleRefs_.clear();
  sampleRefs_.shrink_to_fit();
  displayOffsets_.clear();
  displayOffsets_.shrink_to_fit();
  if (fileReader_ != nullptr) fileReader_->Close();
  fileReader_.reset();
  avcConfig_.reset();
  imageDescription_.clear();
  videoTrack_ = {};
  videoMedia_ = nullptr;
  frameCount_ = 0;
  frameBufferSize_ = 0;
  videoTrackCount_ = 0;
  hasVideo_ = 0;
  hasAudio_ = 0;
  movie_.reset();
}
