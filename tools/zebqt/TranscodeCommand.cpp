// zebqt transcode IN OUT --video FOURCC [--audio CODE] [--quality N] [--gop N] [--bitrate N]:
// every video frame read with the reader family, decoded to '2vuy' with the
// video decoder family, coded again with the video encoder family and
// written with the muxer family; the first sound stream decoded to PCM with
// the audio decoder family and written beside the video, interleaved by time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "tools/zebqt/AudioEncoderSession.h"
#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/DecodedAudio.h"
#include "tools/zebqt/Failure.h"
#include "tools/zebqt/FrameRecords.h"
#include "tools/zebqt/JsonWriter.h"
#include "tools/zebqt/MuxerSession.h"
#include "tools/zebqt/ProgressBar.h"
#include "tools/zebqt/ReaderSession.h"
#include "tools/zebqt/VideoDecoderSession.h"
#include "tools/zebqt/VideoEncoderSession.h"
#include "tools/zebqt/WrittenMovie.h"

namespace {

constexpr uint32_t kVideoStream = 0;
constexpr uint32_t kAudioStream = 1;
constexpr uint32_t kMaxQuality = 1023;

struct TranscodeOptions {
  uint32_t video = 0;
  std::optional<uint32_t> quality;
  std::optional<uint32_t> gop;
  uint32_t bitRate = 0;  // bits per second; 0: the quality decides
  uint32_t audio = 0;    // the coding of the sound; 0: PCM as decoded
};

TranscodeOptions ParseOptions(const CommandLine& line) {
  const std::string video = line.FlagValue("--video", "");
  if (video.empty()) throw Failure(kExitUsage, "transcode needs --video FOURCC");
  TranscodeOptions options;
  options.video = ParseFourCC(video, "--video");
  options.quality = OptionalNumber(line, "--quality", 0, kMaxQuality);
  options.gop = OptionalNumber(line, "--gop", 1, 0x7FFFFFFF);
  options.bitRate = OptionalNumber(line, "--bitrate", 1, 0xFFFFFFFF).value_or(0);
  // "pcm" or no --audio writes the decoded PCM; any other coding goes
  // through the plug-in's audio encoder.
  const std::string audio = line.FlagValue("--audio", "pcm");
  if (audio != "pcm") options.audio = ParseFourCC(audio, "--audio");
  return options;
}

// The encoder's (and the muxer's) record: the source's picture, the new
// code, a key frame about every second unless --gop says otherwise.
SPlugVideoStreamInfo EncoderRecord(const SPlugVideoStreamInfo& source,
                                   const TranscodeOptions& options) {
  SPlugVideoStreamInfo record = source;
  record.videoType = PLUG_VIDEO_TYPE_QUICKTIME_;
  record.videoSubType = options.video;
  record.colorFormat = PLUG_COLOR_FORMAT_UYVY_;
  const uint32_t perSecond =
      source.frameRateDen ? (source.frameRateNum + source.frameRateDen / 2) / source.frameRateDen
                          : 25;
  record.gopSize = options.gop.value_or(std::max<uint32_t>(perSecond, 1));
  record.bitRate = options.bitRate;
  return record;
}

SPlugStreamInfo MuxerVideoRecord(const SPlugVideoStreamInfo& record) {
  SPlugStreamInfo stream{};
  stream.structVersion = 1;
  stream.streamType = PLUG_STREAM_TYPE_VIDEO_;
  stream.video = record;
  return stream;
}

// The decoded PCM as the muxer (type PCM, code 0) or the audio encoder
// (type QuickTime, `code`) takes it.
SPlugAudioStreamInfo AudioRecord(const DecodedAudio& audio, uint32_t code) {
  SPlugAudioStreamInfo record{};
  record.size = sizeof record;
  record.audioType = code ? PLUG_AUDIO_TYPE_QUICKTIME_ : PLUG_AUDIO_TYPE_PCM_LE_;
  record.audioSubType = code;
  record.channels = audio.channels();
  record.bitsPerSample = audio.valueBytes() * 8;
  record.sampleRate = audio.sampleRate();
  record.blockAlign = audio.channels() * audio.valueBytes();
  // A coded stream gets its coding's own bit rate; the PCM's is its size.
  record.bitRate = code ? 0 : record.blockAlign * record.sampleRate * 8;
  return record;
}

SPlugStreamInfo MuxerAudioRecord(const SPlugAudioStreamInfo& record) {
  SPlugStreamInfo stream{};
  stream.structVersion = 1;
  stream.streamType = PLUG_STREAM_TYPE_AUDIO_;
  stream.audio = record;
  return stream;
}

struct TranscodeTally {
  uint32_t frames = 0;
  uint64_t audioSamples = 0;
};

// One transcode: the open reader and codecs, the open muxer and what goes
// between them.
class Transcode {
 public:
  Transcode(const PluginLibrary& plugin, ReaderSession& reader, const SPlugStreamInfo& video,
            const SPlugVideoStreamInfo& record, std::optional<uint32_t> quality,
            DecodedAudio* audio, AudioEncoderSession* audioEncoder)
      : reader_(reader),
        video_(video),
        decoder_(plugin, video),
        encoder_(plugin, record, quality),
        audio_(audio),
        audioEncoder_(audioEncoder) {}

