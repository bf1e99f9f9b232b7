// The plug-in's export table: every family's ordinal slots in one place.
// A slot whose family is not built yet is null; a host sees it as missing.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "core/LibInfo.h"
#include "plugin/ReaderEntryPoints.h"
#include "zebplug/ZEBPlugApi.h"

namespace {

struct ExportSlot {
  uint32_t ordinal;
  void* function;
};

template <typename Function>
void* Entry(Function* function) {
  return reinterpret_cast<void*>(function);
}

// Sorted by ordinal.
const ExportSlot kExportTable[] = {
    // Video decoder family.
    {1, nullptr},   // CreateVideoDecoder
    {2, nullptr},   // DestroyVideoDecoder
    {3, nullptr},   // VideoDecoderEntry3
    {4, nullptr},   // VideoDecoderEntry4
    {5, nullptr},   // OpenVideoDecoder
    {6, nullptr},   // VideoDecoderEntry6
    {7, nullptr},   // GetVideoDecoderOutputFormat
    {8, nullptr},   // VideoDecoderEntry8
    {9, nullptr},   // DecodeVideoFrame
    {10, nullptr},  // VideoDecoderEntry10
    {11, nullptr},  // GetDecodedVideoFrame
    // Video encoder family.
    {101, nullptr},  // CreateVideoEncoder
    {102, nullptr},  // DestroyVideoEncoder
    {103, nullptr},  // VideoEncoderEntry103
    {104, nullptr},  // VideoEncoderEntry104
    {105, nullptr},  // OpenVideoEncoder
    {106, nullptr},  // QueryVideoEncoderInput
    {107, nullptr},  // VideoEncoderEntry107
    {108, nullptr},  // GetVideoEncoderInputFormat
    {109, nullptr},  // VideoEncoderEntry109
    {110, nullptr},  // EncodeVideoFrame
    {111, nullptr},  // GetEncodedVideoFrame
    // Audio decoder family.
    {200, nullptr},  // CreateAudioDecoder
    {201, nullptr},  // DestroyAudioDecoder
    {202, nullptr},  // AudioDecoderEntry202
    {203, nullptr},  // CloseAudioDecoder
    {204, nullptr},  // OpenAudioDecoder
    {205, nullptr},  // AudioDecoderEntry205
    {206, nullptr},  // AudioDecoderEntry206
    {207, nullptr},  // IsAudioPacketSizeConstant
    {208, nullptr},  // AudioDecoderEntry208
    {209, nullptr},  // DecodeAudio
    {210, nullptr},  // GetDecodedAudio
    {211, nullptr},  // AudioDecoderEntry211
    // Audio encoder family.
    {300, nullptr},  // CreateAudioEncoder
    {301, nullptr},  // DestroyAudioEncoder
    {302, nullptr},  // AudioEncoderEntry302
    {303, nullptr},  // CloseAudioEncoder
    {304, nullptr},  // CheckAudioEncoderFormat
    {305, nullptr},  // OpenAudioEncoder
    {306, nullptr},  // AudioEncoderEntry306
    {307, nullptr},  // AudioEncoderEntry307
    {308, nullptr},  // EncodeAudio
    {309, nullptr},  // EncodeAudioChannel
    {310, nullptr},  // GetEncodedAudio
    {311, nullptr},  // AudioEncoderEntry311
    // Reader family.
    {400, Entry(CreateReader)},
    {401, Entry(DestroyReader)},
    {402, Entry(ReaderReturnZero)},  // Reserved402
    {403, Entry(ReaderReturnZero)},  // Reserved403
    {404, Entry(OpenReader)},
    {405, Entry(ReaderReturnZero)},  // Reserved405
    {406, Entry(GetProgramCount)},
    {407, Entry(GetVideoStreamCount)},
    {408, Entry(GetVideoStreamInfo)},
    {409, Entry(GetAudioStreamCount)},
    {410, Entry(GetAudioStreamInfo)},
    {411, Entry(SelectStreams)},
    {412, Entry(GetReaderState)},
    {413, Entry(GetMaxVideoFrameSize)},
    {414, Entry(GetReservedSize)},
    {415, Entry(ReaderReturnOne)},     // Reserved415
    {416, Entry(ReaderNotSupported)},  // Reserved416
    {417, Entry(SetReadOptions)},
    {418, Entry(GetReadOptions)},
    {419, Entry(ReaderNotSupported)},  // Reserved419
    {420, Entry(ReadVideoFrame)},
    {421, Entry(ReadVideoFrameShared)},
    {422, Entry(ReadKeyFrameBefore)},
    {423, Entry(PeekKeyFrameBefore)},
    {424, Entry(ReadCurrentVideoFrame)},
    {425, Entry(ReadCurrentFrameInfo)},
    {426, Entry(PeekNextReferenceFrame)},
    {427, Entry(ReaderNotSupported)},  // Reserved427
    {428, Entry(ReadAudioSamples)},
    {429, Entry(ReadAudioSamplesAlt)},
    {430, Entry(ReaderNotSupported)},  // Reserved430
    {431, Entry(ReaderNotSupported)},  // Reserved431
    // Muxer family.
    {500, nullptr},  // MuxerCreate
    {501, nullptr},  // MuxerDestroy
    {502, nullptr},  // MuxerEntry502
    {503, nullptr},  // MuxerEntry503
    {504, nullptr},  // MuxerCheckStreams
    {505, nullptr},  // MuxerOpen
    {506, nullptr},  // MuxerEntry506
    {507, nullptr},  // MuxerEntry507
    {508, nullptr},  // MuxerEntry508
    {509, nullptr},  // MuxerWrite
    {510, nullptr},  // MuxerEntry510
    {511, nullptr},  // MuxerEntry511
    // Library information.
    {600, Entry(QueryLibInfo)},
    {601, Entry(GetLibState)},
    {602, Entry(TQGetLibInfo)},
    // Settings blocks.
    {700, Entry(EraseCustomSettingMemory)},
    {701, Entry(GetVideoCodecCustomSetting)},
    {702, Entry(GetAudioCodecCustomSetting)},
    // Start-up.
    {1000, Entry(LoadQuickTime)},
};

}  // namespace

extern "C" void* ZEBPlugGetProcByOrdinal(uint32_t ordinal) {
  const auto slot = std::lower_bound(
      std::begin(kExportTable), std::end(kExportTable), ordinal,
      [](const ExportSlot& entry, uint32_t wanted) { return entry.ordinal < wanted; });
  if (slot == std::end(kExportTable) || slot->ordinal != ordinal) return nullptr;
  return slot->function;
}
