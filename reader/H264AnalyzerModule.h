// The H.264 stream analyser, loaded at run time from the analyser plug-in
// that lies beside this library. One instance serves one open movie; its
// destruction destroys the analyser, then unloads the module.
#pragma once

#include <cstdint>
#include <memory>

#include "zebplug/ZEBPlugRecords.h"

class H264AnalyzerModule {
 public:
  // The plug-in's file name in the library's own folder.
  static constexpr const char16_t* kModuleName = u"libZEBPlugH264Dec.so";

  // Null when the module, one of its four entry points or the analyser
  // cannot be had.
  static std::unique_ptr<H264AnalyzerModule> Load();
  ~H264AnalyzerModule();
  H264AnalyzerModule(const H264AnalyzerModule&) = delete;
  H264AnalyzerModule& operator=(const H264AnalyzerModule&) = delete;

  // Feeds one Annex B access unit; 2 once the record is complete.
  uint32_t GetStreamInfo(SPlugVideoStreamInfo* info, const uint8_t* data, uint32_t size);

 private:
  using CreateFunction = void* (*)(uint32_t);
  using DestroyFunction = void (*)(void*);
  using ResetFunction = void (*)(void*);
  using StreamInfoFunction = uint32_t (*)(void*, SPlugVideoStreamInfo*, const uint8_t*, uint32_t);

  H264AnalyzerModule() = default;

  void* module_ = nullptr;
  void* analyzer_ = nullptr;
  CreateFunction create_ = nullptr;
  DestroyFunction destroy_ = nullptr;
  ResetFunction reset_ = nullptr;  // looked up as a required export, never called
  StreamInfoFunction streamInfo_ = nullptr;
};
