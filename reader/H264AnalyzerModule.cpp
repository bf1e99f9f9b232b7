#include "reader/H264AnalyzerModule.h"

#include "core/ModulePath.h"
#include "framework/sys/include/ZEBSoftCodecSys.h"
#include "platform/sys/Utf.h"

namespace {

template <typename Function>
bool LookUp(void* module, const char* name, Function& function) {
  function = reinterpret_cast<Function>(ZEB_GetFunction(module, name));
  return function != nullptr;
}

}  // namespace

std::unique_ptr<H264AnalyzerModule> H264AnalyzerModule::Load() {
  const std::wstring path = zeb::sys::Utf16ToWide(ModuleFolder() + kModuleName);
  std::unique_ptr<H264AnalyzerModule> loaded(new H264AnalyzerModule());
  loaded->module_ = ZEB_LoadModuleExW(path.c_str(), 0, 8);
  if (loaded->module_ == nullptr) return nullptr;
  // In this order; the first missing one ends the look-up.
  if (!LookUp(loaded->module_, "CreateH264Analyzer", loaded->create_) ||
      !LookUp(loaded->module_, "DestroyH264Analyzer", loaded->destroy_) ||
      !LookUp(loaded->module_, "ResetH264Analyzer", loaded->reset_) ||
      !LookUp(loaded->module_, "GetH264VideoStreamInfo", loaded->streamInfo_)) {
    return nullptr;
  }
  loaded->analyzer_ = loaded->create_(0);
  if (loaded->analyzer_ == nullptr) return nullptr;
  return loaded;
}

H264AnalyzerModule::~H264AnalyzerModule() {
  if (analyzer_ != nullptr) destroy_(analyzer_);
  if (module_ != nullptr) ZEB_CloseModule(module_);
}

uint32_t H264AnalyzerModule::GetStreamInfo(SPlugVideoStreamInfo* info, const uint8_t* data,
                                           uint32_t size) {
  return streamInfo_(analyzer_, info, data, size);
}
