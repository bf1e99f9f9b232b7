#include "tests/reader/ReaderTestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <map>

#include "zebplug/ZEBPlugOrdinals.h"

namespace zeb::test {

OpenRequest::OpenRequest(const std::string& asciiPath) {
  const size_t units = std::min(asciiPath.size(), size_t{PLUG_SOURCE_PATH_UNITS - 1});
  std::copy_n(asciiPath.begin(), units, source.path);
}

uint32_t HostReader::Open(const std::string& asciiPath) {
  const OpenRequest request(asciiPath);
  return OpenParam(&request.param);
}

uint32_t HostReader::SetReadAhead(bool on, uint32_t size) {
  uint32_t options[PLUG_READ_OPTIONS_WORDS] = {};
  GetReadOptions(options);
  options[PLUG_READ_OPTION_READ_AHEAD] = on ? 1 : 0;
  options[PLUG_READ_OPTION_READ_AHEAD_SIZE] = size;
  return Call<PFN_SetReadOptions>(ZEB_ORD_SetReadOptions, static_cast<const uint32_t*>(options));
}

SPlugFrameInfo NewFrameInfo() {
  SPlugFrameInfo info{};
  info.size = sizeof(info);
  info.decodePosition = 0xFFFFFFFFu;
  info.unitCount = 1;
  info.timeValues[0] = info.timeValues[1] = info.timeValues[2] = ~uint64_t{0};
  info.presentationPosition = 0xFFFFFFFFu;
  info.frameType = 1;
  return info;
}

std::string WriteScratchMovie(const std::string& name, std::span<const uint8_t> bytes) {
  const std::string path = FixtureDir() + "/" + name + "." + std::to_string(::getpid()) + ".mov";
  WriteFile(path, bytes);
  return path;
}

std::vector<uint8_t> ToLengthPrefixed(std::span<const uint8_t> annexB, uint32_t lengthSize,
                                      bool dropLeadingParameterSets) {
  // Units start after each 00 00 00 01; emulation prevention keeps that
  // sequence out of every unit's payload.
  std::vector<std::span<const uint8_t>> units;
  size_t start = std::string::npos;
  for (size_t i = 0; i + 4 <= annexB.size(); ++i) {
    if (annexB[i] == 0 && annexB[i + 1] == 0 && annexB[i + 2] == 0 && annexB[i + 3] == 1) {
      if (start != std::string::npos) units.push_back(annexB.subspan(start, i - start));
      start = i + 4;
      i += 3;
    }
  }
  if (start != std::string::npos) units.push_back(annexB.subspan(start));
  size_t first = 0;
  while (dropLeadingParameterSets && first < units.size() && !units[first].empty() &&
         ((units[first][0] & 0x1F) == 7 || (units[first][0] & 0x1F) == 8) && first < 2) {
    ++first;
  }
  std::vector<uint8_t> out;
  for (size_t u = first; u < units.size(); ++u) {
    for (uint32_t b = lengthSize; b-- > 0;) out.push_back(uint8_t(units[u].size() >> (8 * b)));
    out.insert(out.end(), units[u].begin(), units[u].end());
  }
  return out;
}

namespace {

bool IsKeyType(uint32_t type) { return type == 1 || type == 9; }

}  // namespace

void ExpectEveryFrame(HostReader& reader, const std::string& path, bool avc1,
                      const std::vector<ProbePacket>& packets) {
  std::map<int64_t, char> typeAt;
  for (const ProbeFrame& frame : ProbeVideoFrames(path))
    typeAt[int64_t(frame.pos)] = frame.pictType;
  std::vector<uint8_t> own(reader.MaxVideoFrameSize());
  for (uint32_t i = 0; i < packets.size(); ++i) {
    SCOPED_TRACE(i);
    // The shared copy first: every frame must fit the buffer the host is told to supply.
    uint8_t* shared = nullptr;
    SPlugFrameInfo sharedInfo = NewFrameInfo();
    ASSERT_EQ(reader.ReadShared(i, &shared, &sharedInfo), 0u);
    ASSERT_LE(sharedInfo.dataSize, own.size());
    SPlugFrameInfo info = NewFrameInfo();
    ASSERT_EQ(reader.Read(i, own.data(), &info), 0u);
    ASSERT_EQ(info.dataSize, sharedInfo.dataSize);
    EXPECT_TRUE(std::equal(own.data(), own.data() + info.dataSize, shared));
    const std::span<const uint8_t> bytes(own.data(), info.dataSize);
    EXPECT_EQ(Sha256Hex(avc1 ? ToLengthPrefixed(bytes, 4, IsKeyType(info.frameType))
                             : std::vector<uint8_t>(bytes.begin(), bytes.end())),
              packets[i].sha256);
    EXPECT_EQ(IsKeyType(info.frameType), packets[i].key);
    const char type = typeAt[packets[i].pos];
    EXPECT_EQ(info.frameType == 9 ? 1u : info.frameType, type == 'I' ? 1u : type == 'P' ? 2u : 3u);
    const int64_t offset = (packets[i].pts - packets[i].dts) / packets[i].duration;
    EXPECT_EQ(info.presentationPosition, uint64_t(int64_t(i) + offset));
    if (avc1) {
      EXPECT_EQ(std::vector<uint8_t>(own.data(), own.data() + 4),
                (std::vector<uint8_t>{0, 0, 0, 1}));
      EXPECT_EQ((own[4] & 0x1F) == 7, packets[i].key);
    }
    EXPECT_EQ(info.decodePosition, i);
    EXPECT_EQ(info.streamType, 1u);
    EXPECT_EQ(info.unitCount, 1u);
    EXPECT_EQ(info.privateKind, 5u);
    EXPECT_EQ(info.streamState, i + 1 == packets.size() ? 2u : 1u);
  }
  SPlugFrameInfo info = NewFrameInfo();
  uint8_t* shared = nullptr;
  EXPECT_EQ(reader.ReadShared(uint32_t(packets.size()), &shared, &info), 0x80000006u);
  EXPECT_EQ(reader.Read(uint32_t(packets.size()), own.data(), &info), 0x80000006u);
}

std::vector<uint8_t> ReadAllAudio(HostReader& reader, uint32_t stream, uint32_t block,
                                  bool callerBuffer, size_t frameBytes) {
  SPlugStreamInfo record;
  EXPECT_EQ(reader.AudioInfo(stream, &record), 0u);
  const uint32_t packets = record.packetCount;
  std::vector<uint8_t> all;
  std::vector<uint8_t> own(record.audio.channels * 384000);
  for (uint32_t start = 0; start < packets; start += block) {
    SPlugFrameInfo info = NewFrameInfo();
    uint8_t* data = own.data();
    const uint32_t result = callerBuffer ? reader.ReadAudio(start, block, data, &info)
                                         : reader.ReadAudioAlt(start, block, &data, &info);
    EXPECT_EQ(result, 0u) << start;
    EXPECT_EQ(info.streamType, 2u);
    EXPECT_EQ(info.decodePosition, start);
    EXPECT_EQ(info.presentationPosition, start);
    EXPECT_EQ(info.unitCount, std::min(block, packets - start));
    EXPECT_EQ(info.dataSize, info.unitCount * frameBytes);
    EXPECT_EQ(info.streamState, start + block >= packets ? 2u : 1u);
    EXPECT_EQ(info.privateKind, 7u);
    all.insert(all.end(), data, data + info.dataSize);
  }
  return all;
}

}  // namespace zeb::test
