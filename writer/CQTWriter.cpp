#include "writer/CQTWriter.h"

#include <algorithm>
#include <string>

#include "core/LoadQuickTime.h"
#include "core/QtLog.h"
#include "media/FourCC.h"
#include "media/ImxKlv.h"
#include "platform/movie/FileTarget.h"
#include "platform/sys/Utf.h"
#include "writer/BuildVideoSampleDescription.h"
#include "writer/DefaultSoundDescription.h"
#include "writer/RecoveryDefaults.h"
#include "zebplug/ZEBPlugResults.h"

using zeb::movie::Status;

namespace {

constexpr size_t kMaxPathUnits = 255;
constexpr int16_t kVideoVolume = 0;
constexpr int16_t kFullVolume = 0x100;  // 8.8 fixed point

// Track sizes are 16.16 fixed point; a size beyond its range is clamped.
int32_t ToFixed(int32_t pixels) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t{pixels} * 65536, 0, INT32_MAX));
}

size_t SoundTracksFor(int32_t channels) {
  return channels > 2 ? static_cast<size_t>(channels / 2) : 1;
}

bool IsImx(uint32_t fourcc) {
  const zeb::media::CodecTraits* codec = zeb::media::FindVideoCodec(fourcc);
  return codec != nullptr && codec->imxMegabits != 0;
}

// Level 1: a movie that cannot be finished or a journal that cannot be kept
// is something the user must hear about.
void LogMovieFailure(const wchar_t* where, const Status& status) {
  const std::wstring text = std::wstring(where) + L"--" + zeb::sys::Utf8ToWide(status.ToString());
  QtLogError(text.c_str());
}

}  // namespace

CQTWriter::CQTWriter() { LoadQuickTimeOnce(); }

CQTWriter::~CQTWriter() { Close(); }

uint32_t CQTWriter::Open(std::u16string_view path, const WriterSetup& setup) {
  Close();
  if (path.size() > kMaxPathUnits) return ZEB_E_PATH_TOO_LONG;
  if (setup.audioPresent && SoundTracksFor(setup.audio.channels) > kMaxAudioTracks) {
    QtLogMessage(L"CQTWriter::Open--%d audio channels need more than %zu sound tracks",
                 setup.audio.channels, kMaxAudioTracks);
    return ZEB_E_NO_AUDIO_FOURCC;
  }
  if (const uint32_t created = CreateFile(path); created != ZEB_OK) return created;

  Status opened;
  if (setup.videoPresent) opened = OpenVideo(setup);
  if (opened.IsOk() && setup.audioPresent) opened = OpenAudio(setup.audio);
  if (!opened.IsOk()) {
    LogMovieFailure(L"CQTWriter::Open", opened);
    return ZEB_E_FILE_CREATE;
  }
  return ZEB_OK;
}

uint32_t CQTWriter::CreateFile(std::u16string_view path) {
  const std::string utf8Path = zeb::sys::Utf16ToUtf8(path);
  const std::wstring widePath = zeb::sys::Utf16ToWide(path);
  zeb::movie::FSSpec target;
  const wchar_t* failure = nullptr;
  if (!zeb::movie::NativePathNameToFSSpec(utf8Path, target).IsOk()) {
    failure = L"CQTWriter::Open--NativePathNameToFSSpec() Error(";
  } else if (!zeb::movie::MovieWriter::CreateMovieFile(target.utf8Path, movie_).IsOk()) {
    failure = L"CQTWriter::Open--CreateMovieFile() Error(";
  }
  if (failure == nullptr) {
    // A recording that cannot keep its journal still records; it just cannot be recovered.
    const zeb::movie::RecoveryOptions recovery = RecoveryDefaults();
    if (recovery.syncIntervalMs == kRecoveryOff) return ZEB_OK;
    const Status journal = movie_->EnableRecovery(recovery);
    if (!journal.IsOk()) LogMovieFailure(L"CQTWriter::Open--no recovery journal", journal);
    return ZEB_OK;
  }
  ZEBMSGW(kQtLogSource, failure);
  ZEBMSGW(kQtLogSource, widePath.c_str());
  return ZEB_E_FILE_CREATE;
}

Status CQTWriter::OpenMedia(int32_t width, int32_t height, int16_t volume, uint32_t type,
                            uint32_t timeScale, zeb::movie::WriterTrack*& track,
                            zeb::movie::WriterMedia*& media) {
  ZEB_MOVIE_TRY(movie_->NewTrack(ToFixed(width), ToFixed(height), volume, track));
  ZEB_MOVIE_TRY(movie_->NewMedia(track, type, timeScale, media));
  return movie_->BeginMediaEdits(media);
}

