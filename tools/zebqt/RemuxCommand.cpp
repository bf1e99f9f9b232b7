// zebqt remux IN OUT [--thread] [--aligned] [--sync-every=MS]: reads a movie with the reader
// family and writes its video and first audio stream with the muxer family,
// interleaved by time: each video frame, then the audio up to its end.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <vector>

#include "media/FourCC.h"
#include "media/SampleDescriptionLayout.h"
#include "tools/zebqt/AudioStoredForm.h"
#include "tools/zebqt/AvcSampleForm.h"
#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/Failure.h"
#include "tools/zebqt/JsonWriter.h"
#include "tools/zebqt/MuxerSession.h"
#include "tools/zebqt/ProgressBar.h"
#include "tools/zebqt/ReaderSession.h"
#include "tools/zebqt/ResultWords.h"
#include "tools/zebqt/WrittenMovie.h"

namespace {

constexpr uint32_t kVideoStream = 0;
constexpr uint32_t kAudioStream = 1;
constexpr uint32_t kMaxAlignedChannels = 2;

struct RemuxTally {
  uint32_t frames = 0;
  uint64_t audioSamples = 0;
  uint64_t payloadBytes = 0;  // unit bytes handed to the muxer
};

uint32_t DescriptionCodec(const SPlugStreamInfo& stream) {
  if (stream.privateKind != PLUG_PRIVATE_QT_IMAGE_DESCRIPTION || stream.privateAddress == nullptr ||
      stream.privateSize < zeb::media::image::kHeaderSize) {
    return 0;
  }
  uint32_t code = 0;
  std::memcpy(&code,
              static_cast<const uint8_t*>(stream.privateAddress) + zeb::media::kDescriptionFormatAt,
              sizeof code);
  return code;
}

std::span<const uint8_t> PrivateBytes(const SPlugStreamInfo& stream) {
  return {static_cast<const uint8_t*>(stream.privateAddress), stream.privateSize};
}

void Check(uint32_t result, const std::string& what) {
  if (result != ZEB_OK) {
    throw Failure(
        result == ZEB_E_ADD_SAMPLE || result == ZEB_E_EMPTY_FRAME ? kExitOutput : kExitMovie,
        what + ": " + WithCode(ResultWords(result), result));
  }
}

// One remux: the open reader, the open muxer and what goes between them.
class Remux {
 public:
  Remux(ReaderSession& reader, const std::optional<SPlugStreamInfo>& video,
        const std::optional<SPlugStreamInfo>& audio, const std::optional<AudioStoredForm>& form)
      : reader_(reader), video_(video), audio_(audio), form_(form) {
    if (video_ && DescriptionCodec(*video_) == zeb::media::FourCC("avc1")) {
      avc_.emplace(PrivateBytes(*video_));
    }
  }

  RemuxTally Run(MuxerSession& muxer) {
    const uint32_t frames = video_ ? video_->frameCount : 0;
    const uint64_t packets = audio_ ? audio_->packetCount : 0;
    ProgressBar progress("remux", frames > 0 ? frames : packets);
    for (uint32_t index = 0; index < frames; ++index) {
      WriteFrame(muxer, index);
      WriteAudioUntil(muxer, PacketsBefore(index + 1), 0);
      progress.Update(index + 1);
    }
    WriteAudioUntil(muxer, packets, PacketsPerBlock());
    if (frames == 0) progress.Update(packets);
    return tally_;
  }

 private:
  void WriteFrame(MuxerSession& muxer, uint32_t index) {
    const uint8_t* data = nullptr;
    SPlugFrameInfo info{};
    Check(reader_.ReadFrame(index, &data, info), "frame " + std::to_string(index));
    std::span<const uint8_t> sample(data, info.dataSize);
    // The muxer's direct mode takes type 1 alone as a key frame.
    if (info.frameType == PLUG_FRAME_COMPRESS_TYPE_IDR_)
      info.frameType = PLUG_FRAME_COMPRESS_TYPE_I_;
    info.privateKind = PLUG_PRIVATE_NONE;
    info.privateAddress = nullptr;
    info.privateSize = 0;
    if (avc_) {
      sample = avc_->Convert(sample);
      const std::span<const uint8_t> description = avc_->Description();
      info.privateKind = PLUG_PRIVATE_QT_IMAGE_DESCRIPTION;
      info.privateAddress = const_cast<uint8_t*>(description.data());
      info.privateSize = static_cast<uint32_t>(description.size());
    }
    info.dataSize = static_cast<uint32_t>(sample.size());
    Check(muxer.Write(kVideoStream, sample.data(), info), "writing frame " + std::to_string(index));
    ++tally_.frames;
    tally_.payloadBytes += sample.size();
  }

