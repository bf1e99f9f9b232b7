// Result codes of the plug-in in words, for messages at the terminal.
#pragma once

#include <cstdint>
#include <string>

// "0x80000100"-style text of a result code.
std::string ResultText(uint32_t result);

// What a failed call's result means, in a few words ("index out of range").
std::string ResultWords(uint32_t result);

// Why the reader could not open `path`, looking at the file itself when the
// plug-in only says that it cannot be opened: "no such file", "a folder,
// not a movie file", "cannot read the file: Permission denied", "not a
// QuickTime movie".
std::string OpenFailureWords(const std::string& path, uint32_t result);

// Why the muxer could not create `path`, looking at its folder when the
// plug-in only says that the file cannot be created: "no such folder",
// "cannot write in the folder: Permission denied", "a folder, not a file".
std::string CreateFailureWords(const std::string& path, uint32_t result);

// "no such file (0x80000100)": the words with the code after them.
std::string WithCode(const std::string& words, uint32_t result);
