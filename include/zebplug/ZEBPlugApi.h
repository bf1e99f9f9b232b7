/*
 * The plug-in's entry points as a host sees them. ELF has no ordinals, so the
 * library exports ZEBPlugGetProcByOrdinal, which maps an ordinal to its
 * function (null for an empty slot), plus five functions by name.
 *
 * A handle is void*; every other 32-bit argument or result is uint32_t
 * (int32_t where the value is signed); records are passed by pointer.
 */
#pragma once

#include <stdint.h>

#include "ZEBPlugRecords.h"

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define ZEBPLUG_EXPORT __attribute__((visibility("default")))
#else
#define ZEBPLUG_EXPORT
#endif

typedef void* ZEBHandle;

/* The record behind ordinal 602; lives as long as the library is loaded. */
typedef struct LibInfoRecord {
  uint32_t one;                 /* always 1 */
  const char* frameworkVersion; /* "3.0.18.0" */
  const char* libraryVersion;   /* "3.0.2.0", as ordinal 600 reports */
  const char* buildTime;        /* "hh:mm:ss" */
  const char* buildDate;        /* "Mmm dd yyyy" */
} LibInfoRecord;

/* Named exports. */
ZEBPLUG_EXPORT void* ZEBPlugGetProcByOrdinal(uint32_t ordinal);
ZEBPLUG_EXPORT const LibInfoRecord* TQGetLibInfo(void);
ZEBPLUG_EXPORT uint32_t EraseCustomSettingMemory(void* block);
ZEBPLUG_EXPORT uint32_t GetVideoCodecCustomSetting(SPlugVideoStreamInfo* info, uint32_t a1,
                                                   uint32_t a2, uint32_t* kind, void** block,
                                                   uint32_t* size);
ZEBPLUG_EXPORT uint32_t GetAudioCodecCustomSetting(SPlugAudioStreamInfo* info, uint32_t a1,
                                                   uint32_t a2, uint32_t* kind, void** block,
                                                   uint32_t* size);
ZEBPLUG_EXPORT uint32_t LoadQuickTime(void);
ZEBPLUG_EXPORT uint32_t ZEBPlugSetRecoveryInterval(uint32_t milliseconds, uint32_t durable);

typedef void* (*PFN_ZEBPlugGetProcByOrdinal)(uint32_t ordinal);

/* Library information. */
typedef uint32_t (*PFN_QueryLibInfo)(const void* a0, uint32_t infoClass, uint32_t item, uint32_t a3,
                                     uint32_t* length, void* out);
typedef int32_t (*PFN_GetLibState)(void);
typedef const LibInfoRecord* (*PFN_TQGetLibInfo)(void);
typedef uint32_t (*PFN_LoadQuickTime)(void);
/* Named export "ZEBPlugSetRecoveryInterval": movies opened afterwards keep a
   recovery journal beside them ("<movie>.zebrec", deleted at a normal close)
   brought up to date every `milliseconds` of media (0: after every unit), so a
   crash costs at most that much; with `durable` each update waits for the
   storage device, covering a power cut too. 0xFFFFFFFF keeps no journal.
   Default: 1000 ms, durable. Returns 0. */
typedef uint32_t (*PFN_ZEBPlugSetRecoveryInterval)(uint32_t milliseconds, uint32_t durable);
typedef uint32_t (*PFN_EraseCustomSettingMemory)(void* block);

/* Settings blocks. */
typedef uint32_t (*PFN_GetVideoCodecCustomSetting)(SPlugVideoStreamInfo* info, uint32_t a1,
                                                   uint32_t a2, uint32_t* kind, void** block,
                                                   uint32_t* size);
typedef uint32_t (*PFN_GetAudioCodecCustomSetting)(SPlugAudioStreamInfo* info, uint32_t a1,
                                                   uint32_t a2, uint32_t* kind, void** block,
                                                   uint32_t* size);

/* Video decoder family (1..11). The picture of GetDecodedVideoFrame is copied
 * into plane[0] when the host sets it, else plane[0] points at the decoder's
 * memory, valid until the next DecodeVideoFrame. */
typedef ZEBHandle (*PFN_CreateVideoDecoder)(void);
typedef uint32_t (*PFN_DestroyVideoDecoder)(ZEBHandle decoder);
typedef uint32_t (*PFN_VideoDecoderStub)(ZEBHandle decoder);
typedef uint32_t (*PFN_OpenVideoDecoder)(ZEBHandle decoder, SPlugVideoStreamInfo* info,
                                         const SPlugPrivateDesc* description);
