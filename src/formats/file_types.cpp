#include "formats/file_types.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "base/hex_text.h"

namespace tarnwick {

std::optional<FileFormat> FormatFromName(const std::string& name) {
  const std::string n = LowerCase(name);
  if (n == "bin") return FileFormat::Binary;
  if (n == "intel") return FileFormat::Intel;
  if (n == "motorola") return FileFormat::Motorola;
  if (n == "ascii") return FileFormat::Ascii;
  return std::nullopt;
}

std::optional<FileFormat> FormatFromExtension(const std::string& path) {
  const std::string ext = LowerCase(std::filesystem::path(path).extension().string());
  if (ext == ".bin") return FileFormat::Binary;
  if (ext == ".hex" || ext == ".ihx") return FileFormat::Intel;
  if (ext == ".s19" || ext == ".s28" || ext == ".s37" || ext == ".srec" || ext == ".mot")
    return FileFormat::Motorola;
  if (ext == ".asc") return FileFormat::Ascii;
  return std::nullopt;
}

const char* FormatName(FileFormat format) {
  static constexpr const char* kNames[] = {"binary", "Intel Hex", "Motorola", "Ascii Hex"};
  return kNames[static_cast<int>(format)];
}

}  // namespace tarnwick
