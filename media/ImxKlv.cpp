#include "media/ImxKlv.h"

namespace zeb::media {

uint32_t ImxNominalFrameSize(const CodecTraits& codec) {
  if (codec.imxMegabits == 0) return 0;
  const double bitRate = codec.imxMegabits * 1e6;
  const double frameRate = codec.system == VideoSystem::k625i50 ? 25.0 : 29.97;
  return 4 * static_cast<uint32_t>(bitRate / (frameRate * 32.0));
}

}  // namespace zeb::media
