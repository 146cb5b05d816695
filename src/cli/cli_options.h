// The command line of tarnwick-cli: which port, which chip, which window of the buffer,
// which command. Parsing only; nothing here touches a port or a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formats/file_types.h"
#include "sim/socket_faults.h"

namespace tarnwick {

enum class CliCommand {
  None,
  Devices,
  Detect,
  Blank,
  Read,
  Verify,
  Program,
  Compare,
  Erase,
  Lock,
  Convert,
  Doctor,
  Hash
};

enum class ProgressMode { Auto, Bar, Json, None };

struct WindowOption {
  int32_t bufferStart = 0;
  int32_t deviceStart = 0;
  int32_t deviceEnd = 0;
};

// A fading cell of the simulated chip: --sim-unstable ADDR:MASK[:PERCENT].
struct UnstableCellOption {
  int32_t address = 0;
  uint8_t mask = 0;
  int percent = 0;
};

// Reads of `read` when --reads is not given: a dump is trusted when two reads agree.
inline constexpr int kDefaultReads = 2;
inline constexpr int kMostReads = 16;

struct CliOptions {
  std::optional<uint16_t> port;  // --port ADDR
  bool sim = false;              // --sim
  std::string socketFile;        // --socket FILE (with --sim)
  bool newChip = false;          // --new-chip (with --sim)
  std::string device;            // --device NAME, as typed
  std::optional<FileFormat> format;
  std::optional<WindowOption> window;
  std::optional<int32_t> offset;
  std::optional<int> fill;  // 0..255
  ProgressMode progress = ProgressMode::Auto;
  std::string logFile;
  bool quiet = false;
  bool help = false;
  bool version = false;
  bool noVerify = false;
  bool confirm = false;
  bool fold = false;  // load a file that does not fit the chip all the same
  bool json = false;  // --json (doctor)

  // The dump's figures and the simulated chip's fading cells.
  int reads = kDefaultReads;  // --reads N (read)
  bool readsGiven = false;
  std::string datFile;                          // --dat FILE (read, hash)
  std::vector<UnstableCellOption> simUnstable;  // --sim-unstable, repeatable (with --sim)
  SocketFaults simFaults;                       // --sim-fault, repeatable (with --sim)
  bool simFaultsGiven = false;

  CliCommand command = CliCommand::None;
  std::string commandName;
  std::vector<std::string> files;  // FILE, or IN and OUT of convert
  int lockBit = 0;                 // 1..3
};

struct ParsedCommandLine {
  CliOptions options;
  std::string error;  // empty when the command line is usable
};

// Options may stand before or after the command; "--" ends them. Values follow as the
// next word or after "=" (--device=87C51H).
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// "0A3C:08:30" (address and mask in hexadecimal, percent in decimal; the percent may be
// left out for kUnstablePercentDefault).
inline constexpr int kUnstablePercentDefault = 50;
std::optional<UnstableCellOption> ParseUnstableCell(const std::string& text);

// Hexadecimal text of 1 to max_digits digits, with or without a 0x prefix.
std::optional<int32_t> ParseHexOption(const std::string& text, int max_digits);

std::string UsageText();

// Whether an option of the commands above takes a value (--device NAME).
bool OptionTakesValue(const std::string& name);

}  // namespace tarnwick
