// The socket's file, a few lines of text:
//   Tarnwick socket 1
//   chip 87C51H          (or: chip none)
//   lock 03
//   damaged 0
//   data 0120 <32 bytes as 64 hex digits>   (only rows that differ from erased)
//   end
// A chip with fading cells is written as version 2, which adds one line per cell:
//   unstable 0A3C 08 50  (address, the bits that flip, percent chance on each read)
// A socket with bad contacts is written as version 3, which adds one line per fault,
// after the chip line (also after "chip none"):
//   fault data3=0   (or data3=1, a11=0, a11=1, a11=open, nochip)
// A chip without them is still written as version 1 (or 2), so the files of sound
// chips and sockets stay as they were and older builds keep reading them. Anything unexpected, a
// row or cell past the chip's end, a missing "end" (a truncated file) make the file unreadable; the
// chip it named is then seated blank.
#include <algorithm>
#include <cerrno>
#include <sstream>

#include "base/atomic_file.h"
#include "base/hex_text.h"
#include "base/text_lines.h"
#include "sim/sim_socket.h"

namespace tarnwick {

namespace {

constexpr const char* kHeader = "Tarnwick socket 1";
constexpr const char* kHeaderUnstable = "Tarnwick socket 2";
constexpr const char* kHeaderFaults = "Tarnwick socket 3";
constexpr size_t kRowBytes = 32;

// Hex text of exactly `digits` digits; nullopt otherwise.
std::optional<int> ParseHex(const std::string& text, size_t digits) {
  if (text.size() != digits) return std::nullopt;
  int value = 0;
  for (char c : text) {
    const int d = HexDigitValue(c);
    if (d < 0) return std::nullopt;
    value = value * 16 + d;
  }
  return value;
}

// "50" -> 50: a decimal percent from 1 to 100.
std::optional<int> ParsePercent(const std::string& text) {
  if (text.empty() || text.size() > 3) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 100) return std::nullopt;
  return value;
}

// The socket's fault lines after the chip line, up to the first other line, which is
// left in `line`; false at a line that names no fault, or at any in a file before
// version 3.
bool ReadFaults(std::istream& in, std::string& line, SocketFaults& faults, int version) {
  line.clear();
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("fault ", 0) != 0) return true;
    if (version < 3 || !AddFault(line.substr(6), faults)) return false;
    line.clear();
  }
  return true;
}

// Reads the body after the chip's fault lines into `chip`, from `line` (the first line
// of it, already read) on; false at the first fault. Version 1 files have no unstable
// cells.
bool ReadBody(std::istream& in, std::string line, SimChip& chip, bool version2) {
  bool sawLock = false, sawDamaged = false;
  for (bool first = true; first || std::getline(in, line); first = false) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::istringstream words(line);
    std::string key, a, b, c, extra;
    words >> key >> a >> b;
    if (key == "unstable") words >> c;
    words >> extra;
    if (!extra.empty()) return false;
    if (key == "end" && a.empty()) return sawLock && sawDamaged;
    if (key == "unstable") {
      const std::optional<int> addr = ParseHex(a, 4);
      const std::optional<int> mask = ParseHex(b, 2);
      const std::optional<int> percent = ParsePercent(c);
      if (!version2 || !addr || *addr >= chip.info().size || !mask || *mask == 0 || !percent ||
          chip.Unstable().count(*addr) != 0 || chip.Unstable().size() >= kMaxUnstableCells)
        return false;
      chip.SetUnstable(*addr, static_cast<uint8_t>(*mask), *percent);
      continue;
    }
    if (key == "lock" && b.empty()) {
      const std::optional<int> bits = ParseHex(a, 2);
      if (!bits || *bits > 0x07) return false;
      chip.SetLockBits(static_cast<uint8_t>(*bits));
      sawLock = true;
    } else if (key == "damaged" && b.empty() && (a == "0" || a == "1")) {
      chip.SetDamaged(a == "1");
      sawDamaged = true;
    } else if (key == "data") {
      const std::optional<int> addr = ParseHex(a, 4);
      if (!addr || *addr % kRowBytes != 0 ||
          static_cast<size_t>(*addr) + kRowBytes > chip.contents().size() ||
          b.size() != 2 * kRowBytes)
        return false;
      for (size_t i = 0; i < kRowBytes; ++i) {
        const std::optional<int> byte = ParseHex(b.substr(2 * i, 2), 2);
        if (!byte) return false;
        chip.contents()[static_cast<size_t>(*addr) + i] = static_cast<uint8_t>(*byte);
      }
    } else {
      return false;
    }
  }
  return false;  // no "end": the file was cut short
}

}  // namespace

