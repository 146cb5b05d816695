// What tarnwick-cli writes besides the window's own texts: the device list, the
// progress display, the production log line, and file names put back the way the
// operator typed them.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "base/outcome.h"
#include "cli/cli_options.h"

namespace tarnwick {

class TMainForm;

// The selectable rows of the device list as a table.
void PrintDeviceList(std::ostream& out);
// The row whose Device caption is `name`, in any case and without trailing blanks;
// -1 when no chip has that name.
int DeviceRowOf(const std::string& name);
// The Device caption of a row, without its trailing blanks.
std::string DeviceName(int row);

// A JSON string literal.
std::string JsonString(const std::string& text);

// The pass as it runs: one JSON object per line, or a bar redrawn on a terminal, each
// time the pass enters another block of 256 addresses (and at its start and end).
class CliProgress {
 public:
  CliProgress(std::ostream& err, ProgressMode mode) : err_(err), mode_(mode) {}
  // Called at every message pass while the command runs; reads the pass counters.
  void Update(const TMainForm& form);
  // The command ended: the bar's line is closed.
  void Finish();
  // The command reads the chip `passes` times and this is pass `pass` (from 1): with
  // more than one, the bar says which and each JSON line carries "pass" and "passes".
  void SetPass(int pass, int passes) {
    pass_number_ = pass;
    passes_ = passes;
  }
  void Result(const std::string& text, int exit_code);

 private:
  std::ostream& err_;
  ProgressMode mode_;
  bool shown_ = false;
  int64_t last_ = -1;
  bool barOpen_ = false;
  DeviceCommand pass_ = DeviceCommand::None;
  int pass_number_ = 1;
  int passes_ = 1;
};

// The production record: one tab-separated line per command. Fields are only ever
// added at the end, so a reader of older records keeps working.
struct LogEntry {
  std::string device;  // "-" when none was chosen
  std::string command;
  std::string file;      // as typed, "-" when the command takes none
  std::string checksum;  // the buffer checksum over the window, 4 hex digits, or "-"
  std::string verdict;   // the result text
  int exitCode = 0;
  std::string crc32;  // CRC-32 of the window's image, 8 lower-case hex digits, or "-"
};
std::string LogLine(const LogEntry& entry);

// Puts the names a run was given back into a text in place of the full paths the
// dialogs were answered with.
class FileNames {
 public:
  // The full path handed to the dialogs for a name as typed.
  std::string Add(const std::string& typed);
  std::string Typed(const std::string& full) const;
  std::string Restore(std::string text) const;

 private:
  std::map<std::string, std::string> typed_;  // full path -> as typed
};

// A message box as lines of text: CR LF breaks become line breaks, and a hex load's
// "NAME, line N" trailer becomes the "NAME:N: " lead editors and build logs know.
std::vector<std::string> MessageLines(const std::string& text, const FileNames& names);

}  // namespace tarnwick
