// The program's working state: one set of values that lives from start to exit.
//
// Widths are behaviour. A 16-bit value keeps the low 16 bits of whatever is assigned
// to it (uint16_t does exactly that), 32-bit values are signed. Routines take their
// inputs from here and leave their results here, as the hardware routines do with
// LatchByte in and ReadByte out.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tarnwick {

inline constexpr int32_t kBufferSize = 0x10000;
inline constexpr int32_t kLastBufferAddress = 0xFFFF;
inline constexpr int32_t kNoDeviceEnd = 0xFFFFF;

struct ProgramState {
  // Selections and modes of the window.
  int32_t ProgrammerFound = 0;  // 1 while the box answered on LptBase and the port is open
  int32_t DeviceRow = 0;        // selected row of the device list, -1 when a click hit no row
  int32_t DeviceFamily = 0;     // 1..6, 0 until the first selection
  int32_t VppCode = 1;          // programming-voltage code 0..11
  int32_t TestVppStep = 0;      // step 1..4 of the test panel's Vpp test
  int32_t OpFailed = 0;         // 1 when the current operation failed; colours the status line
  int32_t AutoVerifyOn = 1;     // 1 = verify after programming
  int32_t FileType = 0;         // 0 Binary, 1 Intel Hex, 2 Motorola Hex, 3 Ascii Hex
  int32_t WordMode = 0;         // 0 byte files, 1 Word Even/High, 2 Word Odd/Low
  int32_t EntryTarget = 0;      // which value the entry box edits, 1..8
  int32_t LargeLayout = 0;      // 1 while the enlarged layout is in force

  // Printer port and programmer link.
  uint16_t LptBase = 0;
  uint16_t StatusPort = 0;
  uint16_t ControlPort = 0;
  uint16_t Lpt4Address = 0;
  uint16_t LatchByte = 0;  // only the low byte reaches the data lines
  uint8_t ReadByte = 0;
  uint8_t SavedEcr = 0;
  int32_t TestPattern = 0;

  // Timing.
  uint16_t SpeedCount = 0;
  uint16_t PulseWait = 0;
  uint16_t ProgramPulse = 0;
  uint16_t ProgramPass = 0;
  uint16_t PortDelay = 0;
  int32_t WaitMs = 0;

  // Latch images of the device cycles.
  int32_t Latch2Base = 0;
  int32_t Latch3Base = 0;
  int32_t Latch1Value = 0;
  int32_t Latch2Value = 0;
  int32_t Latch3Value = 0xB0;  // socket power on; an erase as the first command needs it
  uint16_t LatchBValue = 0;
  int32_t LatchBMode = 0;
  int32_t Latch1Pulse = 0;
  int32_t SavedVppCode = 0;

  // Device selection.
  int32_t ChipEnd = 0;
  int32_t BlankValue = 0;

  // Address window and pass.
  int32_t BufferStart = 0;
  int32_t DeviceStart = 0;
  int32_t DeviceEnd = 0;
  int32_t HexOffset = 0;
  int32_t DeviceAddr = 0;
  int32_t BufferAddr = 0;
  int32_t StopCount = 0;
  uint16_t CheckSum = 0;

  // The data buffer, addresses 0000 to FFFF.
  std::array<uint8_t, kBufferSize> Buffer{};

  // Files.
  std::string ProgramDir;
  int32_t HexLowLimit = 0;
  int32_t HexHighLimit = 0;

  // Buffer editor.
  int32_t ViewTop = 0;
  int32_t CursorRow = 0;
  int32_t CursorCol = 0;
  int32_t CursorNibble = 0;
  int32_t AsciiSide = 0;
};

// True when a buffer address lies inside the 64 KiB buffer. Every access through a
// window value (which may run to FFFFF) goes through this test first.
constexpr bool InBuffer(int64_t address) {
  return address >= 0 && address <= kLastBufferAddress;
}

}  // namespace tarnwick
