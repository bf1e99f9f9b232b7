// One open movie: its first video track, its sound tracks and the roads that
// deliver their samples. Frames come by one of three roads: straight from
// the file (direct read mode, decided at open), from the frame-reader ring
// (read-ahead on without direct mode), or one media-layer read per call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/AvcConfigRecord.h"
#include "platform/movie/Movie.h"
#include "platform/movie/SampleReference.h"
#include "reader/AudioTrackDesc.h"
#include "reader/VideoTrackDesc.h"

class CQTFileReader;
class FrameReaderRing;

// What an open hands back to the spliter.
struct OpenResult {
  uint32_t hasVideo = 0;
  VideoTrackDesc videoTrack;
  uint32_t frameCount = 0;
  uint32_t hasAudio = 0;
  AudioTrackDesc firstAudio;  // the first sound track, or the merged ones
  uint32_t firstAudioPackets = 0;
};

// One described sound track.
struct SoundTrack {
  AudioTrackDesc desc;
  const zeb::movie::Media* media = nullptr;
  uint32_t packetCount = 0;
  // Media samples that make one packet of constant size: frames per packet
  // where each media sample is one sample frame (QuickTime's layout for
  // compressed sound), 1 where each media sample is a whole packet.
  uint32_t mediaSamplesPerPacket = 1;
  std::vector<uint8_t> description;   // normalised sound description
  std::unique_ptr<uint8_t[]> buffer;  // merge only: channels × kAudioBytesPerChannel
  uint32_t bufferSize = 0;
};

// Whether the open may set up direct read mode. Hosts always get it; the
// media-layer roads (threaded and plain) are then taken only for movies whose
// sample table or file refuses it, so tests can ask for them outright.
enum class DirectRead { kAllowed, kRefused };

class CQTReader {
 public:
  // Bytes of audio buffer per channel: the bound of one audio read.
  static constexpr uint32_t kAudioBytesPerChannel = 384000;
  // At most this many sound tracks are described; later ones are ignored.
  static constexpr size_t kMaxSoundTracks = 16;

  explicit CQTReader(DirectRead directRead = DirectRead::kAllowed);
  virtual ~CQTReader();
  CQTReader(const CQTReader&) = delete;
  CQTReader& operator=(const CQTReader&) = delete;

  // path: NUL-terminated UTF-16. Returns 0 or a result code.
  uint32_t Open(const char16_t* path, OpenResult& result);
  // Stops the worker threads first, then releases everything the open built;
  // harmless when nothing is open.
  void Close();

  // Video. With a null buffer only size, key flag and display offset (in
  // frames) are delivered. A buffer holds `capacity` bytes: a frame that
  // would not fit, as stored or grown by its fix-ups, gives 0x80000107
  // rather than a write past it. Reads through the media layer take at most
  // FrameBufferSize() bytes besides.
  uint32_t GetVideoFrame(uint32_t index, uint8_t* buffer, uint32_t capacity, uint32_t* size,
                         uint32_t* key, int32_t* displayOffset);
  uint32_t ReadFrameFromMedia(uint32_t index, uint8_t* buffer, uint32_t capacity, uint32_t* size,
                              uint32_t* key, int32_t* displayOffset);
  // Direct mode: restarts the file read-ahead with `readAheadSize` bytes.
  // Otherwise starts the frame-reader ring at `firstIndex`.
  uint32_t StartFrameReader(uint32_t firstIndex, uint32_t slotCount, uint32_t readAheadSize);
  uint32_t StopFrameReader();

  uint32_t VideoFourCC() const { return videoTrack_.fourcc; }
  uint32_t FrameBufferSize() const { return frameBufferSize_; }
  bool IsDirectReadMode() const { return fileReader_ != nullptr; }
  bool IsFrameReaderRunning() const { return frameReader_ != nullptr; }
  // The image description of the video track (the last one when it has
  // several), as the stream records hand it to the host.
  std::vector<uint8_t>& ImageDescription() { return imageDescription_; }

  // Audio. With several merged tracks there is one stream; otherwise one per
  // described sound track.
  uint32_t AudioStreamCount() const;
  // Stream `index` (< AudioStreamCount()): the merged description and packet
  // count when merged, else the track's own. The description is the track's.
  const SoundTrack& AudioStream(uint32_t index, AudioTrackDesc& desc, uint32_t& packetCount);
  // Reads `count` packets (media samples when packets vary) from `start` of
  // stream `stream` into `destination`, which holds InterleaveBufferSize()
  // bytes; bytes and samples report what was delivered.
  uint32_t GetAudioSamples(uint32_t stream, uint32_t start, uint32_t count, uint8_t* destination,
                           uint32_t* bytes, uint32_t* samples);
  uint8_t* InterleaveBuffer() { return interleave_.get(); }
  uint32_t InterleaveBufferSize() const { return interleaveSize_; }

 private:
  // Open, by concern.
  uint32_t OpenMovie();
  void DescribeVideoTrack(const zeb::movie::Media& media);
  void MeasureVideoTiming(const zeb::movie::Media& media);
  uint32_t MeasureGopSize();
  void SetUpDirectRead();
  bool BuildSampleRefTable();
  void BuildDisplayOffsetTable();
  void DescribeSoundTrack(const zeb::movie::Media& media);
  void SummariseSoundTracks();

  // Frames.
  uint32_t ReadFrameDirect(uint32_t index, uint8_t* buffer, uint32_t capacity, uint32_t* size,
                           uint32_t* key, int32_t* displayOffset);
  uint32_t FixUpFrame(uint8_t* buffer, uint32_t capacity, uint32_t* size, uint32_t key);

  // Audio.
  uint32_t ReadSoundTrack(const SoundTrack& track, int32_t time, uint32_t maxSamples,
                          uint8_t* destination, uint32_t limit, uint32_t& bytes,
                          uint32_t& samples) const;
  uint32_t ReadMergedTracks(int32_t time, uint32_t maxSamples, uint8_t* destination,
                            uint32_t* bytes, uint32_t* samples);

  const DirectRead directRead_;
  std::u16string path_;
  std::unique_ptr<zeb::movie::Movie> movie_;

  uint32_t hasVideo_ = 0;
  uint32_t videoTrackCount_ = 0;
  VideoTrackDesc videoTrack_;
  std::vector<uint8_t> imageDescription_;
  std::unique_ptr<zeb::media::AvcConfigRecord> avcConfig_;
  const zeb::movie::Media* videoMedia_ = nullptr;
  uint32_t frameCount_ = 0;
  uint32_t frameBufferSize_ = 0;

  std::vector<zeb::movie::SampleReference64> sampleRefs_;  // one per frame, direct mode only
  std::vector<int64_t> displayOffsets_;                    // frames; empty without display offsets
  std::unique_ptr<CQTFileReader> fileReader_;
  std::unique_ptr<FrameReaderRing> frameReader_;

  uint32_t hasAudio_ = 0;
  std::vector<SoundTrack> soundTracks_;
  bool merged_ = false;
  AudioTrackDesc firstAudio_;
  uint32_t firstAudioPackets_ = 0;
  std::unique_ptr<uint8_t[]> interleave_;
  uint32_t interleaveSize_ = 0;
};
