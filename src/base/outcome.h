// What a command found, as values. The command that knows fills them in; the window
// renders them into its status line, memo and boxes, and tarnwick-cli prints them and
// chooses its exit status from them. Nothing above a command reads a caption or a
// colour to learn what happened.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/hashes.h"

namespace tarnwick {

enum class Verdict : uint8_t {
  None,     // not run since the program started
  Success,  // it did what was asked
  Failed,   // the chip failed the check, or the file could not be read or written
  BoxLost,  // the box did not answer its loop-back test
  Stopped,  // Quit, Ctrl-C or the window's close ended the pass before the window's end
  Refused,  // it did not start: nothing chosen, or the box was not found before it
};

// "success", "failed", "box-lost", "stopped", "refused", "none": for scripts.
const char* VerdictName(Verdict verdict);

// StopCount as Quit and the window's close leave it. A pass whose StopCount is exactly
// this when it ends was stopped before the last byte of the window: one that reached
// its last byte has counted the end on top.
inline constexpr int32_t kStopQuit = 5;

// One byte that is not what it should be: at this chip address, compared with this
// buffer address (the blank check compares with the erased value; both addresses are
// the chip's then).
struct Mismatch {
  int32_t deviceAddr = 0;
  int32_t bufferAddr = 0;
  uint8_t expected = 0;
  uint8_t found = 0;
  friend bool operator==(const Mismatch&, const Mismatch&) = default;
};

// "0123  EXPECTED-FF FOUND-7E": a mismatch as the memo and tarnwick-cli list it.
std::string MismatchLine(const Mismatch& m);

// "Stopped at 1B00....": the status line of a pass Quit ended before the window's end,
// at the address it would have read next.
std::string StoppedText(int32_t address);

// A pass that reached the end of the buffer before the end of the window: "Stopped at
// Device 1234, Buffer 10000: the Buffer ends at FFFF".
std::string BufferEndLine(int32_t device_addr, int32_t buffer_addr);

enum class DeviceCommand : uint8_t {
  None,
  BlankCheck,
  Verify,
  Move,
  Compare,
  Program,
  Erase,
  Lock
};

// "blank", "verify", "read", "compare", "program", "erase", "lock", "-": the command as
// tarnwick-cli names it.
const char* DeviceCommandName(DeviceCommand command);

struct DeviceOutcome {
  DeviceCommand command = DeviceCommand::None;
  // The pass running now: the Program command's own pass, then Verify for its check.
  DeviceCommand pass = DeviceCommand::None;
  bool running = false;  // from the command's start to its end
  Verdict verdict = Verdict::None;
  // The status line: what the command is doing while it runs, then its result.
  std::string text;
  // Every byte that differed, in the order the pass met them (rising addresses).
  std::vector<Mismatch> mismatches;
  // The pass was ended by Quit or the close at this chip address (the next one it
  // would have read); nullopt when it ran to its end.
  std::optional<int32_t> stoppedAt;
  // The pass met the end of the buffer at these addresses before the window's end.
  std::optional<Mismatch> bufferEnd;  // only the two addresses are set
  // Program Compare: the first byte the chip can no longer take.
  std::optional<Mismatch> cannotTake;
  int lockBit = 0;  // the lock bit programmed, 1 to 3
  // A failed check: the summary, then the likely cause where the pattern is clear.
  std::vector<std::string> diagnosis;

