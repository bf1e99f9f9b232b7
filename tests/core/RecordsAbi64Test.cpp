// The x86-64 layout of the host records: only records holding an address
// differ from the 32-bit one, each address 8 bytes at an 8-aligned offset
// with the fields after it moved (docs/abi.md).
#include "RecordsAbiFixed.h"

static_assert(sizeof(void*) == 8 && alignof(void*) == 8, "x86-64 layout");

ABI_AT(SPlugOpenParam, source, 8);
ABI_SIZE(SPlugOpenParam, 16);
ABI_AT(SPlugPrivateDesc, address, 8);
ABI_AT(SPlugPrivateDesc, size, 16);
ABI_SIZE(SPlugPrivateDesc, 24);

ABI_AT(SPlugMuxParam, streamCount, 12);
ABI_AT(SPlugMuxParam, streams, 16);
ABI_AT(SPlugMuxParam, openMode, 24);
ABI_AT(SPlugMuxParam, writerThreads, 36);
ABI_SIZE(SPlugMuxParam, 40);

ABI_AT(SPlugStreamInfo, privateAddress, 1056);
ABI_AT(SPlugStreamInfo, privateSize, 1064);
ABI_AT(SPlugStreamInfo, reserved1064, 1068);
ABI_AT(SPlugStreamInfo, extra, 1072);
ABI_AT(SPlugStreamInfo, reserved1580, 1584);
ABI_SIZE(SPlugStreamInfo, 1608);

ABI_AT(SPlugFrameInfo, privateAddress, 104);
ABI_AT(SPlugFrameInfo, privateSize, 112);
ABI_AT(SPlugFrameInfo, reserved27, 116);
ABI_AT(SPlugFrameInfo, reserved33, 140);
ABI_SIZE(SPlugFrameInfo, 144);

ABI_AT(SPlugVideoFrame, planeExtra, 328);
ABI_SIZE(SPlugVideoFrame, 360);
