/* Result codes: 0 is success; a failure has the top bit set, grouped by its second byte. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

enum {
  ZEB_OK = 0x00000000u,
  /* 0x800000xx arguments and support */
  ZEB_E_NOT_SUPPORTED = 0x80000002u,
  ZEB_E_NULL_POINTER = 0x80000004u,
  ZEB_E_OUT_OF_RANGE = 0x80000006u,
  ZEB_E_PATH_TOO_LONG = 0x8000000Bu,
  /* 0x800001xx file input and output */
  ZEB_E_FILE_OPEN = 0x80000100u,
  ZEB_E_FILE_CREATE = 0x80000104u,
  ZEB_E_FILE_SHORT_READ = 0x80000107u,
  ZEB_E_ADD_SAMPLE = 0x80000108u,
  /* 0x800002xx formats without a QuickTime form */
  ZEB_E_NO_VIDEO_FOURCC = 0x80000207u,
  ZEB_E_NO_AUDIO_FOURCC = 0x80000208u,
  /* 0x800003xx stream content and codec set-up */
  ZEB_E_UNSUPPORTED_VARIANT = 0x80000302u,
  ZEB_E_NO_SOUND_MEDIA = 0x80000305u,
  ZEB_E_EMPTY_FRAME = 0x80000306u,
  ZEB_E_COMPRESS_FAILED = 0x80000309u,
  /* 0x800004xx audio set-up */
  ZEB_E_NOT_SOUND_DESCRIPTION = 0x80000400u,
  ZEB_E_AUDIO_DECODER_SETUP = 0x80000402u,
  ZEB_E_AUDIO_ENCODER_PARAMS = 0x80000403u,
  ZEB_E_SAMPLE_READ = 0x80000405u,
  /* 0x800005xx failed codec calls */
  ZEB_E_CODEC_500 = 0x80000500u,
  ZEB_E_CODEC_501 = 0x80000501u,
  ZEB_E_CODEC_503 = 0x80000503u,
  ZEB_E_CODEC_50C = 0x8000050Cu
};

#ifdef __cplusplus
}
#endif
