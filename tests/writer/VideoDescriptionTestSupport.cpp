#include "tests/writer/VideoDescriptionTestSupport.h"

#include <algorithm>

#include "platform/movie/ByteReader.h"
#include "platform/movie/FourCC.h"
#include "platform/movie/SampleDescriptionOrder.h"
#include "tests/support/AtomWalk.h"

namespace zeb::writer::test {

using zeb::movie::FourCC;

VideoDescriptionRequest Request(const char (&fourcc)[5], int32_t width, int32_t height,
                                int32_t fieldOrder, int32_t aspectX, int32_t aspectY,
                                int32_t gopSize) {
  VideoDescriptionRequest request;
  request.videoFourcc = FourCC(fourcc);
  request.width = width;
  request.height = height;
  request.gopSize = gopSize;
  request.timeScale = 25;
  request.frameDuration = 1;
  request.fieldOrder = fieldOrder;
  request.aspectX = aspectX;
  request.aspectY = aspectY;
  request.colorPrimaries = 5;
  request.transferFunction = 5;
  request.matrix = 5;
  return request;
}

Bytes FileOrder(zeb::movie::Handle description) {
  const size_t handleSize = zeb::movie::GetHandleSize(description);
  uint32_t length = 0;
  if (!zeb::movie::ByteReader({*description, handleSize}).ReadNativeAt(0, length).IsOk()) return {};
  Bytes bytes(*description, *description + std::min<size_t>(length, handleSize));
  zeb::movie::SampleDescriptionToFileOrder(FourCC("vide"), bytes);
  return bytes;
}

std::vector<ExtensionAtom> ExtensionAtoms(const Bytes& fileOrder) {
  std::vector<ExtensionAtom> atoms;
  const size_t header = zeb::movie::kImageDescriptionHeaderSize;
  if (fileOrder.size() < header) return atoms;
  for (const zeb::test::AtomInfo& atom :
       zeb::test::ChildAtoms(fileOrder, header, fileOrder.size())) {
    const auto payload = fileOrder.begin() + long(atom.offset + atom.headerSize);
    atoms.push_back({zeb::movie::FourCCToString(atom.type),
                     Bytes(payload, fileOrder.begin() + long(atom.offset + atom.size))});
  }
  return atoms;
}

std::string AtomTypes(const Bytes& fileOrder) {
  std::string types;
  for (const ExtensionAtom& atom : ExtensionAtoms(fileOrder))
    types += (types.empty() ? "" : " ") + atom.type;
  return types;
}

}  // namespace zeb::writer::test