  // Audio packets that start before the end of video frame `frames` - 1.
  uint64_t PacketsBefore(uint32_t frames) const {
    if (!audio_ || video_->video.frameRateNum == 0) return 0;
    const uint64_t samples = uint64_t{frames} * video_->video.frameRateDen *
                             audio_->audio.sampleRate / video_->video.frameRateNum;
    const uint64_t perPacket = form_->framesPerPacket;
    return std::min<uint64_t>((samples + perPacket - 1) / perPacket, audio_->packetCount);
  }

  // About a second of audio a unit once the video has ended.
  uint32_t PacketsPerBlock() const {
    if (!audio_) return 1;
    return std::max<uint32_t>(audio_->audio.sampleRate / form_->framesPerPacket, 1);
  }

  // Writes audio packets up to `end`, at most `block` a unit (0: any number).
  // Compressed packets go one a unit: each keeps its own size.
  void WriteAudioUntil(MuxerSession& muxer, uint64_t end, uint32_t block) {
    while (audio_ && packetsDone_ < end) {
      uint64_t count = end - packetsDone_;
      if (!form_->pcm) count = 1;
      if (block > 0) count = std::min<uint64_t>(count, block);
      WriteAudioUnit(muxer, static_cast<uint32_t>(count));
    }
  }

  // PCM is read about a second at a time and handed on in slices, each in
  // the byte order it is written in; compressed audio a packet at a time.
  void ReadAudio(uint32_t count) {
    const uint64_t left = audio_->packetCount - packetsDone_;
    const uint32_t ask =
        form_->pcm
            ? static_cast<uint32_t>(std::min<uint64_t>(std::max(count, PacketsPerBlock()), left))
            : count;
    const uint8_t* data = nullptr;
    SPlugFrameInfo info{};
    const std::string where = "audio at packet " + std::to_string(packetsDone_);
    Check(reader_.ReadAudio(static_cast<uint32_t>(packetsDone_), ask, &data, info), where);
    // The reader may deliver fewer PCM samples than asked for.
    const uint32_t packets = form_->pcm ? info.unitCount : ask;
    if (packets == 0 || packets > ask || info.dataSize % packets != 0) {
      throw std::runtime_error(where + ": the reader returned no whole packets");
    }
    audioInfo_ = info;
    audioBytes_ = std::span(data, info.dataSize);
    if (form_->reverseValues) {
      reversed_.assign(audioBytes_.begin(), audioBytes_.end());
      ReverseValues(reversed_, form_->valueBytes);
      audioBytes_ = reversed_;
    }
    audioAt_ = 0;
    packetBytes_ = info.dataSize / packets;
  }

  void WriteAudioUnit(MuxerSession& muxer, uint32_t count) {
    if (audioAt_ == audioBytes_.size()) ReadAudio(count);
    const auto packets = static_cast<uint32_t>(
        std::min<size_t>(count, (audioBytes_.size() - audioAt_) / packetBytes_));
    const std::span<const uint8_t> bytes =
        audioBytes_.subspan(audioAt_, size_t{packets} * packetBytes_);
    audioAt_ += bytes.size();
    packetsDone_ += packets;
    SPlugFrameInfo info = audioInfo_;
    info.dataSize = static_cast<uint32_t>(bytes.size());
    info.unitCount = packets;
    info.streamState =
        packetsDone_ >= audio_->packetCount ? PLUG_STREAMSTATE_END_ : PLUG_STREAMSTATE_MORE_;
    info.privateKind = PLUG_PRIVATE_AUDIO_DESCRIPTION;
    info.privateAddress = const_cast<uint8_t*>(form_->block.data());
    info.privateSize = static_cast<uint32_t>(form_->block.size());
    Check(muxer.Write(kAudioStream, bytes.data(), info),
          "writing audio at packet " + std::to_string(packetsDone_ - packets));
    tally_.audioSamples += uint64_t{packets} * form_->framesPerPacket;
    tally_.payloadBytes += bytes.size();
  }