typedef uint32_t (*PFN_GetVideoDecoderOutputFormat)(ZEBHandle decoder,
                                                    const SPlugVideoFrameFormat* requested,
                                                    SPlugVideoFrameFormat* format);
typedef uint32_t (*PFN_DecodeVideoFrame)(ZEBHandle decoder, const uint8_t* data,
                                         SPlugFrameInfo* info);
typedef uint32_t (*PFN_GetDecodedVideoFrame)(ZEBHandle decoder, SPlugVideoFrame* picture,
                                             SPlugFrameInfo* info);

/* Video encoder family (101..111). OpenVideoEncoder takes an optional
 * settings block (kind 6). Each coded frame comes with the image description
 * (kind 5) in its record's private triple: the compressor's own description
 * with the stream's 'fiel', 'pasp', 'clap' and 'colr' atoms, ready to be
 * handed to the muxer. The frame and the description stay valid until the
 * next EncodeVideoFrame or close. */
typedef ZEBHandle (*PFN_CreateVideoEncoder)(void);
typedef uint32_t (*PFN_DestroyVideoEncoder)(ZEBHandle encoder);
typedef uint32_t (*PFN_VideoEncoderStub)(ZEBHandle encoder);
typedef uint32_t (*PFN_OpenVideoEncoder)(ZEBHandle encoder, SPlugVideoStreamInfo* info,
                                         const SPlugPrivateDesc* settings);
typedef uint32_t (*PFN_QueryVideoEncoderInput)(ZEBHandle encoder, SPlugVideoStreamInfo* info);
typedef uint32_t (*PFN_GetVideoEncoderInputFormat)(ZEBHandle encoder, uint32_t ignored,
                                                   SPlugVideoFrameFormat* format);
typedef uint32_t (*PFN_EncodeVideoFrame)(ZEBHandle encoder, const SPlugVideoFrame* picture,
                                         const SPlugFrameInfo* info);
typedef uint32_t (*PFN_GetEncodedVideoFrame)(ZEBHandle encoder, uint8_t** data,
                                             SPlugFrameInfo* info);

/* Audio decoder family (200..211). OpenAudioDecoder's second argument is not
 * read; its third is the stream's kind-7 triple (the reader's sound
 * description). DecodeAudio keeps the unit (borrowed until GetDecodedAudio);
 * GetDecodedAudio hands out the address of 16-, 24- or 32-bit little-endian
 * interleaved PCM in the decoder's memory, valid until the next call. */
typedef ZEBHandle (*PFN_CreateAudioDecoder)(void);
typedef uint32_t (*PFN_DestroyAudioDecoder)(ZEBHandle decoder);
typedef uint32_t (*PFN_AudioDecoderStub)(ZEBHandle decoder);
typedef uint32_t (*PFN_AudioDecoderEntry208)(ZEBHandle decoder, uint32_t a1, uint32_t a2);
typedef uint32_t (*PFN_OpenAudioDecoder)(ZEBHandle decoder, uint32_t unused,
                                         const SPlugPrivateDesc* description);
typedef uint32_t (*PFN_DecodeAudio)(ZEBHandle decoder, const uint8_t* data,
                                    const SPlugFrameInfo* info);
typedef uint32_t (*PFN_GetDecodedAudio)(ZEBHandle decoder, uint8_t** pcm, SPlugFrameInfo* info);

/* Reader family (400..431). */
typedef ZEBHandle (*PFN_CreateReader)(void);
typedef uint32_t (*PFN_DestroyReader)(ZEBHandle reader);
typedef uint32_t (*PFN_ReaderStub)(ZEBHandle reader);
typedef uint32_t (*PFN_OpenReader)(ZEBHandle reader, const SPlugOpenParam* param, uint32_t a2,
                                   uint32_t a3);
typedef uint32_t (*PFN_GetProgramCount)(ZEBHandle reader);
typedef uint32_t (*PFN_GetVideoStreamCount)(ZEBHandle reader, uint32_t program);
typedef uint32_t (*PFN_GetVideoStreamInfo)(ZEBHandle reader, uint32_t program, uint32_t index,
                                           SPlugStreamInfo* info);
typedef uint32_t (*PFN_GetAudioStreamCount)(ZEBHandle reader, uint32_t program);
typedef uint32_t (*PFN_GetAudioStreamInfo)(ZEBHandle reader, uint32_t program, uint32_t index,
                                           SPlugStreamInfo* info);
typedef uint32_t (*PFN_SelectStreams)(ZEBHandle reader, uint32_t program, uint32_t video,
                                      uint32_t unused, uint32_t audio);
