#include "cli/cli_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <utility>

namespace tarnwick {

namespace {

struct CommandRow {
  const char* name;
  CliCommand command;
  size_t files;  // FILE arguments it takes (lock takes its bit number instead)
};

constexpr std::array<CommandRow, 12> kCommands{{
    {"devices", CliCommand::Devices, 0},
    {"detect", CliCommand::Detect, 0},
    {"blank", CliCommand::Blank, 0},
    {"read", CliCommand::Read, 1},
    {"verify", CliCommand::Verify, 1},
    {"program", CliCommand::Program, 1},
    {"compare", CliCommand::Compare, 1},
    {"erase", CliCommand::Erase, 0},
    {"lock", CliCommand::Lock, 1},
    {"convert", CliCommand::Convert, 2},
    {"hash", CliCommand::Hash, 1},
    {"doctor", CliCommand::Doctor, 0},
}};

// Options that take a value.
constexpr std::array<const char*, 13> kValueOptions{
    "--port",     "--socket", "--device", "--format", "--window",       "--offset",   "--fill",
    "--progress", "--log",    "--reads",  "--dat",    "--sim-unstable", "--sim-fault"};

bool TakesValue(const std::string& name) {
  return std::find_if(kValueOptions.begin(), kValueOptions.end(),
                      [&](const char* o) { return name == o; }) != kValueOptions.end();
}

std::optional<WindowOption> ParseWindow(const std::string& text) {
  const size_t a = text.find(':');
  const size_t b = a == std::string::npos ? a : text.find(':', a + 1);
  if (b == std::string::npos || text.find(':', b + 1) != std::string::npos) return std::nullopt;
  const auto buf = ParseHexOption(text.substr(0, a), 5);
  const auto start = ParseHexOption(text.substr(a + 1, b - a - 1), 5);
  const auto end = ParseHexOption(text.substr(b + 1), 5);
  if (!buf || !start || !end) return std::nullopt;
  return WindowOption{*buf, *start, *end};
}

// Applies one option; an error text when its value is not usable.
std::string ApplyOption(CliOptions& o, const std::string& name, const std::string& value) {
  if (name == "--port") {
    const auto port = ParseHexOption(value, 4);
    if (!port || *port == 0) return "--port wants a hexadecimal port address such as 378";
    o.port = static_cast<uint16_t>(*port);
  } else if (name == "--socket") {
    o.socketFile = value;
  } else if (name == "--device") {
    o.device = value;
  } else if (name == "--format") {
    o.format = FormatFromName(value);
    if (!o.format) return "--format wants bin, intel, motorola or ascii";
  } else if (name == "--window") {
    o.window = ParseWindow(value);
    if (!o.window) return "--window wants BUFSTART:DEVSTART:DEVEND in hexadecimal, such as 0:0:FFF";
    if (o.window->deviceStart > o.window->deviceEnd)
      return "--window: the device start lies after the device end";
  } else if (name == "--offset") {
    o.offset = ParseHexOption(value, 5);
    if (!o.offset) return "--offset wants a hexadecimal offset of up to 5 digits";
  } else if (name == "--fill") {
    const auto fill = ParseHexOption(value, 2);
    if (!fill) return "--fill wants a byte in hexadecimal: 00, FF or any other";
    o.fill = *fill;
  } else if (name == "--reads") {
    const bool digits = !value.empty() && value.size() <= 2 &&
                        std::all_of(value.begin(), value.end(),
                                    [](unsigned char c) { return std::isdigit(c) != 0; });
    o.reads = digits ? std::stoi(value) : 0;
    o.readsGiven = true;
    if (o.reads < 1 || o.reads > kMostReads)
      return "--reads wants how many times to read the chip: 1 to " + std::to_string(kMostReads);
  } else if (name == "--dat") {
    o.datFile = value;
  } else if (name == "--sim-unstable") {
    const auto cell = ParseUnstableCell(value);
    if (!cell)
      return "--sim-unstable wants ADDR:MASK[:PERCENT]: the cell's address and the bits that "
             "flip in hexadecimal, the chance in percent (1 to 100), such as 0A3C:08:30";
    o.simUnstable.push_back(*cell);
  } else if (name == "--sim-fault") {
    if (!AddFault(value, o.simFaults))
      return "--sim-fault wants dataN=0|1 (N 0-7), aN=0|1|open (N 0-14) or nochip, such as "
             "data3=1 or a11=open";
    o.simFaultsGiven = true;
  } else if (name == "--progress") {
    if (value == "bar")
      o.progress = ProgressMode::Bar;
    else if (value == "json")
      o.progress = ProgressMode::Json;
    else if (value == "none")
      o.progress = ProgressMode::None;
    else
      return "--progress wants bar, json or none";
  } else if (name == "--log") {
    o.logFile = value;
  }
  if (value.empty()) return name + " wants a value";
  return {};
}

std::string ApplyFlag(CliOptions& o, const std::string& name) {
  if (name == "--sim")
    o.sim = true;
  else if (name == "--quiet" || name == "-q")
    o.quiet = true;
  else if (name == "--help" || name == "-h")
    o.help = true;
  else if (name == "--version")
    o.version = true;
  else if (name == "--no-verify")
    o.noVerify = true;
  else if (name == "--confirm")
    o.confirm = true;
  else if (name == "--new-chip")
    o.newChip = true;
  else if (name == "--fold")
    o.fold = true;
  else if (name == "--json")
    o.json = true;
  else
    return "unknown option " + name;
  return {};
}

std::string CheckWords(CliOptions& o, const std::vector<std::string>& words) {
  if (words.empty()) return o.help || o.version ? std::string() : "no command given";
  const auto row = std::find_if(kCommands.begin(), kCommands.end(),
                                [&](const CommandRow& r) { return words[0] == r.name; });
  if (row == kCommands.end()) return "unknown command " + words[0];
  o.command = row->command;
  o.commandName = row->name;
  if (words.size() - 1 != row->files) {
    static constexpr const char* kWants[] = {"no argument", "one file", "two files"};
    if (o.command == CliCommand::Lock) return "lock wants the bit number: 1, 2 or 3";
    return o.commandName + " wants " + kWants[row->files];
  }
  if (o.command == CliCommand::Lock) {
    const std::string& bit = words[1];
    if (bit != "1" && bit != "2" && bit != "3") return "lock wants the bit number: 1, 2 or 3";
    o.lockBit = bit[0] - '0';
  } else {
    o.files.assign(words.begin() + 1, words.end());
  }
  if (o.port && o.sim) return "--port and --sim name two different programmers";
  if (o.json && o.command != CliCommand::Doctor) return "--json belongs to doctor";
  if (o.sim && o.command == CliCommand::Doctor)
    return "doctor checks a real printer port; the simulated box needs no checks";
  if (!o.socketFile.empty() && !o.sim) return "--socket belongs to the simulated box (--sim)";
  if (o.newChip && !o.sim) return "--new-chip belongs to the simulated box (--sim)";
  if (!o.simUnstable.empty() && !o.sim)
    return "--sim-unstable belongs to the simulated box (--sim)";
  if (o.simFaultsGiven && !o.sim) return "--sim-fault belongs to the simulated box (--sim)";
  if (o.readsGiven && o.command != CliCommand::Read) return "--reads belongs to read";
  if (!o.datFile.empty() && o.command != CliCommand::Read && o.command != CliCommand::Hash)
    return "--dat belongs to read and hash";
  return {};
}

}  // namespace

std::optional<UnstableCellOption> ParseUnstableCell(const std::string& text) {
  const size_t a = text.find(':');
  if (a == std::string::npos) return std::nullopt;
  const size_t b = text.find(':', a + 1);
  const auto address = ParseHexOption(text.substr(0, a), 4);
  const auto mask = ParseHexOption(text.substr(a + 1, b == std::string::npos ? b : b - a - 1), 2);
  if (!address || !mask || *mask == 0) return std::nullopt;
  UnstableCellOption cell{*address, static_cast<uint8_t>(*mask), kUnstablePercentDefault};
  if (b != std::string::npos) {
    const std::string percent = text.substr(b + 1);
    if (percent.empty() || percent.size() > 3 ||
        !std::all_of(percent.begin(), percent.end(),
                     [](unsigned char c) { return std::isdigit(c) != 0; }))
      return std::nullopt;
    cell.percent = std::stoi(percent);
    if (cell.percent < 1 || cell.percent > 100) return std::nullopt;
  }
  return cell;
}

std::optional<int32_t> ParseHexOption(const std::string& text, int max_digits) {
  std::string digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
    digits = digits.substr(2);
  if (digits.empty() || digits.size() > static_cast<size_t>(max_digits)) return std::nullopt;
  int32_t value = 0;
  for (char c : digits) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    const int d = std::isdigit(static_cast<unsigned char>(c))
                      ? c - '0'
                      : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
    value = value * 16 + d;
  }
  return value;
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  ParsedCommandLine parsed;
  CliOptions& o = parsed.options;
  std::vector<std::string> words;
  bool options_end = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_end || arg.size() < 2 || arg[0] != '-') {
      words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_end = true;
      continue;
    }
    std::string name = arg;
    std::optional<std::string> value;
    if (const size_t eq = arg.find('='); eq != std::string::npos && arg.rfind("--", 0) == 0) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    std::string error;
    if (TakesValue(name)) {
      if (!value) {
        if (i + 1 >= args.size()) {
          parsed.error = name + " wants a value";
          return parsed;
        }
        value = args[++i];
      }
      error = ApplyOption(o, name, *value);
    } else {
      error = value ? name + " takes no value" : ApplyFlag(o, name);
    }
    if (!error.empty()) {
      parsed.error = error;
      return parsed;
    }
  }
  parsed.error = CheckWords(o, words);
  return parsed;
}

