/* Ordinal numbers of the plug-in's exported functions. */
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

enum {
  /* video decoder family 1..11, encoder 101..111, audio decoder 200..211,
     audio encoder 300..311: their tables come with those families */
  ZEB_ORD_VIDEO_DECODER_FIRST = 1,
  ZEB_ORD_VIDEO_DECODER_LAST = 11,
  ZEB_ORD_CreateVideoDecoder = 1,
  ZEB_ORD_DestroyVideoDecoder = 2,
  ZEB_ORD_VideoDecoderEntry3 = 3,
  ZEB_ORD_VideoDecoderEntry4 = 4,
  ZEB_ORD_OpenVideoDecoder = 5,
  ZEB_ORD_VideoDecoderEntry6 = 6,
  ZEB_ORD_GetVideoDecoderOutputFormat = 7,
  ZEB_ORD_VideoDecoderEntry8 = 8,
  ZEB_ORD_DecodeVideoFrame = 9,
  ZEB_ORD_VideoDecoderEntry10 = 10,
  ZEB_ORD_GetDecodedVideoFrame = 11,
  ZEB_ORD_VIDEO_ENCODER_FIRST = 101,
  ZEB_ORD_VIDEO_ENCODER_LAST = 111,
  ZEB_ORD_CreateVideoEncoder = 101,
  ZEB_ORD_DestroyVideoEncoder = 102,
  ZEB_ORD_VideoEncoderEntry103 = 103,
  ZEB_ORD_VideoEncoderEntry104 = 104,
  ZEB_ORD_OpenVideoEncoder = 105,
  ZEB_ORD_QueryVideoEncoderInput = 106,
  ZEB_ORD_VideoEncoderEntry107 = 107,
  ZEB_ORD_GetVideoEncoderInputFormat = 108,
  ZEB_ORD_VideoEncoderEntry109 = 109,
  ZEB_ORD_EncodeVideoFrame = 110,
  ZEB_ORD_GetEncodedVideoFrame = 111,
  ZEB_ORD_AUDIO_DECODER_FIRST = 200,
  ZEB_ORD_AUDIO_DECODER_LAST = 211,
  ZEB_ORD_CreateAudioDecoder = 200,
  ZEB_ORD_DestroyAudioDecoder = 201,
  ZEB_ORD_AudioDecoderEntry202 = 202,
  ZEB_ORD_CloseAudioDecoder = 203,
  ZEB_ORD_OpenAudioDecoder = 204,
  ZEB_ORD_AudioDecoderEntry205 = 205,
  ZEB_ORD_AudioDecoderEntry206 = 206,
  ZEB_ORD_IsAudioPacketSizeConstant = 207,
  ZEB_ORD_AudioDecoderEntry208 = 208,
  ZEB_ORD_DecodeAudio = 209,
  ZEB_ORD_GetDecodedAudio = 210,
  ZEB_ORD_AudioDecoderEntry211 = 211,
  ZEB_ORD_AUDIO_ENCODER_FIRST = 300,
  ZEB_ORD_AUDIO_ENCODER_LAST = 311,

  /* reader family */
  ZEB_ORD_CreateReader = 400,
  ZEB_ORD_DestroyReader = 401,
  ZEB_ORD_Reserved402 = 402,
  ZEB_ORD_Reserved403 = 403,
  ZEB_ORD_OpenReader = 404,
  ZEB_ORD_Reserved405 = 405,
  ZEB_ORD_GetProgramCount = 406,
  ZEB_ORD_GetVideoStreamCount = 407,
  ZEB_ORD_GetVideoStreamInfo = 408,
  ZEB_ORD_GetAudioStreamCount = 409,
  ZEB_ORD_GetAudioStreamInfo = 410,
  ZEB_ORD_SelectStreams = 411,
  ZEB_ORD_GetReaderState = 412,
  ZEB_ORD_GetMaxVideoFrameSize = 413,
  ZEB_ORD_GetReservedSize = 414,
  ZEB_ORD_Reserved415 = 415,
  ZEB_ORD_Reserved416 = 416,
  ZEB_ORD_SetReadOptions = 417,
  ZEB_ORD_GetReadOptions = 418,
  ZEB_ORD_Reserved419 = 419,
  ZEB_ORD_ReadVideoFrame = 420,
  ZEB_ORD_ReadVideoFrameShared = 421,
  ZEB_ORD_ReadKeyFrameBefore = 422,
  ZEB_ORD_PeekKeyFrameBefore = 423,
  ZEB_ORD_ReadCurrentVideoFrame = 424,
  ZEB_ORD_ReadCurrentFrameInfo = 425,
  ZEB_ORD_PeekNextReferenceFrame = 426,
  ZEB_ORD_Reserved427 = 427,
  ZEB_ORD_ReadAudioSamples = 428,
  ZEB_ORD_ReadAudioSamplesAlt = 429,
  ZEB_ORD_Reserved430 = 430,
  ZEB_ORD_Reserved431 = 431,

  /* muxer family 500..511 */
  ZEB_ORD_MUXER_FIRST = 500,
  ZEB_ORD_MuxerCreate = 500,
  ZEB_ORD_MuxerDestroy = 501,
  ZEB_ORD_MuxerEntry502 = 502,
  ZEB_ORD_MuxerEntry503 = 503,
  ZEB_ORD_MuxerCheckStreams = 504,
  ZEB_ORD_MuxerOpen = 505,
  ZEB_ORD_MuxerEntry506 = 506,
  ZEB_ORD_MuxerEntry507 = 507,
  ZEB_ORD_MuxerEntry508 = 508,
  ZEB_ORD_MuxerWrite = 509,
  ZEB_ORD_MuxerEntry510 = 510,
  ZEB_ORD_MuxerEntry511 = 511,
  ZEB_ORD_MUXER_LAST = 511,

  /* library information */
  ZEB_ORD_QueryLibInfo = 600,
  ZEB_ORD_GetLibState = 601,
  ZEB_ORD_TQGetLibInfo = 602,

  /* settings blocks */
  ZEB_ORD_EraseCustomSettingMemory = 700,
  ZEB_ORD_GetVideoCodecCustomSetting = 701,
  ZEB_ORD_GetAudioCodecCustomSetting = 702,

  ZEB_ORD_LoadQuickTime = 1000,

  ZEB_ORD_MAX = 1000
};

/* audio encoder family 300..311 */
enum {
  ZEB_ORD_CreateAudioEncoder = 300,
  ZEB_ORD_DestroyAudioEncoder = 301,
  ZEB_ORD_AudioEncoderEntry302 = 302,
  ZEB_ORD_CloseAudioEncoder = 303,
  ZEB_ORD_CheckAudioEncoderFormat = 304,
  ZEB_ORD_OpenAudioEncoder = 305,
  ZEB_ORD_AudioEncoderEntry306 = 306,
  ZEB_ORD_AudioEncoderEntry307 = 307,
  ZEB_ORD_EncodeAudio = 308,
  ZEB_ORD_EncodeAudioChannel = 309,
  ZEB_ORD_GetEncodedAudio = 310,
  ZEB_ORD_AudioEncoderEntry311 = 311
};

#ifdef __cplusplus
}
#endif