Status CQTWriter::OpenVideo(const WriterSetup& setup) {
  const VideoDescriptionRequest& video = setup.video;
  frameDuration_ = video.frameDuration;
  ZEB_MOVIE_TRY(OpenMedia(video.width, video.height, kVideoVolume, zeb::media::FourCC("vide"),
                          static_cast<uint32_t>(video.timeScale), videoTrack_, videoMedia_));
  movie_->SetMatrix(zeb::movie::kIdentityMatrix);
  videoFourcc_ = video.videoFourcc;
  if (IsImx(videoFourcc_)) {
    klvBuffer_.assign(zeb::media::kKlvLengthByteAt + 4 + kMaxImxFrameSize, 0);
    std::copy(zeb::media::kD10KeyPrefix.begin(), zeb::media::kD10KeyPrefix.end(),
              klvBuffer_.begin());
  }
  gopStartIndex_ = 0;
  decodeIndex_ = 0;
  videoDescription_.reset(BuildVideoSampleDescription(video, &setup.videoInfo));
  if (!videoDescription_) {
    return Status::Error(zeb::movie::StatusCode::kNoMemory, "no memory for the image description");
  }
  return Status::Ok();
}

Status CQTWriter::OpenAudio(const AudioSetup& audio) {
  audioFourcc_ = audio.audioFourcc;
  const size_t tracks = SoundTracksFor(audio.channels);
  for (audioTrackCount_ = 0; audioTrackCount_ < tracks; ++audioTrackCount_) {
    ZEB_MOVIE_TRY(OpenMedia(0, 0, kFullVolume, zeb::media::FourCC("soun"),
                            static_cast<uint32_t>(audio.sampleRate), audioTracks_[audioTrackCount_],
                            audioMedias_[audioTrackCount_]));
  }
  soundDescription_.reset(zeb::movie::NewHandle(kSoundDescriptionSize));
  if (!soundDescription_) {
    return Status::Error(zeb::movie::StatusCode::kNoMemory, "no memory for the sound description");
  }
  const int32_t channelsPerTrack = std::max(audio.channels, 1) / static_cast<int32_t>(tracks);
  FillDefaultSoundDescription(
      audio, channelsPerTrack,
      std::span<uint8_t, kSoundDescriptionSize>(*soundDescription_, kSoundDescriptionSize));
  return Status::Ok();
}

uint32_t CQTWriter::Close() {
  StopWriterThread();
  if (movie_) FinishFile();
  videoTrack_ = nullptr;
  videoMedia_ = nullptr;
  audioTrackCount_ = 0;
  audioFourcc_ = 0;
  audioTracks_.fill(nullptr);
  audioMedias_.fill(nullptr);
  videoDescription_.reset();
  soundDescription_.reset();
  klvBuffer_.clear();
  klvBuffer_.shrink_to_fit();
  return ZEB_OK;
}

void CQTWriter::FinishFile() {
  // Each media goes into its track whole from track time 0 at normal rate,
  // less the ticks at its start that are not to be shown.
  auto insert = [this](zeb::movie::WriterTrack* track, zeb::movie::WriterMedia* media,
                       uint64_t skipped) {
    uint64_t duration = 0;
    ZEB_MOVIE_TRY(movie_->EndMediaEdits(media));
    ZEB_MOVIE_TRY(movie_->MediaDuration(media, duration));
    if (duration == 0) return Status::Ok();
    skipped = duration > skipped ? skipped : 0;
    return movie_->InsertMediaIntoTrack(track, 0, static_cast<int64_t>(skipped),
                                        static_cast<int64_t>(duration - skipped),
                                        zeb::movie::kFixedOne);
  };
  Status finished;
  if (videoMedia_ != nullptr) finished = insert(videoTrack_, videoMedia_, 0);
  // AAC's first packet decodes to the encoder's priming, 1024 sample frames
  // (ticks of the sound media's time scale, its sample rate) from libavcodec's
  // AAC encoder and most others; the edit starts after it, as players expect.
  const uint64_t priming = audioFourcc_ == zeb::media::FourCC("mp4a") ? kAacPriming : 0;
  for (size_t i = 0; i < audioTrackCount_ && finished.IsOk(); ++i) {
    if (audioMedias_[i] != nullptr) finished = insert(audioTracks_[i], audioMedias_[i], priming);
  }
  if (finished.IsOk()) finished = movie_->AddMovieResource();
  const Status closed = movie_->CloseMovieFile();
  if (finished.IsOk()) finished = closed;
  if (!finished.IsOk()) LogMovieFailure(L"CQTWriter::Close", finished);
  movie_.reset();
}
