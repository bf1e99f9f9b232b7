#include "reader/CQuickTimeSpliter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "core/QtLog.h"
#include "framework/proxy/include/ZEBProxyCodec.h"
#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"
#include "platform/movie/ByteReader.h"
#include "platform/sys/Utf.h"
#include "reader/CQTReader.h"
#include "reader/H264AnalyzerModule.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugResults.h"

using zeb::media::FourCCChar;

namespace {

constexpr uint32_t kDefaultReadOptions[PLUG_READ_OPTIONS_WORDS] = {1, 1, 0, 0x100000, 0x20000080,
                                                                   0, 0, 0, 0,        0};
// Frames the frame-reader thread keeps read ahead.
constexpr uint32_t kFrameReaderSlots = 25;

// The triple of a description: its address and its own first word, the size.
PlugRecords::PrivateDesc DescriptionTriple(uint32_t kind, std::vector<uint8_t>& bytes) {
  uint32_t size = 0;
  if (!zeb::movie::ByteReader(bytes).ReadNativeAt(zeb::media::kDescriptionSizeAt, size).IsOk()) {
    size = 0;
  }
  return PlugRecords::PrivateDesc{kind, bytes.data(), size};
}

}  // namespace

CQuickTimeSpliter::CQuickTimeSpliter(DirectRead directRead) : directRead_(directRead) {
  std::memcpy(readOptions_, kDefaultReadOptions, sizeof(readOptions_));
  PlugRecords::Init(videoStream_);
  PlugRecords::Init(audioStream_);
}

CQuickTimeSpliter::~CQuickTimeSpliter() { Close(); }

void CQuickTimeSpliter::Close() {
  if (reader_ != nullptr) {
    reader_->Close();
    delete reader_;
    reader_ = nullptr;
  }
  frameBuffer_.Free();
  analyzer_.reset();
}

uint32_t CQuickTimeSpliter::Open(const SPlugOpenParam* param) {
  Close();
  ResetStreams();
  reader_ = new CQTReader(directRead_);
  if (param == nullptr || param->count != 1 || param->source == nullptr ||
      param->source->kind != 0) {
    return ZEB_E_NOT_SUPPORTED;
  }
  const char16_t* path = param->source->path;
  const uint32_t checked = CheckSourceFile(path);
  if (checked != ZEB_OK) return checked;

  OpenResult result;
  const uint32_t opened = reader_->Open(path, result);
  if (opened != ZEB_OK) return opened;
  // The probing reads of the settlement below are bounded by this movie's count.
  frameCount_ = result.frameCount;
  if (result.hasVideo != 0) {
    FillVideoRecord(result.videoTrack);
    if (const auto ended = SettleVideoType(result.videoTrack.fourcc)) return *ended;
    CompleteVideoRecord(result.frameCount);
  }
  if (result.hasAudio != 0 && reader_->AudioStreamCount() != 0) CompleteAudioRecord();
  nextFrame_ = 0;
  return ZEB_OK;
}

void CQuickTimeSpliter::ResetStreams() {
  programCount_ = 1;
  currentProgram_ = 0;
  videoStreamCount_ = 0;
  currentVideoStream_ = 0;
  audioStreamCount_ = 0;
  currentAudioStream_ = 0;
  frameCount_ = 0;
  maxVideoFrameSize_ = 0;
  PlugRecords::Init(videoStream_);
  PlugRecords::Init(audioStream_);
  videoDesc_ = {};
  audioDesc_ = {};
}

void CQuickTimeSpliter::CompleteAudioRecord() {
  AudioTrackDesc desc;
  uint32_t packets = 0;
  const SoundTrack& track = reader_->AudioStream(0, desc, packets);
  FillAudioRecord(track, desc, packets);
  audioStream_.fileSize = fileSize_;
  state_ = 1;
  audioStreamCount_ = reader_->AudioStreamCount();
}

// Opens the file for reading as the system sees it, before the movie layer
// does, and measures it.
uint32_t CQuickTimeSpliter::CheckSourceFile(const char16_t* path) {
  const std::u16string_view units = zeb::sys::TerminatedView(path, PLUG_SOURCE_PATH_UNITS);
  const int fd = ::open(zeb::sys::Utf16ToUtf8(units).c_str(), O_RDONLY | O_CLOEXEC);
  struct stat status {};
  if (fd < 0 || ::fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    if (fd >= 0) ::close(fd);
    QtLogMessage(L"CQuickTimeSpliter: CreateFile() of %ls error\n",
                 zeb::sys::Utf16ToWide(units).c_str());
    return ZEB_E_FILE_OPEN;
  }
  fileSize_ = static_cast<uint64_t>(status.st_size);
  ::close(fd);
  return ZEB_OK;
}

