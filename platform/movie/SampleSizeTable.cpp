#include "platform/movie/SampleSizeTable.h"

namespace zeb::movie {

SampleSizeTable SampleSizeTable::Constant(uint32_t size, uint64_t count) {
  SampleSizeTable table;
  table.constant_ = size;
  table.count_ = count;
  return table;
}

SampleSizeTable SampleSizeTable::Stored(uint8_t fieldBits, uint64_t count,
                                        std::vector<uint8_t> entries) {
  SampleSizeTable table;
  table.fieldBits_ = fieldBits;
  table.count_ = count;
  table.entries_ = std::move(entries);
  table.checkpoints_.reserve(static_cast<size_t>(count / kCheckpointStride + 1));
  uint64_t total = 0;
  for (uint64_t i = 0; i < count; ++i) {
    if (i % kCheckpointStride == 0) table.checkpoints_.push_back(total);
    total += table.SizeOf(i);
  }
  return table;
}

uint32_t SampleSizeTable::SizeOf(uint64_t index) const {
  if (fieldBits_ == 0) return constant_;
  if (fieldBits_ == 4) {
    const uint8_t byte = entries_[static_cast<size_t>(index / 2)];
    return index % 2 == 0 ? byte >> 4 : byte & 0x0F;
  }
  const size_t width = fieldBits_ / 8;
  const size_t at = static_cast<size_t>(index) * width;
  uint32_t value = 0;
  for (size_t i = 0; i < width; ++i) value = (value << 8) | entries_[at + i];
  return value;
}

uint64_t SampleSizeTable::BytesBefore(uint64_t index) const {
  if (fieldBits_ == 0) return index * constant_;
  if (index == 0) return 0;
  const uint64_t checkpoint = index / kCheckpointStride;
  if (checkpoint >= checkpoints_.size()) {
    // Only index == count_ at a stride boundary lands here.
    return BytesBefore(index - 1) + SizeOf(index - 1);
  }
  uint64_t total = checkpoints_[static_cast<size_t>(checkpoint)];
  for (uint64_t i = checkpoint * kCheckpointStride; i < index; ++i) total += SizeOf(i);
  return total;
}

uint64_t SampleSizeTable::SameSizeEnd(uint64_t index, uint64_t limit) const {
  if (fieldBits_ == 0) return limit;
  const uint32_t size = SizeOf(index);
  uint64_t end = index + 1;
  while (end < limit && SizeOf(end) == size) ++end;
  return end;
}

}  // namespace zeb::movie
