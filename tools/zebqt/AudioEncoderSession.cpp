#include "tools/zebqt/AudioEncoderSession.h"

#include "tools/zebqt/FrameRecords.h"
#include "tools/zebqt/ReaderSession.h"

AudioEncoderSession::AudioEncoderSession(const PluginLibrary& plugin,
                                         const SPlugAudioStreamInfo& record) {
  const std::string coding = "'" + FourCCText(record.audioSubType) + "'";
  const auto create =
      reinterpret_cast<PFN_CreateAudioEncoder>(plugin.Lookup(ZEB_ORD_CreateAudioEncoder));
  if (create == nullptr) {
    throw Failure(kExitUsage, "cannot code audio as " + coding + ": " + plugin.path() +
                                  " has no audio encoder (ordinals 300-311 are empty); leave "
                                  "out --audio to write PCM");
  }
  destroy_ = plugin.Require<PFN_DestroyAudioEncoder>(ZEB_ORD_DestroyAudioEncoder);
  encode_ = plugin.Require<PFN_EncodeAudio>(ZEB_ORD_EncodeAudio);
  fetch_ = plugin.Require<PFN_GetEncodedAudio>(ZEB_ORD_GetEncodedAudio);
  const auto open = plugin.Require<PFN_OpenAudioEncoder>(ZEB_ORD_OpenAudioEncoder);
  handle_ = create();
  if (handle_ == nullptr) throw Failure(kExitPlugin, "the plug-in could not create an encoder");
  const uint32_t result = open(handle_, &record, nullptr);
  if (result != ZEB_OK) {
    destroy_(handle_);
    CheckStep(result,
              "the audio encoder cannot code " + coding + " from " +
                  std::to_string(record.channels) + " channels of " +
                  std::to_string(record.bitsPerSample) + "-bit PCM at " +
                  std::to_string(record.sampleRate) + " Hz",
              kExitUsage);
  }
}

AudioEncoderSession::~AudioEncoderSession() { destroy_(handle_); }

void AudioEncoderSession::Put(std::span<const uint8_t> pcm, bool end) {
  SPlugFrameInfo info = NewFrameInfo();
  info.dataSize = static_cast<uint32_t>(pcm.size());
  info.streamState = end ? PLUG_STREAMSTATE_END_ : PLUG_STREAMSTATE_MORE_;
  CheckStep(encode_(handle_, pcm.empty() ? nullptr : pcm.data(), &info), "coding audio",
            kExitOutput);
}

bool AudioEncoderSession::Take(EncodedAudioUnit& unit) {
  if (ended_) return false;
  const uint8_t* data = nullptr;
  unit.info = NewFrameInfo();
  CheckStep(fetch_(handle_, &data, &unit.info), "fetching coded audio", kExitOutput);
  if (unit.info.streamState == PLUG_STREAMSTATE_END_) ended_ = true;
  if (data == nullptr || unit.info.dataSize == 0) return false;
  unit.bytes = {data, unit.info.dataSize};
  return true;
}
