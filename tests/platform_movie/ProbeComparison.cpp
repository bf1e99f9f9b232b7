#include "tests/platform_movie/ProbeComparison.h"

#include <sstream>

#include "platform/movie/FourCC.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/MovieBytes.h"

namespace zeb::movie::test {

namespace {

using zeb::test::ProbePacket;
using zeb::test::ProbeStream;

constexpr size_t kMaxDifferencesPerStream = 5;
constexpr size_t kMaxPacketsHashedForChunkedSound = 64;

struct SampleView {
  uint64_t offset;
  uint32_t size;
  bool sync;
};

std::vector<SampleView> ExpandReferences(const std::vector<Reference>& records) {
  std::vector<SampleView> samples;
  for (const Reference& record : records) {
    const uint32_t size = record.size / record.count;
    for (uint32_t k = 0; k < record.count; ++k) {
      samples.push_back(SampleView{static_cast<uint64_t>(record.offset) + uint64_t{k} * size, size,
                                   record.flags == 0});
    }
  }
  return samples;
}

struct ByteSpan {
  uint64_t offset, size;
  bool operator==(const ByteSpan&) const = default;
};

void AppendMerged(std::vector<ByteSpan>& spans, uint64_t offset, uint64_t size, uint64_t fileSize) {
  if (size == 0 || offset + size > fileSize) return;
  if (!spans.empty() && spans.back().offset + spans.back().size == offset) {
    spans.back().size += size;
  } else {
    spans.push_back(ByteSpan{offset, size});
  }
}

// What the whole movie tells about every stream's comparison.
struct MovieFacts {
  uint64_t fileSize = 0;
  bool fragmented = false;
  bool truncated = false;  // some sample of some track passes the end of the file
};

class StreamComparison {
 public:
  StreamComparison(const Media& media, const ProbeStream& stream, std::vector<ProbePacket> packets,
                   const MovieFacts& facts)
      : media_(media),
        stream_(stream),
        packets_(std::move(packets)),
        facts_(facts),
        fileSize_(facts.fileSize) {}

  std::vector<std::string> Run() {
    CompareFormat();
    if (facts_.fragmented || packets_.empty()) return differences_;
    int64_t firstDuration = 0, firstTime = 0;
    const bool frameSamples = media_.Type() == FourCC("soun") && media_.SampleCount() > 0 &&
                              media_.GetSampleDecodeTime(1, firstTime, firstDuration).IsOk() &&
                              firstDuration == 1;
    if (frameSamples) {
      CompareChunkedSound();
    } else {
      CompareSamples();
    }
    return differences_;
  }

 private:
  template <typename... Parts>
  void Differ(const Parts&... parts) {
    if (differences_.size() >= kMaxDifferencesPerStream) return;
    std::ostringstream text;
    text << "stream " << stream_.index << " (track " << stream_.trackId << "): ";
    (text << ... << parts);
    differences_.push_back(text.str());
  }

  void CompareFormat() {
    if (media_.SampleDescriptionCount() == 0 || stream_.codecTag.size() != 4) return;
    Bytes description;
    if (!DescriptionOf(media_, 1, description).IsOk() || description.size() < 8) return;
    const auto format = static_cast<uint32_t>(NativeField(description, 4, 4));
    const bool encrypted = format == FourCC("encv") || format == FourCC("enca");
    if (!encrypted && FourCCToString(format) != stream_.codecTag) {
      Differ("format '", FourCCToString(format), "', ffprobe '", stream_.codecTag, "'");
    }
  }

  bool InFile(uint64_t offset, uint64_t size) const {
    return offset <= fileSize_ && size <= fileSize_ - offset;
  }

  void CompareSamples() {
    const std::vector<SampleView> samples = ExpandReferences(AllReferences(media_));
    if (samples.size() != media_.SampleCount()) {
      Differ("references cover ", samples.size(), " samples of ", media_.SampleCount());
      return;
    }
    const size_t common = std::min(samples.size(), packets_.size());
    if (packets_.size() > samples.size()) {
      Differ("ffprobe has ", packets_.size(), " packets, we have ", samples.size(), " samples");
    } else if (packets_.size() < samples.size() && !facts_.truncated) {
      Differ("ffprobe stops after ", packets_.size(), " packets, sample ", common + 1, " of ",
             samples.size(), " lies in the file");
    }
    int64_t firstTime = 0, firstOffset = 0;
    for (size_t i = 0; i < common; ++i) CompareSample(i, samples[i], firstTime, firstOffset);
  }

