// The full path of the plug-in's own file, recorded once when the library is
// loaded: at most 260 UTF-16 units, NUL-terminated, empty until recorded.
#pragma once

#include <string>

inline constexpr size_t kModulePathUnits = 260;

// Records the path of the shared object that contains `address`.
void RecordModulePath(const void* address);

const char16_t* ModulePath();

// The folder of the module path, up to and including the last '/'.
std::u16string ModuleFolder();
