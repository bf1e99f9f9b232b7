#include "tools/zebqt/ReaderSession.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>

#include "platform/sys/Utf.h"
#include "tools/zebqt/ResultWords.h"

namespace {

SPlugStreamInfo EmptyStreamInfo() {
  SPlugStreamInfo info;
  std::memset(&info, 0, sizeof info);
  return info;
}

}  // namespace

ReaderSession::ReaderSession(const PluginLibrary& plugin, const std::string& path)
    : destroy_(plugin.Require<PFN_DestroyReader>(ZEB_ORD_DestroyReader)),
      video_count_(plugin.Require<PFN_GetVideoStreamCount>(ZEB_ORD_GetVideoStreamCount)),
      video_info_(plugin.Require<PFN_GetVideoStreamInfo>(ZEB_ORD_GetVideoStreamInfo)),
      audio_count_(plugin.Require<PFN_GetAudioStreamCount>(ZEB_ORD_GetAudioStreamCount)),
      audio_info_(plugin.Require<PFN_GetAudioStreamInfo>(ZEB_ORD_GetAudioStreamInfo)),
      set_options_(plugin.Require<PFN_SetReadOptions>(ZEB_ORD_SetReadOptions)),
      get_options_(plugin.Require<PFN_GetReadOptions>(ZEB_ORD_GetReadOptions)),
      read_frame_(plugin.Require<PFN_ReadVideoFrameShared>(ZEB_ORD_ReadVideoFrameShared)),
      read_audio_(plugin.Require<PFN_ReadAudioSamplesAlt>(ZEB_ORD_ReadAudioSamplesAlt)) {
  const auto create = plugin.Require<PFN_CreateReader>(ZEB_ORD_CreateReader);
  const auto open = plugin.Require<PFN_OpenReader>(ZEB_ORD_OpenReader);
  const std::u16string units = zeb::sys::Utf8ToUtf16(path);
  if (units.size() >= PLUG_SOURCE_PATH_UNITS) throw std::runtime_error("path too long: " + path);

  auto source = std::make_unique<SPlugSourceDesc>();
  std::memset(source.get(), 0, sizeof *source);
  std::memcpy(source->path, units.data(), units.size() * sizeof(char16_t));
  SPlugOpenParam param{1, source.get()};

  handle_ = create();
  if (handle_ == nullptr) throw std::runtime_error("the plug-in could not create a reader");
  const uint32_t result = open(handle_, &param, 0, 0);
  if (result != ZEB_OK) {
    destroy_(handle_);
    throw std::runtime_error(path + ": " + WithCode(OpenFailureWords(path, result), result));
  }
}

ReaderSession::~ReaderSession() { destroy_(handle_); }

uint32_t ReaderSession::VideoStreamCount() const { return video_count_(handle_, 0); }

uint32_t ReaderSession::AudioStreamCount() const { return audio_count_(handle_, 0); }

SPlugStreamInfo ReaderSession::VideoStream() const {
  SPlugStreamInfo info = EmptyStreamInfo();
  video_info_(handle_, 0, 0, &info);
  return info;
}

SPlugStreamInfo ReaderSession::AudioStream(uint32_t index) const {
  SPlugStreamInfo info = EmptyStreamInfo();
  audio_info_(handle_, 0, index, &info);
  return info;
}

void ReaderSession::SetReadAhead(bool on, uint32_t bytes) {
  uint32_t options[PLUG_READ_OPTIONS_WORDS];
  get_options_(handle_, options);
  options[PLUG_READ_OPTION_READ_AHEAD] = on ? 1 : 0;
  options[PLUG_READ_OPTION_READ_AHEAD_SIZE] = bytes;
  set_options_(handle_, options);
}

uint32_t ReaderSession::ReadFrame(uint32_t index, const uint8_t** data, SPlugFrameInfo& info) {
  uint8_t* buffer = nullptr;
  const uint32_t result = read_frame_(handle_, index, &buffer, &info);
  *data = buffer;
  return result;
}

uint32_t ReaderSession::ReadAudio(uint32_t start, uint32_t count, const uint8_t** data,
                                  SPlugFrameInfo& info) {
  uint8_t* buffer = nullptr;
  const uint32_t result = read_audio_(handle_, start, count, &buffer, &info);
  *data = buffer;
  return result;
}

std::string FourCCText(uint32_t code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const auto c = static_cast<unsigned char>(code >> shift);
    if (c >= 0x20 && c < 0x7F) {
      text += static_cast<char>(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
      text += escaped;
    }
  }
  return text;
}
