/*
 * ZEBSoftCodecSysU: logging and module loading for the host framework's
 * plug-ins.
 *
 * Formats follow the framework's historical (Windows) meaning: in a wide
 * format, %s and %c take wide arguments (wchar_t* and wint_t); %S takes a
 * narrow UTF-8 string. The service translates them once, so callers keep
 * their message texts byte-exact.
 */
#pragma once

#include <stdint.h>
#include <wchar.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZEBSYS_API __attribute__((visibility("default")))

typedef enum INFOTYPE {
  ZEB_INFO_ERROR = 1, /* a failure the user should hear about */
  ZEB_INFO_TRACE = 8  /* an informational trace */
} INFOTYPE;

/*
 * Writes one diagnostic line; never fails. Lines longer than 16384 characters
 * are cut to that length; a conversion the formatter does not know is copied
 * through as written and %n stores nothing.
 */
ZEBSYS_API void ZEB_OutputW(const wchar_t* source, uint32_t level, const wchar_t* format, ...);

/* Writes a trace message that the caller formatted already (delivered at level 8). */
ZEBSYS_API void ZEBMSGW(const wchar_t* source, const wchar_t* message);

/*
 * Where lines go. The sink receives the source name and the line as UTF-8,
 * exactly as formatted (no newline added or removed), and may be called from
 * any thread, one call at a time. Once ZEB_SetLogSink returns, the previous
 * sink is no longer running nor called. A null sink restores the default,
 * which writes level-1 lines to stderr as "<source>: <line>" plus a newline
 * when the line has none, and drops level-8 traces.
 * A sink that logs has those lines written to the default destination; a
 * call of ZEB_SetLogSink made from inside the sink is ignored.
 */
typedef void (*ZEBLogSink)(void* context, const char* source, uint32_t level, const char* line);
ZEBSYS_API void ZEB_SetLogSink(ZEBLogSink sink, void* context);

/* Loads a shared library by full path; null when it cannot be loaded. */
ZEBSYS_API void* ZEB_LoadModuleExW(const wchar_t* path, uint32_t reserved, uint32_t flags);
/* Address of a named export, or null. */
ZEBSYS_API void* ZEB_GetFunction(void* module, const char* name);
/* Unloads the module; the handle is not used again. */
ZEBSYS_API void ZEB_CloseModule(void* module);

#ifdef __cplusplus
}
#endif
