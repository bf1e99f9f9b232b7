/*
 * ZEBProxyCodecU: format mapping between the host's stream records and
 * QuickTime's four-character codes, and aspect-ratio conversion.
 *
 * Four-character codes are native 32-bit values with the first character in
 * the most significant byte ('avc1' is 0x61766331).
 */
#pragma once

#include <stdint.h>

#include "zebplug/ZEBPlugRecords.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZEBPROXY_API __attribute__((visibility("default")))

/* The answer of the two FOURCC queries for a stream QuickTime cannot carry. */
#define ZEB_FOURCC_NONE 0xFFFFFFFFu

/*
 * The video FOURCC for a stream record:
 *  - type 13: the sub-type, when it is one of the known video codes;
 *  - types 1 and 2 (MPEG video): the sub-type when it is an MPEG-2 family
 *    code (XDCAM, XDCAM HD422, HDV, IMX), else 'mpeg';
 *  - type 20: 'avc1'; type 24: 'AVdn';
 * anything else (and a null record): ZEB_FOURCC_NONE.
 */
ZEBPROXY_API uint32_t GetQuickTimeVideoTypeFOURCC(const SPlugVideoStreamInfo* info);

/*
 * The audio format code for a stream record:
 *  - type 1 (big-endian PCM): 'twos' for 8 and 16 bits, 'in24', 'in32';
 *  - type 2 (little-endian PCM): 'sowt' for 8 and 16 bits, '42ni' for 24 and
 *    '23ni' for 32 (the byte-reversed codes of little-endian storage);
 *  - type 12: the sub-type, when it is one of the known audio codes;
 * any other type or sample size (and a null record): ZEB_FOURCC_NONE.
 */
ZEBPROXY_API uint32_t GetQuickTimeAudioFOURCC(const SPlugAudioStreamInfo* info);

/*
 * Nonzero when the FOURCC stores pixels uncompressed; the matching
 * PLUG_COLOR_FORMAT_ is then written to *colorFormat (when not null), which
 * is otherwise left alone. 'raw ' is taken as 24-bit RGB (format 4).
 */
ZEBPROXY_API int32_t IsQuickTimeUnCompressVideoType(uint32_t fourcc, uint32_t* colorFormat);

/* Nonzero for the PCM audio codes. */
ZEBPROXY_API int32_t IsQuickTimeUnCompressAudio(uint32_t code);

/*
 * The sub-type word of a stream record: for type 13 the FOURCC itself; for
 * types 1 and 2 the FOURCC when it is an MPEG-2 family code, else 'mpeg';
 * 0 otherwise (H.264 and DNxHD sub-types come from stream analysis).
 */
ZEBPROXY_API uint32_t GetVideoSubType(uint32_t videoType, uint32_t fourcc);

/*
 * Display aspect ratio of a width x height picture whose samples have the
 * aspect num:den, in lowest terms. num or den 0 means square samples.
 * DARtoSAR is the inverse: the sample aspect that shows the picture at the
 * display ratio num:den (0 there means square samples, 1:1).
 * Ratios are exact; terms that would not fit in 32 bits are scaled down
 * together (rounded), and a ratio beyond 2^32 itself saturates. Return 1; 0 when width or height is
 * 0 or an output pointer is null, and then 1:1 is written to the outputs that are given.
 */
ZEBPROXY_API int32_t SARtoDAR(uint32_t width, uint32_t height, uint32_t num, uint32_t den,
                              uint32_t* outNum, uint32_t* outDen);
ZEBPROXY_API int32_t DARtoSAR(uint32_t width, uint32_t height, uint32_t num, uint32_t den,
                              uint32_t* outNum, uint32_t* outDen);

#ifdef __cplusplus
}
#endif
