// The DNxHD variant of an 'AVdn' track: field order and the host's sub-type
// index, from the compression id's low byte and the frame rate.
#pragma once

#include <cstdint>
#include <optional>

struct DnxhdVariant {
  uint32_t fieldOrder;
  uint32_t subType;
};

// Nothing for an id byte without a variant (the open refuses the stream).
std::optional<DnxhdVariant> FindDnxhdVariant(uint8_t idByte, uint32_t rateNum, uint32_t rateDen);
