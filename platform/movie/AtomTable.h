// Dispatch of a container's children through a constexpr table of rows
// {code, presence, repeat, handler}. Children without a row are skipped.
// Each row says whether its child must be present and what a second one
// does, so a duplicate never silently overwrites the first.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/movie/AtomHeader.h"
#include "platform/movie/FourCC.h"

namespace zeb::movie {

enum class Presence : uint8_t {
  kOptional,
  kRequired,  // none in the container: kInvalid, at the container's path
};

enum class Repeat : uint8_t {
  kEach,       // every one is parsed ('trak' in 'moov')
  kFirstWins,  // a later one is skipped and noted
  kRefuse,     // a later one is kInvalid, at its own path
};

// Findings that did not stop a parse (a skipped duplicate), for a log line.
using AtomNotes = std::vector<Status>;

// `Context` holds the parsed fields and an `AtomNotes notes` member.
template <typename Context>
struct AtomHandler {
  uint32_t type;
  Presence presence;
  Repeat repeat;
  Status (*parse)(ByteReader& payload, Context& context);
  // Rows with the same slot are alternatives counted as one child ('stz2'
  // in place of 'stsz'); 0 = the row's own type.
  uint32_t slot = 0;

  constexpr uint32_t Slot() const { return slot != 0 ? slot : type; }
};

namespace detail {

// "'stsz' or 'stz2'": every code of `slot`'s rows.
template <typename Context>
std::string SlotCodes(std::span<const AtomHandler<Context>> table, uint32_t slot) {
  std::string codes;
  for (const AtomHandler<Context>& row : table) {
    if (row.Slot() != slot) continue;
    codes += (codes.empty() ? "'" : " or '") + FourCCToString(row.type) + "'";
  }
  return codes;
}

// "'trak'" for the path "moov/trak[2]".
inline std::string ContainerName(const ByteReader& container) {
  const std::string& path = container.Path();
  const size_t begin = path.find_last_of('/') + 1;
  // Appended piece by piece: GCC 12 at -O3 takes "'" + std::string&& for an
  // overlapping copy (-Werror=restrict).
  std::string name(1, '\'');
  name.append(path, begin, path.find('[', begin) - begin);
  name += '\'';
  return name;
}

}  // namespace detail

template <typename Context, size_t N>
Status ParseChildren(ByteReader& container, const AtomHandler<Context> (&table)[N],
                     Context& context) {
  static_assert(N <= 32, "one bit per row");
  const std::span<const AtomHandler<Context>> rows(table);
  uint32_t seenSlots = 0;  // bit i: the slot of row i was met
  const auto slotBit = [&](const AtomHandler<Context>& row) {
    for (size_t i = 0; i < N; ++i) {
      if (rows[i].Slot() == row.Slot()) return uint32_t{1} << i;
    }
    return uint32_t{0};
  };
  for (;;) {
    std::optional<AtomHeader> header;
    ByteReader payload;
    ZEB_MOVIE_TRY(NextChild(container, header, payload));
    if (!header) break;
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const auto& candidate) {
      return candidate.type == header->type;
    });
    if (row == rows.end()) continue;
    const uint32_t bit = slotBit(*row);
    if (row->repeat != Repeat::kEach && (seenSlots & bit) != 0) {
      const Status again = Status::Error(StatusCode::kInvalid,
                                         "second " + detail::SlotCodes(rows, row->Slot()) + " in " +
                                             detail::ContainerName(container),
                                         header->path, header->fileOffset);
      if (row->repeat == Repeat::kRefuse) return again;
      context.notes.push_back(again);
      continue;
    }
    seenSlots |= bit;
    ZEB_MOVIE_TRY(row->parse(payload, context));
  }
  for (const AtomHandler<Context>& row : rows) {
    if (row.presence == Presence::kRequired && (seenSlots & slotBit(row)) == 0) {
      return Status::Error(
          StatusCode::kInvalid,
          detail::ContainerName(container) + " holds no " + detail::SlotCodes(rows, row.Slot()),
          container.Path(), container.CursorFileOffset() - container.Position());
    }
  }
  return Status::Ok();
}

}  // namespace zeb::movie