bool OptionTakesValue(const std::string& name) {
  return TakesValue(name);
}

std::string UsageText() {
  return R"(Usage: tarnwick-cli [PORT] [--device NAME] [options] COMMAND [ARGS]

PORT:      --port ADDR             the Quillbox on the printer port at ADDR (hex, e.g. 378)
           --sim [--socket FILE]   the simulated box; FILE keeps the chip between runs
                                   (one run at a time; another waits up to 10 s)
           --new-chip              with --sim: a blank chip of --device in the socket,
                                   in place of whatever chip it holds
           (neither: the window's search of 0278, 0378 and 03BC)
COMMANDS:  devices                 the device list with sizes, families, Vpp, adapter
           detect                  find the box, print its port and the measured speed
           blank                   blank check
           read FILE               read the chip into FILE (twice: see --reads), then
                                   print its CRC-32 and SHA-1
           verify FILE             compare the chip with FILE
           program FILE            program FILE, then verify (unless --no-verify)
           compare FILE            can FILE be programmed over the chip without erasing
           erase                   erase (flash parts)
           lock N                  program lock bit N (1, 2 or 3)
           convert IN OUT          convert a file between the four formats; no programmer
           hash FILE               the 16-bit sum, CRC-32 and SHA-1 of FILE's image in the
                                   window (default: 0000 to its last byte); no programmer
           doctor [--json]         check everything between this PC and the box, each
                                   fault with its fix (start here on real hardware)
           job new JOB.toml FILE   write a production job: --device and the options below,
                                   [--steps erase,blank,program,verify,lock1]
                                   [--serial ADDR:LENGTH:ENCODING:FIRST[:STEP[:reuse|skip]]]
                                   [--prompt TEXT]
           job run JOB.toml        with PORT: program chip after chip, each after Enter
                                   [--count N] [--operator NAME]; q or Ctrl-C ends it
           job report JOB.toml     the job's counters from its record [--csv]
OPTIONS:   --format bin|intel|motorola|ascii   (else by extension: .bin; .hex .ihx;
                                   .s19 .s28 .s37 .srec .mot; .asc; convert: of OUT)
           --window BUFSTART:DEVSTART:DEVEND (hex; default the whole chip from 0)
           --offset HEX            the hex offset of loads
           --fill 00|FF|XX         fill the buffer before loading (default the chip's blank value)
           --no-verify             program without the verify pass
           --confirm               wait for Enter after the adapter prompt
           --fold                  load a file larger than the chip, or with records
                                   that give one address two values, all the same
           --progress bar|json|none  (bar on a terminal, none otherwise)
           --reads N               read: read the chip N times (1-16, default 2) and
                                   list the bytes the reads disagree on
           --dat FILE              read, hash: name the entries of a ROM catalogue (Logiqx
                                   datafile or emulator machine list) the dump matches
           --sim-unstable ADDR:MASK[:PERCENT]  with --sim: the bits MASK of the cell ADDR
                                   flip in PERCENT of reads (default 50); repeatable
           --sim-fault FAULT       with --sim: a bad contact in the socket for this run:
                                   dataN=0|1 (D0-D7 stuck), aN=0|1|open (A0-A14 stuck
                                   or open) or nochip (the chip touches no pin);
                                   repeatable
           --log FILE              append one line per command for production records
           --quiet, --help, --version

Exit status: 0 success; 1 the chip failed; 2 usage, file or format errors;
3 no programmer found or it stopped answering; 130 stopped by Ctrl-C.
doctor: 0 every check ok; 1 warnings only; 3 the box cannot be used.
)";
}

}  // namespace tarnwick