  void CompareSample(size_t i, const SampleView& sample, int64_t& firstTime, int64_t& firstOffset) {
    const ProbePacket& packet = packets_[i];
    const uint64_t number = i + 1;
    const bool inFile = InFile(sample.offset, sample.size);
    if (packet.size != sample.size && inFile) {
      Differ("sample ", number, " size ", sample.size, ", ffprobe ", packet.size);
    }
    if (packet.pos >= 0 && static_cast<uint64_t>(packet.pos) != sample.offset) {
      Differ("sample ", number, " at ", sample.offset, ", ffprobe ", packet.pos);
    }
    const bool probeAddsKeys =
        stream_.codecType == "data" || stream_.codecName == "h264" || stream_.codecName == "hevc";
    if (packet.key != sample.sync && !(probeAddsKeys && packet.key)) {
      Differ("sample ", number, " sync ", sample.sync, ", ffprobe ", packet.key);
    }

    int64_t time = 0, duration = 0;
    if (!media_.GetSampleDecodeTime(number, time, duration).IsOk()) {
      Differ("sample ", number, " has no decode time");
      return;
    }
    SampleReadResult result;
    std::vector<uint8_t> data;
    const Status status = inFile
                              ? ReadAt(media_, time, 1, result, data)
                              : media_.ReadSamples(SampleReadRequest{time, nullptr, 0, 1}, result);
    if (!status.IsOk()) {
      Differ("sample ", number, " read: ", status.ToString());
      return;
    }
    if (result.decodeTime != time)
      Differ("sample ", number, " read at ", result.decodeTime, " for ", time);
    if (i == 0) {
      firstTime = time - packet.dts;
      firstOffset = result.displayOffset - (packet.pts - packet.dts);
    }
    if (packet.hasDts && time - packet.dts != firstTime) {
      Differ("sample ", number, " decode time ", time, ", ffprobe dts ", packet.dts);
    }
    if (packet.hasDts && packet.hasPts &&
        result.displayOffset - (packet.pts - packet.dts) != firstOffset) {
      Differ("sample ", number, " display offset ", result.displayOffset, ", ffprobe pts - dts ",
             packet.pts - packet.dts);
    }
    if (inFile && !packet.sha256.empty() && zeb::test::Sha256Hex(data) != packet.sha256) {
      Differ("sample ", number, " bytes differ from ffprobe's");
    }
  }

  void CompareChunkedSound() {
    std::vector<ByteSpan> ours;
    for (const Reference& record : AllReferences(media_)) {
      AppendMerged(ours, static_cast<uint64_t>(record.offset), record.size, fileSize_);
    }
    std::vector<ByteSpan> theirs;
    for (const ProbePacket& packet : packets_)
      AppendMerged(theirs, static_cast<uint64_t>(packet.pos), packet.size, fileSize_);
    if (ours != theirs) Differ("sound bytes: ", ours.size(), " ranges, ffprobe ", theirs.size());

    const size_t hashed = std::min(packets_.size(), kMaxPacketsHashedForChunkedSound);
    for (size_t i = 0; i < hashed; ++i) {
      const ProbePacket& packet = packets_[i];
      if (!InFile(static_cast<uint64_t>(packet.pos), packet.size)) continue;
      SampleReadResult result;
      std::vector<uint8_t> data;
      const Status status =
          ReadAt(media_, packet.dts, static_cast<uint32_t>(packet.duration), result, data);
      if (!status.IsOk() || zeb::test::Sha256Hex(data) != packet.sha256) {
        Differ("packet ", i + 1, " at ", packet.dts, " reads ", result.dataSize, " bytes (",
               status.ToString(), "), ffprobe ", packet.size);
      }
    }
  }

  const Media& media_;
  const ProbeStream& stream_;
  std::vector<ProbePacket> packets_;
  const MovieFacts& facts_;
  uint64_t fileSize_;
  std::vector<std::string> differences_;
};

const Track* TrackWithId(const Movie& movie, uint32_t id) {
  for (uint32_t i = 1; i <= movie.TrackCount(); ++i) {
    if (movie.GetTrack(i)->Id() == id) return movie.GetTrack(i);
  }
  return nullptr;
}

bool PassesEndOfFile(const Media& media, uint64_t fileSize) {
  for (const Reference& record : AllReferences(media)) {
    const uint64_t end = static_cast<uint64_t>(record.offset) + record.size;
    if (end > fileSize) return true;
  }
  return false;
}

MovieFacts FactsOf(const Movie& movie) {
  MovieFacts facts;
  facts.fileSize = movie.FileSize();
  facts.fragmented = movie.IsFragmented();
  for (uint32_t i = 1; i <= movie.TrackCount(); ++i) {
    facts.truncated =
        facts.truncated || PassesEndOfFile(movie.GetTrack(i)->GetMedia(), facts.fileSize);
  }
  return facts;
}

}  // namespace

zeb::test::ProbeResult ProbeIgnoringEdits(const std::string& path) {
  return zeb::test::ProbeFile(path, {"-ignore_editlist", "1"});
}

std::vector<std::string> CompareWithProbe(const Movie& movie, const zeb::test::ProbeResult& probe) {
  std::vector<std::string> differences;
  const MovieFacts facts = FactsOf(movie);
  for (const ProbeStream& stream : probe.streams) {
    if (stream.trackId == 0) continue;  // not a track: cover art from the metadata
    const Track* track = TrackWithId(movie, stream.trackId);
    if (track == nullptr) {
      differences.push_back("no track with ID " + std::to_string(stream.trackId));
      continue;
    }
    StreamComparison comparison(track->GetMedia(), stream, probe.PacketsOf(stream.index), facts);
    for (std::string& difference : comparison.Run()) differences.push_back(std::move(difference));
  }
  return differences;
}

}  // namespace zeb::movie::test
