// The two primitives of the Quillbox protocol, loading a latch and reading a byte back,
// plus opening, closing and parking the port.
//
// Control register (base + 2):
//   [0,1,3] latch select code (strobe, auto-feed and select-in lines)
//   [2]     latch clock (init line); also picks the low read nibble while high
//   [4..7]  always 0: data lines stay outputs, port interrupt off
// Status register (base + 1):
//   [4..7]  half a byte from the box; bit 7 (busy) reads inverted
#pragma once

#include <cstdint>

namespace tarnwick {

class PortIo;
struct PortRefusal;
struct ProgramState;

// Select codes of the six latches. The clock-high value is code + 4.
enum LatchSelect : uint8_t {
  kLatchA = 0x0A,
  kLatch9 = 0x09,
  kLatchB = 0x0B,
  kLatch3 = 0x03,
  kLatch2 = 0x02,
  kLatch1 = 0x01,
};

inline constexpr int kLatchCount = 6;

// A latch's place in tables of all six: A, 9, B, 3, 2, 1.
constexpr int LatchIndex(LatchSelect latch) {
  switch (latch) {
    case kLatchA:
      return 0;
    case kLatch9:
      return 1;
    case kLatchB:
      return 2;
    case kLatch3:
      return 3;
    case kLatch2:
      return 4;
    case kLatch1:
      return 5;
  }
  return 0;
}

// Idle values, in the order they are sent by ParkLatches.
inline constexpr uint8_t kParkLatch2 = 0x3F;
inline constexpr uint8_t kParkLatch1 = 0x62;
inline constexpr uint8_t kParkLatchB = 0x20;
inline constexpr uint8_t kParkLatch9 = 0x00;
inline constexpr uint8_t kParkLatch3 = 0x10;

inline constexpr uint16_t kEcrOffset = 0x402;

class Link {
 public:
  Link(ProgramState& state, PortIo& port) : s_(state), port_(port) {}

  // Send the low byte of LatchByte to one latch: 9 register writes, nothing between.
  void StrobeLatchA() { Strobe(kLatchA); }
  void StrobeLatch9() { Strobe(kLatch9); }
  void StrobeLatchB() { Strobe(kLatchB); }
  void StrobeLatch3() { Strobe(kLatch3); }
  void StrobeLatch2() { Strobe(kLatch2); }
  void StrobeLatch1() { Strobe(kLatch1); }
  // LatchByte := value, then strobe: the "Latch9 := v" of the device cycles.
  void Load(LatchSelect latch, int value);

  // Two-nibble read into ReadByte: 11 writes and 2 reads.
  void ReadNibbles();

  // Opens the port at LptBase and sets its extended control register to standard mode.
  // A refusal leaves ProgrammerFound 0 and says why, for the caller to report.
  bool OpenPort(PortRefusal& refusal);
  void ClosePort();
  void ParkLatches();

  // Status-register reads of the wait loops; n <= 0 reads nothing.
  void ReadStatus(int64_t n);
  // Control-register reads of the speed measurement; n <= 0 reads nothing.
  void ReadControl(int64_t n);

 private:
  void Strobe(uint8_t select);
  void ParkControlLines();

  ProgramState& s_;
  PortIo& port_;
};

}  // namespace tarnwick
