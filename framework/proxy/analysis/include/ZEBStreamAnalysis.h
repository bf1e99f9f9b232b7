/*
 * Stream analysers of ZEBProxyCodecU: they read the first coded frames of an
 * MPEG-1/2 video, DV or H.264 stream and describe the stream in the host's
 * records. Each call stands alone (no state is kept between calls); all of them
 * accept any bytes, including truncated and random ones, and only ever read
 * inside [data, data + size).
 */
#pragma once

#include <stdint.h>

#include "zebplug/ZEBPlugRecords.h"

#ifdef __cplusplus
extern "C" {
#endif

#define ZEB_ANALYSIS_API __attribute__((visibility("default")))

/* Status of the analysers (also returned by the H.264 analyser plug-in). */
enum {
  ZEB_ANALYSIS_INVALID = 0,   /* bad arguments or unreadable bytes; the record is left alone */
  ZEB_ANALYSIS_NEED_MORE = 1, /* understood, but not enough to finish: pass the next frame */
  ZEB_ANALYSIS_COMPLETE = 2   /* the record is complete */
};

/*
 * One MPEG video picture, as GetMpegVideoRef finds it in a frame. Every word is
 * 32 bits; the first is what the reader copies into SPlugFrameInfo.frameType.
 */
typedef struct MpegVideoInfo {
  uint32_t pictureType;       /* PLUG_FRAME_COMPRESS_TYPE_: 1 I (and MPEG-1 D), 2 P, 3 B */
  uint32_t temporalReference; /* display rank inside the group of pictures, modulo 1024 */
  uint32_t pictureStructure;  /* 1 top field, 2 bottom field, 3 frame (always 3 for MPEG-1) */
  uint32_t topFieldFirst;     /* nonzero: the top field is shown first */
  uint32_t repeatFirstField;
  uint32_t progressiveFrame; /* nonzero for MPEG-1 and progressive MPEG-2 frames */
  uint32_t sequenceHeader;   /* nonzero: a sequence header precedes the picture */
  uint32_t gopHeader;        /* nonzero: a group-of-pictures header precedes the picture */
  uint32_t closedGop;
  uint32_t brokenLink;
} MpegVideoInfo;

/*
 * Describes an MPEG-1 or MPEG-2 video stream from one frame's bytes (as a
 * QuickTime sample holds them: sequence header, extensions, group of pictures,
 * picture header and picture coding extension, slices). The record is written
 * only from a frame whose sequence header is followed by another header (a
 * sequence extension there makes it MPEG-2). It then gets the size word,
 * videoType (1 MPEG-1, 2 MPEG-2), width and height (with the extension's high
 * bits), the display aspect ratio (MPEG-2: 4:3, 16:9 or 221:100 as coded, the
 * picture's own w:h for square samples; MPEG-1: the picture size times the
 * pel aspect ratio, taken as the closest fraction with terms up to 255), the
 * frame rate (with the extension's n/d), the field order (progressive
 * sequence or frame: 2; a first field picture: 0 top, 1 bottom; else
 * top_field_first), the colour format (4:2:0 23, 4:2:2 22, 4:4:4 21), the
 * colour description of a sequence display extension (its display size is a
 * pan-scan window and leaves the ratio alone), component depth 8, videoRange 1
 * and bitRate (bit_rate × 400; 0 for the "variable" value 0x3FFFF).
 * Returns ZEB_ANALYSIS_COMPLETE when the frame holds everything that decides
 * these words: for MPEG-1 the sequence header; for MPEG-2 the sequence header,
 * its sequence extension and, unless the sequence is progressive, the picture
 * coding extension of the first picture (for the field order).
 * ZEB_ANALYSIS_NEED_MORE: a frame without a sequence header, or one that ends
 * before those parts; ZEB_ANALYSIS_INVALID: no MPEG video header at all, or a
 * sequence header with a zero size (the record is left as it was).
 */
ZEB_ANALYSIS_API uint32_t GetMpegVideoInfo(const uint8_t* data, uint32_t size,
                                           SPlugVideoStreamInfo* info);

/*
 * Fills `info` from the first picture header of one frame (and the picture
 * coding extension, sequence and GOP headers around it). Returns
 * ZEB_ANALYSIS_COMPLETE; without a readable picture header it returns
 * ZEB_ANALYSIS_INVALID and leaves every word 0 but pictureType, which is 2 (P),
 * the reader's own answer for a frame that is not a key frame.
 */
ZEB_ANALYSIS_API uint32_t GetMpegVideoRef(const uint8_t* data, uint32_t size, MpegVideoInfo* info);

/*
 * Describes a DV stream from one DIF frame (DV25 IEC 61834 and SMPTE 314M,
 * DV50, DVCPRO HD). Reads the header block (525/60 or 625/50, APT) and the
 * VAUX source and source-control packs (sampling type, 16:9, interlace and
 * field order). Fills the size word, width, height, display aspect ratio, frame
 * rate, field order, colour format (4:2:0 DV25 625-line 23, 4:1:1 24, 4:2:2
 * 22), colour description, component depth 8, videoRange 1 and the nominal bit
 * rate (25, 50 or 100 Mbit/s); videoType and videoSubType stay as they are.
 * Returns ZEB_ANALYSIS_COMPLETE, or ZEB_ANALYSIS_INVALID (record untouched) when
 * the bytes hold no DIF header block or no VAUX source pack of a known type.
 */
ZEB_ANALYSIS_API uint32_t GetDVVideoInfo(const uint8_t* data, uint32_t size,
                                         SPlugVideoStreamInfo* info);

/*
 * The picture type of one H.264 access unit in Annex B form (start codes):
 * decided by its first slice (NAL unit type 1, 2 or 5) whose header reads,
 * after any access-unit delimiter, SEI and parameter sets. An IDR picture gives
 * 9 (PLUG_FRAME_COMPRESS_TYPE_IDR_), another I or SI slice 1, P or SP 2, B 3. A
 * frame of two fields takes the type of its first field, as decoders report
 * it. Bytes without a readable slice header give 100
 * (PLUG_FRAME_COMPRESS_TYPE_NONE_).
 */
ZEB_ANALYSIS_API uint32_t GetH264FrameType(const uint8_t* data, uint32_t size);

#ifdef __cplusplus
}
#endif
