// The functions the plug-in also exports by name.
#include <cstdlib>

#include "codecs/AudioSettingDialog.h"
#include "codecs/VideoSettingDialog.h"
#include "core/LibInfo.h"
#include "core/LoadQuickTime.h"
#include "writer/RecoveryDefaults.h"
#include "zebplug/ZEBPlugApi.h"

extern "C" {

const LibInfoRecord* TQGetLibInfo(void) { return GetLibInfoRecord(); }

// Settings blocks come from malloc; a null block is accepted.
uint32_t EraseCustomSettingMemory(void* block) {
  std::free(block);
  return 0;
}

uint32_t GetVideoCodecCustomSetting(SPlugVideoStreamInfo* info, uint32_t, uint32_t, uint32_t* kind,
                                    void** block, uint32_t* size) {
  return GetVideoCodecCustomSettingDialog(info, kind, block, size);
}

uint32_t GetAudioCodecCustomSetting(SPlugAudioStreamInfo* info, uint32_t, uint32_t, uint32_t* kind,
                                    void** block, uint32_t* size) {
  return GetAudioCodecCustomSettingDialog(info, kind, block, size);
}

uint32_t LoadQuickTime(void) { return LoadQuickTimeOnce(); }

uint32_t ZEBPlugSetRecoveryInterval(uint32_t milliseconds, uint32_t durable) {
  SetRecoveryDefaults({milliseconds, durable != 0});
  return 0;
}

}  // extern "C"