size_t MaxSocketFileBytes() {
  size_t cells = 0;
  for (const ChipInfo& chip : kChips) cells = std::max(cells, static_cast<size_t>(chip.size));
  // The four lines before the rows and "end" take far less than the slack; a row is
  // "data 0120 " and 64 digits, each line may end in CR LF.
  constexpr size_t kRowLine = 10 + 2 * kRowBytes + 2;
  // "unstable 7FFF FF 100" and CR LF.
  constexpr size_t kUnstableLine = 22;
  // "fault a14=open" and CR LF, for each line of the socket and "nochip".
  constexpr size_t kFaultLines = (kDataLines + kAddressLines + 1) * 16;
  return 256 + cells / kRowBytes * kRowLine + kMaxUnstableCells * kUnstableLine + kFaultLines;
}

std::string SimSocket::Text() const {
  std::ostringstream out;
  const bool unstable = chip_ && !chip_->Unstable().empty();
  out << (faults_.Any() ? kHeaderFaults : unstable ? kHeaderUnstable : kHeader) << '\n';
  out << "chip " << (chip_ ? chip_->info().name : "none") << '\n';
  for (const std::string& fault : FaultTexts(faults_)) out << "fault " << fault << '\n';
  if (!chip_) {
    out << "end\n";
    return out.str();
  }
  const SimChip& chip = *chip_;
  out << "lock " << HexText(chip.LockBits(), 2) << '\n';
  out << "damaged " << (chip.Damaged() ? 1 : 0) << '\n';
  for (const auto& [addr, bits] : chip.Unstable())
    out << "unstable " << HexText(addr, 4) << ' ' << HexText(bits.mask, 2) << ' ' << bits.percent
        << '\n';
  const std::vector<uint8_t>& cells = chip.contents();
  for (size_t row = 0; row < cells.size(); row += kRowBytes) {
    bool blank = true;
    for (size_t i = row; i < row + kRowBytes; ++i) blank = blank && cells[i] == chip.info().erased;
    if (blank) continue;
    out << "data " << HexText(static_cast<int>(row), 4) << ' ';
    for (size_t i = row; i < row + kRowBytes; ++i) out << HexText(cells[i], 2);
    out << '\n';
  }
  out << "end\n";
  return out.str();
}

bool SimSocket::Save(const std::string& path) const {
  const std::optional<WriteFailure> failure = ReplaceFile(path, Text());
  if (failure) errno = failure->error;
  return !failure;
}

bool SimSocket::Load(const std::string& path) {
  Remove();
  SetFaults(SocketFaults{});
  // Read whole but bounded: a device that never ends (/dev/zero) is refused at once.
  std::string text;
  if (!ReadWholeTextFile(path, text, MaxSocketFileBytes())) return false;
  std::istringstream in(text);
  std::string line;
  if (!std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const int version = line == kHeader           ? 1
                      : line == kHeaderUnstable ? 2
                      : line == kHeaderFaults   ? 3
                                                : 0;
  if (version == 0 || !std::getline(in, line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.rfind("chip ", 0) != 0) return false;
  const std::string name = line.substr(5);
  const ChipInfo* info = FindChip(name);
  if (name != "none" && info == nullptr) return false;
  SocketFaults faults;
  const bool faultsRead = ReadFaults(in, line, faults, version);
  if (name == "none") {
    if (!faultsRead || line != "end") return false;
    SetFaults(faults);
    return true;
  }
  SimChip chip(*info);
  if (!faultsRead || !ReadBody(in, line, chip, version >= 2)) {
    Insert(*info);
    return false;
  }
  Insert(std::move(chip));
  SetFaults(faults);
  return true;
}

}  // namespace tarnwick
