// Text files as the program reads them: a line ends at CR LF, LF or CR, and a Ctrl-Z
// (the DOS end-of-file mark) ends the file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

inline constexpr char kCtrlZ = 26;

// The lines of the text, at least one (an empty text is one empty line).
std::vector<std::string> SplitTextLines(std::string_view contents);

// The settings and the help text are small; a file longer than this (a device that never
// ends) counts as one that cannot be read.
inline constexpr size_t kMaxTextFileBytes = size_t{16} << 20;

// The whole file, or false when it cannot be opened or read, holds more than maxBytes,
// or a stop is requested while it is read.
bool ReadWholeTextFile(const std::string& path, std::string& contents,
                       size_t maxBytes = kMaxTextFileBytes);

}  // namespace tarnwick
