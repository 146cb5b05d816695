#include "ops/diagnosis.h"

#include <array>
#include <bit>
#include <optional>

#include "base/hex_text.h"
#include "devices/socket_pins.h"

namespace tarnwick {

namespace {

// A line fault is claimed only over this many differing bytes, and only where nearly
// all of them (this share, in percent) show its pattern.
constexpr size_t kMinBytesForAPattern = 8;
constexpr size_t kPatternPercent = 90;
// Runs of differing addresses listed by name when there are this few.
constexpr size_t kRunsListed = 3;

bool Nearly(size_t fitting, size_t all) {
  return all >= kMinBytesForAPattern && fitting * 100 >= all * kPatternPercent;
}

std::string Plural(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

bool IsEprom(int32_t family) {
  return family >= kFamily8741 && family <= kFamily87C5x;
}

std::string Summary(const std::vector<Mismatch>& m) {
  if (m.size() == 1) return "1 byte differs, at " + HexText(m.front().deviceAddr, 4);
  std::vector<std::pair<int32_t, int32_t>> runs;
  for (const Mismatch& x : m) {
    if (!runs.empty() && runs.back().second + 1 == x.deviceAddr)
      runs.back().second = x.deviceAddr;
    else
      runs.emplace_back(x.deviceAddr, x.deviceAddr);
  }
  std::string text = std::to_string(m.size()) + " bytes differ";
  if (runs.size() <= kRunsListed) {
    text += " in";
    for (size_t i = 0; i < runs.size(); ++i) {
      text += (i == 0 ? " " : ", ") + HexText(runs[i].first, 4);
      if (runs[i].second != runs[i].first) text += "-" + HexText(runs[i].second, 4);
    }
    return text + ", first " + HexText(m.front().deviceAddr, 4);
  }
  return text + " in " + std::to_string(runs.size()) + " runs, first " +
         HexText(m.front().deviceAddr, 4) + ", last " + HexText(m.back().deviceAddr, 4);
}

// "Bits read 1 for 0: 12 (D3 x12); read 0 for 1: 0".
std::string BitDirections(const std::vector<Mismatch>& m) {
  std::array<size_t, 8> high{}, low{};
  size_t all_high = 0, all_low = 0;
  for (const Mismatch& x : m)
    for (int bit = 0; bit < 8; ++bit) {
      const int mask = 1 << bit;
      if ((x.expected & mask) == (x.found & mask)) continue;
      if ((x.found & mask) != 0) {
        ++high[bit];
        ++all_high;
      } else {
        ++low[bit];
        ++all_low;
      }
    }
  auto lines = [](const std::array<size_t, 8>& per_line) {
    std::string text;
    for (int bit = 0; bit < 8; ++bit)
      if (per_line[bit] > 0)
        text += (text.empty() ? "" : " ") + ("D" + std::to_string(bit)) + " x" +
                std::to_string(per_line[bit]);
    return text.empty() ? std::string() : " (" + text + ")";
  };
  return "Bits read 1 for 0: " + std::to_string(all_high) + lines(high) +
         "; read 0 for 1: " + std::to_string(all_low) + lines(low);
}

// The byte every address of the window read, when it is one and the same.
std::optional<uint8_t> OneValueEverywhere(const DiagnosisInput& in) {
  const std::vector<Mismatch>& m = *in.mismatches;
  const uint8_t v = m.front().found;
  for (const Mismatch& x : m)
    if (x.found != v) return std::nullopt;
  // The bytes that did not differ read what was wanted there.
  size_t k = 0;
  for (int32_t a = in.deviceStart; a <= in.deviceEnd; ++a) {
    if (k < m.size() && m[k].deviceAddr == a) {
      ++k;
      continue;
    }
    if (in.expected(a) != v) return std::nullopt;
  }
  return v;
}

std::optional<std::string> SameValueCause(const DiagnosisInput& in, uint8_t v) {
  const SocketPins& pins = PinsOf(in.family);
  const std::string seated = ": check the chip is seated in the " + std::string(pins.adapter) +
                             " adapter, pin 1 where the drawing shows it";
  const std::string reads = "Every byte reads " + HexText(v, 2);
  // A missing chip on the 874X's bus reads back the address, not one value.
  if (v == in.blank)
    return reads +
           (pins.multiplexed ? ": the chip is likely blank or dead"
                             : ": the chip is likely blank, missing or dead") +
           seated;
  if (v == 0x00 && in.family >= kFamily8751H)
    return reads + ": the chip is likely locked (lock bit 2 reads as 00), dead or missing" + seated;
  // With no chip to drive them the data lines read back what the box last put on them.
  return reads + ": likely no chip in the socket, or a dead one" + seated;
}

// The 874X's bus carries the low address before the data; with no chip to drive it,
// the bus still holds the address when the box reads it back.
std::optional<std::string> AddressEchoCause(const DiagnosisInput& in) {
  const SocketPins& pins = PinsOf(in.family);
  if (!pins.multiplexed) return std::nullopt;
  size_t fitting = 0;
  for (const Mismatch& x : *in.mismatches)
    if (x.found == (x.deviceAddr & 0xFF)) ++fitting;
  if (!Nearly(fitting, in.mismatches->size())) return std::nullopt;
  return std::string(
             "Every byte reads the low half of its own address: likely no chip in the "
             "socket, the bus keeps the address the box sent; check the chip is seated "
             "in the ") +
         pins.adapter + " adapter, pin 1 where the drawing shows it";
}

std::string DataLineText(const DiagnosisInput& in, int bit, int level) {
  const SocketPins& pins = PinsOf(in.family);
  return "D" + std::to_string(bit) + " likely " +
         (level == 1 ? "stuck at 1 or open" : "stuck at 0") + " (pin " +
         std::to_string(pins.data[static_cast<size_t>(bit)]) + " of the " + pins.adapter +
         " adapter's socket" +
         (pins.multiplexed ? ", which carries A" + std::to_string(bit) + " too" : "") +
         "): check the socket contact";
}

int Forced(int32_t value, int bit, int level) {
  return level == 1 ? (value | 1 << bit) : (value & ~(1 << bit));
}

// On a bus that carries the low address on the data pins, a bad data pin also sends
// the access to the cell with that address bit forced: the byte read is then what was
// wanted at that other cell, with the bit forced.
std::optional<std::string> MultiplexedLineCause(const DiagnosisInput& in) {
  const std::vector<Mismatch>& m = *in.mismatches;
  for (int bit = 0; bit < 8; ++bit)
    for (const int level : {0, 1}) {
      size_t fitting = 0;
      for (const Mismatch& x : m) {
        const int there = in.expected(Forced(x.deviceAddr, bit, level));
        if (there >= 0 && Forced(there, bit, level) == x.found) ++fitting;
      }
      if (Nearly(fitting, m.size())) return DataLineText(in, bit, level);
    }
  return std::nullopt;
}

std::optional<std::string> DataLineCause(const DiagnosisInput& in) {
  if (PinsOf(in.family).multiplexed) return MultiplexedLineCause(in);
  const std::vector<Mismatch>& m = *in.mismatches;
  for (int bit = 0; bit < 8; ++bit) {
    const int mask = 1 << bit;
    for (const int level : {0, 1}) {
      size_t fitting = 0;
      bool other_way = false;
      for (const Mismatch& x : m) {
        if (((x.expected ^ x.found) & mask) == 0) continue;
        if (((x.found & mask) != 0) == (level == 1))
          ++fitting;
        else
          other_way = true;
      }
      if (other_way || !Nearly(fitting, m.size())) continue;
      return DataLineText(in, bit, level);
    }
  }
  return std::nullopt;
}

std::optional<std::string> AddressLineCause(const DiagnosisInput& in) {
  const std::vector<Mismatch>& m = *in.mismatches;
  const SocketPins& pins = PinsOf(in.family);
  for (int bit = 0; bit < 15 && (1 << bit) <= in.chipEnd; ++bit) {
    if (pins.address[static_cast<size_t>(bit)] == 0) continue;
    // A0-A7 of a multiplexed bus are the data pins, whose faults show in the data.
    if (pins.multiplexed && bit < 8) continue;
    const int32_t mask = 1 << bit;
    for (const int level : {0, 1}) {
      size_t fitting = 0;
      for (const Mismatch& x : m) {
        const bool set = (x.deviceAddr & mask) != 0;
        if (set == (level == 1)) continue;  // such an address reaches its own cell
        const int32_t forced = level == 1 ? (x.deviceAddr | mask) : (x.deviceAddr & ~mask);
        if (in.expected(forced) == x.found) ++fitting;
      }
      if (!Nearly(fitting, m.size())) continue;
      const std::string line = "A" + std::to_string(bit);
      return line + " likely " + (level == 1 ? "stuck at 1 or open" : "stuck at 0") + " (pin " +
             std::to_string(pins.address[static_cast<size_t>(bit)]) + " of the " + pins.adapter +
             " adapter's socket): the chip answers every address as if " + line + " were " +
             std::to_string(level) + "; check the socket contact";
    }
  }
  return std::nullopt;
}

// Every wrong bit is programmed where the erased level was wanted.
bool OnlyProgrammedBits(const DiagnosisInput& in) {
  for (const Mismatch& x : *in.mismatches) {
    const uint8_t wrong = x.expected ^ x.found;
    if ((wrong & (x.expected ^ in.blank)) != 0) return false;  // a wanted bit not erased
  }
  return true;
}

}  // namespace

std::string UnstableCause(size_t bytes, bool againstMove) {
  return Plural(bytes, "byte", "bytes") +
         (againstMove ? " read otherwise than in the Move just before"
                      : " read otherwise from one read to the next") +
         ": unstable cells or a poor contact; clean the legs and read again";
}

std::string CannotTakeLine(const Mismatch& m, uint8_t blank) {
  // The bits the chip holds programmed where the file wants them at the erased level.
  const auto stuck = static_cast<uint8_t>((m.expected ^ m.found) & ~(m.expected ^ blank));
  std::string bits;
  for (int bit = 0; bit < 8; ++bit)
    if ((stuck >> bit & 1) != 0) bits += (bits.empty() ? "" : ", ") + std::to_string(bit);
  const bool several = bits.find(',') != std::string::npos;
  return HexText(m.deviceAddr, 4) + ": chip " + HexText(m.found, 2) + ", wanted " +
         HexText(m.expected, 2) + ": " + (several ? "bits " : "bit ") + bits +
         " would have to return to " + (blank == 0xFF ? "1" : "0");
}

std::vector<std::string> Diagnose(const DiagnosisInput& in) {
  std::vector<std::string> out;
  if (in.command == DeviceCommand::Compare) {
    if (in.cannotTake != nullptr && *in.cannotTake) {
      out.push_back(CannotTakeLine(**in.cannotTake, in.blank));
      out.push_back(std::string("The chip cannot take the data without ") +
                    (IsEprom(in.family) ? "an erase under UV light" : "an erase"));
    }
    return out;
  }
  const std::vector<Mismatch>& m = *in.mismatches;
  if (m.empty()) return out;
  out.push_back(Summary(m));
  out.push_back(BitDirections(m));

  if (in.secondRead && in.command == DeviceCommand::Verify) {
    out.push_back(UnstableCause(m.size(), true));
    return out;
  }
  // One value everywhere that is wrong in a single bit is a data line's pattern.
  uint8_t wrong = 0;
  for (const Mismatch& x : m) wrong = static_cast<uint8_t>(wrong | (x.expected ^ x.found));
  if (const std::optional<uint8_t> v = OneValueEverywhere(in); v && std::popcount(wrong) > 1) {
    if (auto cause = SameValueCause(in, *v)) out.push_back(*cause);
    return out;
  }
  if (auto cause = AddressEchoCause(in)) {
    out.push_back(*cause);
    return out;
  }
  if (auto cause = DataLineCause(in)) {
    out.push_back(*cause);
    return out;
  }
  if (in.command == DeviceCommand::Verify) {
    if (auto cause = AddressLineCause(in)) {
      out.push_back(*cause);
      return out;
    }
  }
  // A blank check fails on programmed bits by its nature; a verify says so only over
  // enough bytes to be a pattern rather than one wrong byte.
  if (OnlyProgrammedBits(in) &&
      (in.command == DeviceCommand::BlankCheck || m.size() >= kMinBytesForAPattern)) {
    const char* again = IsEprom(in.family) ? "erase it longer under UV light" : "erase it again";
    out.push_back(in.command == DeviceCommand::BlankCheck
                      ? std::string("The chip is likely not fully erased: ") + again
                      : std::string("Bits are programmed where the buffer wants them erased: the "
                                    "chip was likely not fully erased; ") +
                            again);
  }
  return out;
}

}  // namespace tarnwick
