// Sound tracks: their description at open, the merge of matching PCM tracks,
// and block reads with the byte-order rules.
#include <algorithm>
#include <limits>

#include "reader/CQTReader.h"
#include "reader/MediaMeasures.h"
#include "reader/PcmByteOrder.h"
#include "reader/SoundDescriptionAnalysis.h"
#include "zebplug/ZEBPlugResults.h"

namespace {

constexpr uint32_t kDefaultAudioBitRate = 64000;
// More channels than this in one track is taken for a damaged description;
// the audio buffers (channels × 384,000 bytes) stay bounded.
constexpr uint32_t kMaxTrackChannels = 32;

uint32_t ClampToU32(uint64_t value) {
  return static_cast<uint32_t>(std::min<uint64_t>(value, std::numeric_limits<uint32_t>::max()));
}

bool SameStream(const SoundTrack& a, const SoundTrack& b) {
  return a.desc.format == b.desc.format && a.desc.bitsPerSample == b.desc.bitsPerSample &&
         a.desc.sampleRate == b.desc.sampleRate && a.packetCount == b.packetCount;
}

// A track whose first media sample lasts a whole packet's frames stores one
// packet per media sample (as our writer and many encoders do); otherwise one
// sample frame per media sample, frames per packet of them to a packet.
uint32_t MediaSamplesPerPacket(const zeb::movie::Media& media, const AudioTrackDesc& desc) {
  if (desc.variable != 0 || desc.framesPerPacket <= 1) return 1;
  int32_t time = 0;
  int32_t duration = 0;
  if (media.TimeScale() == 0 || !media.SampleNumToMediaTime(1, time, duration).IsOk()) {
    return desc.framesPerPacket;
  }
  const uint64_t frames =
      uint64_t{static_cast<uint32_t>(std::max(duration, 0))} * desc.sampleRate / media.TimeScale();
  return frames >= desc.framesPerPacket ? 1 : desc.framesPerPacket;
}

}  // namespace

void CQTReader::DescribeSoundTrack(const zeb::movie::Media& media) {
  hasAudio_ = 1;
  if (media.SampleDescriptionCount() == 0 || soundTracks_.size() >= kMaxSoundTracks) return;
  SoundTrack track;
  track.description = CopySampleDescription(media, 1);
  if (track.description.empty()) return;
  track.desc = AnalyseSoundDescription(track.description);
  if (track.desc.channels == 0 || track.desc.channels > kMaxTrackChannels) return;
  track.mediaSamplesPerPacket = MediaSamplesPerPacket(media, track.desc);
  track.packetCount = ClampToU32(media.SampleCount() / track.mediaSamplesPerPacket);
  track.desc.bitRate = MediaBitRate(media, kDefaultAudioBitRate);
  track.media = &media;
  soundTracks_.push_back(std::move(track));
}

void CQTReader::SummariseSoundTracks() {
  merged_ = false;
  if (soundTracks_.empty()) return;
  firstAudio_ = soundTracks_.front().desc;
  firstAudioPackets_ = soundTracks_.front().packetCount;
  hasAudio_ = 1;
  if (soundTracks_.back().desc.pcm && soundTracks_.size() >= 2) {
    merged_ =
        std::equal(soundTracks_.begin() + 1, soundTracks_.end(), soundTracks_.begin(), SameStream);
  }
  if (merged_) {
    firstAudio_.channels = 0;
    firstAudio_.bitRate = 0;
    for (SoundTrack& track : soundTracks_) {
      firstAudio_.channels += track.desc.channels;
      firstAudio_.bitRate += track.desc.bitRate;
      track.bufferSize = track.desc.channels * kAudioBytesPerChannel;
      track.buffer.reset(new uint8_t[track.bufferSize]);
    }
  }
  interleaveSize_ = firstAudio_.channels * kAudioBytesPerChannel;
  interleave_.reset(new uint8_t[interleaveSize_]);
}

uint32_t CQTReader::AudioStreamCount() const {
  if (merged_ && !soundTracks_.empty()) return 1;
  return static_cast<uint32_t>(soundTracks_.size());
}

const SoundTrack& CQTReader::AudioStream(uint32_t index, AudioTrackDesc& desc,
                                         uint32_t& packetCount) {
  if (merged_) {
    desc = firstAudio_;
    packetCount = firstAudioPackets_;
    return soundTracks_.front();
  }
  const SoundTrack& track = soundTracks_[index];
  desc = track.desc;
  packetCount = track.packetCount;
  return track;
}

