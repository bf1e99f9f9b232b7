/*
 * Records exchanged between the host framework and ZEBPlugQuickTimeLibU.
 *
 * Every record is a plain C struct of 32-bit words in the documented order,
 * natural alignment, no packing. On a 32-bit target every offset and size is
 * the framework's historical one. On x86-64 only records that hold an address
 * change: the pointer is 8 bytes at an 8-aligned offset and the fields after it
 * move (docs/abi.md lists both layouts). Records without addresses keep their
 * bytes exactly on both targets.
 */
#pragma once

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* UTF-16 code unit of the strings inside records. */
#ifdef __cplusplus
typedef char16_t ZEBChar16;
#else
typedef uint16_t ZEBChar16;
#endif

/* Kinds of the private description triple. */
enum {
  PLUG_PRIVATE_NONE = 0,
  PLUG_PRIVATE_QT_IMAGE_DESCRIPTION = 5,
  PLUG_PRIVATE_VIDEO_SETTINGS = 6,
  PLUG_PRIVATE_QT_SOUND_DESCRIPTION = 7,
  PLUG_PRIVATE_AUDIO_SETTINGS = 8,
  PLUG_PRIVATE_AUDIO_DESCRIPTION = 9
};

/*
 * A private description is the triple {kind, address, size}, laid out inline
 * in the records (privateKind, privateAddress, privateSize) so that the kind
 * keeps its 32-bit offset and only the address moves to an 8-aligned slot.
 * The address is that of the description's bytes, `size` of them: the
 * reader fills it so, and the muxer reads kind-5 (image) and kind-9 (audio
 * block) triples so, on stream records and on frames alike.
 */

/* A private description triple on its own, as the codecs' open calls take it:
 * 12 bytes on a 32-bit target, 24 on x86-64 (the address at offset 8). */
typedef struct SPlugPrivateDesc {
  uint32_t kind; /* PLUG_PRIVATE_ */
  void* address;
  uint32_t size;
} SPlugPrivateDesc;

/* The source or target of an open: kind 0 is a file named by `path`. */
#define PLUG_SOURCE_PATH_UNITS 260
typedef struct SPlugSourceDesc {
  uint32_t kind;
  uint8_t reserved[1568];
  ZEBChar16 path[PLUG_SOURCE_PATH_UNITS]; /* NUL-terminated, at byte 1572 */
} SPlugSourceDesc;

typedef struct SPlugOpenParam {
  uint32_t count; /* must be 1 */
  SPlugSourceDesc* source;
} SPlugOpenParam;

/* 108 bytes on every target; `size` is always 108. */
typedef struct SPlugVideoStreamInfo {
  uint32_t size;
  uint32_t videoType; /* PLUG_VIDEO_TYPE_ */
  uint32_t videoSubType;
  uint32_t width;
  uint32_t height;
  uint32_t aspectX; /* display aspect ratio */
  uint32_t aspectY;
  uint32_t frameRateNum;
  uint32_t frameRateDen;
  uint32_t fieldOrder;     /* PLUG_FIELD_ORDER_ */
  uint32_t colorFormat;    /* PLUG_COLOR_FORMAT_ of the decoded picture */
  uint32_t colorPrimaries; /* ISO/IEC 23001-8 code points */
  uint32_t transferFunction;
  uint32_t matrix;
  int32_t componentDepth;
  uint32_t gopSize;
  uint32_t gopReserved;
  uint32_t videoRange; /* nonzero: black luma at 16 */
  uint32_t reserved18;
  uint32_t bitRate;     /* bits per second */
  uint32_t reserved[7]; /* words 22..26 travel to SPlugVideoFrameFormat */
} SPlugVideoStreamInfo;

/* 60 bytes on every target; copied word for word. */
typedef struct SPlugAudioStreamInfo {
  uint32_t size;
  uint32_t audioType;    /* PLUG_AUDIO_TYPE_ */
  uint32_t audioSubType; /* type 12: the sound format's four-character code */
  uint32_t channels;
  uint32_t bitsPerSample;
  uint32_t sampleRate;
  uint32_t bitRate;
  uint32_t blockAlign; /* bytes per sample frame */
  uint32_t reserved8;
  uint32_t reserved9;
  uint32_t reserved10;
  uint32_t reserved[4];
} SPlugAudioStreamInfo;

