#include "platform/movie/CompressionInfo.h"

#include <algorithm>
#include <array>

#include "platform/movie/FourCC.h"

namespace zeb::movie {

namespace {

struct FormatRow {
  uint32_t format;
  bool pcm;
  int16_t compressionId;
  uint32_t samplesPerPacket;
  uint32_t bytesPerPacket;  // per channel; 0 = from the sample size (PCM) or variable
  uint32_t bytesPerSample;  // 0 = from the sample size; compressed formats give their 16-bit output
};

constexpr std::array kRows = {
    FormatRow{FourCC("raw "), true, kFixedCompression, 1, 0, 0},
    FormatRow{FourCC("twos"), true, kFixedCompression, 1, 0, 0},
    FormatRow{FourCC("sowt"), true, kFixedCompression, 1, 0, 0},
    FormatRow{FourCC("NONE"), true, kFixedCompression, 1, 0, 0},
    FormatRow{FourCC("lpcm"), true, kFixedCompression, 1, 0, 0},
    FormatRow{FourCC("in24"), true, kFixedCompression, 1, 3, 3},
    FormatRow{FourCC("42ni"), true, kFixedCompression, 1, 3, 3},
    FormatRow{FourCC("in32"), true, kFixedCompression, 1, 4, 4},
    FormatRow{FourCC("23ni"), true, kFixedCompression, 1, 4, 4},
    FormatRow{FourCC("fl32"), true, kFixedCompression, 1, 4, 4},
    FormatRow{FourCC("fl64"), true, kFixedCompression, 1, 8, 8},
    FormatRow{FourCC("ulaw"), false, kFixedCompression, 1, 1, 2},
    FormatRow{FourCC("alaw"), false, kFixedCompression, 1, 1, 2},
    FormatRow{FourCC("ima4"), false, kFixedCompression, 64, 34, 2},
    FormatRow{FourCC("MAC3"), false, 3, 6, 2, 2},
    FormatRow{FourCC("MAC6"), false, 4, 6, 1, 2},
    FormatRow{FourCC("agsm"), false, kFixedCompression, 160, 33, 2},
    FormatRow{FourCC("mp4a"), false, kVariableCompression, 1024, 0, 2},
    FormatRow{FourCC(".mp3"), false, kVariableCompression, 1152, 0, 2},
    FormatRow{FourCC("ac-3"), false, kVariableCompression, 1536, 0, 2},
    FormatRow{FourCC("ec-3"), false, kVariableCompression, 1536, 0, 2},
    FormatRow{FourCC("alac"), false, kVariableCompression, 4096, 0, 2},
    FormatRow{FourCC("fLaC"), false, kVariableCompression, 4096, 0, 2},
    FormatRow{FourCC("Opus"), false, kVariableCompression, 960, 0, 2},
    FormatRow{FourCC("Qclp"), false, kVariableCompression, 160, 0, 2},
    FormatRow{FourCC("sqcp"), false, kVariableCompression, 160, 0, 2},
    FormatRow{FourCC("samr"), false, kVariableCompression, 160, 0, 2},
    FormatRow{FourCC("sawb"), false, kVariableCompression, 320, 0, 2},
    FormatRow{FourCC("QDM2"), false, kVariableCompression, 2048, 0, 2},
    FormatRow{FourCC("QDMC"), false, kVariableCompression, 512, 0, 2},
    FormatRow{FourCC("dtsc"), false, kVariableCompression, 512, 0, 2},
};

const FormatRow* FindRow(uint32_t format) {
  const auto* row = std::find_if(kRows.begin(), kRows.end(),
                                 [format](const FormatRow& r) { return r.format == format; });
  return row == kRows.end() ? nullptr : row;
}

}  // namespace

bool IsPcmFormat(uint32_t format) {
  const FormatRow* row = FindRow(format);
  return row != nullptr && row->pcm;
}

Status GetCompressionInfo(int16_t compressionId, uint32_t format, uint16_t channels,
                          uint16_t sampleSize, CompressionInfo& info) {
  info = CompressionInfo();
  info.format = format;
  info.bytesPerSample = 2;
  const FormatRow* row = FindRow(format);
  if (row == nullptr) {
    if (compressionId == kVariableCompression) return Status::Ok();
    return Status::Error(StatusCode::kUnsupported, "no compression information for sound format '" +
                                                       FourCCToString(format) + "'");
  }
  const uint32_t sampleBytes = sampleSize == 0 ? 2 : (sampleSize + 7u) / 8u;
  info.compressionId = row->compressionId;
  info.samplesPerPacket = row->samplesPerPacket;
  info.bytesPerSample = row->bytesPerSample != 0 ? row->bytesPerSample : sampleBytes;
  info.bytesPerPacket =
      row->bytesPerPacket != 0 ? row->bytesPerPacket : (row->pcm ? sampleBytes : 0);
  info.bytesPerFrame = info.bytesPerPacket * channels;
  return Status::Ok();
}

}  // namespace zeb::movie
