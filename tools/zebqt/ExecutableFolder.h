#pragma once

#include <string>

// The folder of the running executable, with its trailing '/'; empty when
// the system cannot tell.
std::string ExecutableFolder();
