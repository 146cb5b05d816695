#include "ops/read_ops.h"

#include "app/main_form.h"
#include "base/hex_text.h"

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

// Read mode on the 875X adapter: Latch1 bit 3 low enables the chip's outputs (PSEN);
// the flash parts with serial programming want bit 6 low instead.
constexpr uint8_t kLatch1Read875x = 0xF7;
constexpr uint8_t kLatch1Read89S = 0xB7;
// Latch3 bit 7 powers the socket; bit 0 carries A14.
constexpr uint8_t kLatch3Socket = 0xB0;

// An EPROM cell can only be programmed from its erased state towards the other level:
// chips erased to 00 can gain 1 bits, chips erased to FF can gain 0 bits.
bool CanTake(uint8_t chip, uint8_t wanted, int32_t blank_value) {
  if (blank_value == 0x00) return (chip & static_cast<uint8_t>(~wanted)) == 0;
  return (wanted & chip) == wanted;
}

}  // namespace

std::string MismatchLine(int32_t device_addr, uint8_t expected, uint8_t found) {
  std::string line = HexText(device_addr, 4);
  line.reserve(line.size() + 22);
  line += "  EXPECTED-";
  line += HexText(expected, 2);
  line += " FOUND-";
  line += HexText(found, 2);
  return line;
}

void TimerWaitFor(TMainForm& form, int ms) {
  form.s.WaitMs = ms;
  form.detect.TimerWait();
}

void ReadOps::Wire() {
  f_.Move_Eprom.OnClick = [this] { Move_EpromClick(); };
  f_.Verify.OnClick = [this] { VerifyClick(); };
  f_.Blank_Chk.OnClick = [this] { Blank_ChkClick(); };
  f_.Compare.OnClick = [this] { CompareClick(); };
}

void ReadOps::EnterReadMode() {
  ProgramState& s = f_.s;
  f_.vpp.ApplyVpp();
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
  TimerWaitFor(f_, kSettleMs);
}

void ReadOps::ReadSetup874x() {
  Link& link = f_.link;
  link.Load(kLatch1, 0xF0);
  link.Load(kLatch9, 0x30);
  link.Load(kLatchB, 0xA8);
  TimerWaitFor(f_, kSettleMs);
  link.Load(kLatch9, 0x00);
  link.Load(kLatch1, 0xB0);
  TimerWaitFor(f_, kSettleMs);
}

namespace {

void ReadSetup875xWith(TMainForm& f, uint8_t latch1) {
  ProgramState& s = f.s;
  // Latch2 bit 7 low: Vpp off the EA pin while reading. Sent with the next address.
  s.Latch2Value = s.Latch2Base & 0x7F;
  s.Latch3Value = kLatch3Socket;
  f.link.Load(kLatch3, kLatch3Socket);
  f.link.Load(kLatchB, s.LatchBMode);
  TimerWaitFor(f, kSettleMs);
  s.Latch1Value = latch1;
  f.link.Load(kLatch1, latch1);
  f.link.Load(kLatch3, kLatch3Socket);
  TimerWaitFor(f, kSettleMs);
}

}  // namespace

void ReadOps::ReadSetup875x() {
  ReadSetup875xWith(f_, kLatch1Read875x);
}

void ReadOps::ReadSetup89S() {
  ReadSetup875xWith(f_, kLatch1Read89S);
}

void ReadOps::SetAddress() {
  // Shown before the set-up's waits, which are where a Quit is taken: the pass then
  // ends with the byte the operator saw on the button.
  f_.shell.ShowQuitAddress(f_.s.DeviceAddr);
  switch (f_.s.DeviceFamily) {
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
      f_.sys.toolkit.ProcessMessages();
      break;
  }
}

void ReadOps::SetAddress874x() {
  ProgramState& s = f_.s;
  Link& link = f_.link;
  const int high = (s.DeviceAddr >> 8) & 0xFF;
  const int low = s.DeviceAddr & 0xFF;
  // The 874x latches its address from the data bus (A0-A7 on LatchA) when ALE,
  // Latch9 bit 4, rises; bit 5 then turns the bus round for the chip to drive.
  link.Load(kLatch9, high);
  link.Load(kLatch2, s.Latch2Base & 0xF7);
  link.Load(kLatchA, low);
  f_.detect.ScaledWait();
  link.Load(kLatch9, high | 0x10);
  link.Load(kLatch2, s.Latch2Base);
  link.Load(kLatch9, high | 0x30);
  f_.detect.ScaledWait();
}

void ReadOps::SetAddress875x() {
  ProgramState& s = f_.s;
  Link& link = f_.link;
  const int32_t addr = s.DeviceAddr;
  link.Load(kLatch9, addr & 0xFF);
  // A8-A11 on LatchB bits 0-3 and A13 on bit 7, under the mode bits.
  s.LatchBValue = static_cast<uint16_t>(((addr >> 8) & 0x0F) | s.LatchBMode |
                                        ((addr & 0x2000) != 0 ? 0x80 : 0x00));
  link.Load(kLatchB, s.LatchBValue);
  // A12 is wired to Latch1 bit 1 through an inverter.
  if ((addr & 0x1000) != 0) {
    s.Latch1Value &= ~0x02;
  } else {
    s.Latch1Value |= 0x02;
  }
  link.Load(kLatch1, s.Latch1Value);
  // A14 on Latch3 bit 0; A15 is not wired (no chip of the adapter has 64 KiB).
  link.Load(kLatch3, s.Latch3Value | ((addr & 0x4000) != 0 ? 0x01 : 0x00));
  link.Load(kLatch2, s.Latch2Value);
  f_.detect.ScaledWait();
}

