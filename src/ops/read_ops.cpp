#include "ops/read_ops.h"

#include <algorithm>
#include <span>

#include "base/hashes.h"
#include "base/program_state.h"
#include "base/toolkit.h"
#include "buffer/buffer_window.h"
#include "buffer/dump_hashes.h"
#include "link/detect.h"
#include "link/latch_bits.h"
#include "link/latches.h"
#include "link/vpp.h"
#include "link/waits.h"
#include "ops/diagnosis.h"

namespace tarnwick {

namespace {

constexpr const char* kMoving = "Moving Device to Buffer....";
constexpr const char* kMoved = "Device Has Been Moved to Buffer....";
constexpr const char* kNotFullyMoved = "Device NOT Fully Moved to Buffer....";
constexpr const char* kVerifying = "Verifying Device to Buffer....";
constexpr const char* kVerified = "Device Verified to Buffer....";
constexpr const char* kNotVerified = "Device Did NOT Verify to Buffer....";
constexpr const char* kChecking = "Checking to see if Device is erased....";
constexpr const char* kErased = "Device is Erased....";
constexpr const char* kNotErased = "Device is NOT Erased....";
constexpr const char* kComparing = "Comparing Device for Re-Progamablity....";
constexpr const char* kCanReprogram = "Device Can be Reprogrammed....";
constexpr const char* kCannotReprogram = "Device CAN NOT be Reprogrammed....";
constexpr const char* kNotFullyCompared = "Device NOT Fully Compared to Buffer....";

// An EPROM cell can only be programmed from its erased state towards the other level:
// chips erased to 00 can gain 1 bits, chips erased to FF can gain 0 bits.
bool CanTake(uint8_t chip, uint8_t wanted, int32_t blank_value) {
  if (blank_value == 0x00) return (chip & static_cast<uint8_t>(~wanted)) == 0;
  return (wanted & chip) == wanted;
}

}  // namespace

void NotePassEnd(OpsParts& p) {
  if (p.s.StopCount == kStopQuit) p.outcome.stoppedAt = p.s.DeviceAddr;
}

void ReadOps::EnterReadMode() {
  ProgramState& s = p_.s;
  p_.vpp.ApplyVpp();
  s.SpeedCount = 5;
  s.LatchBMode = 0;
  switch (s.DeviceFamily) {
    case kFamily8741:
    case kFamily874x:
      ReadSetup874x();
      break;
    case kFamily8751H:
    case kFamily87C5x:
    case kFamily89C:
      ReadSetup875x();
      break;
    case kFamily89S:
      ReadSetup89S();
      break;
    default:
      break;
  }
  p_.waits.TimerWait(kSettleMs);
}

void ReadOps::ReadSetup874x() {
  Link& link = p_.link;
  link.Load(kLatch1, kL1Read874x | kL1PowerUp874x);
  link.Load(kLatch9, kL9Read874x | kL9Ale874x);
  link.Load(kLatchB, kLB874x);
  p_.waits.TimerWait(kSettleMs);
  link.Load(kLatch9, 0x00);
  link.Load(kLatch1, kL1Read874x);
  p_.waits.TimerWait(kSettleMs);
}

namespace {

void ReadSetup875xWith(OpsParts& p, uint8_t latch1) {
  ProgramState& s = p.s;
  // Latch2 bit 7 low: Vpp off the EA pin while reading. Sent with the next address.
  s.Latch2Value = s.Latch2Base & Without(kL2VppOnEa);
  s.Latch3Value = kL3Socket;
  p.link.Load(kLatch3, kL3Socket);
  p.link.Load(kLatchB, s.LatchBMode);
  p.waits.TimerWait(kSettleMs);
  s.Latch1Value = latch1;
  p.link.Load(kLatch1, latch1);
  p.link.Load(kLatch3, kL3Socket);
  p.waits.TimerWait(kSettleMs);
}

}  // namespace

void ReadOps::ReadSetup875x() {
  ReadSetup875xWith(p_, kL1Read875x);
}

void ReadOps::ReadSetup89S() {
  ReadSetup875xWith(p_, kL1Read89S);
}

void ReadOps::SetAddress() {
  // Shown before the set-up's waits, which are where a Quit is taken: the pass then
  // ends with the byte the operator saw on the button.
  p_.frame.ShowQuitAddress(p_.s.DeviceAddr);
  switch (p_.s.DeviceFamily) {
    case kFamily8741:
    case kFamily874x:
      SetAddress874x();
      break;
    case kFamily8751H:
    case kFamily87C5x:
    case kFamily89C:
    case kFamily89S:
      SetAddress875x();
      break;
    default:
      // No adapter to address; still a message pass per byte so Quit can end the pass.
      p_.toolkit.ProcessMessages();
      break;
  }
}

void ReadOps::SetAddress874x() {
  ProgramState& s = p_.s;
  Link& link = p_.link;
  const int high = (s.DeviceAddr >> 8) & 0xFF;
  const int low = s.DeviceAddr & 0xFF;
  // The 874x latches its address from the data bus (A0-A7 on LatchA) when ALE,
  // Latch9 bit 4, rises; bit 5 then turns the bus round for the chip to drive.
  link.Load(kLatch9, high);
  link.Load(kLatch2, s.Latch2Base & Without(kL2ChipEnable));
  link.Load(kLatchA, low);
  p_.waits.ScaledWait();
  link.Load(kLatch9, high | kL9Ale874x);
  link.Load(kLatch2, s.Latch2Base);
  link.Load(kLatch9, high | kL9Ale874x | kL9Read874x);
  p_.waits.ScaledWait();
}

void ReadOps::SetAddress875x() {
  ProgramState& s = p_.s;
  Link& link = p_.link;
  const int32_t addr = s.DeviceAddr;
  link.Load(kLatch9, addr & 0xFF);
  // A8-A11 on LatchB bits 0-3 and A13 on bit 7, under the mode bits.
  s.LatchBValue = static_cast<uint16_t>(((addr >> 8) & kLBHighAddress) | s.LatchBMode |
                                        ((addr & 0x2000) != 0 ? kLBA13 : 0));
  link.Load(kLatchB, s.LatchBValue);
  // A12 is wired to Latch1 bit 1 through an inverter.
  if ((addr & 0x1000) != 0) {
    s.Latch1Value &= Without(kL1NotA12);
  } else {
    s.Latch1Value |= kL1NotA12;
  }
  link.Load(kLatch1, s.Latch1Value);
  // A14 on Latch3 bit 0; A15 is not wired (no chip of the adapter has 64 KiB).
  link.Load(kLatch3, s.Latch3Value | ((addr & 0x4000) != 0 ? kL3A14 : 0));
  link.Load(kLatch2, s.Latch2Value);
  p_.waits.ScaledWait();
}

void ReadOps::ReadDeviceByte() {
  SetAddress();
  p_.link.ReadNibbles();
}

bool ReadOps::CheckBufferEnd(int32_t buffer_addr) {
  if (InBuffer(buffer_addr)) return true;
  ProgramState& s = p_.s;
  s.StopCount = kStopFailed;
  s.OpFailed = 1;
  p_.outcome.bufferEnd = Mismatch{s.DeviceAddr, buffer_addr, 0, 0};
  p_.report.memo.InsertFirstLine(BufferEndLine(s.DeviceAddr, buffer_addr));
  p_.report.memo.visible = true;
  return false;
}

template <typename Action>
bool ReadOps::ReadLoop(const int32_t* buffer_addr, Action&& action) {
  ProgramState& s = p_.s;
  do {
    if (buffer_addr != nullptr && !CheckBufferEnd(*buffer_addr)) return false;
    ReadDeviceByte();
    action();
    p_.window.StepPass();
  } while (s.StopCount <= 0);
  NotePassEnd(p_);
  return true;
}

template <typename Action>
bool ReadOps::ReadPass(const int32_t* buffer_addr, Action&& action) {
  EnterReadMode();
  return ReadLoop(buffer_addr, std::forward<Action>(action));
}

ReadOps::MoveRecord ReadOps::CurrentImage() const {
  const ProgramState& s = p_.s;
  const int64_t first = std::clamp<int64_t>(s.BufferStart, 0, kLastBufferAddress);
  const int64_t last = std::clamp<int64_t>(int64_t{s.BufferStart} + s.DeviceEnd - s.DeviceStart,
                                           first, kLastBufferAddress);
  const std::span<const uint8_t> image(s.Buffer.data() + first,
                                       static_cast<size_t>(last - first + 1));
  return {s.DeviceRow, s.DeviceStart, s.DeviceEnd, s.BufferStart, Crc32(image)};
}

void ReadOps::ShowDiagnosis(DeviceCommand command) {
  const ProgramState& s = p_.s;
  if (p_.frame.Closed()) return;  // nobody reads it
  DeviceOutcome& outcome = p_.outcome;
  DiagnosisInput in;
  in.command = command;
  in.mismatches = &outcome.mismatches;
  in.cannotTake = &outcome.cannotTake;
  in.family = s.DeviceFamily;
  in.blank = static_cast<uint8_t>(s.BlankValue);
  in.chipEnd = s.ChipEnd;
  in.deviceStart = s.DeviceStart;
  // Only what the pass reached was checked.
  in.deviceEnd = outcome.stoppedAt ? *outcome.stoppedAt - 1 : s.DeviceEnd;
  const int32_t start = s.DeviceStart;
  const int32_t end = in.deviceEnd;
  const int32_t buffer_start = s.BufferStart;
  const ProgramState* state = &s;
  if (command == DeviceCommand::BlankCheck) {
    in.expected = [start, end, state](int32_t a) {
      return a >= start && a <= end ? state->BlankValue : -1;
    };
  } else {
    in.expected = [start, end, buffer_start, state](int32_t a) {
      const int64_t at = int64_t{buffer_start} + a - start;
      return a >= start && a <= end && InBuffer(at) ? state->Buffer[static_cast<size_t>(at)] : -1;
    };
  }
  in.secondRead = lastMove_ && *lastMove_ == CurrentImage();
  outcome.diagnosis = Diagnose(in);
  // Program Compare shows no list in the window; its reason is the outcome's.
  if (command == DeviceCommand::Compare) return;
  std::vector<std::string> lines;
  for (const std::string& sentence : outcome.diagnosis)
    for (std::string& line : WrapForMemo(sentence, 2)) lines.push_back(std::move(line));
  for (auto line = lines.rbegin(); line != lines.rend(); ++line)
    p_.report.memo.InsertFirstLine(*line);
}

void ReadOps::Move_EpromClick() {
  ProgramState& s = p_.s;
  BeginOutcome(p_, DeviceCommand::Move);
  if (!p_.detect.BoxAnswers()) return;
  p_.frame.RaisePriority();
  p_.frame.EnterBusyState();
  p_.report.quit.enabled = true;
  BeginPass(p_, DeviceCommand::Move);
  ShowStatus(p_, kMoving);
  // The memo reports this read only: where it stopped, and the dump's hashes.
  p_.report.memo.ClearLines();
  const bool whole =
      ReadPass(&s.BufferAddr, [&s] { s.Buffer[static_cast<size_t>(s.BufferAddr)] = s.ReadByte; });
  ShowStatus(p_, whole ? kMoved : kNotFullyMoved);
  if (whole && !p_.outcome.stoppedAt)
    lastMove_ = CurrentImage();
  else
    lastMove_.reset();
  p_.window.ShowCheckSum();
  // The figures of a whole read only: a part read would show the buffer's old bytes
  // under the chip's name.
  if (whole && !p_.outcome.stoppedAt) ShowHashLines(p_.report.memo, p_.window.Checksum());
  if (!whole) {
    // The checksum's own busy and idle states cleared these; the stop is still a failure.
    s.OpFailed = 1;
    p_.report.memo.visible = true;
  }
  p_.detect.EndDeviceCommand();
}

void ReadOps::VerifyClick() {
  BeginOutcome(p_, DeviceCommand::Verify);
  if (!p_.detect.BoxAnswers()) return;
  p_.frame.RaisePriority();
  VerifyDevice();
}

void ReadOps::VerifyDevice() {
  ProgramState& s = p_.s;
  p_.frame.EnterBusyState();
  p_.report.quit.enabled = true;
  BeginPass(p_, DeviceCommand::Verify);
  ShowStatus(p_, kVerifying);
  p_.report.memo.visible = true;
  p_.report.memo.ClearLines();
  p_.outcome.mismatches.clear();
  ReadPass(&s.BufferAddr, [this, &s] {
    const uint8_t expected = s.Buffer[static_cast<size_t>(s.BufferAddr)];
    if (expected != s.ReadByte) {
      s.OpFailed = 1;
      ReportMismatch(p_, {s.DeviceAddr, s.BufferAddr, expected, s.ReadByte});
    }
  });
  if (s.OpFailed == 1) {
    ShowStatus(p_, kNotVerified);
    ShowDiagnosis(DeviceCommand::Verify);
  } else {
    ShowStatus(p_, kVerified);
    p_.report.memo.visible = false;
  }
  p_.detect.EndDeviceCommand();
}

void ReadOps::Blank_ChkClick() {
  ProgramState& s = p_.s;
  BeginOutcome(p_, DeviceCommand::BlankCheck);
  if (!p_.detect.BoxAnswers()) return;
  // No priority raise: a blank check is not timing-critical.
  p_.frame.EnterBusyState();
  p_.report.quit.enabled = true;
  BeginPass(p_, DeviceCommand::BlankCheck);
  ShowStatus(p_, kChecking);
  EnterReadMode();
  p_.report.memo.ClearLines();
  p_.report.memo.visible = true;
  ReadLoop(nullptr, [this, &s] {
    if (s.ReadByte != s.BlankValue) {
      ReportMismatch(p_,
                     {s.DeviceAddr, s.DeviceAddr, static_cast<uint8_t>(s.BlankValue), s.ReadByte});
      s.OpFailed = 1;
    }
  });
  if (s.OpFailed == 1) {
    ShowStatus(p_, kNotErased);
    ShowDiagnosis(DeviceCommand::BlankCheck);
  } else {
    ShowStatus(p_, kErased);
    p_.report.memo.visible = false;
  }
  p_.detect.EndDeviceCommand();
}

void ReadOps::CompareClick() {
  ProgramState& s = p_.s;
  BeginOutcome(p_, DeviceCommand::Compare);
  if (!p_.detect.BoxAnswers()) return;
  p_.frame.RaisePriority();
  p_.frame.EnterBusyState();
  p_.report.quit.enabled = true;
  BeginPass(p_, DeviceCommand::Compare);
  ShowStatus(p_, kComparing);
  // Compared with the buffer byte at the chip's own address, not through the window.
  const bool whole = ReadPass(&s.DeviceAddr, [this, &s] {
    const uint8_t wanted = s.Buffer[static_cast<size_t>(s.DeviceAddr)];
    if (!CanTake(s.ReadByte, wanted, s.BlankValue)) {
      s.StopCount = kStopDone;
      s.OpFailed = 1;
      p_.outcome.cannotTake = Mismatch{s.DeviceAddr, s.DeviceAddr, wanted, s.ReadByte};
    }
  });
  if (!whole) {
    ShowStatus(p_, kNotFullyCompared);
  } else {
    ShowStatus(p_, s.OpFailed == 1 ? kCannotReprogram : kCanReprogram);
    if (s.OpFailed == 1) ShowDiagnosis(DeviceCommand::Compare);
  }
  p_.detect.EndDeviceCommand();
}

}  // namespace tarnwick
