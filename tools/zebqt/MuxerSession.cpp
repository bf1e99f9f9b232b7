#include "tools/zebqt/MuxerSession.h"

#include <cstring>
#include <memory>

#include "platform/sys/Utf.h"
#include "tools/zebqt/Failure.h"
#include "tools/zebqt/ResultWords.h"

MuxerSession::MuxerSession(const PluginLibrary& plugin, const std::string& path,
                           const std::vector<SPlugStreamInfo>& streams, bool writerThread)
    : destroy_(plugin.Require<PFN_MuxerDestroy>(ZEB_ORD_MuxerDestroy)),
      write_(plugin.Require<PFN_MuxerWrite>(ZEB_ORD_MuxerWrite)) {
  const auto create = plugin.Require<PFN_MuxerCreate>(ZEB_ORD_MuxerCreate);
  const auto open = plugin.Require<PFN_MuxerOpen>(ZEB_ORD_MuxerOpen);
  const std::u16string units = zeb::sys::Utf8ToUtf16(path);
  if (units.size() >= PLUG_SOURCE_PATH_UNITS) throw Failure(kExitOutput, "path too long: " + path);

  auto target = std::make_unique<SPlugSourceDesc>();
  std::memset(target.get(), 0, sizeof *target);
  std::memcpy(target->path, units.data(), units.size() * sizeof(char16_t));
  const SPlugOpenParam openParam{1, target.get()};
  std::vector<SPlugStreamInfo> records = streams;
  SPlugMuxParam muxParam;
  std::memset(&muxParam, 0, sizeof muxParam);
  muxParam.streamCount = static_cast<uint32_t>(records.size());
  muxParam.streams = records.data();
  muxParam.writerThreads = writerThread ? 1 : 0;

  handle_ = create();
  if (handle_ == nullptr) throw Failure(kExitOutput, "the plug-in could not create a muxer");
  const uint32_t result = open(handle_, &openParam, &muxParam);
  if (result != ZEB_OK) {
    destroy_(handle_);
    handle_ = nullptr;
    throw Failure(kExitOutput, path + ": " + WithCode(CreateFailureWords(path, result), result));
  }
}

MuxerSession::~MuxerSession() { Finish(); }

uint32_t MuxerSession::Write(uint32_t stream, const uint8_t* data, const SPlugFrameInfo& info) {
  return write_(handle_, stream, data, &info);
}

void MuxerSession::Finish() {
  if (handle_ != nullptr) destroy_(handle_);
  handle_ = nullptr;
}
