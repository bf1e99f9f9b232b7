// Where a loaded shared object (or the program) lives on disk, so that a
// library can find the modules installed beside it.
#pragma once

#include <string>
#include <string_view>

namespace zeb::sys {

// The absolute path of the loaded object that contains address; empty when
// no loaded object contains it.
std::string ModulePathOf(const void* address);

// The path up to and including its last '/'; empty when it has none.
std::string FolderOf(std::string_view path);

}  // namespace zeb::sys
