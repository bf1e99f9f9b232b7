// Turns an 'avc1' sample (NAL units behind 1- to 4-byte big-endian lengths)
// into an Annex B access unit in place: each length becomes the start code
// 00 00 00 01 and a key frame gets its first SPS and PPS in front.
#pragma once

#include <cstdint>
#include <optional>

#include "reader/AvcConfigRecord.h"

// `frame` holds `size` valid bytes inside `capacity`. Returns the new size,
// or nothing (and leaves the frame as it was) when the converted frame would
// not fit the capacity. A length that runs past the end of the frame ends the
// walk: that unit keeps the bytes that exist; fewer trailing bytes than a
// length field are left as they are.
std::optional<uint32_t> ConvertAvcToAnnexB(const AvcConfigRecord& config, bool keyFrame,
                                           uint8_t* frame, uint32_t size, uint32_t capacity);

// The bytes of an Annex B access unit that decide its picture type: up to the
// first slice unit's first kSliceHeaderBytes bytes (all of the unit when no
// slice is found). Units before the slice are skipped by their start codes,
// so the slice data itself is never scanned.
inline constexpr uint32_t kSliceHeaderBytes = 64;
uint32_t PictureTypeSpan(const uint8_t* accessUnit, uint32_t size);
