/*
 * Layout checks shared by the 32-bit and the x86-64 compile: the records that
 * hold no address have the same bytes on every target. Valid C and C++.
 */
#pragma once

#include <stddef.h>

#include "zebplug/ZEBPlugRecords.h"

#ifdef __cplusplus
#define ABI_ASSERT(condition, what) static_assert(condition, what)
#else
#define ABI_ASSERT(condition, what) _Static_assert(condition, what)
#endif
#define ABI_AT(Record, field, bytes) \
  ABI_ASSERT(offsetof(Record, field) == (bytes), #Record "." #field " at byte " #bytes)
#define ABI_WORD(Record, field, word) ABI_AT(Record, field, 4 * (word))
#define ABI_SIZE(Record, bytes) \
  ABI_ASSERT(sizeof(Record) == (bytes), "sizeof(" #Record ") == " #bytes)

ABI_AT(SPlugSourceDesc, kind, 0);
ABI_AT(SPlugSourceDesc, path, 1572);
ABI_SIZE(SPlugSourceDesc, 2092);

ABI_WORD(SPlugVideoStreamInfo, size, 0);
ABI_WORD(SPlugVideoStreamInfo, videoType, 1);
ABI_WORD(SPlugVideoStreamInfo, videoSubType, 2);
ABI_WORD(SPlugVideoStreamInfo, width, 3);
ABI_WORD(SPlugVideoStreamInfo, height, 4);
ABI_WORD(SPlugVideoStreamInfo, aspectX, 5);
ABI_WORD(SPlugVideoStreamInfo, aspectY, 6);
ABI_WORD(SPlugVideoStreamInfo, frameRateNum, 7);
ABI_WORD(SPlugVideoStreamInfo, frameRateDen, 8);
ABI_WORD(SPlugVideoStreamInfo, fieldOrder, 9);
ABI_WORD(SPlugVideoStreamInfo, colorFormat, 10);
ABI_WORD(SPlugVideoStreamInfo, colorPrimaries, 11);
ABI_WORD(SPlugVideoStreamInfo, transferFunction, 12);
ABI_WORD(SPlugVideoStreamInfo, matrix, 13);
ABI_WORD(SPlugVideoStreamInfo, componentDepth, 14);
ABI_WORD(SPlugVideoStreamInfo, gopSize, 15);
ABI_WORD(SPlugVideoStreamInfo, gopReserved, 16);
ABI_WORD(SPlugVideoStreamInfo, videoRange, 17);
ABI_WORD(SPlugVideoStreamInfo, reserved18, 18);
ABI_WORD(SPlugVideoStreamInfo, bitRate, 19);
ABI_WORD(SPlugVideoStreamInfo, reserved, 20);
ABI_SIZE(SPlugVideoStreamInfo, 108);

ABI_AT(SPlugMuxStreamCheck, videoPresent, 8);
ABI_AT(SPlugMuxStreamCheck, video, 12);
ABI_AT(SPlugMuxStreamCheck, audioCount, 120);
ABI_AT(SPlugMuxStreamCheck, audio, 124);
ABI_SIZE(SPlugMuxStreamCheck, 184);

ABI_WORD(SPlugAudioStreamInfo, size, 0);
ABI_WORD(SPlugAudioStreamInfo, audioType, 1);
ABI_WORD(SPlugAudioStreamInfo, audioSubType, 2);
ABI_WORD(SPlugAudioStreamInfo, channels, 3);
ABI_WORD(SPlugAudioStreamInfo, bitsPerSample, 4);
ABI_WORD(SPlugAudioStreamInfo, sampleRate, 5);
ABI_WORD(SPlugAudioStreamInfo, bitRate, 6);
ABI_WORD(SPlugAudioStreamInfo, blockAlign, 7);
ABI_WORD(SPlugAudioStreamInfo, reserved8, 8);
ABI_WORD(SPlugAudioStreamInfo, reserved9, 9);
ABI_WORD(SPlugAudioStreamInfo, reserved10, 10);
ABI_WORD(SPlugAudioStreamInfo, reserved, 11);
ABI_SIZE(SPlugAudioStreamInfo, 60);

ABI_WORD(SPlugVideoFrameFormat, colorFormat, 0);
ABI_WORD(SPlugVideoFrameFormat, width, 1);
ABI_WORD(SPlugVideoFrameFormat, height, 2);
ABI_WORD(SPlugVideoFrameFormat, flag3, 3);
ABI_WORD(SPlugVideoFrameFormat, fieldOrder, 4);
ABI_WORD(SPlugVideoFrameFormat, aspectX, 5);
ABI_WORD(SPlugVideoFrameFormat, aspectY, 6);
ABI_WORD(SPlugVideoFrameFormat, videoRange, 7);
ABI_WORD(SPlugVideoFrameFormat, matrix, 8);
ABI_WORD(SPlugVideoFrameFormat, transferFunction, 9);
ABI_WORD(SPlugVideoFrameFormat, colorPrimaries, 10);
ABI_WORD(SPlugVideoFrameFormat, componentDepth, 11);
ABI_WORD(SPlugVideoFrameFormat, planeCount, 12);
ABI_WORD(SPlugVideoFrameFormat, rowBytes, 13);
ABI_WORD(SPlugVideoFrameFormat, planeSize, 17);
ABI_WORD(SPlugVideoFrameFormat, fillPattern, 21);
ABI_WORD(SPlugVideoFrameFormat, patternBytes, 61);
ABI_WORD(SPlugVideoFrameFormat, patternPixels, 65);
ABI_WORD(SPlugVideoFrameFormat, reserved, 69);
ABI_SIZE(SPlugVideoFrameFormat, 296);

/* Up to the private triple, the stream record is the same on both targets. */
ABI_AT(SPlugStreamInfo, structVersion, 0);
ABI_AT(SPlugStreamInfo, containerType, 4);
ABI_AT(SPlugStreamInfo, reserved8, 8);
ABI_AT(SPlugStreamInfo, streamId, 12);
ABI_AT(SPlugStreamInfo, streamType, 16);
ABI_AT(SPlugStreamInfo, reserved20, 20);
ABI_AT(SPlugStreamInfo, fileSize, 24);
ABI_AT(SPlugStreamInfo, video, 32);
ABI_AT(SPlugStreamInfo, frameCount, 140);
ABI_AT(SPlugStreamInfo, audio, 144);
ABI_AT(SPlugStreamInfo, framesPerPacket, 204);
ABI_AT(SPlugStreamInfo, packetCount, 208);
ABI_AT(SPlugStreamInfo, reserved212, 212);
ABI_AT(SPlugStreamInfo, reservedAreas, 244);
ABI_AT(SPlugStreamInfo, reserved1044, 1044);
ABI_AT(SPlugStreamInfo, privateKind, 1052);

/* So is the frame record up to the private triple's kind. */
ABI_WORD(SPlugFrameInfo, size, 0);
ABI_WORD(SPlugFrameInfo, streamType, 1);
ABI_WORD(SPlugFrameInfo, streamState, 2);
ABI_WORD(SPlugFrameInfo, dataSize, 3);
ABI_WORD(SPlugFrameInfo, reserved4, 4);
ABI_WORD(SPlugFrameInfo, decodePosition, 6);
ABI_WORD(SPlugFrameInfo, unitCount, 8);
ABI_WORD(SPlugFrameInfo, reserved9, 9);
ABI_WORD(SPlugFrameInfo, timeValues, 10);
ABI_WORD(SPlugFrameInfo, presentationPosition, 16);
ABI_WORD(SPlugFrameInfo, frameType, 18);
ABI_WORD(SPlugFrameInfo, reserved19, 19);
ABI_WORD(SPlugFrameInfo, privateKind, 24);

ABI_AT(SPlugOpenParam, count, 0);
ABI_WORD(SPlugVideoFrame, format, 0);
ABI_WORD(SPlugVideoFrame, plane, 74);
