#include "tests/host/TestPlugin.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "core/PlugRecords.h"

TestPlugin::TestPlugin() {
  // Resident once loaded: libavutil, which the plug-in links, keeps memory
  // it allocates at load in its static data, and unloading it would hand that
  // to the leak checker.
  module_ = dlopen(Path().c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (module_ == nullptr) throw std::runtime_error(dlerror());
  lookup_ =
      reinterpret_cast<PFN_ZEBPlugGetProcByOrdinal>(dlsym(module_, "ZEBPlugGetProcByOrdinal"));
  if (lookup_ == nullptr) throw std::runtime_error("no ZEBPlugGetProcByOrdinal export");
}

TestPlugin::~TestPlugin() { dlclose(module_); }

std::string TestPlugin::Path() { return ZEB_PLUGIN_PATH; }

void* TestPlugin::Required(uint32_t ordinal) const {
  void* function = Lookup(ordinal);
  EXPECT_NE(function, nullptr) << "empty slot at ordinal " << ordinal;
  return function;
}

HostObject::HostObject(const TestPlugin& plugin, uint32_t create, uint32_t destroy)
    : plugin_(plugin), handle_(plugin.Get<void* (*)()>(create)()), destroy_(destroy) {
  EXPECT_NE(handle_, nullptr);
}

HostObject::~HostObject() { EXPECT_EQ(plugin_.Get<uint32_t (*)(void*)>(destroy_)(handle_), 0u); }

SPlugVideoStreamInfo VideoRecord(uint32_t fourcc, uint32_t width, uint32_t height, uint32_t rateNum,
                                 uint32_t rateDen, uint32_t gopSize) {
  SPlugVideoStreamInfo video;
  PlugRecords::Init(video);
  video.videoType = PLUG_VIDEO_TYPE_QUICKTIME_;
  video.videoSubType = fourcc;
  video.width = width;
  video.height = height;
  video.frameRateNum = rateNum;
  video.frameRateDen = rateDen;
  video.gopSize = gopSize;
  video.aspectX = 16;
  video.aspectY = 9;
  video.fieldOrder = PLUG_FIELD_ORDER_PROGRESSIVE_;
  return video;
}

SPlugAudioStreamInfo AudioRecord(uint32_t code, uint32_t channels, uint32_t bits, uint32_t rate,
                                 uint32_t type) {
  SPlugAudioStreamInfo audio;
  PlugRecords::Init(audio);
  audio.audioType = type;
  audio.audioSubType = code;
  audio.channels = channels;
  audio.bitsPerSample = bits;
  audio.sampleRate = rate;
  audio.blockAlign = channels * bits / 8;
  audio.bitRate = audio.blockAlign * rate * 8;
  return audio;
}

SPlugStreamInfo StreamRecord(const SPlugVideoStreamInfo& video) {
  SPlugStreamInfo stream;
  PlugRecords::Init(stream);
  stream.streamType = PLUG_STREAM_TYPE_VIDEO_;
  stream.video = video;
  return stream;
}

SPlugStreamInfo StreamRecord(const SPlugAudioStreamInfo& audio) {
  SPlugStreamInfo stream;
  PlugRecords::Init(stream);
  stream.streamType = PLUG_STREAM_TYPE_AUDIO_;
  stream.audio = audio;
  return stream;
}

uint32_t NativeWord(std::span<const uint8_t> bytes, size_t at, size_t width) {
  uint32_t word = 0;
  EXPECT_LE(at + width, bytes.size());
  if (at + width <= bytes.size()) std::memcpy(&word, bytes.data() + at, width);
  return word;
}