uint32_t CQTReader::GetAudioSamples(uint32_t stream, uint32_t start, uint32_t count,
                                    uint8_t* destination, uint32_t* bytes, uint32_t* samples) {
  *bytes = 0;
  *samples = 0;
  if (soundTracks_.empty()) return ZEB_E_NO_SOUND_MEDIA;
  if (stream >= AudioStreamCount()) stream = 0;
  AudioTrackDesc desc;
  uint32_t packets = 0;
  const SoundTrack& track = AudioStream(stream, desc, packets);
  if (count == 0) return ZEB_OK;
  // Media sample numbers count from 1; constant-size packets hold
  // framesPerPacket media samples each, or one where a media sample is a
  // whole packet.
  const uint64_t perPacket = track.mediaSamplesPerPacket;
  const uint64_t firstSample = uint64_t{start} * perPacket + 1;
  const uint32_t maxSamples = ClampToU32(uint64_t{count} * perPacket);
  int32_t time = 0;
  int32_t duration = 0;
  if (firstSample > std::numeric_limits<uint32_t>::max() ||
      !track.media->SampleNumToMediaTime(static_cast<uint32_t>(firstSample), time, duration)
           .IsOk()) {
    return ZEB_E_SAMPLE_READ;
  }
  uint32_t result = ZEB_OK;
  if (merged_) {
    result = ReadMergedTracks(time, maxSamples, destination, bytes, samples);
  } else {
    result =
        ReadSoundTrack(track, time, maxSamples, destination, interleaveSize_, *bytes, *samples);
    ApplyPcmTreatment(PcmLayoutOf(track.description).treatment,
                      std::span(destination, std::min(*bytes, interleaveSize_)));
  }
  *samples /= track.mediaSamplesPerPacket;
  return result;
}

uint32_t CQTReader::ReadSoundTrack(const SoundTrack& track, int32_t time, uint32_t maxSamples,
                                   uint8_t* destination, uint32_t limit, uint32_t& bytes,
                                   uint32_t& samples) const {
  zeb::movie::SampleReadRequest request;
  request.decodeTime = time;
  request.destination = destination;
  request.maxBytes = limit;
  request.maxSamples = maxSamples;
  zeb::movie::SampleReadResult result;
  const zeb::movie::Status status = track.media->ReadSamples(request, result);
  bytes = result.dataSize;
  samples = result.sampleCount;
  return status.IsOk() ? ZEB_OK : ZEB_E_SAMPLE_READ;
}

// Each track is read into its own buffer, at most its buffer's size, then
// the tracks' channels are interleaved frame by frame in track order. A track
// that delivered fewer frames than the longest is padded with silence.
uint32_t CQTReader::ReadMergedTracks(int32_t time, uint32_t maxSamples, uint8_t* destination,
                                     uint32_t* bytes, uint32_t* samples) {
  const PcmLayout layout = PcmLayoutOf(soundTracks_.front().description);
  uint32_t result = ZEB_OK;
  uint32_t frames = 0;
  std::vector<TrackColumn> columns;
  size_t outFrameBytes = 0;
  for (const SoundTrack& track : soundTracks_) {
    uint32_t trackBytes = 0;
    uint32_t trackSamples = 0;
    if (ReadSoundTrack(track, time, maxSamples, track.buffer.get(), track.bufferSize, trackBytes,
                       trackSamples) != ZEB_OK) {
      result = ZEB_E_SAMPLE_READ;
    }
    *bytes += trackBytes;
    const uint32_t frameBytes = track.desc.channels * layout.valueBytes;
    const uint32_t whole = frameBytes == 0 ? 0 : trackBytes / frameBytes;
    const uint32_t framesRead = std::min(trackSamples, whole);
    columns.push_back(
        {std::span(track.buffer.get(), track.bufferSize), framesRead, frameBytes, outFrameBytes});
    outFrameBytes += frameBytes;
    frames = std::max(frames, layout.interleaves ? framesRead : trackSamples);
  }
  if (layout.interleaves) {
    for (const TrackColumn& column : columns) {
      if (!InterleaveTrack(layout, column, frames, std::span(destination, interleaveSize_),
                           outFrameBytes)) {
        result = ZEB_E_SAMPLE_READ;
      }
    }
  }
  *samples = frames;
  return result;
}