  TranscodeTally Run(MuxerSession& muxer) {
    ProgressBar progress("transcode", video_.frameCount);
    decoder_.DecodeEveryFrame(
        reader_, video_.frameCount,
        [&](const DecodedPicture& picture) { WritePicture(muxer, picture); },
        [&](uint32_t framesRead) { progress.Update(framesRead); });
    while (audio_ != nullptr && !audio_->Finished()) WriteAudio(muxer, audio_->sampleRate());
    return tally_;
  }

 private:
  // Codes and writes a decoded picture, followed by the audio up to its end.
  void WritePicture(MuxerSession& muxer, const DecodedPicture& picture) {
    const EncodedFrame coded = encoder_.Encode(picture.bytes, tally_.frames);
    SPlugFrameInfo info = NewFrameInfo();
    info.dataSize = static_cast<uint32_t>(coded.bytes.size());
    info.frameType = coded.frameType;
    info.decodePosition = info.presentationPosition = tally_.frames;
    info.privateKind = PLUG_PRIVATE_QT_IMAGE_DESCRIPTION;
    info.privateAddress = const_cast<uint8_t*>(coded.description.data());
    info.privateSize = static_cast<uint32_t>(coded.description.size());
    CheckStep(muxer.Write(kVideoStream, coded.bytes.data(), info),
              "writing frame " + std::to_string(tally_.frames), kExitOutput);
    ++tally_.frames;
    if (audio_ != nullptr) WriteAudio(muxer, SamplesBefore(tally_.frames) - audio_->framesTaken());
  }

  // Sample frames that start before the end of video frame `frames` - 1.
  uint64_t SamplesBefore(uint32_t frames) const {
    const SPlugVideoStreamInfo& v = video_.video;
    if (v.frameRateNum == 0) return 0;
    return (uint64_t{frames} * v.frameRateDen * audio_->sampleRate() + v.frameRateNum - 1) /
           v.frameRateNum;
  }

  void WriteAudio(MuxerSession& muxer, uint64_t frames) {
    if (frames == 0 || audio_->Finished()) return;
    const uint64_t first = audio_->framesTaken();
    const std::span<const uint8_t> pcm = audio_->Take(frames);
    tally_.audioSamples = audio_->framesTaken();
    if (audioEncoder_ != nullptr) return WriteCodedAudio(muxer, pcm);
    if (pcm.empty()) return;
    SPlugFrameInfo info = NewFrameInfo();
    info.dataSize = static_cast<uint32_t>(pcm.size());
    info.unitCount = static_cast<uint32_t>(audio_->framesTaken() - first);
    info.streamState = audio_->Finished() ? PLUG_STREAMSTATE_END_ : PLUG_STREAMSTATE_MORE_;
    CheckStep(muxer.Write(kAudioStream, pcm.data(), info),
              "writing audio at sample " + std::to_string(first), kExitOutput);
  }

  // Hands the PCM to the audio encoder and writes the units it has ready;
  // after the last PCM, every unit up to the one that ends the stream.
  void WriteCodedAudio(MuxerSession& muxer, std::span<const uint8_t> pcm) {
    const bool end = audio_->Finished();
    audioEncoder_->Put(pcm, end);
    // Each fetch after the end cuts at most one chunk; a few drain it.
    constexpr int kDrainCalls = 64;
    for (int call = 0; call < (end ? kDrainCalls : 1) && !audioEncoder_->ended(); ++call) {
      EncodedAudioUnit unit;
      while (audioEncoder_->Take(unit)) {
        CheckStep(muxer.Write(kAudioStream, unit.bytes.data(), unit.info), "writing coded audio",
                  kExitOutput);
      }
    }
    if (end && !audioEncoder_->ended()) {
      throw Failure(kExitOutput, "the audio encoder never ended the stream");
    }
  }

