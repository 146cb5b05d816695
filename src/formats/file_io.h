// Whole-file reads and writes for the file commands, with the system's reason for a
// failure. Each file is opened and closed inside one call.
#pragma once

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarnwick {

// A file that could not be opened, read or written. The text names the file and
// carries the system's reason, ready for a message box.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// No image for a 64 KiB buffer comes near this size, even as hex text with comments. A
// device or pipe that never ends (/dev/zero picked in the dialog) is refused at this
// size instead of filling the memory.
constexpr size_t kMaxFileBytes = size_t{64} << 20;

// The whole file as bytes (text files are read raw; the readers handle CR and LF).
// A file longer than kMaxFileBytes is a FileError and nothing of it is returned; so is a
// read that a stop request (Ctrl-C in tarnwick-cli) ends.
std::string ReadWholeFile(const std::string& name);

// Creates or replaces the file with exactly these bytes, atomically (base/atomic_file.h):
// a failure is a FileError and leaves the old file as it was.
void WriteWholeFile(const std::string& name, std::span<const uint8_t> bytes);
void WriteWholeFile(const std::string& name, std::string_view text);

}  // namespace tarnwick
