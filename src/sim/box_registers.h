// The Quillbox II as its circuit is wired, for the simulated box: the printer port's
// registers and the six latches with the lines their bits drive. The simulator decodes
// every access with these and nothing of the program's own, so a wrong select code or
// bit in the program is refused here rather than mirrored.
#pragma once

#include <cstdint>

namespace tarnwick {

// Port registers, as offsets from the port's base address.
inline constexpr uint16_t kDataRegister = 0;     // the eight data lines, to every latch
inline constexpr uint16_t kStatusRegister = 1;   // [7..4] half of the read path
inline constexpr uint16_t kControlRegister = 2;  // latch select and clock
inline constexpr uint16_t kEcrRegister = 0x402;  // extended control (ECP ports)

// Control register [2]: the latch clock (the init line). A latch loads as it rises,
// and while it is high the status lines carry the read path's low nibble.
inline constexpr int kClockLine = 2;
// Control register [3,1,0]: the select lines (select-in, auto-feed, strobe).
inline constexpr uint8_t kSelectLines = 0x0B;

// The six latches, by the code on the select lines that loads them.
enum class BoxLatch : uint8_t {
  A = 0x0A,   // data to the chip; its outputs also reach the read path through resistors
  L9 = 0x09,  // 874X: A8-A11 and the bus control lines; 875X: A0-A7
  B = 0x0B,   // 874X: adapter controls; 875X: A8-A11, mode lines, A13
  L3 = 0x03,  // Vpp regulator select, socket power, A14
  L2 = 0x02,  // Vpp trim, chip output enable, 874X program pulse
  L1 = 0x01,  // 874X: mode lines; 875X: PROG pulse, program enable, A12, PSEN
};
inline constexpr int kBoxLatchCount = 6;

// Lines of the latches as the adapters use them, by bit number.
// Latch2
inline constexpr int kBoxL2ChipDrives = 3;  // low: no chip drives the read path
inline constexpr int kBoxL2Prog874x = 1;    // 874X program pulse, active low
// Latch1
inline constexpr int kBoxL1Prog875x = 7;         // 875X PROG strobe, active low
inline constexpr int kBoxL1ProgramEnable = 6;    // 875X: low enables a pulse (and reads)
inline constexpr int kBoxL1Test874x = 5;         // 874X: high reads, low programs
inline constexpr int kBoxL1Psen = 3;             // 875X: low enables the outputs
inline constexpr int kBoxL1NotA12 = 1;           // 875X: A12, inverted
inline constexpr uint8_t kBoxL1ModePins = 0x05;  // 875X: [2,0] with LatchB's mode lines
// Latch9 (874X)
inline constexpr int kBoxL9Ale = 4;                 // the chip latches its address as it rises
inline constexpr uint8_t kBoxL9BusControl = 0x30;   // [5,4]: 0x30 read, 0x10 program
inline constexpr uint8_t kBoxL9HighAddress = 0x0F;  // A8-A11
// LatchB (875X)
inline constexpr uint8_t kBoxLBHighAddress = 0x0F;  // A8-A11
inline constexpr uint8_t kBoxLBModeLines = 0x50;    // [6,4]: 00 read, 40 program, 50/10 lock, erase
inline constexpr int kBoxLBA13 = 7;                 // 875X: A13; 8741: low enables programming
// Latch3
inline constexpr int kBoxL3A14 = 0;
// The Vpp level is selected by (Latch2 AND 0xB0, Latch3 AND 0xB0).
inline constexpr uint8_t kVppLines = 0xB0;

}  // namespace tarnwick
