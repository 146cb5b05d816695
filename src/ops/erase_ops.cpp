#include "ops/erase_ops.h"

#include <string>

#include "base/hex_text.h"
#include "base/program_state.h"
#include "base/toolkit.h"
#include "buffer/buffer_window.h"
#include "link/detect.h"
#include "link/latch_bits.h"
#include "link/latches.h"
#include "link/vpp.h"
#include "link/waits.h"
#include "ops/program_ops.h"
#include "ops/read_ops.h"

namespace tarnwick {

namespace {
// The chip-erase command of the flash parts: mode 0x40 with 55 at address AA first,
// then mode 0x10 with P3.6/P3.7 low for the erase pulse proper.
constexpr uint8_t kEraseAddress = 0xAA;
constexpr uint8_t kEraseData = 0x55;
constexpr uint8_t kEraseLatch1Pulse = Without(kL1ProgramEnable | kL1P37 | kL1P36);
// The 89S parts take the lock bits from the data byte, with the lock-3 mode pins.
constexpr uint8_t kLatch1SecurityFlash = Without(kL1ProgramEnable | kL1P36);
}  // namespace

void EraseOps::Erase_ButClick() {
  ProgramState& s = p_.s;
  Link& link = p_.link;
  BeginOutcome(p_, DeviceCommand::Erase);
  reads_.ForgetLastMove();
  if (!p_.detect.BoxAnswers()) return;
  p_.frame.RaisePriority();
  p_.frame.EnterBusyState();
  ShowStatus(p_, kErasingText);
  s.LatchBMode = kLBModeProgram;
  link.Load(kLatchB, kLBModeProgram);
  s.Latch2Value = s.Latch2Base & Without(kL2ChipEnable);
  s.Latch1Value = kL1Idle875x;
  p_.waits.TimerWait(10);
  link.Load(kLatch1, s.Latch1Value);
  p_.waits.TimerWait(1);
  // The address set-up's wait must not depend on what ran before.
  s.SpeedCount = 5;
  s.DeviceAddr = kEraseAddress;
  reads_.SetAddress();
  link.Load(kLatchA, kEraseData);
  s.Latch1Pulse = s.Latch1Value & Without(kL1ProgramEnable);
  link.Load(kLatch1, s.Latch1Pulse);
  link.Load(kLatch1, s.Latch1Pulse & Without(kL1Prog));
  p_.waits.TimerWait(ModeWaitMs(s.PulseWait));
  link.Load(kLatch1, s.Latch1Pulse);
  p_.waits.TimerWait(1);
  link.Load(kLatch1, s.Latch1Value);
  s.LatchBMode = kLBModeEraseOrLock3;
  reads_.ReadSetup875x();
  s.Latch1Pulse = kEraseLatch1Pulse;
  link.Load(kLatch1, kEraseLatch1Pulse);
  p_.waits.TimerWait(1);
  // The erase pulse proper, the full PulseWait in milliseconds.
  link.Load(kLatch1, kEraseLatch1Pulse & Without(kL1Prog));
  p_.waits.TimerWait(s.PulseWait);
  link.Load(kLatch1, kEraseLatch1Pulse);
  p_.waits.TimerWait(1);
  link.Load(kLatch1, kL1Read875x);
  ShowStatus(p_, kErasedText);
  p_.detect.EndDeviceCommand();
}

void EraseOps::SecurityClick() {
  BeginOutcome(p_, DeviceCommand::Lock);
  reads_.ForgetLastMove();
  if (!p_.detect.BoxAnswers()) return;
  p_.frame.RaisePriority();
  p_.frame.EnterBusyState();
  securityList_.visible = true;
}

void EraseOps::Security_ListClick() {
  ProgramState& s = p_.s;
  Link& link = p_.link;
  const int row = securityList_.itemIndex;
  // A click beside the rows selects none: taken as Cancel.
  if (row >= 0 && row < kSecurityCancelRow) {
    const SecurityRow& bits = kSecurityRows[row];
    // The train's length must not depend on what ran before.
    s.SpeedCount = 5;
    if (s.DeviceFamily == kFamily89S) {
      s.LatchBMode = kLBModeEraseOrLock3;
      reads_.ReadSetup875x();
      p_.waits.TimerWait(1);
      link.Load(kLatchA, bits.flashData);
      s.Latch1Pulse = kLatch1SecurityFlash;
      link.Load(kLatch1, kLatch1SecurityFlash);
    } else {
      s.LatchBMode = bits.latchBMode;
      reads_.ReadSetup875x();
      p_.waits.TimerWait(1);
      s.Latch1Pulse = bits.latch1Pulse;
      link.Load(kLatch1, s.Latch1Pulse);
    }
    p_.waits.TimerWait(1);
    programs_.PulseTrain();
    link.Load(kLatch1, kL1Read875x);
    p_.outcome.lockBit = row + 1;
    ShowStatus(p_, "Security Bit #" + std::to_string(row + 1) + " has been programmed...");
  }
  securityList_.visible = false;
  p_.detect.EndDeviceCommand();
  // Cancel: no bit was programmed.
  if (p_.outcome.lockBit == 0 && p_.outcome.verdict == Verdict::Success)
    p_.outcome.verdict = Verdict::Refused;
}

}  // namespace tarnwick
