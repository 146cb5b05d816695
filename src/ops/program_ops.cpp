#include "ops/program_ops.h"

#include "app/main_form.h"
#include "ops/read_ops.h"

namespace tarnwick {

namespace {

// Latch1 on the 874X adapter: 0xB0 holds the chip in read, 0x90 drops bit 5 for
// program (PROG as input, EA at Vpp).
constexpr uint8_t kLatch1Read874x = 0xB0;
constexpr uint8_t kLatch1Program874x = 0x90;
// Pauses around the 8741's passes, milliseconds.
constexpr int kTestByteSettleMs = 200;
constexpr int kPassSettleMs = 100;

}  // namespace

void ProgramOps::Wire() {
  f_.Programm.OnClick = [this] { ProgrammClick(); };
  f_.Auto_Verify.OnClick = [this] { Auto_VerifyClick(); };
}

void ProgramOps::Auto_VerifyClick() {
  ProgramState& s = f_.s;
  if (s.AutoVerifyOn == 1) {
    s.AutoVerifyOn = 0;
    f_.Auto_Verify.caption = "Auto Verify Off";
  } else {
    s.AutoVerifyOn = 1;
    f_.Auto_Verify.caption = "Auto Verify On";
  }
}

void ProgramOps::ProgrammClick() {
  ProgramState& s = f_.s;
  if (!f_.detect.BoxAnswers()) return;
  f_.shell.EnterBusyState();
  f_.shell.RaisePriority();
  f_.StaticText3.caption = kProgrammingText;
  f_.Quit_Func_But.enabled = true;
  f_.vpp.ApplyVpp();
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
  f_.window.StartPass();
  TimerWaitFor(f_, kPassSettleMs);
  if (s.AutoVerifyOn == 1 && s.OpFailed == 0) f_.reads.VerifyDevice();
  f_.detect.EndDeviceCommand();
}

void ProgramOps::ShowVerdict() {
  ProgramState& s = f_.s;
  if (s.StopCount == kStopDone) {
    f_.StaticText3.caption = kProgrammedText;
  } else {
    f_.StaticText3.caption = kNotProgrammedText;
    s.OpFailed = 1;
  }
}

void ProgramOps::Program8741Byte() {
  ProgramState& s = f_.s;
  Link& link = f_.link;
  Detector& wait = f_.detect;
  const int high = (s.DeviceAddr >> 8) & 0xFF;
  link.Load(kLatchB, 0xA8);
  link.Load(kLatch9, high);
  link.Load(kLatchA, s.DeviceAddr & 0xFF);
  wait.ScaledWait();
  link.Load(kLatch9, high | 0x10);
  wait.ScaledWait();
  link.Load(kLatchA, s.ReadByte);
  // LatchB bit 7 low selects the 8741's program path.
  link.Load(kLatchB, 0x28);
  wait.ShortWait();
  link.Load(kLatch1, kLatch1Program874x);
  // The pulse itself: Latch2 bit 1 low for five units, no message in between.
  link.Load(kLatch2, s.Latch2Base & 0xF5);
  wait.ShortWait();
  link.Load(kLatch2, s.Latch2Base & 0xF7);
  link.Load(kLatch1, kLatch1Read874x);
  wait.ScaledWait();
}

void ProgramOps::Program8741Pass() {
  ProgramState& s = f_.s;
  f_.reads.EnterReadMode();
  f_.link.Load(kLatch2, s.Latch2Base & 0xF7);
  do {
    if (!f_.reads.CheckBufferEnd(s.BufferAddr)) return;
    s.ReadByte = s.Buffer[static_cast<size_t>(s.BufferAddr)];
    // The 8741 is erased to 00: a 00 byte needs no pulse.
    if (s.ReadByte != s.BlankValue) Program8741Byte();
    if ((s.BufferAddr & 0x0F) == 0) f_.shell.ShowQuitAddress(s.BufferAddr);
    f_.window.StepPass();
  } while (s.StopCount <= 0);
}

void ProgramOps::Program8741() {
  ProgramState& s = f_.s;
  // The test byte: the pass stops after the window's first byte.
  s.StopCount = kStopBadMcu;
  Program8741Pass();
  f_.window.StartPass();
  TimerWaitFor(f_, kTestByteSettleMs);
  f_.reads.EnterReadMode();
  f_.reads.ReadDeviceByte();
  if (!InBuffer(s.BufferAddr)) {
    // The test byte's pass has already listed the stop; nothing was programmed.
    s.StopCount = kStopFailed;
  } else if (s.ReadByte != s.Buffer[static_cast<size_t>(s.BufferAddr)]) {
    s.StopCount = kStopBadMcu;
  } else {
    f_.StaticText3.caption = kProgrammingMcuText;
    f_.window.StartPass();
    Program8741Pass();
    // A Quit in the pass ends it; the verify loop below still reports what landed.
    f_.window.StartPass();
    TimerWaitFor(f_, kPassSettleMs);
    f_.reads.EnterReadMode();
    do {
      if (!f_.reads.CheckBufferEnd(s.BufferAddr)) break;
      f_.reads.ReadDeviceByte();
      if (s.ReadByte != s.Buffer[static_cast<size_t>(s.BufferAddr)]) s.StopCount = kStopFailed;
      f_.window.StepPass();
    } while (s.StopCount <= 0);
  }
  if (s.StopCount == kStopBadMcu) {
    f_.StaticText3.caption = kBadMcuText;
    s.OpFailed = 1;
  } else if (s.StopCount == kStopFailed) {
    f_.StaticText3.caption = kNotProgrammedText;
    s.OpFailed = 1;
  } else if (s.StopCount == kStopDone) {
    f_.StaticText3.caption = kProgrammedText;
  }
}

void ProgramOps::Program8748() {
  ProgramState& s = f_.s;
  Link& link = f_.link;
  Detector& wait = f_.detect;
  f_.StaticText3.caption = kProgrammingMcuText;
  f_.reads.EnterReadMode();
  do {
    if (!f_.reads.CheckBufferEnd(s.BufferAddr)) break;
    const int high = (s.DeviceAddr >> 8) & 0xFF;
    const uint8_t data = s.Buffer[static_cast<size_t>(s.BufferAddr)];
    s.SpeedCount = 5;
    link.Load(kLatch2, s.Latch2Base & 0xF7);
    link.Load(kLatch9, high);
    link.Load(kLatchA, s.DeviceAddr & 0xFF);
    wait.ScaledWait();
    link.Load(kLatch9, high | 0x10);
    wait.ScaledWait();
    // Each attempt doubles SpeedCount, and with it every wait around the pulse.
    do {
      s.ReadByte = data;
      link.Load(kLatchA, data);
      link.Load(kLatch9, high | 0x10);
      link.Load(kLatch2, s.Latch2Base & 0xF7);
      s.SpeedCount = static_cast<uint16_t>(s.SpeedCount * 2);
      link.Load(kLatch1, kLatch1Program874x);
      wait.ScaledWait();
      link.Load(kLatch2, s.Latch2Base & 0xF5);
      wait.ShortWait();
      link.Load(kLatch2, s.Latch2Base & 0xF7);
      wait.ScaledWait();
      link.Load(kLatch1, kLatch1Read874x);
      wait.ScaledWait();
      // The complement on LatchA: a chip that does not drive cannot read back right.
      link.Load(kLatchA, data ^ 0xFF);
      link.Load(kLatch2, s.Latch2Base);
      link.Load(kLatch9, high | 0x30);
      wait.ScaledWait();
      link.ReadNibbles();
    } while (s.SpeedCount <= 50 && s.ReadByte != data);
    if (s.ReadByte != data) s.StopCount = kStopFailed;
    if ((s.DeviceAddr & 0x0F) == 0) f_.shell.ShowQuitAddress(s.DeviceAddr);
    f_.window.StepPass();
  } while (s.StopCount <= 0);
  ShowVerdict();
}

void ProgramOps::EnterProgramMode() {
  ProgramState& s = f_.s;
  f_.vpp.ApplyVpp();
  s.LatchBMode = 0x40;
  s.Latch1Value = 0xFF;
  s.Latch3Value = 0xB0;
  f_.link.Load(kLatch3, 0xB0);
  // Latch2 bit 3 low keeps the chip off the bus while LatchA drives the data.
  s.Latch2Value = s.Latch2Base & 0xF7;
  f_.link.Load(kLatchB, s.LatchBMode);
  const int settle = ModeWaitMs(s.PulseWait);
  TimerWaitFor(f_, settle);
  f_.link.Load(kLatch1, s.Latch1Value);
  TimerWaitFor(f_, settle);
  TimerWaitFor(f_, kPassSettleMs);
}

void ProgramOps::PulseTrain() {
  ProgramState& s = f_.s;
  for (int i = 0; i < s.SpeedCount; ++i) {
    f_.link.Load(kLatch1, s.Latch1Pulse & 0x7F);
    f_.detect.ShortWait();
    f_.link.Load(kLatch1, s.Latch1Pulse);
    f_.detect.ShortWait();
  }
}

void ProgramOps::Program8751() {
  ProgramState& s = f_.s;
  Link& link = f_.link;
  Detector& wait = f_.detect;
  f_.StaticText3.caption = kProgrammingMcuText;
  EnterProgramMode();
  // The first address set-up waits as long as the read passes' do, whatever ran before.
  s.SpeedCount = 5;
  do {
    if (!f_.reads.CheckBufferEnd(s.BufferAddr)) break;
    const uint8_t data = s.Buffer[static_cast<size_t>(s.BufferAddr)];
    f_.reads.SetAddress();
    s.SpeedCount = 5;
    // Trains of 5, 10 and 20 pulses until the byte reads back.
    do {
      link.Load(kLatchB, s.LatchBValue);
      link.Load(kLatch1, s.Latch1Value);
      s.ReadByte = data;
      link.Load(kLatch2, s.Latch2Value);
      link.Load(kLatchA, data);
      wait.ScaledWait();
      s.Latch1Pulse = s.Latch1Value & 0xBF;
      link.Load(kLatch1, s.Latch1Pulse);
      PulseTrain();
      // Back to read: PSEN low, the chip on the bus, the program mode bit off.
      link.Load(kLatch1, s.Latch1Value & 0xF7);
      link.Load(kLatch2, s.Latch2Value | 0x08);
      link.Load(kLatchB, s.LatchBValue & 0xBF);
      wait.ScaledWait();
      link.ReadNibbles();
      s.SpeedCount = static_cast<uint16_t>(s.SpeedCount * 2);
    } while (s.SpeedCount <= 20 && s.ReadByte != data);
    if (s.ReadByte != data) s.StopCount = kStopFailed;
    if ((s.DeviceAddr & 0x0F) == 0) f_.shell.ShowQuitAddress(s.DeviceAddr);
    f_.window.StepPass();
  } while (s.StopCount <= 0);
  ShowVerdict();
}

void ProgramOps::ProgramFlash() {
  ProgramState& s = f_.s;
  Link& link = f_.link;
  Detector& wait = f_.detect;
  EnterProgramMode();
  s.SpeedCount = 5;
  do {
    if (!f_.reads.CheckBufferEnd(s.BufferAddr)) break;
    const uint8_t data = s.Buffer[static_cast<size_t>(s.BufferAddr)];
    s.ReadByte = data;
    // Flash cells are erased to FF: such a byte is already there.
    if (data != s.BlankValue) {
      f_.reads.SetAddress();
      link.Load(kLatchA, data);
      s.Latch1Pulse = s.Latch1Value & 0xBF;
      link.Load(kLatch1, s.Latch1Pulse);
      wait.StepWait();
      link.Load(kLatch1, s.Latch1Pulse & 0x7F);
      wait.StepWait();
      link.Load(kLatch1, s.Latch1Pulse);
      wait.StepWait();
      link.Load(kLatchB, s.LatchBValue & 0xBF);
      link.Load(kLatchA, data ^ 0xFF);
      link.Load(kLatch2, s.Latch2Value | 0x08);
      // Data polling: while the write is still running the chip returns the byte
      // with bit 7 inverted.
      int polls = 0;
      do {
        link.ReadNibbles();
        ++polls;
        if (polls >= kFlashPolls && s.ReadByte != data) s.StopCount = kStopFailed;
        f_.sys.toolkit.ProcessMessages();
      } while (s.StopCount <= 0 && s.ReadByte != data);
      link.Load(kLatchB, s.LatchBValue);
    }
    f_.window.StepPass();
  } while (s.StopCount <= 0);
  ShowVerdict();
}

}  // namespace tarnwick
