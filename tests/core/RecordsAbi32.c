/*
 * The historical 32-bit layout of the host records, checked at compile time
 * by `-m32 -fsyntax-only` as C and as C++ (the test suite runs both).
 */
#include "RecordsAbiFixed.h"

ABI_ASSERT(sizeof(void*) == 4, "compile with -m32");

ABI_AT(SPlugOpenParam, source, 4);
ABI_SIZE(SPlugOpenParam, 8);
ABI_AT(SPlugPrivateDesc, address, 4);
ABI_AT(SPlugPrivateDesc, size, 8);
ABI_SIZE(SPlugPrivateDesc, 12);

ABI_AT(SPlugMuxParam, streamCount, 12);
ABI_AT(SPlugMuxParam, streams, 16);
ABI_AT(SPlugMuxParam, openMode, 20);
ABI_AT(SPlugMuxParam, writerThreads, 32);
ABI_SIZE(SPlugMuxParam, 36);

ABI_AT(SPlugStreamInfo, privateAddress, 1056);
ABI_AT(SPlugStreamInfo, privateSize, 1060);
ABI_AT(SPlugStreamInfo, reserved1064, 1064);
ABI_AT(SPlugStreamInfo, extra, 1068);
ABI_AT(SPlugStreamInfo, reserved1580, 1580);
ABI_SIZE(SPlugStreamInfo, 1600);

ABI_WORD(SPlugFrameInfo, privateAddress, 25);
ABI_WORD(SPlugFrameInfo, privateSize, 26);
ABI_WORD(SPlugFrameInfo, reserved27, 27);
ABI_WORD(SPlugFrameInfo, reserved33, 33);
ABI_SIZE(SPlugFrameInfo, 136);

ABI_WORD(SPlugVideoFrame, planeExtra, 78);
ABI_SIZE(SPlugVideoFrame, 4 * 86);
