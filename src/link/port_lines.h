// The PC printer port's lines on its 25-pin connector, as the standard PC port wires
// them: which register bit drives or shows which pin. A cable fault shows up as a pin,
// so the checks that test the cable name pins from here and nowhere else.
#pragma once

#include <cstdint>
#include <optional>

namespace tarnwick {

// Data register (base), bits 0-7: D0-D7 on pins 2-9, driven by the port.
inline constexpr int kDataLineCount = 8;
constexpr int DataPin(int bit) {
  return 2 + bit;
}

// Status register (base + 1), bits 3-7: inputs from the cable. BUSY is inverted by the
// port itself: a high pin reads 0. Bits 0-2 have no pin.
struct StatusLine {
  const char* name;
  int bit;
  int pin;
  bool invertedByPort;
};
inline constexpr StatusLine kStatusLines[] = {
    {"ERROR", 3, 15, false}, {"SELECT", 4, 13, false}, {"PE", 5, 12, false},
    {"ACK", 6, 10, false},   {"BUSY", 7, 11, true},
};

constexpr std::optional<StatusLine> StatusLineOfBit(int bit) {
  for (const StatusLine& line : kStatusLines)
    if (line.bit == bit) return line;
  return std::nullopt;
}

}  // namespace tarnwick