  const Mismatch* first() const { return mismatches.empty() ? nullptr : &mismatches.front(); }
  const Mismatch* last() const { return mismatches.empty() ? nullptr : &mismatches.back(); }
};

// How the search reached an address.
enum class PortPath : uint8_t { None, Ppdev, DirectIo, Simulated };

// "ppdev", "direct I/O", "the simulated box", "-".
const char* PortPathName(PortPath path);

// One address the search tried.
struct PortTry {
  uint16_t address = 0;
  bool notAPort = false;  // the LPT4 address is no printer port's: not probed at all
  bool opened = false;
  PortPath path = PortPath::None;  // how it was opened
  std::string refusal;             // why it could not be opened
  struct Echo {
    uint8_t sent = 0;
    uint8_t read = 0;
  };
  std::vector<Echo> loopback;  // the patterns sent through LatchA and what came back
  bool answered = false;       // every pattern came back
  bool confirmation = false;   // the second probe of the address the box was found at
};

// The speed measurement: how many attempts it took, and whether one could be timed.
struct SpeedMeasurement {
  int attempts = 0;
  bool measured = false;
};

struct SearchOutcome {
  bool running = false;
  Verdict verdict = Verdict::None;  // Success: found; Failed: not found; Stopped: closed
  std::vector<PortTry> tries;
  std::vector<SpeedMeasurement> measurements;
  uint16_t foundAt = 0;
  PortPath path = PortPath::None;
  uint16_t speedCount = 0;  // port reads in 0.4 ms, from the last measurement
};

// The search's log as the memo shows it, line by line: each address tried, then each
// speed measurement.
std::vector<std::string> SearchLogLines(const SearchOutcome& search);
std::string RefusalLine(uint16_t address, const std::string& reason);
// Why an address tried gave no box, in words: its refusal, "Not a Printer Port", or
// what the loop-back test read.
std::string TryReason(const PortTry& tried);
std::string EchoLine(uint16_t address, const PortTry::Echo& echo);
inline constexpr const char* kNotAPortReason = "Not a Printer Port";
inline constexpr const char* kCheckingSpeedLine = "Checking system speed...";
inline constexpr const char* kSettingPulseLine = "Setting program Pulse...";
inline constexpr const char* kSpeedNotMeasuredLine = "System speed could not be measured...";
// "The Quillbox was Found at 0378".
std::string FoundAtText(uint16_t base);

// The 16-bit sum of the buffer over the window, as the Check Sum button shows it, and
// the figures dumps are known by: CRC-32 and SHA-1 of the same bytes as one binary
// image. The sum follows every change of the buffer or the window; the hashes are
// worked out by the Check Sum command (after a load, Move Device, the button) and are
// dropped by the next change.
struct ChecksumOutcome {
  bool valid = false;
  uint16_t sum = 0;
  int64_t first = 0;  // buffer addresses summed
  int64_t last = -1;
  bool hashed = false;  // crc32 and sha1 are those of first..last
  uint32_t crc32 = 0;
  Sha1Digest sha1{};

  int64_t Bytes() const { return last >= first ? last - first + 1 : 0; }
};

// A byte of the chip that did not read the same in every read of a repeated read.
struct UnstableCell {
  int32_t deviceAddr = 0;
  int32_t bufferAddr = 0;
  std::vector<uint8_t> reads;  // the value of each read, in order
  uint8_t changed = 0;         // the bits that did not read the same every time
  uint8_t kept = 0;            // the bitwise majority of the reads, a tie as the first read
};

// N reads of the same window compared byte by byte.
struct RepeatedReadsOutcome {
  int reads = 0;                       // how many were compared
  int64_t bytes = 0;                   // bytes in each
  std::vector<UnstableCell> unstable;  // rising addresses
  // Unstable bytes per data line, D0 to D7.
  std::array<int64_t, 8> bitCounts{};

  bool Stable() const { return unstable.empty(); }
};

// "0A3C  reads 7E 7E 76 7E  bit 3 unstable" ("bits 3, 6 unstable" for more than one).
std::string UnstableLine(const UnstableCell& cell);
// "3 bytes unstable in 4096; bits: D3 x2, D6 x1": the data lines in rising order, each
// with the count of bytes it changed in.
std::string UnstableSummary(const RepeatedReadsOutcome& reads);

struct FillOutcome {
  Verdict verdict = Verdict::None;  // Success: filled; Refused: cancelled
  uint8_t value = 0;
};

}  // namespace tarnwick
