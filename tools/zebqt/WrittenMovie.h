// Checks on a movie the muxer has just finished.
#pragma once

#include <cstdint>
#include <string>

#include "tools/zebqt/PluginLibrary.h"

// The file's size in bytes; 0 when it cannot be read.
uint64_t FileSize(const std::string& path);

// The finished movie must open and hold every frame: a file system that
// filled up while the movie was finished leaves a file that does not.
// Throws a Failure (kExitOutput).
void VerifyWritten(const PluginLibrary& plugin, const std::string& path, uint32_t frames);
