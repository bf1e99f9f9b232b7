// A track's media: its samples, their timing and their descriptions, read
// from the compact sample tables and the movie's file. Immutable after the
// movie opens; every operation may run on several threads at once.
//
// Sample numbers are 1-based, as in the file; times are in media time units
// (TimeScale() ticks per second). For sound stored one frame per media sample
// (QuickTime's original layout: PCM, 'ima4', MACE in .mov files) a media
// sample is one audio frame; reads come in whole packets, references count
// frames (one tick each).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/movie/ByteSource.h"
#include "platform/movie/Handle.h"
#include "platform/movie/MovieAtoms.h"
#include "platform/movie/SampleReference.h"
#include "platform/movie/SampleTable.h"

namespace zeb::movie {

struct SampleReadRequest {
  int64_t decodeTime = 0;          // any time inside the first sample's span
  uint8_t* destination = nullptr;  // null: describe the samples without reading them
  uint32_t maxBytes = 0;           // room at `destination`; with no destination 0 means no limit
  uint32_t maxSamples = 1;         // media samples; 0 means no limit
};

struct SampleReadResult {
  uint32_t dataSize = 0;          // bytes read (or that a read would deliver)
  uint32_t sampleCount = 0;       // media samples covered
  int64_t decodeTime = 0;         // of the first sample
  int64_t decodeDuration = 0;     // of the first sample
  int64_t displayOffset = 0;      // of the first sample: display time − decode time
  uint16_t flags = 0;             // of the first sample: 0 = sync, kSampleNotSync
  uint32_t descriptionIndex = 0;  // 1-based, shared by every sample read
};

class Media {
 public:
  Media() = default;
  // Builds the tables of one 'mdia'; `source` holds the sample bytes.
  static Status Build(std::shared_ptr<const ByteSource> source, MediaAtoms atoms,
                      const std::string& where, Media& media);
  // The media of a track that cannot be used: its type and time scale, no
  // descriptions, no samples.
  static Media WithoutSamples(const MediaHeader& header, const HandlerInfo& handler,
                              const std::string& where);

  // The handler's media type: 'vide', 'soun', or another code (listed only).
  uint32_t Type() const { return handler_.subtype; }
  uint32_t TimeScale() const { return header_.timeScale; }
  uint64_t Duration() const { return header_.duration; }  // from 'mdhd'
  uint64_t SampleCount() const;
  bool HasDisplayOffsets() const { return table_.HasDisplayOffsets(); }

  uint32_t SampleDescriptionCount() const { return static_cast<uint32_t>(descriptions_.size()); }
  // Copies description `index` (1-based) into `description`, resizing the
  // handle (it may move): header fields in native order, extension atoms
  // big-endian, the first word the entry's size.
  Status GetSampleDescription(uint32_t index, Handle description) const;

  // Total bytes of the samples that start in [startTime, startTime + duration).
  Status GetDataSize(int64_t startTime, int64_t duration, int64_t& bytes) const;
  // Decode time and duration of sample `sampleNumber` (1-based).
  Status GetSampleDecodeTime(uint64_t sampleNumber, int64_t& decodeTime, int64_t& duration) const;
  // Decode duration and display offset of samples 1 .. timings.size(), as
  // GetSampleDecodeTime and ReadSamples report them one by one, in one pass
  // over the runs. kOutOfRange for more samples than the media has;
  // kUnsupported for packed sound, whose frames have no table entry.
  Status GetSampleTimings(std::span<SampleTiming> timings) const;
  // The same for 32-bit callers; kOutOfRange when the time passes 2^31 - 1.
  Status SampleNumToMediaTime(uint32_t sampleNumber, int32_t& time, int32_t& duration) const;
  // References for the samples from the one at `mediaTime`, up to
  // `maxRecords` of them; `filled` says how many. A record's dataSize is
  // the bytes of all its samples. A time past the last sample fills none
  // and gives kOutOfRange.
  Status GetSampleReferences(int64_t mediaTime, uint32_t maxRecords, SampleReference64* records,
                             uint32_t& filled) const;
  // Reads consecutive samples from the one at `request.decodeTime` that
  // share its description, up to both limits, with one read per run of
  // back-to-back bytes. A first sample that does not fit in the limit gives
  // kOutOfRange and reads nothing.
  Status ReadSamples(const SampleReadRequest& request, SampleReadResult& result) const;

 private:
  Status BuildSampleTable(SampleTableAtoms samples, const std::string& tablePath);
  Status CheckDataInFile(uint32_t descriptionIndex) const;
  // Packed sound: turns references to packets into references to frames.
  void CountFrames(uint64_t firstPacket, std::span<SampleReference64> records) const;

  std::shared_ptr<const ByteSource> source_;
  MediaHeader header_;
  HandlerInfo handler_;
  std::vector<std::vector<uint8_t>> descriptions_;  // file order
  std::vector<bool> dataInOtherFile_;               // per description
  SampleTable table_;
  uint32_t framesPerSample_ = 1;  // audio frames in one table sample (packed sound)
  uint64_t frameCount_ = 0;       // media samples of packed sound
  std::string where_;
};

}  // namespace zeb::movie
