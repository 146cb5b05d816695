// Where the chip's data and address lines meet the pins of the 40-pin socket, for the
// programming mode each adapter puts its chips in (the pin-outs of the 8748/8749 and
// the 8751/87C5x/89C5x data sheets). A fault a check points at is named with its pin.
#pragma once

#include <array>

#include "devices/families.h"

namespace tarnwick {

struct SocketPins {
  const char* adapter;
  std::array<int, 8> data;      // D0..D7
  std::array<int, 15> address;  // A0..A14; 0 where the adapter has no such line
  bool multiplexed;             // A0-A7 share the data pins (the 874X's bus)
};

// 8748/8749: DB0-DB7 on pins 12-19 carry A0-A7, then the data; A8-A10 on P2.0-P2.2.
inline constexpr SocketPins k874xPins{
    "874X", {12, 13, 14, 15, 16, 17, 18, 19}, {12, 13, 14, 15, 16, 17, 18, 19, 21, 22, 23}, true};

// 8751 and its kin: data on P0 (pins 39 down to 32), A0-A7 on P1 (pins 1-8), A8-A13 on
// P2.0-P2.5 (pins 21-26), A14 on P3.4 (pin 14).
inline constexpr SocketPins k875xPins{"875X",
                                      {39, 38, 37, 36, 35, 34, 33, 32},
                                      {1, 2, 3, 4, 5, 6, 7, 8, 21, 22, 23, 24, 25, 26, 14},
                                      false};

constexpr const SocketPins& PinsOf(int32_t family) {
  return family == kFamily8741 || family == kFamily874x ? k874xPins : k875xPins;
}

}  // namespace tarnwick
