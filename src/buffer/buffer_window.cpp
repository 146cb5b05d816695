#include "buffer/buffer_window.h"

#include <algorithm>

#include "app/main_form.h"
#include "base/hex_text.h"
#include "base/key_codes.h"

namespace tarnwick {

namespace {
// FillBox items, top to bottom.
enum FillChoice { kFill00 = 0, kFillFF = 1, kFillValue = 2, kFillCancel = 3 };
}  // namespace

void BufferWindow::Wire() {
  WireEntryBox();
  f_.Chk_Sum_But.OnClick = [this] { Chk_Sum_ButClick(); };
  f_.Fill.OnClick = [this] { FillClick(); };
  f_.FillBox.OnClick = [this] { FillBoxClick(); };
  f_.Fill_Edit.OnKeyPress = [this](char& key) { Fill_EditKeyPress(key); };
}

void BufferWindow::StartPass() {
  f_.link.ParkLatches();
  f_.s.DeviceAddr = f_.s.DeviceStart;
  f_.s.BufferAddr = f_.s.BufferStart;
  f_.s.LatchBMode = 0;
  // After the window was closed no new pass may run over the released port: a
  // command's later passes (the verify after programming) end at their first test.
  f_.s.StopCount = f_.Closed() ? 5 : 0;
}

void BufferWindow::StepPass() {
  if (f_.s.DeviceAddr >= f_.s.DeviceEnd) ++f_.s.StopCount;
  ++f_.s.DeviceAddr;
  ++f_.s.BufferAddr;
}

void BufferWindow::ApplyWindow() {
  ProgramState& s = f_.s;
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
  f_.Start_Buf_Add.caption = "Buffer Start=" + HexText(s.BufferStart, 4);
  f_.Start_Add.caption = "Device Start=" + HexText(s.DeviceStart, 4);
  f_.End_Add.caption = "Device End=" + HexText(s.DeviceEnd, 4);
  f_.Offset.caption = "Hex Offset=" + HexText(s.HexOffset, 4);
  f_.shell.EnterIdleState();
}

void BufferWindow::ShowCheckSum() {
  ProgramState& s = f_.s;
  f_.shell.EnterBusyState();
  s.CheckSum = 0;
  // The window may run to FFFFF with no device selected; only bytes that exist count.
  const int64_t first = std::max<int64_t>(s.DeviceStart, 0);
  const int64_t last = std::min<int64_t>(s.DeviceEnd, kLastBufferAddress);
  for (int64_t a = first; a <= last; ++a)
    s.CheckSum = static_cast<uint16_t>(s.CheckSum + s.Buffer[static_cast<size_t>(a)]);
  f_.Chk_Sum_But.caption = "CheckSum=" + HexText(s.CheckSum, 4);
  f_.shell.EnterIdleState();
}

void BufferWindow::FillClick() {
  f_.shell.EnterBusyState();
  f_.FillBox.visible = true;
}

void BufferWindow::FillBoxClick() {
  switch (f_.FillBox.itemIndex) {
    case kFill00:
      FillBuffer(0x00);
      f_.shell.EnterIdleState();
      break;
    case kFillFF:
      FillBuffer(0xFF);
      f_.shell.EnterIdleState();
      break;
    case kFillValue:
      // Still busy: Enter in the box ends the fill.
      f_.Fill_Edit.visible = true;
      f_.Fill_Edit.text.clear();
      f_.sys.toolkit.SetFocus(f_.Fill_Edit);
      break;
    case kFillCancel:
      f_.shell.EnterIdleState();
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
  if (!f_.Fill_Edit.text.empty()) FillBuffer(static_cast<uint8_t>(ConvertHex(f_.Fill_Edit.text)));
  f_.shell.EnterIdleState();
}

void BufferWindow::FillBuffer(uint8_t value) {
  f_.s.Buffer.fill(value);
}

}  // namespace tarnwick
