// Bad contacts between the adapter's socket and the chip: a data line stuck at 0 or 1,
// an address line stuck at 0, at 1 or open, or a chip that touches none of its pins.
// They sit on the pins, so every command meets them as it would meet a worn socket:
// a stuck data line forces its bit in every byte the chip drives and in every byte
// that reaches it to be programmed (lock bits taken from the data too); a stuck
// address line sends every access, read or pulse, to the cell with that bit forced.
//
// An open address line: the chip's address inputs are TTL-compatible, and an input
// left floating in such a stage reads high, so an open line acts as one stuck at 1.
//
// On the 874X adapter the chip's DB0-DB7 pins carry A0-A7 first and the data after
// (the 8748's bus is multiplexed), so there a fault on D3 is a fault on A3 as well.
//
// In text, as the socket file keeps them and tarnwick-cli takes them: "data3=0",
// "data3=1", "a11=0", "a11=1", "a11=open", "nochip".
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {

enum class PinLevel : uint8_t { Sound, Low, High, Open };

inline constexpr int kDataLines = 8;
inline constexpr int kAddressLines = 15;  // A0-A14: the 875X adapter has no A15

struct SocketFaults {
  std::array<PinLevel, kDataLines> data{};  // Low or High only
  std::array<PinLevel, kAddressLines> address{};
  bool noChip = false;  // the chip sits loose: none of its pins makes contact

  bool Any() const;
  // The byte on the chip's data pins, each stuck line forced; `multiplexed`: the
  // address faults of A0-A7 act on the same pins.
  uint8_t Data(uint8_t byte, bool multiplexed) const;
  // The address the chip sees, each stuck or open line forced.
  int Address(int addr, bool multiplexed) const;

  friend bool operator==(const SocketFaults&, const SocketFaults&) = default;
};

// The faults as two masks per line kind, what the simulated socket applies on every
// access of the box (the chip's address is looked at many times per port read): each
// line is forced on its own, so a line's level is (value & and) | or.
class SocketFaultMasks {
 public:
  SocketFaultMasks() = default;
  explicit SocketFaultMasks(const SocketFaults& faults);
  uint8_t Data(uint8_t byte, bool multiplexed) const {
    const Masks& m = masks_[multiplexed ? 1 : 0];
    return static_cast<uint8_t>((byte & m.dataAnd) | m.dataOr);
  }
  int Address(int addr, bool multiplexed) const {
    const Masks& m = masks_[multiplexed ? 1 : 0];
    return (addr & m.addressAnd) | m.addressOr;
  }

 private:
  struct Masks {
    uint8_t dataAnd = 0xFF;
    uint8_t dataOr = 0;
    int addressAnd = -1;
    int addressOr = 0;
  };
  std::array<Masks, 2> masks_{};  // not multiplexed, multiplexed
};

// Adds the fault the text names ("data3=1", "a11=open", "nochip") to `faults`; false,
// leaving them as they were, when the text names none.
bool AddFault(const std::string& text, SocketFaults& faults);
// The faults as texts AddFault takes, data lines first, then address lines, then
// "nochip".
std::vector<std::string> FaultTexts(const SocketFaults& faults);

}  // namespace tarnwick
