#include "reader/DnxhdVariant.h"

namespace {

constexpr uint32_t kAnyRate = 0;

// One sub-type choice: `rate` is the integer frame rate (num / den) it needs,
// or, when `num` is nonzero, the exact fraction num/den; kAnyRate matches all.
struct RateChoice {
  uint32_t rate;
  uint32_t num;
  uint32_t den;
  uint32_t subType;
};

struct VariantRow {
  uint8_t idByte;
  uint32_t fieldOrder;
  RateChoice choices[5];  // tried in order; ends with a kAnyRate choice
};

constexpr uint32_t kProgressive = 2;
constexpr uint32_t kTopFirst = 0;

constexpr VariantRow kVariants[] = {
    {211, kProgressive, {{25, 0, 0, 11}, {24, 0, 0, 19}, {kAnyRate, 0, 0, 15}}},
    {213, kProgressive, {{25, 0, 0, 9}, {24, 0, 0, 17}, {kAnyRate, 0, 0, 13}}},
    {214, kProgressive, {{25, 0, 0, 8}, {24, 0, 0, 16}, {kAnyRate, 0, 0, 12}}},
    {217, kTopFirst, {{25, 0, 0, 2}, {kAnyRate, 0, 0, 6}}},
    {218, kTopFirst, {{25, 0, 0, 1}, {kAnyRate, 0, 0, 5}}},
    {219, kTopFirst, {{25, 0, 0, 0}, {kAnyRate, 0, 0, 4}}},
    {220, kTopFirst, {{25, 0, 0, 3}, {kAnyRate, 0, 0, 7}}},
    {226,
     kProgressive,
     {{50, 0, 0, 32}, {0, 60000, 1001, 22}, {0, 24000, 1001, 25}, {kAnyRate, 0, 0, 28}}},
    {227,
     kProgressive,
     {{50, 0, 0, 30}, {0, 60000, 1001, 20}, {0, 24000, 1001, 23}, {kAnyRate, 0, 0, 26}}},
    {228,
     kProgressive,
     {{50, 0, 0, 31},
      {25, 0, 0, 29},
      {0, 60000, 1001, 21},
      {0, 24000, 1001, 24},
      {kAnyRate, 0, 0, 27}}},
    {229, kProgressive, {{25, 0, 0, 10}, {24, 0, 0, 18}, {kAnyRate, 0, 0, 14}}},
};

bool Matches(const RateChoice& choice, uint32_t rate, uint32_t num, uint32_t den) {
  if (choice.num != 0) return choice.num == num && choice.den == den;
  return choice.rate == kAnyRate || choice.rate == rate;
}

}  // namespace

std::optional<DnxhdVariant> FindDnxhdVariant(uint8_t idByte, uint32_t rateNum, uint32_t rateDen) {
  const uint32_t rate = rateDen == 0 ? 0 : rateNum / rateDen;
  for (const VariantRow& row : kVariants) {
    if (row.idByte != idByte) continue;
    for (const RateChoice& choice : row.choices) {
      if (Matches(choice, rate, rateNum, rateDen))
        return DnxhdVariant{row.fieldOrder, choice.subType};
    }
  }
  return std::nullopt;
}
