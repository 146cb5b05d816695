// The Quillbox's latches bit by bit, as the device cycles drive them. Each bit has a
// constant; masks and the values the cycles load are built from them.
#pragma once

#include <cstdint>

namespace tarnwick {

// A mask that keeps every bit but these.
constexpr uint8_t Without(uint8_t bits) {
  return static_cast<uint8_t>(~bits);
}

// Control register (base + 2)
//   [3,1,0] latch select (select-in, auto-feed, strobe); code 0x08 selects no latch
//   [2]     latch clock (init line): a latch loads as it rises; while high the status
//           lines carry the low nibble of the read path
inline constexpr uint8_t kControlClock = 1 << 2;
inline constexpr uint8_t kControlNoLatch = 0x08;
// Status register (base + 1)
//   [7..4] half a byte of the read path; [7] (busy) reads inverted
inline constexpr uint8_t kStatusNibble = 0xF0;
inline constexpr uint8_t kStatusBusyInverted = 1 << 7;

// Latch2
//   [7,5,4] Vpp trim (with Latch3's select lines); [7] also puts Vpp on the 875X EA pin
//   [3]     chip output enable: low keeps every chip off the read path
//   [2,0]   high keeps Vpp off the socket's pins between cycles
//   [1]     874X PROG pulse, active low
inline constexpr uint8_t kL2VppOnEa = 1 << 7;
inline constexpr uint8_t kL2ChipEnable = 1 << 3;
inline constexpr uint8_t kL2VppHold = (1 << 2) | (1 << 0);
inline constexpr uint8_t kL2Prog874x = 1 << 1;
// Detection's value: the Vpp lines as parked and no chip on the read path, so LatchA
// comes straight back.
inline constexpr uint8_t kL2Loopback = 0xB7;

// Latch3
//   [7,5,4] Vpp regulator select; all high powers the socket at read level
//   [0]     875X: A14
inline constexpr uint8_t kL3Socket = 0xB0;
inline constexpr uint8_t kL3A14 = 1 << 0;

// Latch1, 875X adapter
//   [7] PROG (ALE/PROG) strobe, active low
//   [6] program enable, active low; the 89S parts also read with it low
//   [3] PSEN, active low: the chip's outputs on
//   [2,0] the mode pins P3.7 and P3.6 (with LatchB's P2.6/P2.7)
//   [1] A12, inverted
inline constexpr uint8_t kL1Prog = 1 << 7;
inline constexpr uint8_t kL1ProgramEnable = 1 << 6;
inline constexpr uint8_t kL1Psen = 1 << 3;
inline constexpr uint8_t kL1P37 = 1 << 2;
inline constexpr uint8_t kL1P36 = 1 << 0;
inline constexpr uint8_t kL1NotA12 = 1 << 1;
inline constexpr uint8_t kL1Idle875x = 0xFF;                                // every line high
inline constexpr uint8_t kL1Read875x = Without(kL1Psen);                    // 0xF7
inline constexpr uint8_t kL1Read89S = Without(kL1ProgramEnable | kL1Psen);  // 0xB7
// Latch1, 874X adapter
//   [6] held high while the adapter powers up
//   [5] TEST0: high reads, low programs (PROG as input, EA at Vpp)
inline constexpr uint8_t kL1PowerUp874x = 1 << 6;
inline constexpr uint8_t kL1Test874x = 1 << 5;
inline constexpr uint8_t kL1Read874x = 0xB0;
inline constexpr uint8_t kL1Program874x = kL1Read874x & Without(kL1Test874x);  // 0x90

// Latch9
//   875X: A0-A7
//   874X: [5] the chip drives the bus (read); [4] ALE, the chip latches the address
//         from LatchA as it rises; [3..0] A8-A11
inline constexpr uint8_t kL9Read874x = 1 << 5;
inline constexpr uint8_t kL9Ale874x = 1 << 4;

// LatchB
//   875X: [7] A13; [6,4] the mode pins P2.6 and P2.7; [3..0] A8-A11
//   874X: [7] low opens the 8741's program path; 0xA8 is the adapter's working value
inline constexpr uint8_t kLBA13 = 1 << 7;
inline constexpr uint8_t kLBP26 = 1 << 6;
inline constexpr uint8_t kLBP27 = 1 << 4;
inline constexpr uint8_t kLBHighAddress = 0x0F;
inline constexpr uint8_t kLBModeRead = 0x00;
inline constexpr uint8_t kLBModeProgram = kLBP26;          // 0x40
inline constexpr uint8_t kLBModeEraseOrLock3 = kLBP27;     // 0x10
inline constexpr uint8_t kLBModeLock12 = kLBP26 | kLBP27;  // 0x50
inline constexpr uint8_t kLB874x = 0xA8;
inline constexpr uint8_t kLBProgram8741 = kLB874x & Without(kLBA13);  // 0x28

}  // namespace tarnwick
