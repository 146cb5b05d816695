#include "ops/erase_ops.h"

#include <string>

#include "app/main_form.h"
#include "ops/program_ops.h"
#include "ops/read_ops.h"

namespace tarnwick {

namespace {
// The chip-erase command of the flash parts: mode 0x40 with 55 at address AA first,
// then mode 0x10 with P3.6/P3.7 low for the erase pulse proper.
constexpr uint8_t kEraseAddress = 0xAA;
constexpr uint8_t kEraseData = 0x55;
constexpr uint8_t kEraseLatch1Pulse = 0xBA;
constexpr uint8_t kLatch1Idle875x = 0xF7;
constexpr uint8_t kLatch1SecurityFlash = 0xBE;
}  // namespace

void EraseOps::Wire() {
  f_.Erase_But.OnClick = [this] { Erase_ButClick(); };
  f_.Security.OnClick = [this] { SecurityClick(); };
  f_.Security_List.OnClick = [this] { Security_ListClick(); };
}

void EraseOps::Erase_ButClick() {
  ProgramState& s = f_.s;
  Link& link = f_.link;
  if (!f_.detect.BoxAnswers()) return;
  f_.shell.RaisePriority();
  f_.shell.EnterBusyState();
  f_.StaticText3.caption = kErasingText;
  s.LatchBMode = 0x40;
  link.Load(kLatchB, 0x40);
  s.Latch2Value = s.Latch2Base & 0xF7;
  s.Latch1Value = 0xFF;
  TimerWaitFor(f_, 10);
  link.Load(kLatch1, s.Latch1Value);
  TimerWaitFor(f_, 1);
  // The address set-up's wait must not depend on what ran before.
  s.SpeedCount = 5;
  s.DeviceAddr = kEraseAddress;
  f_.reads.SetAddress();
  link.Load(kLatchA, kEraseData);
  s.Latch1Pulse = s.Latch1Value & 0xBF;
  link.Load(kLatch1, s.Latch1Pulse);
  link.Load(kLatch1, s.Latch1Pulse & 0x7F);
  TimerWaitFor(f_, ModeWaitMs(s.PulseWait));
  link.Load(kLatch1, s.Latch1Pulse);
  TimerWaitFor(f_, 1);
  link.Load(kLatch1, s.Latch1Value);
  s.LatchBMode = 0x10;
  f_.reads.ReadSetup875x();
  s.Latch1Pulse = kEraseLatch1Pulse;
  link.Load(kLatch1, kEraseLatch1Pulse);
  TimerWaitFor(f_, 1);
  // The erase pulse proper, the full PulseWait in milliseconds.
  link.Load(kLatch1, kEraseLatch1Pulse & 0x7F);
  TimerWaitFor(f_, s.PulseWait);
  link.Load(kLatch1, kEraseLatch1Pulse);
  TimerWaitFor(f_, 1);
  link.Load(kLatch1, kLatch1Idle875x);
  f_.StaticText3.caption = kErasedText;
  f_.detect.EndDeviceCommand();
}

void EraseOps::SecurityClick() {
  if (!f_.detect.BoxAnswers()) return;
  f_.shell.RaisePriority();
  f_.shell.EnterBusyState();
  f_.Security_List.visible = true;
}

void EraseOps::Security_ListClick() {
  ProgramState& s = f_.s;
  Link& link = f_.link;
  const int row = f_.Security_List.itemIndex;
  // A click beside the rows selects none: taken as Cancel.
  if (row >= 0 && row < kSecurityCancelRow) {
    const SecurityRow& bits = kSecurityRows[row];
    // The train's length must not depend on what ran before.
    s.SpeedCount = 5;
    if (s.DeviceFamily == 6) {
      s.LatchBMode = 0x10;
      f_.reads.ReadSetup875x();
      TimerWaitFor(f_, 1);
      link.Load(kLatchA, bits.flashData);
      s.Latch1Pulse = kLatch1SecurityFlash;
      link.Load(kLatch1, kLatch1SecurityFlash);
    } else {
      s.LatchBMode = bits.latchBMode;
      f_.reads.ReadSetup875x();
      TimerWaitFor(f_, 1);
      s.Latch1Pulse = bits.latch1Pulse;
      link.Load(kLatch1, s.Latch1Pulse);
    }
    TimerWaitFor(f_, 1);
    f_.programs.PulseTrain();
    link.Load(kLatch1, kLatch1Idle875x);
    f_.StaticText3.caption = "Security Bit #" + std::to_string(row + 1) + " has been programmed...";
  }
  f_.Security_List.visible = false;
  f_.detect.EndDeviceCommand();
}

}  // namespace tarnwick
