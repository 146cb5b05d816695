#include "buffer/buffer_window.h"

#include <algorithm>

#include "base/command_frame.h"
#include "base/hex_text.h"
#include "base/key_codes.h"
#include "base/program_state.h"
#include "base/toolkit.h"
#include "buffer/dump_hashes.h"
#include "link/latches.h"

namespace tarnwick {

namespace {
// FillBox items, top to bottom.
enum FillChoice { kFill00 = 0, kFillFF = 1, kFillValue = 2, kFillCancel = 3 };
}  // namespace

void BufferWindow::Wire() {
  WireEntryBox();
  c_.Chk_Sum_But.OnClick = [this] { Chk_Sum_ButClick(); };
  c_.Fill.OnClick = [this] { FillClick(); };
  c_.FillBox.OnClick = [this] { FillBoxClick(); };
  c_.Fill_Edit.OnKeyPress = [this](char& key) { Fill_EditKeyPress(key); };
}

void BufferWindow::StartPass() {
  link_.ParkLatches();
  s_.DeviceAddr = s_.DeviceStart;
  s_.BufferAddr = s_.BufferStart;
  s_.LatchBMode = 0;
  // After the window was closed no new pass may run over the released port: a
  // command's later passes (the verify after programming) end at their first test.
  s_.StopCount = frame_.Closed() ? 5 : 0;
}

void BufferWindow::StepPass() {
  if (s_.DeviceAddr >= s_.DeviceEnd) ++s_.StopCount;
  ++s_.DeviceAddr;
  ++s_.BufferAddr;
}

void BufferWindow::ApplyWindow() {
  ProgramState& s = s_;
  // Only a hand-edited configuration file can bring a negative address; no pass may
  // start below buffer or chip address 0.
  s.BufferStart = std::max(s.BufferStart, 0);
  s.DeviceStart = std::max(s.DeviceStart, 0);
  s.DeviceEnd = std::max(s.DeviceEnd, 0);
  if (s.DeviceEnd > s.ChipEnd) s.DeviceEnd = s.ChipEnd;
  if (s.DeviceStart > s.DeviceEnd) s.DeviceStart = s.DeviceEnd;
  if (s.BufferStart > kNoDeviceEnd) s.BufferStart = kNoDeviceEnd;
  if (int64_t{kNoDeviceEnd} - s.BufferStart < int64_t{s.DeviceEnd} - s.DeviceStart)
    s.BufferStart = 0;
  c_.Start_Buf_Add.caption = "Buffer Start=" + HexText(s.BufferStart, 4);
  c_.Start_Add.caption = "Device Start=" + HexText(s.DeviceStart, 4);
  c_.End_Add.caption = "Device End=" + HexText(s.DeviceEnd, 4);
  c_.Offset.caption = "Hex Offset=" + HexText(s.HexOffset, 4);
  UpdateCheckSum();
  frame_.EnterIdleState();
}

void BufferWindow::ShowCheckSum() {
  frame_.EnterBusyState();
  UpdateCheckSum();
  checksum_ = HashWindow(s_);
  frame_.EnterIdleState();
}

void BufferWindow::Chk_Sum_ButClick() {
  ShowCheckSum();
  ShowHashLines(c_.Memo1, checksum_);
}

void BufferWindow::UpdateCheckSum() {
  ProgramState& s = s_;
  s.CheckSum = 0;
  // The window may run to FFFFF with no device selected; only bytes that exist count.
  const int64_t first = std::max<int64_t>(s.DeviceStart, 0);
  const int64_t last = std::min<int64_t>(s.DeviceEnd, kLastBufferAddress);
  for (int64_t a = first; a <= last; ++a)
    s.CheckSum = static_cast<uint16_t>(s.CheckSum + s.Buffer[static_cast<size_t>(a)]);
  checksum_ = {true, s.CheckSum, first, last};
  c_.Chk_Sum_But.caption = "CheckSum=" + HexText(s.CheckSum, 4);
}

void BufferWindow::FillClick() {
  fill_ = FillOutcome{};
  frame_.EnterBusyState();
  c_.FillBox.visible = true;
}

void BufferWindow::FillBoxClick() {
  switch (c_.FillBox.itemIndex) {
    case kFill00:
      FillBuffer(0x00);
      frame_.EnterIdleState();
      break;
    case kFillFF:
      FillBuffer(0xFF);
      frame_.EnterIdleState();
      break;
    case kFillValue:
      // Still busy: Enter in the box ends the fill.
      c_.Fill_Edit.visible = true;
      c_.Fill_Edit.text.clear();
      toolkit_.SetFocus(c_.Fill_Edit);
      break;
    case kFillCancel:
      fill_.verdict = Verdict::Refused;
      frame_.EnterIdleState();
      break;
    default:  // a click beside the items
      break;
  }
}

void BufferWindow::Fill_EditKeyPress(char& key) {
  if (key != kEnter) {
    if (!IsEntryKey(key)) key = 0;
    return;
  }
  key = 0;
  // Only pasted text can fail here; the fill then stays open for another try.
  if (!c_.Fill_Edit.text.empty()) FillBuffer(static_cast<uint8_t>(ConvertHex(c_.Fill_Edit.text)));
  frame_.EnterIdleState();
}

void BufferWindow::FillBuffer(uint8_t value) {
  s_.Buffer.fill(value);
  fill_ = {Verdict::Success, value};
  UpdateCheckSum();
}

}  // namespace tarnwick
