/* Enumerations carried by the words of the host records. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

/* SPlugStreamInfo.streamType and SPlugFrameInfo.streamType */
enum { PLUG_STREAM_TYPE_VIDEO_ = 1, PLUG_STREAM_TYPE_AUDIO_ = 2 };

/* SPlugStreamInfo.containerType of a movie read by this library */
enum { PLUG_CONTAINER_TYPE_QUICKTIME_ = 26 };

/* SPlugVideoStreamInfo.videoType */
enum {
  PLUG_VIDEO_TYPE_MPEG1_ = 1,
  PLUG_VIDEO_TYPE_MPEG2_ = 2,
  PLUG_VIDEO_TYPE_QUICKTIME_ = 13, /* sub-type: the compressor's four-character code */
  PLUG_VIDEO_TYPE_H264_ = 20,
  PLUG_VIDEO_TYPE_DNXHD_ = 24 /* sub-type: the variant index */
};

/* SPlugAudioStreamInfo.audioType */
enum {
  PLUG_AUDIO_TYPE_PCM_ = 1,       /* big-endian: 'twos', 'in24', 'in32' by size */
  PLUG_AUDIO_TYPE_PCM_LE_ = 2,    /* 'sowt' */
  PLUG_AUDIO_TYPE_QUICKTIME_ = 12 /* sub-type: the sound format's four-character code */
};

/* SPlugVideoStreamInfo.fieldOrder */
enum {
  PLUG_FIELD_ORDER_TOP_FIRST_ = 0,
  PLUG_FIELD_ORDER_BOTTOM_FIRST_ = 1,
  PLUG_FIELD_ORDER_PROGRESSIVE_ = 2,
  PLUG_FIELD_ORDER_TOP_FIRST_SEPARATE_ = 4,
  PLUG_FIELD_ORDER_BOTTOM_FIRST_SEPARATE_ = 5
};

/* Colour formats of a decoded picture (SPlugVideoFrameFormat.colorFormat). */
enum {
  PLUG_COLOR_FORMAT_NONE_ = 0,
  PLUG_COLOR_FORMAT_ARGB32_ = 1, /* 4 bytes a pixel, black 00 00 00 FF */
  PLUG_COLOR_FORMAT_2_ = 2,
  PLUG_COLOR_FORMAT_ARGB64_ = 3, /* 8 bytes a pixel */
  PLUG_COLOR_FORMAT_RGB24_ = 4,
  PLUG_COLOR_FORMAT_5_ = 5,
  PLUG_COLOR_FORMAT_RGB48_ = 6,
  PLUG_COLOR_FORMAT_AYUV_ = 7, /* 80 80 Y FF */
  PLUG_COLOR_FORMAT_8_ = 8,
  PLUG_COLOR_FORMAT_9_ = 9,
  PLUG_COLOR_FORMAT_10_ = 10,
  PLUG_COLOR_FORMAT_11_ = 11,
  PLUG_COLOR_FORMAT_12_ = 12,
  PLUG_COLOR_FORMAT_YUV422_13_ = 13, /* 2 bytes a pixel, black 00 80 Y 80 */
  PLUG_COLOR_FORMAT_UYVY_ = 14,      /* '2vuy': U Y V Y */
  PLUG_COLOR_FORMAT_V210_ = 15,      /* 16 bytes per 6 pixels */
  PLUG_COLOR_FORMAT_16_ = 16,
  PLUG_COLOR_FORMAT_17_ = 17,
  PLUG_COLOR_FORMAT_18_ = 18, /* 40 bytes per 16 pixels */
  PLUG_COLOR_FORMAT_19_ = 19,
  PLUG_COLOR_FORMAT_20_ = 20,
  PLUG_COLOR_FORMAT_YUV444P_ = 21,
  PLUG_COLOR_FORMAT_YUV422P_ = 22,
  PLUG_COLOR_FORMAT_YUV420P_ = 23,
  PLUG_COLOR_FORMAT_YUV411P_ = 24
};

/* SPlugFrameInfo.frameType */
enum {
  PLUG_FRAME_COMPRESS_TYPE_I_ = 1,
  PLUG_FRAME_COMPRESS_TYPE_P_ = 2,
  PLUG_FRAME_COMPRESS_TYPE_B_ = 3,
  PLUG_FRAME_COMPRESS_TYPE_DECODED_ = 5,
  PLUG_FRAME_COMPRESS_TYPE_IDR_ = 9,
  PLUG_FRAME_COMPRESS_TYPE_NONE_ = 100
};

/* SPlugFrameInfo.streamState */
enum { PLUG_STREAMSTATE_MORE_ = 1, PLUG_STREAMSTATE_END_ = 2 };

#ifdef __cplusplus
}
#endif
