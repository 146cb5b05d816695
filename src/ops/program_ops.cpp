#include "ops/program_ops.h"

#include "base/hex_text.h"
#include "base/program_state.h"
#include "base/toolkit.h"
#include "buffer/buffer_window.h"
#include "link/detect.h"
#include "link/latch_bits.h"
#include "link/latches.h"
#include "link/vpp.h"
#include "link/waits.h"
#include "ops/read_ops.h"

namespace tarnwick {

namespace {

// Pauses around the 8741's passes, milliseconds.
constexpr int kTestByteSettleMs = 200;
constexpr int kPassSettleMs = 100;

}  // namespace

void ProgramOps::Auto_VerifyClick() {
  ProgramState& s = p_.s;
  if (s.AutoVerifyOn == 1) {
    s.AutoVerifyOn = 0;
    autoVerify_.caption = "Auto Verify Off";
  } else {
    s.AutoVerifyOn = 1;
    autoVerify_.caption = "Auto Verify On";
  }
}

void ProgramOps::ProgrammClick() {
  ProgramState& s = p_.s;
  BeginOutcome(p_, DeviceCommand::Program);
  reads_.ForgetLastMove();
  if (!p_.detect.BoxAnswers()) return;
  p_.frame.EnterBusyState();
  p_.frame.RaisePriority();
  BeginPass(p_, DeviceCommand::Program);
  ShowStatus(p_, kProgrammingText);
  p_.report.quit.enabled = true;
  p_.vpp.ApplyVpp();
  switch (s.DeviceFamily) {
    case kFamily8741:
      Program8741();
      break;
    case kFamily874x:
      Program8748();
      break;
    case kFamily8751H:
    case kFamily87C5x:
      Program8751();
      break;
    case kFamily89C:
    case kFamily89S:
      ProgramFlash();
      break;
    default:
      break;
  }
  p_.window.StartPass();
  p_.waits.TimerWait(kPassSettleMs);
  if (s.AutoVerifyOn == 1 && s.OpFailed == 0) reads_.VerifyDevice();
  p_.detect.EndDeviceCommand();
}

void ProgramOps::ShowVerdict() {
  ProgramState& s = p_.s;
  NotePassEnd(p_);
  if (s.StopCount == kStopDone) {
    ShowStatus(p_, kProgrammedText);
  } else {
    ShowStatus(p_, kNotProgrammedText);
    s.OpFailed = 1;
  }
}

void ProgramOps::Program8741Byte() {
  ProgramState& s = p_.s;
  Link& link = p_.link;
  Waits& wait = p_.waits;
  const int high = (s.DeviceAddr >> 8) & 0xFF;
  link.Load(kLatchB, kLB874x);
  link.Load(kLatch9, high);
  link.Load(kLatchA, s.DeviceAddr & 0xFF);
  wait.ScaledWait();
  link.Load(kLatch9, high | kL9Ale874x);
  wait.ScaledWait();
  link.Load(kLatchA, s.ReadByte);
  // LatchB bit 7 low selects the 8741's program path.
  link.Load(kLatchB, kLBProgram8741);
  wait.ShortWait();
  link.Load(kLatch1, kL1Program874x);
  // The pulse itself: Latch2 bit 1 low for five units, no message in between.
  link.Load(kLatch2, s.Latch2Base & Without(kL2ChipEnable | kL2Prog874x));
  wait.ShortWait();
  link.Load(kLatch2, s.Latch2Base & Without(kL2ChipEnable));
  link.Load(kLatch1, kL1Read874x);
  wait.ScaledWait();
}

void ProgramOps::Program8741Pass() {
  ProgramState& s = p_.s;
  reads_.EnterReadMode();
  p_.link.Load(kLatch2, s.Latch2Base & Without(kL2ChipEnable));
  do {
    if (!reads_.CheckBufferEnd(s.BufferAddr)) return;
    s.ReadByte = s.Buffer[static_cast<size_t>(s.BufferAddr)];
    // The 8741 is erased to 00: a 00 byte needs no pulse.
    if (s.ReadByte != s.BlankValue) Program8741Byte();
    if ((s.BufferAddr & 0x0F) == 0) p_.frame.ShowQuitAddress(s.BufferAddr);
    p_.window.StepPass();
  } while (s.StopCount <= 0);
  NotePassEnd(p_);
}

void ProgramOps::Program8741() {
  ProgramState& s = p_.s;
  // The test byte: the pass stops after the window's first byte.
  s.StopCount = kStopBadMcu;
  Program8741Pass();
  p_.window.StartPass();
  p_.waits.TimerWait(kTestByteSettleMs);
  reads_.EnterReadMode();
  reads_.ReadDeviceByte();
  if (!InBuffer(s.BufferAddr)) {
    // The test byte's pass has already listed the stop; nothing was programmed.
    s.StopCount = kStopFailed;
  } else if (s.ReadByte != s.Buffer[static_cast<size_t>(s.BufferAddr)]) {
    s.StopCount = kStopBadMcu;
  } else {
    ShowStatus(p_, kProgrammingMcuText);
    p_.window.StartPass();
    Program8741Pass();
    // A Quit in the pass ends it; the verify loop below still reports what landed.
    p_.window.StartPass();
    p_.waits.TimerWait(kPassSettleMs);
    reads_.EnterReadMode();
    do {
      if (!reads_.CheckBufferEnd(s.BufferAddr)) break;
      reads_.ReadDeviceByte();
      if (s.ReadByte != s.Buffer[static_cast<size_t>(s.BufferAddr)]) s.StopCount = kStopFailed;
      p_.window.StepPass();
    } while (s.StopCount <= 0);
    NotePassEnd(p_);
  }
  if (s.StopCount == kStopBadMcu) {
    ShowStatus(p_, kBadMcuText);
    s.OpFailed = 1;
  } else if (s.StopCount == kStopFailed) {
    ShowStatus(p_, kNotProgrammedText);
    s.OpFailed = 1;
  } else if (s.StopCount == kStopDone) {
    ShowStatus(p_, kProgrammedText);
  }
}

void ProgramOps::Program8748() {
  ProgramState& s = p_.s;
  Link& link = p_.link;
  Waits& wait = p_.waits;
  ShowStatus(p_, kProgrammingMcuText);
  reads_.EnterReadMode();
  do {
    if (!reads_.CheckBufferEnd(s.BufferAddr)) break;
    const int high = (s.DeviceAddr >> 8) & 0xFF;
    const uint8_t data = s.Buffer[static_cast<size_t>(s.BufferAddr)];
    s.SpeedCount = 5;
    link.Load(kLatch2, s.Latch2Base & Without(kL2ChipEnable));
    link.Load(kLatch9, high);
    link.Load(kLatchA, s.DeviceAddr & 0xFF);
    wait.ScaledWait();
    link.Load(kLatch9, high | kL9Ale874x);
    wait.ScaledWait();
    // Each attempt doubles SpeedCount, and with it every wait around the pulse.
    do {
      s.ReadByte = data;
      link.Load(kLatchA, data);
      link.Load(kLatch9, high | kL9Ale874x);
      link.Load(kLatch2, s.Latch2Base & Without(kL2ChipEnable));
      s.SpeedCount = static_cast<uint16_t>(s.SpeedCount * 2);
      link.Load(kLatch1, kL1Program874x);
      wait.ScaledWait();
      link.Load(kLatch2, s.Latch2Base & Without(kL2ChipEnable | kL2Prog874x));
      wait.ShortWait();
      link.Load(kLatch2, s.Latch2Base & Without(kL2ChipEnable));
      wait.ScaledWait();
      link.Load(kLatch1, kL1Read874x);
      wait.ScaledWait();
      // The complement on LatchA: a chip that does not drive cannot read back right.
      link.Load(kLatchA, data ^ 0xFF);
      link.Load(kLatch2, s.Latch2Base);
      link.Load(kLatch9, high | kL9Ale874x | kL9Read874x);
      wait.ScaledWait();
      link.ReadNibbles();
    } while (s.SpeedCount <= 50 && s.ReadByte != data);
    if (s.ReadByte != data) s.StopCount = kStopFailed;
    if ((s.DeviceAddr & 0x0F) == 0) p_.frame.ShowQuitAddress(s.DeviceAddr);
    p_.window.StepPass();
  } while (s.StopCount <= 0);
  ShowVerdict();
}

void ProgramOps::EnterProgramMode() {
  ProgramState& s = p_.s;
  p_.vpp.ApplyVpp();
  s.LatchBMode = kLBModeProgram;
  s.Latch1Value = kL1Idle875x;
  s.Latch3Value = kL3Socket;
  p_.link.Load(kLatch3, kL3Socket);
  // Latch2 bit 3 low keeps the chip off the bus while LatchA drives the data.
  s.Latch2Value = s.Latch2Base & Without(kL2ChipEnable);
  p_.link.Load(kLatchB, s.LatchBMode);
  const int settle = ModeWaitMs(s.PulseWait);
  p_.waits.TimerWait(settle);
  p_.link.Load(kLatch1, s.Latch1Value);
  p_.waits.TimerWait(settle);
  p_.waits.TimerWait(kPassSettleMs);
}

void ProgramOps::PulseTrain() {
  ProgramState& s = p_.s;
  for (int i = 0; i < s.SpeedCount; ++i) {
    p_.link.Load(kLatch1, s.Latch1Pulse & Without(kL1Prog));
    p_.waits.ShortWait();
    p_.link.Load(kLatch1, s.Latch1Pulse);
    p_.waits.ShortWait();
  }
}

void ProgramOps::Program8751() {
  ProgramState& s = p_.s;
  Link& link = p_.link;
  Waits& wait = p_.waits;
  ShowStatus(p_, kProgrammingMcuText);
  EnterProgramMode();
  // The first address set-up waits as long as the read passes' do, whatever ran before.
  s.SpeedCount = 5;
  do {
    if (!reads_.CheckBufferEnd(s.BufferAddr)) break;
    const uint8_t data = s.Buffer[static_cast<size_t>(s.BufferAddr)];
    reads_.SetAddress();
    s.SpeedCount = 5;
    // Trains of 5, 10 and 20 pulses until the byte reads back.
    do {
      link.Load(kLatchB, s.LatchBValue);
      link.Load(kLatch1, s.Latch1Value);
      s.ReadByte = data;
      link.Load(kLatch2, s.Latch2Value);
      link.Load(kLatchA, data);
      wait.ScaledWait();
      s.Latch1Pulse = s.Latch1Value & Without(kL1ProgramEnable);
      link.Load(kLatch1, s.Latch1Pulse);
      PulseTrain();
      // Back to read: PSEN low, the chip on the bus, the program mode bit off.
      link.Load(kLatch1, s.Latch1Value & Without(kL1Psen));
      link.Load(kLatch2, s.Latch2Value | kL2ChipEnable);
      link.Load(kLatchB, s.LatchBValue & Without(kLBP26));
      wait.ScaledWait();
      link.ReadNibbles();
      s.SpeedCount = static_cast<uint16_t>(s.SpeedCount * 2);
    } while (s.SpeedCount <= 20 && s.ReadByte != data);
    if (s.ReadByte != data) s.StopCount = kStopFailed;
    if ((s.DeviceAddr & 0x0F) == 0) p_.frame.ShowQuitAddress(s.DeviceAddr);
    p_.window.StepPass();
  } while (s.StopCount <= 0);
  ShowVerdict();
}

void ProgramOps::ProgramFlash() {
  ProgramState& s = p_.s;
  Link& link = p_.link;
  Waits& wait = p_.waits;
  EnterProgramMode();
  s.SpeedCount = 5;
  do {
    if (!reads_.CheckBufferEnd(s.BufferAddr)) break;
    const uint8_t data = s.Buffer[static_cast<size_t>(s.BufferAddr)];
    s.ReadByte = data;
    // Flash cells are erased to FF: such a byte is already there.
    if (data != s.BlankValue) {
      reads_.SetAddress();
      link.Load(kLatchA, data);
      s.Latch1Pulse = s.Latch1Value & Without(kL1ProgramEnable);
      link.Load(kLatch1, s.Latch1Pulse);
      wait.StepWait();
      link.Load(kLatch1, s.Latch1Pulse & Without(kL1Prog));
      wait.StepWait();
      link.Load(kLatch1, s.Latch1Pulse);
      wait.StepWait();
      link.Load(kLatchB, s.LatchBValue & Without(kLBP26));
      link.Load(kLatchA, data ^ 0xFF);
      link.Load(kLatch2, s.Latch2Value | kL2ChipEnable);
      // Data polling: while the write is still running the chip returns the byte
      // with bit 7 inverted.
      int polls = 0;
      do {
        link.ReadNibbles();
        ++polls;
        if (polls >= kFlashPolls && s.ReadByte != data) s.StopCount = kStopFailed;
        p_.toolkit.ProcessMessages();
      } while (s.StopCount <= 0 && s.ReadByte != data);
      link.Load(kLatchB, s.LatchBValue);
    }
    p_.window.StepPass();
  } while (s.StopCount <= 0);
  ShowVerdict();
}

}  // namespace tarnwick
