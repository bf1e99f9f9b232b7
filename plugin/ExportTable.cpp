// The plug-in's export table: every family's ordinal slots in one place.
// A slot whose family is not built yet is null; a host sees it as missing.
#include <algorithm>
#include <cstdint>
#include <iterator>
#include <span>

#include "core/LibInfo.h"
#include "plugin/AudioDecoderEntryPoints.h"
#include "plugin/AudioEncoderEntryPoints.h"
#include "plugin/ReaderEntryPoints.h"
#include "plugin/VideoDecoderEntryPoints.h"
#include "plugin/VideoEncoderEntryPoints.h"
#include "plugin/WriterEntryPoints.h"
#include "zebplug/ZEBPlugApi.h"
#include "zebplug/ZEBPlugOrdinals.h"

namespace {

struct ExportSlot {
  uint32_t ordinal;
  void* (*address)();  // null for an empty slot
};

template <typename Function, Function function>
void* AddressOf() {
  return reinterpret_cast<void*>(function);
}

// A filled slot. `Function` is the public header's pointer type for the
// ordinal; a function of any other signature does not compile.
template <typename Function, Function function>
constexpr ExportSlot Slot(uint32_t ordinal) {
  return {ordinal, &AddressOf<Function, function>};
}


constexpr ExportSlot kExportTable[] = {
    // Video decoder family.
    Slot<PFN_CreateVideoDecoder, CreateVideoDecoder>(ZEB_ORD_CreateVideoDecoder),
    Slot<PFN_DestroyVideoDecoder, DestroyVideoDecoder>(ZEB_ORD_DestroyVideoDecoder),
    Slot<PFN_VideoDecoderStub, VideoDecoderReturnZero>(ZEB_ORD_VideoDecoderEntry3),
    Slot<PFN_VideoDecoderStub, VideoDecoderReturnZero>(ZEB_ORD_VideoDecoderEntry4),
    Slot<PFN_OpenVideoDecoder, OpenVideoDecoder>(ZEB_ORD_OpenVideoDecoder),
    Slot<PFN_VideoDecoderStub, VideoDecoderReturnZero>(ZEB_ORD_VideoDecoderEntry6),
    Slot<PFN_GetVideoDecoderOutputFormat, GetVideoDecoderOutputFormat>(
        ZEB_ORD_GetVideoDecoderOutputFormat),
    Slot<PFN_VideoDecoderStub, VideoDecoderReturnZero>(ZEB_ORD_VideoDecoderEntry8),
    Slot<PFN_DecodeVideoFrame, DecodeVideoFrame>(ZEB_ORD_DecodeVideoFrame),
    Slot<PFN_VideoDecoderStub, VideoDecoderReturnZero>(ZEB_ORD_VideoDecoderEntry10),
    Slot<PFN_GetDecodedVideoFrame, GetDecodedVideoFrame>(ZEB_ORD_GetDecodedVideoFrame),
    // Video encoder family.
    Slot<PFN_CreateVideoEncoder, CreateVideoEncoder>(ZEB_ORD_CreateVideoEncoder),
    Slot<PFN_DestroyVideoEncoder, DestroyVideoEncoder>(ZEB_ORD_DestroyVideoEncoder),
    Slot<PFN_VideoEncoderStub, VideoEncoderReturnZero>(ZEB_ORD_VideoEncoderEntry103),
    Slot<PFN_VideoEncoderStub, VideoEncoderReturnZero>(ZEB_ORD_VideoEncoderEntry104),
    Slot<PFN_OpenVideoEncoder, OpenVideoEncoder>(ZEB_ORD_OpenVideoEncoder),
    Slot<PFN_QueryVideoEncoderInput, QueryVideoEncoderInput>(ZEB_ORD_QueryVideoEncoderInput),
    Slot<PFN_VideoEncoderStub, VideoEncoderReturnZero>(ZEB_ORD_VideoEncoderEntry107),
    Slot<PFN_GetVideoEncoderInputFormat, GetVideoEncoderInputFormat>(
        ZEB_ORD_GetVideoEncoderInputFormat),
    Slot<PFN_VideoEncoderStub, VideoEncoderReturnZero>(ZEB_ORD_VideoEncoderEntry109),
    Slot<PFN_EncodeVideoFrame, EncodeVideoFrame>(ZEB_ORD_EncodeVideoFrame),
    Slot<PFN_GetEncodedVideoFrame, GetEncodedVideoFrame>(ZEB_ORD_GetEncodedVideoFrame),
    // Audio decoder family.
    Slot<PFN_CreateAudioDecoder, CreateAudioDecoder>(ZEB_ORD_CreateAudioDecoder),
    Slot<PFN_DestroyAudioDecoder, DestroyAudioDecoder>(ZEB_ORD_DestroyAudioDecoder),
    Slot<PFN_AudioDecoderStub, AudioDecoderReturnZero>(ZEB_ORD_AudioDecoderEntry202),
    Slot<PFN_AudioDecoderStub, CloseAudioDecoder>(ZEB_ORD_CloseAudioDecoder),
    Slot<PFN_OpenAudioDecoder, OpenAudioDecoder>(ZEB_ORD_OpenAudioDecoder),
    Slot<PFN_AudioDecoderStub, AudioDecoderReturnZero>(ZEB_ORD_AudioDecoderEntry205),
    Slot<PFN_AudioDecoderStub, AudioDecoderReturnZero>(ZEB_ORD_AudioDecoderEntry206),
    Slot<PFN_AudioDecoderStub, IsAudioPacketSizeConstant>(ZEB_ORD_IsAudioPacketSizeConstant),
    Slot<PFN_AudioDecoderEntry208, AudioDecoderEntry208>(ZEB_ORD_AudioDecoderEntry208),
    Slot<PFN_DecodeAudio, DecodeAudio>(ZEB_ORD_DecodeAudio),
    Slot<PFN_GetDecodedAudio, GetDecodedAudio>(ZEB_ORD_GetDecodedAudio),
    Slot<PFN_AudioDecoderStub, AudioDecoderReturnZero>(ZEB_ORD_AudioDecoderEntry211),
    // Audio encoder family.
    Slot<PFN_CreateAudioEncoder, CreateAudioEncoder>(ZEB_ORD_CreateAudioEncoder),
    Slot<PFN_DestroyAudioEncoder, DestroyAudioEncoder>(ZEB_ORD_DestroyAudioEncoder),
    Slot<PFN_AudioEncoderStub, AudioEncoderReturnZero>(ZEB_ORD_AudioEncoderEntry302),
    Slot<PFN_AudioEncoderStub, CloseAudioEncoder>(ZEB_ORD_CloseAudioEncoder),
    Slot<PFN_CheckAudioEncoderFormat, CheckAudioEncoderFormat>(ZEB_ORD_CheckAudioEncoderFormat),
    Slot<PFN_OpenAudioEncoder, OpenAudioEncoder>(ZEB_ORD_OpenAudioEncoder),
    Slot<PFN_AudioEncoderStub, AudioEncoderReturnZero>(ZEB_ORD_AudioEncoderEntry306),
    Slot<PFN_AudioEncoderEntry307, AudioEncoderIgnoreValue>(ZEB_ORD_AudioEncoderEntry307),
    Slot<PFN_EncodeAudio, EncodeAudio>(ZEB_ORD_EncodeAudio),
    Slot<PFN_EncodeAudioChannel, EncodeAudioChannel>(ZEB_ORD_EncodeAudioChannel),
    Slot<PFN_GetEncodedAudio, GetEncodedAudio>(ZEB_ORD_GetEncodedAudio),
    Slot<PFN_AudioEncoderStub, AudioEncoderReturnZero>(ZEB_ORD_AudioEncoderEntry311),
    // Reader family.
    Slot<PFN_CreateReader, CreateReader>(ZEB_ORD_CreateReader),
    Slot<PFN_DestroyReader, DestroyReader>(ZEB_ORD_DestroyReader),
    Slot<PFN_ReaderStub, ReaderReturnZero>(ZEB_ORD_Reserved402),
    Slot<PFN_ReaderStub, ReaderReturnZero>(ZEB_ORD_Reserved403),
    Slot<PFN_OpenReader, OpenReader>(ZEB_ORD_OpenReader),
    Slot<PFN_ReaderStub, ReaderReturnZero>(ZEB_ORD_Reserved405),
    Slot<PFN_GetProgramCount, GetProgramCount>(ZEB_ORD_GetProgramCount),
    Slot<PFN_GetVideoStreamCount, GetVideoStreamCount>(ZEB_ORD_GetVideoStreamCount),
    Slot<PFN_GetVideoStreamInfo, GetVideoStreamInfo>(ZEB_ORD_GetVideoStreamInfo),
    Slot<PFN_GetAudioStreamCount, GetAudioStreamCount>(ZEB_ORD_GetAudioStreamCount),
    Slot<PFN_GetAudioStreamInfo, GetAudioStreamInfo>(ZEB_ORD_GetAudioStreamInfo),
    Slot<PFN_SelectStreams, SelectStreams>(ZEB_ORD_SelectStreams),
    Slot<PFN_GetReaderState, GetReaderState>(ZEB_ORD_GetReaderState),
    Slot<PFN_GetMaxVideoFrameSize, GetMaxVideoFrameSize>(ZEB_ORD_GetMaxVideoFrameSize),
    Slot<PFN_GetReservedSize, GetReservedSize>(ZEB_ORD_GetReservedSize),
    Slot<PFN_ReaderStub, ReaderReturnOne>(ZEB_ORD_Reserved415),
    Slot<PFN_Reserved416, Reserved416>(ZEB_ORD_Reserved416),
    Slot<PFN_SetReadOptions, SetReadOptions>(ZEB_ORD_SetReadOptions),
    Slot<PFN_GetReadOptions, GetReadOptions>(ZEB_ORD_GetReadOptions),
    Slot<PFN_ReaderStub, ReaderNotSupported>(ZEB_ORD_Reserved419),
    Slot<PFN_ReadVideoFrame, ReadVideoFrame>(ZEB_ORD_ReadVideoFrame),
    Slot<PFN_ReadVideoFrameShared, ReadVideoFrameShared>(ZEB_ORD_ReadVideoFrameShared),
    Slot<PFN_ReadKeyFrameBefore, ReadKeyFrameBefore>(ZEB_ORD_ReadKeyFrameBefore),
    Slot<PFN_PeekKeyFrameBefore, PeekKeyFrameBefore>(ZEB_ORD_PeekKeyFrameBefore),
    Slot<PFN_ReadCurrentVideoFrame, ReadCurrentVideoFrame>(ZEB_ORD_ReadCurrentVideoFrame),
    Slot<PFN_ReadCurrentFrameInfo, ReadCurrentFrameInfo>(ZEB_ORD_ReadCurrentFrameInfo),
    Slot<PFN_PeekNextReferenceFrame, PeekNextReferenceFrame>(ZEB_ORD_PeekNextReferenceFrame),
    Slot<PFN_Reserved427, Reserved427>(ZEB_ORD_Reserved427),
    Slot<PFN_ReadAudioSamples, ReadAudioSamples>(ZEB_ORD_ReadAudioSamples),
    Slot<PFN_ReadAudioSamplesAlt, ReadAudioSamplesAlt>(ZEB_ORD_ReadAudioSamplesAlt),
    Slot<PFN_ReaderStub, ReaderNotSupported>(ZEB_ORD_Reserved430),
    Slot<PFN_ReaderStub, ReaderNotSupported>(ZEB_ORD_Reserved431),
    // Muxer family.
    Slot<PFN_MuxerCreate, MuxerCreate>(ZEB_ORD_MuxerCreate),
    Slot<PFN_MuxerDestroy, MuxerDestroy>(ZEB_ORD_MuxerDestroy),
    Slot<PFN_MuxerStub, MuxerReturnZero>(ZEB_ORD_MuxerEntry502),
    Slot<PFN_MuxerStub, MuxerReturnZero>(ZEB_ORD_MuxerEntry503),
    Slot<PFN_MuxerCheckStreams, MuxerCheckStreams>(ZEB_ORD_MuxerCheckStreams),
    Slot<PFN_MuxerOpen, MuxerOpen>(ZEB_ORD_MuxerOpen),
    Slot<PFN_MuxerStub, MuxerReturnZero>(ZEB_ORD_MuxerEntry506),
    Slot<PFN_MuxerStub, MuxerReturnOne>(ZEB_ORD_MuxerEntry507),
    Slot<PFN_MuxerEntry508, MuxerEntry508>(ZEB_ORD_MuxerEntry508),
    Slot<PFN_MuxerWrite, MuxerWrite>(ZEB_ORD_MuxerWrite),
    Slot<PFN_MuxerStub, MuxerNotSupported>(ZEB_ORD_MuxerEntry510),
    Slot<PFN_MuxerStub, MuxerNotSupported>(ZEB_ORD_MuxerEntry511),
    // Library information.
    Slot<PFN_QueryLibInfo, QueryLibInfo>(ZEB_ORD_QueryLibInfo),
    Slot<PFN_GetLibState, GetLibState>(ZEB_ORD_GetLibState),
    Slot<PFN_TQGetLibInfo, TQGetLibInfo>(ZEB_ORD_TQGetLibInfo),
    // Settings blocks.
    Slot<PFN_EraseCustomSettingMemory, EraseCustomSettingMemory>(ZEB_ORD_EraseCustomSettingMemory),
    Slot<PFN_GetVideoCodecCustomSetting, GetVideoCodecCustomSetting>(
        ZEB_ORD_GetVideoCodecCustomSetting),
    Slot<PFN_GetAudioCodecCustomSetting, GetAudioCodecCustomSetting>(
        ZEB_ORD_GetAudioCodecCustomSetting),
    // Start-up.
    Slot<PFN_LoadQuickTime, LoadQuickTime>(ZEB_ORD_LoadQuickTime),
};

struct OrdinalRange {
  uint32_t first;
  uint32_t last;
};

// The families of the public header; every ordinal in them has a slot, and
// no slot lies outside them.
constexpr OrdinalRange kFamilies[] = {
    {ZEB_ORD_VIDEO_DECODER_FIRST, ZEB_ORD_VIDEO_DECODER_LAST},
    {ZEB_ORD_VIDEO_ENCODER_FIRST, ZEB_ORD_VIDEO_ENCODER_LAST},
    {ZEB_ORD_AUDIO_DECODER_FIRST, ZEB_ORD_AUDIO_DECODER_LAST},
    {ZEB_ORD_AUDIO_ENCODER_FIRST, ZEB_ORD_AUDIO_ENCODER_LAST},
    {ZEB_ORD_CreateReader, ZEB_ORD_Reserved431},
    {ZEB_ORD_MUXER_FIRST, ZEB_ORD_MUXER_LAST},
    {ZEB_ORD_QueryLibInfo, ZEB_ORD_TQGetLibInfo},
    {ZEB_ORD_EraseCustomSettingMemory, ZEB_ORD_GetAudioCodecCustomSetting},
    {ZEB_ORD_LoadQuickTime, ZEB_ORD_LoadQuickTime},
};

constexpr bool SortedWithoutDuplicates(std::span<const ExportSlot> table) {
  return std::adjacent_find(table.begin(), table.end(), [](const auto& a, const auto& b) {
           return a.ordinal >= b.ordinal;
         }) == table.end();
}

// With the table sorted and unique, the slots are the families' ordinals
// exactly when they are as many and each one lies in a family.
constexpr bool HoldsExactlyTheFamilies(std::span<const ExportSlot> table) {
  size_t ordinals = 0;
  for (const OrdinalRange& family : kFamilies) ordinals += family.last - family.first + 1;
  return ordinals == table.size() &&
         std::all_of(table.begin(), table.end(), [](const ExportSlot& slot) {
           return std::any_of(std::begin(kFamilies), std::end(kFamilies), [&](const auto& family) {
             return slot.ordinal >= family.first && slot.ordinal <= family.last;
           });
         });
}

static_assert(SortedWithoutDuplicates(kExportTable), "slots must rise strictly by ordinal");
static_assert(HoldsExactlyTheFamilies(kExportTable), "one slot for each ordinal of the families");

}  // namespace

extern "C" void* ZEBPlugGetProcByOrdinal(uint32_t ordinal) {
  const auto slot = std::lower_bound(
      std::begin(kExportTable), std::end(kExportTable), ordinal,
      [](const ExportSlot& entry, uint32_t wanted) { return entry.ordinal < wanted; });
  if (slot == std::end(kExportTable) || slot->ordinal != ordinal || slot->address == nullptr) {
    return nullptr;
  }
  return slot->address();
}
