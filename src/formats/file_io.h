// Whole-file reads and writes for the file commands, with the system's reason for a
// failure. Each file is opened and closed inside one call.
#pragma once

#include <cstdint>
#include <functional>
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

// The whole file as bytes (text files are read raw; the readers handle CR and LF).
std::string ReadWholeFile(const std::string& name);

// Reads the file in blocks of at most `block_size` bytes, handing each to `block`.
void ReadFileBlocks(const std::string& name, size_t block_size,
                    const std::function<void(std::span<const uint8_t>)>& block);

// Creates or replaces the file with exactly these bytes.
void WriteWholeFile(const std::string& name, std::span<const uint8_t> bytes);
void WriteWholeFile(const std::string& name, std::string_view text);

}  // namespace tarnwick