/* 1600 bytes on a 32-bit target, 1608 on x86-64 (the triple's address). */
typedef struct SPlugStreamInfo {
  uint32_t structVersion; /* always 1 */
  uint32_t containerType; /* the QuickTime reader sets 26 */
  uint32_t reserved8;
  uint32_t streamId;
  uint32_t streamType; /* PLUG_STREAM_TYPE_ */
  uint32_t reserved20;
  uint64_t fileSize;
  SPlugVideoStreamInfo video;
  uint32_t frameCount;
  SPlugAudioStreamInfo audio;
  uint32_t framesPerPacket;
  uint32_t packetCount;
  uint32_t reserved212[8];
  uint8_t reservedAreas[4][200];
  uint32_t reserved1044[2];
  uint32_t privateKind; /* private description triple */
  void* privateAddress;
  uint32_t privateSize;
  uint32_t reserved1064;
  uint8_t extra[512];
  uint32_t reserved1580[5];
} SPlugStreamInfo;

/* 136 bytes on a 32-bit target, 144 on x86-64; `size` holds sizeof. */
typedef struct SPlugFrameInfo {
  uint32_t size;
  uint32_t streamType;
  uint32_t streamState; /* PLUG_STREAMSTATE_ */
  uint32_t dataSize;
  uint32_t reserved4[2];
  uint64_t decodePosition; /* video: decode index; audio: first sample */
  uint32_t unitCount;
  uint32_t reserved9;            /* not set by default construction */
  uint64_t timeValues[3];        /* passed on unchanged by the codecs */
  uint64_t presentationPosition; /* display index */
  uint32_t frameType;            /* PLUG_FRAME_COMPRESS_TYPE_ */
  uint32_t reserved19[5];
  uint32_t privateKind; /* private description triple */
  void* privateAddress;
  uint32_t privateSize;
  uint32_t reserved27[6];
  uint32_t reserved33; /* not set by default construction */
} SPlugFrameInfo;

#define PLUG_PLANE_COUNT 4
#define PLUG_PATTERN_BYTES 40

/* 74 words (296 bytes) on every target: the layout of one picture. */
typedef struct SPlugVideoFrameFormat {
  uint32_t colorFormat; /* 0: no layout */
  uint32_t width;
  uint32_t height;
  uint32_t flag3;
  int32_t fieldOrder;
  uint32_t aspectX;
  uint32_t aspectY;
  uint32_t videoRange;
  uint32_t matrix;
  uint32_t transferFunction;
  uint32_t colorPrimaries;
  uint32_t componentDepth;
  uint32_t planeCount;
  uint32_t rowBytes[PLUG_PLANE_COUNT];
  uint32_t planeSize[PLUG_PLANE_COUNT];
  uint8_t fillPattern[PLUG_PLANE_COUNT][PLUG_PATTERN_BYTES]; /* black run per plane */
  uint32_t patternBytes[PLUG_PLANE_COUNT];
  uint32_t patternPixels[PLUG_PLANE_COUNT];
  uint32_t reserved[5]; /* copies of SPlugVideoStreamInfo words 22..26 */
} SPlugVideoFrameFormat;

/* A picture: its layout followed by the plane addresses. */
typedef struct SPlugVideoFrame {
  SPlugVideoFrameFormat format;
  uint8_t* plane[PLUG_PLANE_COUNT];
  uint32_t planeExtra[2][PLUG_PLANE_COUNT]; /* cleared with the plane sizes */
} SPlugVideoFrame;

/* The muxer's parameter block of ordinal 505; the muxer reads four of its words. */
typedef struct SPlugMuxParam {
  uint32_t reserved0[3];
  uint32_t streamCount;
  SPlugStreamInfo* streams; /* streamCount records */
  uint32_t openMode;        /* PLUG_MUX_OPEN_ */
  uint32_t reserved[2];
  uint32_t writerThreads; /* above 0: samples are added on a writer thread */
} SPlugMuxParam;

enum { PLUG_MUX_OPEN_APPEND = 1, PLUG_MUX_OPEN_READ_WHILE_WRITING = 2 };

/* The stream pair that ordinal 504 checks (and may rewrite); 184 bytes on every target. */
typedef struct SPlugMuxStreamCheck {
  uint32_t reserved[2];
  uint32_t videoPresent; /* nonzero: `video` is looked at */
  SPlugVideoStreamInfo video;
  uint32_t audioCount; /* above 0: `audio` is looked at */
  SPlugAudioStreamInfo audio;
} SPlugMuxStreamCheck;

/* The reader's ReadOptions block of ordinals 417/418, ten words. */
#define PLUG_READ_OPTIONS_WORDS 10
enum {
  PLUG_READ_OPTION_READ_AHEAD = 2,     /* index of the read-ahead switch */
  PLUG_READ_OPTION_READ_AHEAD_SIZE = 3 /* index of the read-ahead size in bytes */
};

#ifdef __cplusplus
}
#endif
