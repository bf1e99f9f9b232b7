#include "writer/VideoDescriptionRequest.h"

VideoDescriptionRequest DescriptionRequestFor(uint32_t videoFourcc,
                                              const SPlugVideoStreamInfo& stream) {
  VideoDescriptionRequest request;
  request.videoFourcc = videoFourcc;
  request.width = static_cast<int32_t>(stream.width);
  request.height = static_cast<int32_t>(stream.height);
  request.gopSize = static_cast<int32_t>(stream.gopSize);
  request.bitRate = static_cast<int32_t>(stream.bitRate);
  request.timeScale = static_cast<int32_t>(stream.frameRateNum);
  request.frameDuration = static_cast<int32_t>(stream.frameRateDen);
  request.fieldOrder = static_cast<int32_t>(stream.fieldOrder);
  request.aspectX = static_cast<int32_t>(stream.aspectX);
  request.aspectY = static_cast<int32_t>(stream.aspectY);
  request.colorPrimaries = static_cast<int32_t>(stream.colorPrimaries);
  request.transferFunction = static_cast<int32_t>(stream.transferFunction);
  request.matrix = static_cast<int32_t>(stream.matrix);
  return request;
}
