// Records a host hands the codec and muxer families, and the result check
// that turns a family's code into a message for the terminal.
#pragma once

#include <cstdint>
#include <string>

#include "tools/zebqt/Failure.h"
#include "zebplug/ZEBPlug.h"

// A frame record of the right size, its positions unset.
SPlugFrameInfo NewFrameInfo();

// Throws a Failure with `code` saying `step` failed, in words and with the
// result code, unless `result` is ZEB_OK.
void CheckStep(uint32_t result, const std::string& step, ExitCode code = kExitMovie);
