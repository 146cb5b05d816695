// The buffer file formats by name and by the extensions their files carry.
#pragma once

#include <optional>
#include <string>

namespace tarnwick {

// The buffer file formats, numbered as the File Type list of the window numbers them.
enum class FileFormat : int { Binary = 0, Intel = 1, Motorola = 2, Ascii = 3 };

// The format a file name's extension names (.bin; .hex .ihx; .s19 .s28 .s37 .srec .mot;
// .asc), in any case; nullopt for any other name.
std::optional<FileFormat> FormatFromExtension(const std::string& path);
// bin, intel, motorola, ascii, in any case.
std::optional<FileFormat> FormatFromName(const std::string& name);
// "binary", "Intel Hex", "Motorola", "Ascii Hex".
const char* FormatName(FileFormat format);

}  // namespace tarnwick
