/*
 * ZEBPlugH264Dec: the H.264 stream analyser plug-in. A host loads it at run
 * time (dlopen) and looks its four functions up by name; nothing links it.
 *
 * An analyser keeps what it has seen of one stream (parameter sets, a pending
 * picture-timing message) across calls. Feed it the stream's first access
 * units in Annex B form (start codes; parameter sets in front of key frames),
 * one call per frame, until GetH264VideoStreamInfo returns 2.
 * One analyser serves one thread at a time; different analysers are
 * independent.
 */
#pragma once

#include <stdint.h>

#include "ZEBStreamAnalysis.h"
#include "zebplug/ZEBPlugRecords.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZEB_H264DEC_API __attribute__((visibility("default")))

/* `flags` is reserved (callers pass 0). Null only when memory runs out. */
ZEB_H264DEC_API void* CreateH264Analyzer(uint32_t flags);
/* Accepts null. */
ZEB_H264DEC_API void DestroyH264Analyzer(void* analyzer);
/* Forgets everything seen so far, as if just created. Accepts null. */
ZEB_H264DEC_API void ResetH264Analyzer(void* analyzer);

/*
 * Reads the NAL units of one buffer and describes the stream in `info`.
 *
 * Returns ZEB_ANALYSIS_COMPLETE (2) once a slice has been seen whose picture and
 * sequence parameter sets are known: the record then holds, from that SPS and
 * slice, the size word (108), videoType 20, videoSubType = profile_idc (66
 * Baseline, 77 Main, 100 High, 110 High 10, 122 High 4:2:2, 244 High 4:4:4...),
 * width and height after frame cropping, the display aspect ratio (width ×
 * sar_width : height × sar_height in lowest terms; square samples when the VUI
 * gives no ratio), the frame rate time_scale : 2 × num_units_in_tick in lowest
 * terms (left as it was without VUI timing), the field order (2 progressive
 * when frame_mbs_only_flag is set; otherwise from the first slice: a field
 * slice gives 0 top / 1 bottom first by bottom_field_flag, a frame gives the
 * order of its picture-timing pic_struct when the SPS carries one, else the
 * sign of bottom minus top picture order count, 0 meaning progressive), the
 * colour format (chroma_format_idc 0 and 1: 23, 2: 22, 3: 21), the colour
 * description (VUI codes; an absent or unspecified code takes the picture's
 * default: BT.709 above 720 pixels wide, else BT.601), componentDepth = luma
 * bit depth, videoRange = 1 unless video_full_range_flag is set, and bitRate =
 * the first HRD schedule's rate when the VUI has an HRD.
 * Once complete, later calls return 2 and write the same record again.
 *
 * Before that: ZEB_ANALYSIS_NEED_MORE (1) when the buffer held NAL units; if an
 * SPS is known, the record holds what it says, with a field order of 0 or 2
 * from frame_mbs_only_flag. ZEB_ANALYSIS_INVALID (0) for a null analyser or
 * record, or a buffer without a readable NAL unit. Any bytes are accepted.
 */
ZEB_H264DEC_API uint32_t GetH264VideoStreamInfo(void* analyzer, SPlugVideoStreamInfo* info,
                                                const uint8_t* data, uint32_t size);

typedef void* (*ZEBCreateH264AnalyzerFn)(uint32_t flags);
typedef void (*ZEBDestroyH264AnalyzerFn)(void* analyzer);
typedef void (*ZEBResetH264AnalyzerFn)(void* analyzer);
typedef uint32_t (*ZEBGetH264VideoStreamInfoFn)(void* analyzer, SPlugVideoStreamInfo* info,
                                                const uint8_t* data, uint32_t size);

#ifdef __cplusplus
}
#endif