void ReadOps::ReadDeviceByte() {
  SetAddress();
  f_.link.ReadNibbles();
}

bool ReadOps::CheckBufferEnd(int32_t buffer_addr) {
  if (InBuffer(buffer_addr)) return true;
  ProgramState& s = f_.s;
  s.StopCount = kStopFailed;
  s.OpFailed = 1;
  f_.Memo1.InsertFirstLine("Stopped at Device " + HexText(s.DeviceAddr, 4) + ", Buffer " +
                           HexText(buffer_addr, 4) + ": the Buffer ends at FFFF");
  f_.Memo1.visible = true;
  return false;
}

template <typename Action>
bool ReadOps::ReadLoop(const int32_t* buffer_addr, Action&& action) {
  ProgramState& s = f_.s;
  do {
    if (buffer_addr != nullptr && !CheckBufferEnd(*buffer_addr)) return false;
    ReadDeviceByte();
    action();
    f_.window.StepPass();
  } while (s.StopCount <= 0);
  return true;
}

template <typename Action>
bool ReadOps::ReadPass(const int32_t* buffer_addr, Action&& action) {
  EnterReadMode();
  return ReadLoop(buffer_addr, std::forward<Action>(action));
}

void ReadOps::Move_EpromClick() {
  ProgramState& s = f_.s;
  if (!f_.detect.BoxAnswers()) return;
  f_.shell.RaisePriority();
  f_.shell.EnterBusyState();
  f_.Quit_Func_But.enabled = true;
  f_.StaticText3.caption = kMoving;
  const bool whole =
      ReadPass(&s.BufferAddr, [&s] { s.Buffer[static_cast<size_t>(s.BufferAddr)] = s.ReadByte; });
  f_.StaticText3.caption = whole ? kMoved : kNotFullyMoved;
  f_.window.ShowCheckSum();
  if (!whole) {
    // The checksum's own busy and idle states cleared these; the stop is still a failure.
    s.OpFailed = 1;
    f_.Memo1.visible = true;
  }
  f_.detect.EndDeviceCommand();
}

void ReadOps::VerifyClick() {
  if (!f_.detect.BoxAnswers()) return;
  f_.shell.RaisePriority();
  VerifyDevice();
}

void ReadOps::VerifyDevice() {
  ProgramState& s = f_.s;
  f_.shell.EnterBusyState();
  f_.Quit_Func_But.enabled = true;
  f_.StaticText3.caption = kVerifying;
  f_.Memo1.visible = true;
  f_.Memo1.ClearLines();
  ReadPass(&s.BufferAddr, [this, &s] {
    const uint8_t expected = s.Buffer[static_cast<size_t>(s.BufferAddr)];
    if (expected != s.ReadByte) {
      s.OpFailed = 1;
      f_.Memo1.InsertFirstLine(MismatchLine(s.DeviceAddr, expected, s.ReadByte));
    }
  });
  if (s.OpFailed == 1) {
    f_.StaticText3.caption = kNotVerified;
  } else {
    f_.StaticText3.caption = kVerified;
    f_.Memo1.visible = false;
  }
  f_.detect.EndDeviceCommand();
}

void ReadOps::Blank_ChkClick() {
  ProgramState& s = f_.s;
  if (!f_.detect.BoxAnswers()) return;
  // No priority raise: a blank check is not timing-critical.
  f_.shell.EnterBusyState();
  f_.Quit_Func_But.enabled = true;
  f_.StaticText3.caption = kChecking;
  EnterReadMode();
  f_.Memo1.ClearLines();
  f_.Memo1.visible = true;
  ReadLoop(nullptr, [this, &s] {
    if (s.ReadByte != s.BlankValue) {
      f_.Memo1.InsertFirstLine(
          MismatchLine(s.DeviceAddr, static_cast<uint8_t>(s.BlankValue), s.ReadByte));
      s.OpFailed = 1;
    }
  });
  if (s.OpFailed == 1) {
    f_.StaticText3.caption = kNotErased;
  } else {
    f_.StaticText3.caption = kErased;
    f_.Memo1.visible = false;
  }
  f_.detect.EndDeviceCommand();
}

void ReadOps::CompareClick() {
  ProgramState& s = f_.s;
  if (!f_.detect.BoxAnswers()) return;
  f_.shell.RaisePriority();
  f_.shell.EnterBusyState();
  f_.Quit_Func_But.enabled = true;
  f_.StaticText3.caption = kComparing;
  // Compared with the buffer byte at the chip's own address, not through the window.
  const bool whole = ReadPass(&s.DeviceAddr, [&s] {
    const uint8_t wanted = s.Buffer[static_cast<size_t>(s.DeviceAddr)];
    if (!CanTake(s.ReadByte, wanted, s.BlankValue)) {
      s.StopCount = kStopDone;
      s.OpFailed = 1;
    }
  });
  if (!whole) {
    f_.StaticText3.caption = kNotFullyCompared;
  } else {
    f_.StaticText3.caption = s.OpFailed == 1 ? kCannotReprogram : kCanReprogram;
  }
  f_.detect.EndDeviceCommand();
}

}  // namespace tarnwick