  ReaderSession& reader_;
  const SPlugStreamInfo& video_;
  VideoDecoderSession decoder_;
  VideoEncoderSession encoder_;
  DecodedAudio* audio_;
  AudioEncoderSession* audioEncoder_;  // null: PCM is written as decoded
  TranscodeTally tally_;
};

void PrintSummary(const CommandLine& line, const TranscodeTally& tally,
                  const SPlugVideoStreamInfo& record, const DecodedAudio* audio, uint32_t audioCode,
                  uint64_t bytes, double seconds) {
  const double fps = seconds > 0 ? tally.frames / seconds : 0;
  if (line.json) {
    JsonWriter json(std::cout);
    json.BeginObject()
        .Field("frames", tally.frames)
        .Field("video", FourCCText(record.videoSubType))
        .Field("width", record.width)
        .Field("height", record.height)
        .Field("audio", audioCode ? FourCCText(audioCode) : std::string("pcm"))
        .Field("audio_samples", tally.audioSamples)
        .Field("bytes", bytes)
        .Field("milliseconds", static_cast<uint64_t>(seconds * 1000))
        .EndObject();
    std::cout << '\n';
    return;
  }
  char text[320];
  std::snprintf(text, sizeof text, "transcoded %u frames to '%s' %ux%u", tally.frames,
                FourCCText(record.videoSubType).c_str(), record.width, record.height);
  std::cout << text;
  if (audio != nullptr) {
    const std::string coding = audioCode ? "'" + FourCCText(audioCode) + "' from " : "";
    std::snprintf(text, sizeof text, ", %llu audio samples as %s%u-bit PCM (%u channels, %u Hz)",
                  static_cast<unsigned long long>(tally.audioSamples), coding.c_str(),
                  audio->valueBytes() * 8, audio->channels(), audio->sampleRate());
    std::cout << text;
  }
  std::snprintf(text, sizeof text, ", %llu bytes in %.2f s (%.1f frames/s)\n",
                static_cast<unsigned long long>(bytes), seconds, fps);
  std::cout << text;
}

}  // namespace

int RunTranscode(const PluginLibrary& plugin, const CommandLine& line) {
  if (line.arguments.size() != 2) throw Failure(kExitUsage, "transcode needs IN and OUT");
  const std::string& in = line.arguments[0];
  const std::string& out = line.arguments[1];
  const TranscodeOptions options = ParseOptions(line);
  const auto start = std::chrono::steady_clock::now();

  ReaderSession reader(plugin, in);
  reader.SetReadAhead(true);
  if (reader.VideoStreamCount() == 0) throw Failure(kExitMovie, in + ": no video stream");
  const SPlugStreamInfo video = reader.VideoStream();
  const SPlugVideoStreamInfo record = EncoderRecord(video.video, options);
  std::optional<SPlugStreamInfo> sound;
  std::unique_ptr<DecodedAudio> audio;
  if (reader.AudioStreamCount() > 0) {
    sound = reader.AudioStream(0);
    audio = std::make_unique<DecodedAudio>(plugin, reader, *sound);
  }

  std::vector<SPlugStreamInfo> streams = {MuxerVideoRecord(record)};
  std::unique_ptr<AudioEncoderSession> audioEncoder;
  if (audio) {
    const SPlugAudioStreamInfo audioRecord = AudioRecord(*audio, options.audio);
    if (options.audio) audioEncoder = std::make_unique<AudioEncoderSession>(plugin, audioRecord);
    streams.push_back(MuxerAudioRecord(audioRecord));
  }
  Transcode transcode(plugin, reader, video, record, options.quality, audio.get(),
                      audioEncoder.get());
  TranscodeTally tally;
  {
    MuxerSession muxer(plugin, out, streams, false);
    tally = transcode.Run(muxer);
    muxer.Finish();
  }
  VerifyWritten(plugin, out, tally.frames);
  const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
  PrintSummary(line, tally, record, audio.get(), options.audio, FileSize(out), seconds.count());
  return kExitOk;
}
