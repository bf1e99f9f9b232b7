// zebqt settings video|audio: the plug-in's settings dialog (ordinal 701 or
// 702) over a stream record, as a host shows it before encoding; the record
// it updates and the block it returns printed in words and in hex.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "tools/zebqt/CommandLine.h"
#include "tools/zebqt/Failure.h"
#include "tools/zebqt/JsonWriter.h"
#include "tools/zebqt/ReaderSession.h"

namespace {

// One line of the summary: its JSON key, its words for the terminal, and its
// value (a number unless `text` is set).
struct Entry {
  const char* key;
  const char* label;
  uint64_t number = 0;
  std::string text;
};

uint32_t LittleWord(const std::vector<uint8_t>& block, size_t at) {
  uint32_t value = 0;
  if (at + 4 <= block.size()) std::memcpy(&value, block.data() + at, 4);
  return value;
}

uint32_t BigWord(const std::vector<uint8_t>& block, size_t at) {
  if (at + 4 > block.size()) return 0;
  return uint32_t(block[at]) << 24 | uint32_t(block[at + 1]) << 16 | uint32_t(block[at + 2]) << 8 |
         block[at + 3];
}

std::string QualityName(uint32_t quality) {
  if (quality >= 1023) return "Best";
  if (quality >= 768) return "High";
  if (quality >= 512) return "Medium";
  if (quality >= 256) return "Low";
  return "Least";
}

std::string Hex(const std::vector<uint8_t>& block) {
  std::string hex;
  char byte[3];
  for (const uint8_t value : block) {
    std::snprintf(byte, sizeof byte, "%02x", value);
    hex += byte;
  }
  return hex;
}

// The video block: size, depth, qualities and state size, little-endian.
std::vector<Entry> VideoEntries(const SPlugVideoStreamInfo& record,
                                const std::vector<uint8_t>& block) {
  const uint32_t spatial = LittleWord(block, 8);
  return {
      {"codec", "codec", 0, FourCCText(record.videoSubType)},
      {"width", "width", record.width, {}},
      {"height", "height", record.height, {}},
      {"frame_rate", "frame rate", 0,
       std::to_string(record.frameRateNum) + "/" + std::to_string(record.frameRateDen)},
      {"key_frame_rate", "key frame every (frames)", record.gopSize, {}},
      {"data_rate", "data rate (bits/s)", record.bitRate, {}},
      {"depth", "depth (bits)", LittleWord(block, 4) & 0xFFFF, {}},
      {"spatial_quality", "spatial quality", spatial, {}},
      {"quality", "quality", 0, QualityName(spatial)},
      {"temporal_quality", "temporal quality", LittleWord(block, 12), {}},
      {"state_size", "state (bytes)", LittleWord(block, 16), {}},
  };
}

// The audio block: the format's codec settings, big-endian, or nothing.
std::vector<Entry> AudioEntries(const SPlugAudioStreamInfo& record,
                                const std::vector<uint8_t>& block) {
  std::vector<Entry> entries = {
      {"format", "format", 0, FourCCText(record.audioSubType)},
      {"channels", "channels", record.channels, {}},
      {"sample_size", "sample size (bits)", record.bitsPerSample, {}},
      {"sample_rate", "rate (Hz)", record.sampleRate, {}},
      {"block_align", "block align (bytes)", record.blockAlign, {}},
      {"bit_rate", "record bit rate (bits/s)", record.bitRate, {}},
  };
  if (block.size() == 12) {
    entries.push_back({"codec_bit_rate", "coded bit rate (bits/s)", BigWord(block, 8), {}});
  }
  return entries;
}

void Print(const CommandLine& line, const char* kind, uint32_t blockKind,
           const std::vector<Entry>& entries, const std::vector<uint8_t>& block) {
  if (line.json) {
    JsonWriter json(std::cout);
    json.BeginObject().Field("settings", std::string(kind));
    for (const Entry& entry : entries) {
      if (entry.text.empty()) {
        json.Field(entry.key, entry.number);
      } else {
        json.Field(entry.key, entry.text);
      }
    }
    json.Field("block_kind", blockKind)
        .Field("block_size", block.size())
        .Field("block", Hex(block));
    json.EndObject();
    std::cout << '\n';
    return;
  }
  std::cout << kind << " settings\n";
  for (const Entry& entry : entries) {
    std::string label = entry.label;
    label.resize(std::max<size_t>(label.size(), 26), ' ');
    std::cout << "  " << label << (entry.text.empty() ? std::to_string(entry.number) : entry.text)
              << '\n';
  }
  std::cout << "block (kind " << blockKind << ", " << block.size() << " bytes)\n";
  const std::string hex = Hex(block);
  for (size_t at = 0; at < hex.size(); at += 32) {
    std::cout << "  ";
    for (size_t word = at; word < std::min(at + 32, hex.size()); word += 8) {
      std::cout << hex.substr(word, 8) << (word + 8 < std::min(at + 32, hex.size()) ? " " : "");
    }
    std::cout << '\n';
  }
}

// The dialog's block, copied and freed with ordinal 700.
std::vector<uint8_t> TakeBlock(const PluginLibrary& plugin, void* block, uint32_t size) {
  std::vector<uint8_t> bytes;
  if (block != nullptr) {
    const auto* at = static_cast<const uint8_t*>(block);
    bytes.assign(at, at + size);
  }
  plugin.Require<PFN_EraseCustomSettingMemory>(ZEB_ORD_EraseCustomSettingMemory)(block);
  return bytes;
}

[[noreturn]] void Cancelled() {
  throw Failure(kExitCancelled,
                "the settings dialog was cancelled or cannot be shown (is DISPLAY set?)");
}

// Runs one settings export over `record` and takes the block it made;
// a cancelled or unshown dialog ends the command.
template <typename Export, typename Record>
std::vector<uint8_t> RunDialog(const PluginLibrary& plugin, uint32_t ordinal, Record& record,
                               uint32_t& kind) {
  void* block = nullptr;
  uint32_t size = 0;
  const uint32_t result = plugin.Require<Export>(ordinal)(&record, 0, 0, &kind, &block, &size);
  std::vector<uint8_t> bytes = TakeBlock(plugin, block, size);
  if (result != 0) Cancelled();
  return bytes;
}

int ShowVideoSettings(const PluginLibrary& plugin, const CommandLine& line) {
  SPlugVideoStreamInfo record{};
  record.size = sizeof record;
  record.videoType = PLUG_VIDEO_TYPE_QUICKTIME_;
  record.videoSubType = ParseFourCC(line.FlagValue("--video", "avc1"), "--video");
  record.width = 1920;
  record.height = 1080;
  record.frameRateNum = 30000;
  record.frameRateDen = 1001;
  record.gopSize = OptionalNumber(line, "--gop", 1, 0x7FFFFFFF).value_or(15);
  record.bitRate = OptionalNumber(line, "--bitrate", 0, 0xFFFFFFFF).value_or(0);
  uint32_t kind = 0;
  const std::vector<uint8_t> bytes = RunDialog<PFN_GetVideoCodecCustomSetting>(
      plugin, ZEB_ORD_GetVideoCodecCustomSetting, record, kind);
  Print(line, "video", kind, VideoEntries(record, bytes), bytes);
  return kExitOk;
}

int ShowAudioSettings(const PluginLibrary& plugin, const CommandLine& line) {
  SPlugAudioStreamInfo record{};
  record.size = sizeof record;
  record.audioType = PLUG_AUDIO_TYPE_QUICKTIME_;
  record.audioSubType = ParseFourCC(line.FlagValue("--audio", "twos"), "--audio");
  record.channels = 2;
  record.bitsPerSample = 16;
  record.sampleRate = 48000;
  record.blockAlign = 4;
  record.bitRate = OptionalNumber(line, "--bitrate", 0, 0xFFFFFFFF).value_or(0);
  uint32_t kind = 0;
  const std::vector<uint8_t> bytes = RunDialog<PFN_GetAudioCodecCustomSetting>(
      plugin, ZEB_ORD_GetAudioCodecCustomSetting, record, kind);
  Print(line, "audio", kind, AudioEntries(record, bytes), bytes);
  return kExitOk;
}

}  // namespace

int RunSettings(const PluginLibrary& plugin, const CommandLine& line) {
  const std::string which = line.arguments.empty() ? "" : line.arguments.front();
  if (which == "video") return ShowVideoSettings(plugin, line);
  if (which == "audio") return ShowAudioSettings(plugin, line);
  throw Failure(kExitUsage, "settings takes 'video' or 'audio'");
}
