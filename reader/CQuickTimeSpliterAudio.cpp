// The audio ordinals: the audio stream record and blocks of samples.
#include "core/QtLog.h"
#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"
#include "platform/movie/ByteReader.h"
#include "reader/CQTReader.h"
#include "reader/CQuickTimeSpliter.h"
#include "zebplug/ZEBPlugEnums.h"
#include "zebplug/ZEBPlugResults.h"

using zeb::media::FourCCChar;

namespace {

PlugRecords::PrivateDesc SoundDescriptionTriple(const SoundTrack& track) {
  uint32_t size = 0;
  const std::vector<uint8_t>& bytes = track.description;
  if (!zeb::movie::ByteReader(bytes).ReadNativeAt(zeb::media::kDescriptionSizeAt, size).IsOk()) {
    size = 0;
  }
  return PlugRecords::PrivateDesc{PLUG_PRIVATE_QT_SOUND_DESCRIPTION,
                                  const_cast<uint8_t*>(bytes.data()), size};
}

}  // namespace

void CQuickTimeSpliter::FillAudioRecord(const SoundTrack& track, const AudioTrackDesc& desc,
                                        uint32_t packets) {
  audioDesc_ = SoundDescriptionTriple(track);
  SPlugAudioStreamInfo& audio = audioStream_.audio;
  audio.audioType = PLUG_AUDIO_TYPE_QUICKTIME_;
  audio.audioSubType = desc.format;
  audio.channels = desc.channels;
  audio.bitsPerSample = desc.bitsPerSample;
  audio.sampleRate = desc.sampleRate;
  audio.bitRate = desc.bitRate;
  audio.blockAlign = desc.channels * desc.bitsPerSample / 8;
  audioStream_.framesPerPacket = desc.framesPerPacket;
  audioStream_.packetCount = packets;
  PlugRecords::SetPrivate(audioStream_, audioDesc_);
  audioStream_.streamId = 1;
  audioStream_.streamType = PLUG_STREAM_TYPE_AUDIO_;
  audioStream_.containerType = PLUG_CONTAINER_TYPE_QUICKTIME_;
}

uint32_t CQuickTimeSpliter::GetAudioStreamInfo(uint32_t program, uint32_t index,
                                               SPlugStreamInfo* info) {
  if (program >= programCount_ || index >= audioStreamCount_) return ZEB_E_OUT_OF_RANGE;
  AudioTrackDesc desc;
  uint32_t packets = 0;
  const SoundTrack& track = reader_->AudioStream(index, desc, packets);
  ZEB_OutputW(kQtLogSource, ZEB_INFO_TRACE, L"QuickTime--dwAudioFOURCC: '%c%c%c%c'",
              FourCCChar(desc.format, 0), FourCCChar(desc.format, 1), FourCCChar(desc.format, 2),
              FourCCChar(desc.format, 3));
  FillAudioRecord(track, desc, packets);
  if (info != nullptr) *info = audioStream_;
  return ZEB_OK;
}

// Reads come from the selected audio stream; the block's triple and its
// end-of-stream test are that stream's.
uint32_t CQuickTimeSpliter::ReadAudioSamples(uint32_t start, uint32_t count, uint8_t* buffer,
                                             SPlugFrameInfo* info) {
  if (buffer == nullptr || info == nullptr) return ZEB_E_NULL_POINTER;
  if (reader_ == nullptr || audioStreamCount_ == 0) return ZEB_E_NO_SOUND_MEDIA;
  uint32_t bytes = 0;
  uint32_t samples = 0;
  const uint32_t result =
      reader_->GetAudioSamples(currentAudioStream_, start, count, buffer, &bytes, &samples);
  AudioTrackDesc desc;
  uint32_t packets = 0;
  const SoundTrack& track = reader_->AudioStream(currentAudioStream_, desc, packets);
  info->dataSize = bytes;
  info->unitCount = samples;
  info->decodePosition = start;
  info->presentationPosition = start;
  info->streamType = PLUG_STREAM_TYPE_AUDIO_;
  info->frameType = PLUG_FRAME_COMPRESS_TYPE_I_;
  PlugRecords::SetPrivate(*info, SoundDescriptionTriple(track));
  info->streamState =
      uint64_t{start} + count >= packets ? PLUG_STREAMSTATE_END_ : PLUG_STREAMSTATE_MORE_;
  return result;
}

uint32_t CQuickTimeSpliter::ReadAudioSamplesAlt(uint32_t start, uint32_t count, uint8_t** buffer,
                                                SPlugFrameInfo* info) {
  if (buffer == nullptr) return ZEB_E_NULL_POINTER;
  if (reader_ == nullptr || audioStreamCount_ == 0) return ZEB_E_NO_SOUND_MEDIA;
  *buffer = reader_->InterleaveBuffer();
  return ReadAudioSamples(start, count, *buffer, info);
}
