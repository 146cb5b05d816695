#include "sim/socket_faults.h"

#include <optional>

namespace tarnwick {

namespace {

// The level a line is held at, where a fault holds it.
std::optional<bool> Forced(PinLevel level) {
  switch (level) {
    case PinLevel::Low:
      return false;
    case PinLevel::High:
    case PinLevel::Open:
      return true;
    case PinLevel::Sound:
      break;
  }
  return std::nullopt;
}

int Force(int value, int bit, PinLevel level) {
  const std::optional<bool> high = Forced(level);
  if (!high) return value;
  return *high ? (value | 1 << bit) : (value & ~(1 << bit));
}

// "3" -> 3, below `limit`; a number without leading zeros.
std::optional<int> LineNumber(const std::string& text, int limit) {
  if (text.empty() || text.size() > 2 || (text.size() > 1 && text[0] == '0')) return std::nullopt;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  if (n >= limit) return std::nullopt;
  return n;
}

const char* LevelText(PinLevel level) {
  switch (level) {
    case PinLevel::Low:
      return "0";
    case PinLevel::High:
      return "1";
    case PinLevel::Open:
      return "open";
    case PinLevel::Sound:
      break;
  }
  return "";
}

}  // namespace

bool SocketFaults::Any() const {
  for (PinLevel level : data)
    if (level != PinLevel::Sound) return true;
  for (PinLevel level : address)
    if (level != PinLevel::Sound) return true;
  return noChip;
}

uint8_t SocketFaults::Data(uint8_t byte, bool multiplexed) const {
  int value = byte;
  for (int bit = 0; bit < kDataLines; ++bit) {
    const PinLevel level = data[static_cast<size_t>(bit)];
    value =
        Force(value, bit,
              level == PinLevel::Sound && multiplexed ? address[static_cast<size_t>(bit)] : level);
  }
  return static_cast<uint8_t>(value);
}

int SocketFaults::Address(int addr, bool multiplexed) const {
  for (int bit = 0; bit < kAddressLines; ++bit) {
    PinLevel level = address[static_cast<size_t>(bit)];
    if (multiplexed && bit < kDataLines && level == PinLevel::Sound)
      level = data[static_cast<size_t>(bit)];
    addr = Force(addr, bit, level);
  }
  return addr;
}

SocketFaultMasks::SocketFaultMasks(const SocketFaults& faults) {
  for (int multiplexed = 0; multiplexed < 2; ++multiplexed) {
    Masks& m = masks_[static_cast<size_t>(multiplexed)];
    m.dataAnd = faults.Data(0xFF, multiplexed != 0);
    m.dataOr = faults.Data(0x00, multiplexed != 0);
    m.addressAnd = faults.Address(-1, multiplexed != 0);
    m.addressOr = faults.Address(0, multiplexed != 0);
  }
}

bool AddFault(const std::string& text, SocketFaults& faults) {
  if (text == "nochip") {
    faults.noChip = true;
    return true;
  }
  const size_t equals = text.find('=');
  if (equals == std::string::npos) return false;
  const std::string line = text.substr(0, equals);
  const std::string level = text.substr(equals + 1);
  const bool isData = line.rfind("data", 0) == 0;
  const bool isAddress = !isData && line.rfind('a', 0) == 0;
  if (!isData && !isAddress) return false;
  const std::optional<int> n =
      LineNumber(line.substr(isData ? 4 : 1), isData ? kDataLines : kAddressLines);
  if (!n) return false;
  PinLevel wanted;
  if (level == "0")
    wanted = PinLevel::Low;
  else if (level == "1")
    wanted = PinLevel::High;
  else if (level == "open" && isAddress)
    wanted = PinLevel::Open;
  else
    return false;
  (isData ? faults.data[static_cast<size_t>(*n)] : faults.address[static_cast<size_t>(*n)]) =
      wanted;
  return true;
}

std::vector<std::string> FaultTexts(const SocketFaults& faults) {
  std::vector<std::string> texts;
  for (int bit = 0; bit < kDataLines; ++bit)
    if (const PinLevel level = faults.data[static_cast<size_t>(bit)]; level != PinLevel::Sound)
      texts.push_back("data" + std::to_string(bit) + "=" + LevelText(level));
  for (int bit = 0; bit < kAddressLines; ++bit)
    if (const PinLevel level = faults.address[static_cast<size_t>(bit)]; level != PinLevel::Sound)
      texts.push_back("a" + std::to_string(bit) + "=" + LevelText(level));
  if (faults.noChip) texts.push_back("nochip");
  return texts;
}

}  // namespace tarnwick
