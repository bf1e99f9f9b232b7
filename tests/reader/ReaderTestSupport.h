// What the reader's tests share: a reader driven through the plug-in's
// ordinal table as a host drives it, the reference views of a movie that the
// ffmpeg tools give (tests/support), and the inverse of the 'avc1' start-code rewrite.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tests/host/TestPlugin.h"
#include "tests/support/Ffprobe.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Shell.h"
#include "zebplug/ZEBPlug.h"
#include "zebplug/ZEBPlugOrdinals.h"

namespace zeb::test {

// The open request for one file of an ASCII path.
struct OpenRequest {
  explicit OpenRequest(const std::string& asciiPath);
  OpenRequest(const OpenRequest&) = delete;  // param points at source
  OpenRequest& operator=(const OpenRequest&) = delete;
  SPlugSourceDesc source{};
  SPlugOpenParam param{1, &source};
};

// One CQuickTimeSpliter behind its handle, created by ordinal 400 and
// destroyed by 401; each call below is one ordinal.
class HostReader : public HostObject {
 public:
  explicit HostReader(const TestPlugin& plugin)
      : HostObject(plugin, ZEB_ORD_CreateReader, ZEB_ORD_DestroyReader) {}

  uint32_t Open(const std::string& asciiPath);
  uint32_t OpenParam(const SPlugOpenParam* param) {
    return Call<PFN_OpenReader>(ZEB_ORD_OpenReader, param, 0u, 0u);
  }

  uint32_t ProgramCount() { return Call<PFN_GetProgramCount>(ZEB_ORD_GetProgramCount); }
  uint32_t VideoStreamCount() {
    return Call<PFN_GetVideoStreamCount>(ZEB_ORD_GetVideoStreamCount, 0u);
  }
  uint32_t AudioStreamCount() {
    return Call<PFN_GetAudioStreamCount>(ZEB_ORD_GetAudioStreamCount, 0u);
  }
  uint32_t State() { return Call<PFN_GetReaderState>(ZEB_ORD_GetReaderState); }
  uint32_t MaxVideoFrameSize() {
    return Call<PFN_GetMaxVideoFrameSize>(ZEB_ORD_GetMaxVideoFrameSize);
  }
  uint32_t VideoInfo(uint32_t index, SPlugStreamInfo* info, uint32_t program = 0) {
    return Call<PFN_GetVideoStreamInfo>(ZEB_ORD_GetVideoStreamInfo, program, index, info);
  }
  uint32_t AudioInfo(uint32_t index, SPlugStreamInfo* info, uint32_t program = 0) {
    return Call<PFN_GetAudioStreamInfo>(ZEB_ORD_GetAudioStreamInfo, program, index, info);
  }
  uint32_t Select(uint32_t video, uint32_t audio, uint32_t program = 0) {
    return Call<PFN_SelectStreams>(ZEB_ORD_SelectStreams, program, video, 0u, audio);
  }
  uint32_t GetReadOptions(uint32_t* options) {
    return Call<PFN_GetReadOptions>(ZEB_ORD_GetReadOptions, options);
  }
  // Word 3 on or off, word 4 the size; the other words as they stand.
  uint32_t SetReadAhead(bool on, uint32_t size = 0x100000);

  uint32_t Read(uint32_t index, uint8_t* buffer, SPlugFrameInfo* info) {
    return Call<PFN_ReadVideoFrame>(ZEB_ORD_ReadVideoFrame, index, buffer, info);
  }
  uint32_t ReadShared(uint32_t index, uint8_t** buffer, SPlugFrameInfo* info) {
    return Call<PFN_ReadVideoFrameShared>(ZEB_ORD_ReadVideoFrameShared, index, buffer, info);
  }
  uint32_t ReadKeyFrameBefore(uint32_t index, uint8_t** buffer, SPlugFrameInfo* info) {
    return Call<PFN_ReadKeyFrameBefore>(ZEB_ORD_ReadKeyFrameBefore, index, buffer, info);
  }
  uint32_t PeekKeyFrameBefore(uint32_t index, SPlugFrameInfo* info) {
    return Call<PFN_PeekKeyFrameBefore>(ZEB_ORD_PeekKeyFrameBefore, index, info);
  }
  uint32_t ReadCurrent(uint8_t** buffer, SPlugFrameInfo* info) {
    return Call<PFN_ReadCurrentVideoFrame>(ZEB_ORD_ReadCurrentVideoFrame, buffer, info);
  }
  uint32_t ReadCurrentInfo(SPlugFrameInfo* info) {
    return Call<PFN_ReadCurrentFrameInfo>(ZEB_ORD_ReadCurrentFrameInfo, info);
  }
  uint32_t PeekNextReference(uint32_t index, SPlugFrameInfo* info) {
    return Call<PFN_PeekNextReferenceFrame>(ZEB_ORD_PeekNextReferenceFrame, index, info);
  }
  uint32_t ReadAudio(uint32_t start, uint32_t count, uint8_t* buffer, SPlugFrameInfo* info) {
    return Call<PFN_ReadAudioSamples>(ZEB_ORD_ReadAudioSamples, start, count, buffer, info);
  }
  uint32_t ReadAudioAlt(uint32_t start, uint32_t count, uint8_t** buffer, SPlugFrameInfo* info) {
    return Call<PFN_ReadAudioSamplesAlt>(ZEB_ORD_ReadAudioSamplesAlt, start, count, buffer, info);
  }
};

// A frame-information record with its defaults.
SPlugFrameInfo NewFrameInfo();

// `bytes` written to "<name>.<pid>.mov" beside the fixtures; returns its path.
std::string WriteScratchMovie(const std::string& name, std::span<const uint8_t> bytes);

// Every frame of the open video stream on both buffer ordinals equals its
// packet of ffprobe's `packets` of the movie at `path` (or of the movie it
// was copied from), 'avc1' frames with start codes and key frames leading
// with the sequence parameter set; frame types are ffprobe's decoder's,
// display positions come from the stored display offsets.
void ExpectEveryFrame(HostReader& reader, const std::string& path, bool avc1,
                      const std::vector<ProbePacket>& packets);
// Audio stream `stream` read front to back in blocks of `block` packets,
// into the caller's buffer or the reader's; each block's record is checked.
std::vector<uint8_t> ReadAllAudio(HostReader& reader, uint32_t stream, uint32_t block,
                                  bool callerBuffer, size_t frameBytes);

// An Annex B access unit as the reader delivers 'avc1' frames, back in the
// file's form: the parameter sets in front of a key frame dropped and each
// 4-byte start code replaced by a big-endian length of `lengthSize` bytes.
std::vector<uint8_t> ToLengthPrefixed(std::span<const uint8_t> annexB, uint32_t lengthSize,
                                      bool dropLeadingParameterSets);

}  // namespace zeb::test