  ReaderSession& reader_;
  const std::optional<SPlugStreamInfo>& video_;
  const std::optional<SPlugStreamInfo>& audio_;
  const std::optional<AudioStoredForm>& form_;
  std::optional<AvcSampleForm> avc_;
  uint64_t packetsDone_ = 0;  // handed to the muxer
  // Read, not all handed on yet: the reader's own buffer, which stays until
  // its next audio read, or reversed_ when the values change byte order.
  std::span<const uint8_t> audioBytes_;
  std::vector<uint8_t> reversed_;
  size_t audioAt_ = 0;  // the first byte not handed on
  uint32_t packetBytes_ = 1;
  SPlugFrameInfo audioInfo_{};
  RemuxTally tally_;
};

// The muxer's stream record for the audio as it will be written.
SPlugStreamInfo MuxerAudioRecord(SPlugStreamInfo stream, const AudioStoredForm& form) {
  stream.audio.audioType = PLUG_AUDIO_TYPE_QUICKTIME_;
  stream.audio.audioSubType = form.code;
  if (form.pcm) {
    stream.audio.bitsPerSample = form.valueBytes * 8;
    stream.audio.blockAlign = form.valueBytes * stream.audio.channels;
  }
  stream.privateKind = PLUG_PRIVATE_NONE;
  stream.privateAddress = nullptr;
  stream.privateSize = 0;
  return stream;
}

// The muxer aligns PCM with video of at most two channels by itself; the
// same rule tells the summary which mode it took.
bool QualifiesForAligned(const std::optional<SPlugStreamInfo>& video,
                         const std::optional<SPlugStreamInfo>& audio,
                         const std::optional<AudioStoredForm>& form) {
  if (!video || !audio || !form->pcm || audio->audio.channels > kMaxAlignedChannels) return false;
  const SPlugVideoStreamInfo& v = video->video;
  return v.frameRateNum != 0 &&
         uint64_t{audio->audio.sampleRate} * v.frameRateDen * 2 >= v.frameRateNum;
}

void PrintSummary(const CommandLine& line, const RemuxTally& tally, uint64_t bytes, double seconds,
                  bool aligned, bool thread) {
  const double megabytesPerSecond = seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0;
  const char* mode = aligned ? "aligned" : "direct";
  if (line.json) {
    JsonWriter json(std::cout);
    json.BeginObject()
        .Field("frames", tally.frames)
        .Field("audio_samples", tally.audioSamples)
        .Field("bytes", bytes)
        .Field("milliseconds", static_cast<uint64_t>(seconds * 1000))
        .Field("bytes_per_second", static_cast<uint64_t>(megabytesPerSecond * 1e6))
        .Field("mode", mode)
        .Field("writer_thread", thread)
        .EndObject();
    std::cout << '\n';
    return;
  }
  char text[256];
  std::snprintf(text, sizeof text,
                "remuxed %u frames, %llu audio samples, %llu bytes in %.2f s (%.1f MB/s), "
                "%s mode%s\n",
                tally.frames, static_cast<unsigned long long>(tally.audioSamples),
                static_cast<unsigned long long>(bytes), seconds, megabytesPerSecond, mode,
                thread ? ", writer thread" : "");
  std::cout << text;
}

// "off" keeps no recovery journal.
uint32_t Milliseconds(const std::string& text) {
  if (text == "off") return 0xFFFFFFFF;
  if (text.empty() || text.size() > 9 ||
      text.find_first_not_of("0123456789") != std::string::npos) {
    throw Failure(kExitUsage, "--sync-every takes milliseconds (0 to 999999999) or off");
  }
  return static_cast<uint32_t>(std::stoul(text));
}

}  // namespace

int RunRemux(const PluginLibrary& plugin, const CommandLine& line) {
  if (line.arguments.size() != 2) throw Failure(kExitUsage, "remux needs IN and OUT");
  const std::string& in = line.arguments[0];
  const std::string& out = line.arguments[1];
  const bool thread = line.HasFlag("--thread");
  const auto start = std::chrono::steady_clock::now();
  if (const std::string every = line.FlagValue("--sync-every", ""); !every.empty()) {
    const auto setInterval = reinterpret_cast<PFN_ZEBPlugSetRecoveryInterval>(
        plugin.RequireNamed("ZEBPlugSetRecoveryInterval"));
    setInterval(Milliseconds(every), 1);
  }

  ReaderSession reader(plugin, in);
  reader.SetReadAhead(true);
  std::optional<SPlugStreamInfo> video;
  std::optional<SPlugStreamInfo> audio;
  std::optional<AudioStoredForm> form;
  if (reader.VideoStreamCount() > 0) video = reader.VideoStream();
  if (reader.AudioStreamCount() > 0) {
    audio = reader.AudioStream(0);
    form = PlanAudioStoredForm(*audio);
  }
  if (!video && !audio) throw std::runtime_error(in + ": no video or audio stream");
  const bool aligned = QualifiesForAligned(video, audio, form);
  if (line.HasFlag("--aligned") && !aligned) {
    throw Failure(kExitUsage, in + ": --aligned needs a video stream beside PCM audio of at most "
                                   "two channels");
  }

  std::vector<SPlugStreamInfo> streams;
  if (video) streams.push_back(*video);
  if (audio) streams.push_back(MuxerAudioRecord(*audio, *form));
  RemuxTally tally;
  {
    MuxerSession muxer(plugin, out, streams, thread);
    tally = Remux(reader, video, audio, form).Run(muxer);
    muxer.Finish();
  }
  VerifyWritten(plugin, out, tally.frames);
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  PrintSummary(line, tally, FileSize(out), seconds.count(), aligned, thread);
  return kExitOk;
}