void CQuickTimeSpliter::FillVideoRecord(const VideoTrackDesc& track) {
  SPlugVideoStreamInfo& video = videoStream_.video;
  video.width = track.width;
  video.height = track.height;
  video.frameRateNum = track.timeScale;
  video.frameRateDen = track.frameDuration;
  video.gopSize = track.gopSize;
  video.bitRate = track.bitRate;
  video.fieldOrder = track.fieldOrder;
  video.aspectX = track.aspectX;
  video.aspectY = track.aspectY;
  video.colorPrimaries = track.colorPrimaries;
  video.transferFunction = track.transferFunction;
  video.matrix = track.matrix;
  video.videoRange = 1;
  video.reserved18 = 1;
  video.gopReserved = 0;
  video.colorFormat = PLUG_COLOR_FORMAT_ARGB32_;
  video.videoType = PLUG_VIDEO_TYPE_QUICKTIME_;
  video.videoSubType = GetVideoSubType(PLUG_VIDEO_TYPE_QUICKTIME_, track.fourcc);
  ZEB_OutputW(kQtLogSource, ZEB_INFO_TRACE, L"QuickTime--dwVideoFOURCC:'%c%c%c%c'",
              FourCCChar(track.fourcc, 0), FourCCChar(track.fourcc, 1), FourCCChar(track.fourcc, 2),
              FourCCChar(track.fourcc, 3));
}

void CQuickTimeSpliter::CompleteVideoRecord(uint32_t frameCount) {
  videoDesc_ = DescriptionTriple(PLUG_PRIVATE_QT_IMAGE_DESCRIPTION, reader_->ImageDescription());
  PlugRecords::SetPrivate(videoStream_, videoDesc_);
  videoStream_.streamId = 0;
  videoStream_.packetCount = 0;
  // Every read into a host or shared buffer is bounded by this size. A stream
  // parser's size whose product passes 32 bits is held at the largest value.
  const uint64_t recordSize = uint64_t{videoStream_.video.width} * videoStream_.video.height * 4;
  maxVideoFrameSize_ = static_cast<uint32_t>(std::min<uint64_t>(recordSize, UINT32_MAX));
  videoStream_.fileSize = fileSize_;
  videoStream_.streamType = PLUG_STREAM_TYPE_VIDEO_;
  videoStream_.frameCount = frameCount;
  videoStream_.containerType = PLUG_CONTAINER_TYPE_QUICKTIME_;
  videoStream_.video.componentDepth = -1;
  frameCount_ = frameCount;
  state_ = 1;
  videoStreamCount_ = 1;
}

uint32_t CQuickTimeSpliter::GetVideoStreamInfo(uint32_t program, uint32_t index,
                                               SPlugStreamInfo* info) const {
  if (program >= programCount_ || index >= videoStreamCount_) return ZEB_E_OUT_OF_RANGE;
  if (info != nullptr) *info = videoStream_;
  return ZEB_OK;
}

uint32_t CQuickTimeSpliter::SelectStreams(uint32_t program, uint32_t video, uint32_t audio) {
  if (program >= programCount_ || video >= videoStreamCount_ || audio >= audioStreamCount_) {
    return ZEB_E_OUT_OF_RANGE;
  }
  currentProgram_ = program;
  currentVideoStream_ = video;
  currentAudioStream_ = audio;
  return ZEB_OK;
}

uint32_t CQuickTimeSpliter::SetReadOptions(const uint32_t* options) {
  std::memcpy(readOptions_, options, sizeof(readOptions_));
  if (reader_ == nullptr) return ZEB_OK;
  if (readOptions_[PLUG_READ_OPTION_READ_AHEAD] != 0) {
    // The ring starts at the frame last delivered; before any read the index
    // wraps to 0xFFFFFFFF and that slot's read fails as out of range.
    reader_->StartFrameReader(nextFrame_ - 1, kFrameReaderSlots,
                              readOptions_[PLUG_READ_OPTION_READ_AHEAD_SIZE]);
  } else {
    reader_->StopFrameReader();
  }
  return ZEB_OK;
}

uint32_t CQuickTimeSpliter::GetReadOptions(uint32_t* options) const {
  std::memcpy(options, readOptions_, sizeof(readOptions_));
  return ZEB_OK;
}