typedef uint32_t (*PFN_GetReaderState)(ZEBHandle reader);
typedef uint32_t (*PFN_GetMaxVideoFrameSize)(ZEBHandle reader);
typedef uint32_t (*PFN_GetReservedSize)(ZEBHandle reader);
typedef uint32_t (*PFN_Reserved416)(ZEBHandle reader, uint32_t a1, uint32_t a2, uint32_t a3);
typedef uint32_t (*PFN_SetReadOptions)(ZEBHandle reader, const uint32_t* options);
typedef uint32_t (*PFN_GetReadOptions)(ZEBHandle reader, uint32_t* options);
typedef uint32_t (*PFN_ReadVideoFrame)(ZEBHandle reader, uint32_t index, uint8_t* buffer,
                                       SPlugFrameInfo* info);
typedef uint32_t (*PFN_ReadVideoFrameShared)(ZEBHandle reader, uint32_t index, uint8_t** buffer,
                                             SPlugFrameInfo* info);
typedef uint32_t (*PFN_ReadKeyFrameBefore)(ZEBHandle reader, uint32_t index, uint8_t** buffer,
                                           SPlugFrameInfo* info);
typedef uint32_t (*PFN_PeekKeyFrameBefore)(ZEBHandle reader, uint32_t index, SPlugFrameInfo* info);
typedef uint32_t (*PFN_ReadCurrentVideoFrame)(ZEBHandle reader, uint8_t** buffer,
                                              SPlugFrameInfo* info);
typedef uint32_t (*PFN_ReadCurrentFrameInfo)(ZEBHandle reader, SPlugFrameInfo* info);
typedef uint32_t (*PFN_PeekNextReferenceFrame)(ZEBHandle reader, uint32_t index,
                                               SPlugFrameInfo* info);
typedef uint32_t (*PFN_Reserved427)(ZEBHandle reader, uint32_t a1, uint32_t a2, uint32_t a3,
                                    uint32_t a4);
typedef uint32_t (*PFN_ReadAudioSamples)(ZEBHandle reader, uint32_t start, uint32_t count,
                                         uint8_t* buffer, SPlugFrameInfo* info);
typedef uint32_t (*PFN_ReadAudioSamplesAlt)(ZEBHandle reader, uint32_t start, uint32_t count,
                                            uint8_t** buffer, SPlugFrameInfo* info);

/* muxer family (500..511) */
typedef ZEBHandle (*PFN_MuxerCreate)(void);
typedef uint32_t (*PFN_MuxerDestroy)(ZEBHandle muxer);
typedef uint32_t (*PFN_MuxerStub)(void);
typedef uint32_t (*PFN_MuxerCheckStreams)(ZEBHandle muxer, SPlugMuxStreamCheck* streams);
typedef uint32_t (*PFN_MuxerOpen)(ZEBHandle muxer, const SPlugOpenParam* open,
                                  const SPlugMuxParam* param);
typedef uint32_t (*PFN_MuxerEntry508)(ZEBHandle muxer);
typedef uint32_t (*PFN_MuxerWrite)(ZEBHandle muxer, uint32_t stream, const uint8_t* data,
                                   const SPlugFrameInfo* info);

/* Audio encoder family (300..311). GetEncodedAudio points *data at the coded
 * bytes, valid until the next call on the encoder; the record's private
 * description is {9, audio description block, its size} once a unit was coded. */
typedef ZEBHandle (*PFN_CreateAudioEncoder)(void);
typedef uint32_t (*PFN_DestroyAudioEncoder)(ZEBHandle encoder);
typedef uint32_t (*PFN_AudioEncoderStub)(ZEBHandle encoder);
typedef uint32_t (*PFN_AudioEncoderEntry307)(ZEBHandle encoder, uint32_t value);
typedef uint32_t (*PFN_CheckAudioEncoderFormat)(ZEBHandle encoder,
                                                const SPlugAudioStreamInfo* info);
typedef uint32_t (*PFN_OpenAudioEncoder)(ZEBHandle encoder, const SPlugAudioStreamInfo* info,
                                         const SPlugPrivateDesc* custom);
typedef uint32_t (*PFN_EncodeAudio)(ZEBHandle encoder, const uint8_t* data,
                                    const SPlugFrameInfo* info);
typedef uint32_t (*PFN_EncodeAudioChannel)(ZEBHandle encoder, uint32_t channel,
                                           const uint8_t* data, const SPlugFrameInfo* info);
typedef uint32_t (*PFN_GetEncodedAudio)(ZEBHandle encoder, const uint8_t** data,
                                        SPlugFrameInfo* info);

#ifdef __cplusplus
}
#endif
