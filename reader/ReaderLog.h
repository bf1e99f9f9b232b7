// The reader's formatted traces: the text is formatted here first (with the
// platform's wide-format meaning, %ls for a wide string) and sent as one
// message, as the open-time and sample-description traces are.
#pragma once

#include "core/QtLog.h"

void QtLogMessage(const wchar_t* format, ...);
