// Dispatch of a container's children through a constexpr table of
// {code, handler}; children without a row are skipped.
#pragma once

#include <cstdint>
#include <span>

#include "platform/movie/AtomHeader.h"

namespace zeb::movie {

template <typename Context>
struct AtomHandler {
  uint32_t type;
  Status (*parse)(ByteReader& payload, Context& context);
};

template <typename Context>
Status ParseChildren(ByteReader& container, std::span<const AtomHandler<Context>> table,
                     Context& context) {
  for (;;) {
    std::optional<AtomHeader> header;
    ByteReader payload;
    ZEB_MOVIE_TRY(NextChild(container, header, payload));
    if (!header) return Status::Ok();
    for (const AtomHandler<Context>& row : table) {
      if (row.type == header->type) {
        ZEB_MOVIE_TRY(row.parse(payload, context));
        break;
      }
    }
  }
}

}  // namespace zeb::movie
