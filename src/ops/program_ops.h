// Programming the chip from the buffer: the Program command with its Auto Verify, and
// one algorithm per chip family, each with the pulse widths and retry counts its
// chips need.
#pragma once

#include <cstdint>

#include "ops/ops_parts.h"

namespace tarnwick {

class Control;
class ReadOps;

// Texts of the status line.
inline constexpr const char* kProgrammingText = "Programming Device from Buffer....";
inline constexpr const char* kProgrammingMcuText = "Programing Mcu..........";
inline constexpr const char* kProgrammedText = "Eprom is Programmed...............";
inline constexpr const char* kNotProgrammedText = "Eprom DID NOT Program.............";
inline constexpr const char* kBadMcuText = "Eprom DID NOT Program Possible Bad Mcu..........";

// StopCount of the 8741's test byte: also the verdict when it does not read back.
inline constexpr int32_t kStopBadMcu = 3;
// Polls of a flash byte before it counts as not programmed.
inline constexpr int kFlashPolls = 500;

// Milliseconds of the program-mode settle waits: PulseWait itself while it is small
// (the flash parts' 10), a tenth of it when it is a calibrated read count.
constexpr int ModeWaitMs(uint16_t pulse_wait) {
  return pulse_wait <= 30 ? pulse_wait : pulse_wait / 10;
}

class ProgramOps {
 public:
  // auto_verify is the Auto Verify button, whose caption tells the setting.
  ProgramOps(OpsParts parts, ReadOps& reads, Control& auto_verify)
      : p_(parts), reads_(reads), autoVerify_(auto_verify) {}

  void ProgrammClick();
  void Auto_VerifyClick();

  // 8741: a test byte, one pass with one pulse per byte, one verify loop.
  void Program8741();
  void Program8741Pass();
  void Program8741Byte();
  // 8742, 8748, 8748H, 8749H: up to four pulses of doubling length per byte.
  void Program8748();
  // 8751H and the 87C5x: up to three trains of 5, 10 and 20 pulses per byte.
  void Program8751();
  // Atmel flash: one pulse per byte, then polled until it reads back.
  void ProgramFlash();

  // Program mode of the 875X adapter's chips.
  void EnterProgramMode();
  // SpeedCount pulses on Latch1 bit 7, each low and high for 5 wait units.
  void PulseTrain();

 private:
  // "Eprom is Programmed" when the pass got through its window, otherwise the failure.
  void ShowVerdict();

  OpsParts p_;
  ReadOps& reads_;
  Control& autoVerify_;
};

}  // namespace tarnwick
