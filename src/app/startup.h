// The window's life cycle: the values set when it is created, the start-up sequence
// when it first becomes active, and the shut-down when the operator closes it. The
// settings persist in "Tarnwick.Cfg", 14 lines in the start-up directory.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace tarnwick {

class TMainForm;

inline constexpr const char* kConfigFileName = "Tarnwick.Cfg";
inline constexpr int kConfigLines = 14;

// What a configuration file holds: up to 29 lines, as read.
struct ConfigText {
  std::vector<std::string> lines;
  bool opened = false;
};

// Reads the file: lines end at CR LF, LF or CR, a Ctrl-Z ends the file, at most 29
// lines are taken.
ConfigText ReadConfigFile(const std::string& path);
// Writes the lines, each ended by CR LF, replacing the file atomically (a link is
// written through to its target). Returns an empty string on success, else the reason.
std::string WriteConfigFile(const std::string& path, const std::vector<std::string>& lines);

class Startup {
 public:
  explicit Startup(TMainForm& form) : f_(form) {}
  void Wire();

  void FormCreate();
  void FormActivate();
  void FormCloseQuery();

  // The 14 lines the program keeps, in file order.
  std::vector<std::string> ConfigLines() const;
  std::string ConfigPath() const;

 private:
  void ApplyConfig(const ConfigText& config);

  TMainForm& f_;
  bool configSettled_ = false;
};

}  // namespace tarnwick
