// What the description tests share: requests, built descriptions owned by
// the test, their bytes in file order and their extension atoms.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/movie/Handle.h"
#include "writer/VideoDescriptionRequest.h"

namespace zeb::writer::test {

using Bytes = std::vector<uint8_t>;

using zeb::movie::OwnedHandle;

// A request as the writer's set-up carries it; colours BT.601 625-line.
VideoDescriptionRequest Request(const char (&fourcc)[5], int32_t width, int32_t height,
                                int32_t fieldOrder = 0, int32_t aspectX = 4, int32_t aspectY = 3,
                                int32_t gopSize = 12);

// The description's bytes (its first word long) in file order.
Bytes FileOrder(zeb::movie::Handle description);

struct ExtensionAtom {
  std::string type;
  Bytes payload;
};
// The atoms after the 86-byte header of file-order bytes, up to the
// terminator or the end.
std::vector<ExtensionAtom> ExtensionAtoms(const Bytes& fileOrder);
// Their types, space-separated ("fiel pasp clap colr").
std::string AtomTypes(const Bytes& fileOrder);

}  // namespace zeb::writer::test
