#include "bench/reader/PluginReader.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <memory>

#include "zebplug/ZEBPlugOrdinals.h"

namespace zeb::bench {
namespace {

std::string ProgramFolder() {
  char path[PATH_MAX] = {};
  const ssize_t length = ::readlink("/proc/self/exe", path, sizeof(path) - 1);
  const std::string program(path, length > 0 ? size_t(length) : 0);
  return program.substr(0, program.rfind('/') + 1);
}

}  // namespace

PluginReader::PluginReader() {
  module_ = dlopen((ProgramFolder() + "libZEBPlugQuickTimeLibU.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module_ == nullptr) return;
  lookup_ =
      reinterpret_cast<PFN_ZEBPlugGetProcByOrdinal>(dlsym(module_, "ZEBPlugGetProcByOrdinal"));
}

PluginReader::~PluginReader() {
  Close();
  if (module_ != nullptr) dlclose(module_);
}

void PluginReader::Close() {
  if (reader_ != nullptr) {
    reinterpret_cast<PFN_DestroyReader>(lookup_(ZEB_ORD_DestroyReader))(reader_);
  }
  reader_ = nullptr;
}

uint32_t PluginReader::Open(const std::string& path) {
  Close();
  reader_ = reinterpret_cast<PFN_CreateReader>(lookup_(ZEB_ORD_CreateReader))();
  auto source = std::make_unique<SPlugSourceDesc>();
  std::memset(source.get(), 0, sizeof(SPlugSourceDesc));
  std::copy(path.begin(), path.end(), source->path);
  const SPlugOpenParam param{1, source.get()};
  return reinterpret_cast<PFN_OpenReader>(lookup_(ZEB_ORD_OpenReader))(reader_, &param, 0, 0);
}

void PluginReader::SetReadAhead(bool on, uint32_t bytes) {
  uint32_t options[PLUG_READ_OPTIONS_WORDS] = {};
  reinterpret_cast<PFN_GetReadOptions>(lookup_(ZEB_ORD_GetReadOptions))(reader_, options);
  options[PLUG_READ_OPTION_READ_AHEAD] = on ? 1 : 0;
  options[PLUG_READ_OPTION_READ_AHEAD_SIZE] = bytes;
  reinterpret_cast<PFN_SetReadOptions>(lookup_(ZEB_ORD_SetReadOptions))(reader_, options);
}

uint32_t PluginReader::FrameCount() {
  SPlugStreamInfo info;
  const auto getInfo =
      reinterpret_cast<PFN_GetVideoStreamInfo>(lookup_(ZEB_ORD_GetVideoStreamInfo));
  return getInfo(reader_, 0, 0, &info) == 0 ? info.frameCount : 0;
}

uint32_t PluginReader::ReadShared(uint32_t index, uint8_t** data) {
  SPlugFrameInfo info{};
  info.size = sizeof(info);
  const auto read =
      reinterpret_cast<PFN_ReadVideoFrameShared>(lookup_(ZEB_ORD_ReadVideoFrameShared));
  return read(reader_, index, data, &info) == 0 ? info.dataSize : 0;
}

}  // namespace zeb::bench
