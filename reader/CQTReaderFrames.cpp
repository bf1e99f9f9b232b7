// The three roads of a video frame and the fix-ups of the delivered bytes.
#include <algorithm>

#include "core/QtLog.h"
#include "media/AnnexB.h"
#include "media/CodecTraits.h"
#include "media/FourCC.h"
#include "media/ImxKlv.h"
#include "reader/CQTFileReader.h"
#include "reader/CQTReader.h"
#include "reader/FrameReaderRing.h"
#include "reader/ImxUnwrap.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

uint32_t OutOfRange(uint32_t* size, uint32_t* key, int32_t* displayOffset) {
  if (size != nullptr) *size = 0;
  if (key != nullptr) *key = 0;
  if (displayOffset != nullptr) *displayOffset = 0;
  QtLogError(L"Over Video Range");
  return ZEB_E_OUT_OF_RANGE;
}

// The media layer's 16-bit status, sign-extended as the result code.
uint32_t MediaError(const zeb::movie::Status& status) {
  return static_cast<uint32_t>(static_cast<int32_t>(status.Err()));
}

}  // namespace

uint32_t CQTReader::GetVideoFrame(uint32_t index, uint8_t* buffer, uint32_t capacity,
                                  uint32_t* size, uint32_t* key, int32_t* displayOffset) {
  if (index >= frameCount_) return OutOfRange(size, key, displayOffset);
  uint32_t result = ZEB_OK;
  if (fileReader_ != nullptr) {
    result = ReadFrameDirect(index, buffer, capacity, size, key, displayOffset);
  } else if (frameReader_ != nullptr) {
    result = frameReader_->Take(index, buffer, capacity, size, key, displayOffset);
  } else {
    result = ReadFrameFromMedia(index, buffer, capacity, size, key, displayOffset);
  }
  if (buffer == nullptr || result != ZEB_OK) return result;
  return FixUpFrame(buffer, capacity, size, *key);
}

uint32_t CQTReader::ReadFrameDirect(uint32_t index, uint8_t* buffer, uint32_t capacity,
                                    uint32_t* size, uint32_t* key, int32_t* displayOffset) {
  const zeb::movie::SampleReference64& entry = sampleRefs_[index];
  if (entry.dataOffset < 0) {
    QtLogError(L"CQTReader::GetVideoFrame()--Index Of Video error");
    return ZEB_E_OUT_OF_RANGE;
  }
  if (buffer != nullptr) {
    // A frame that cannot be delivered whole counts as a short read.
    if (entry.dataSize > capacity) return ZEB_E_FILE_SHORT_READ;
    fileReader_->Seek(static_cast<uint64_t>(entry.dataOffset), CQTFileReader::kFromStart);
    if (fileReader_->Read(buffer, entry.dataSize) != entry.dataSize) {
      return ZEB_E_FILE_SHORT_READ;
    }
  }
  *size = entry.dataSize;
  *key = entry.sampleFlags == 0 ? 1 : 0;
  if (displayOffset != nullptr) {
    *displayOffset = displayOffsets_.empty() ? 0 : static_cast<int32_t>(displayOffsets_[index]);
  }
  return ZEB_OK;
}

uint32_t CQTReader::ReadFrameFromMedia(uint32_t index, uint8_t* buffer, uint32_t capacity,
                                       uint32_t* size, uint32_t* key, int32_t* displayOffset) {
  if (videoMedia_ == nullptr) return ZEB_E_NO_SOUND_MEDIA;
  if (index >= frameCount_) return OutOfRange(size, key, displayOffset);
  int64_t decodeTime = 0;
  int64_t duration = 0;
  const zeb::movie::Status timed =
      videoMedia_->GetSampleDecodeTime(uint64_t{index} + 1, decodeTime, duration);
  if (!timed.IsOk()) return MediaError(timed);

  zeb::movie::SampleReadRequest request;
  request.decodeTime = decodeTime;
  request.destination = buffer;
  request.maxBytes = buffer != nullptr ? std::min(capacity, frameBufferSize_) : 0;
  request.maxSamples = 1;
  zeb::movie::SampleReadResult sample;
  const zeb::movie::Status read = videoMedia_->ReadSamples(request, sample);
  if (displayOffset != nullptr) {
    *displayOffset = sample.decodeDuration == 0
                         ? 0
                         : static_cast<int32_t>(sample.displayOffset / sample.decodeDuration);
  }
  *size = sample.dataSize;
  if (!read.IsOk()) return MediaError(read);
  *key = sample.flags == 0 ? 1 : 0;
  return ZEB_OK;
}

uint32_t CQTReader::FixUpFrame(uint8_t* buffer, uint32_t capacity, uint32_t* size, uint32_t key) {
  const uint32_t fourcc = videoTrack_.fourcc;
  const zeb::media::CodecTraits* codec = zeb::media::FindVideoCodec(fourcc);
  const std::span<uint8_t> frame(buffer, capacity);
  if (codec != nullptr && codec->imxMegabits != 0) {
    *size = UnwrapImxFrame(zeb::media::ImxNominalFrameSize(*codec), frame, *size);
    return ZEB_OK;
  }
  if (fourcc != zeb::media::FourCC("avc1") || avcConfig_ == nullptr) return ZEB_OK;
  const auto grown = zeb::media::LengthPrefixedToAnnexB(*avcConfig_, key != 0, frame, *size);
  if (!grown) return ZEB_E_FILE_SHORT_READ;
  *size = *grown;
  return ZEB_OK;
}

uint32_t CQTReader::StartFrameReader(uint32_t firstIndex, uint32_t slotCount,
                                     uint32_t readAheadSize) {
  if (fileReader_ != nullptr) {
    fileReader_->StopReadAhead();
    fileReader_->EnableReadAhead(readAheadSize, 0);
    return ZEB_OK;
  }
  StopFrameReader();
  if (videoMedia_ == nullptr) return ZEB_OK;
  frameReader_ = FrameReaderRing::Start(
      [this](uint32_t index, uint8_t* buffer, uint32_t capacity, uint32_t* size, uint32_t* key,
             int32_t* displayOffset) {
        return ReadFrameFromMedia(index, buffer, capacity, size, key, displayOffset);
      },
      firstIndex, slotCount, frameBufferSize_);
  return ZEB_OK;
}

uint32_t CQTReader::StopFrameReader() {
  if (fileReader_ != nullptr) {
    fileReader_->StopReadAhead();
    return ZEB_OK;
  }
  frameReader_.reset();
  return ZEB_OK;
}
