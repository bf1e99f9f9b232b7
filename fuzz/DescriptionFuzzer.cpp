// The reader's sample-description analysers over arbitrary bytes: byte 0
// chooses an image (even) or a sound (odd) description, the rest is the
// description as the media layer hands it over. The results must be the
// defined ones whatever the bytes claim.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "reader/ImageDescriptionAnalysis.h"
#include "reader/PcmByteOrder.h"
#include "reader/SoundDescriptionAnalysis.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void AnalyseImage(std::span<const uint8_t> description) {
  VideoTrackDesc track;
  std::unique_ptr<zeb::media::AvcConfigRecord> avcConfig;
  AnalyseImageDescription(description, track, avcConfig);
  Require(track.fieldOrder <= 5);
  if (avcConfig == nullptr) return;
  Require(!avcConfig->sps.empty() && avcConfig->sps.size() <= zeb::media::kMaxSequenceSets);
  Require(avcConfig->pps.size() <= zeb::media::kMaxPictureSets);
  Require(avcConfig->lengthSizeCode <= 3);
}

void AnalyseSound(std::span<const uint8_t> bytes) {
  std::vector<uint8_t> description(bytes.begin(), bytes.end());
  const AudioTrackDesc desc = AnalyseSoundDescription(description);
  Require(description.size() >= 52);
  Require(desc.channels == 0 || desc.framesPerPacket >= 1);
  Require(desc.bitsPerSample == 16 || desc.bitsPerSample == 24 || desc.bitsPerSample == 32);
  const PcmLayout layout = PcmLayoutOf(description);
  Require(layout.interleaves == (layout.valueBytes != 0));
  std::vector<uint8_t> samples(31, 0x5A);
  ApplyPcmTreatment(layout.treatment, samples);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::span<const uint8_t> input(data, size);
  if (input[0] % 2 == 0) {
    AnalyseImage(input.subspan(1));
  } else {
    AnalyseSound(input.subspan(1));
  }
  return 0;
}
