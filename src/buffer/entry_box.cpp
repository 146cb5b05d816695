// The one-line entry box beside the right column. It edits the four window values
// (the window is busy meanwhile) and the four test-panel values (the test panel keeps
// the window busy itself).
#include <string>

#include "base/command_frame.h"
#include "base/hex_text.h"
#include "base/key_codes.h"
#include "base/program_state.h"
#include "base/toolkit.h"
#include "buffer/buffer_window.h"

namespace tarnwick {

void BufferWindow::WireEntryBox() {
  c_.Start_Buf_Add.OnClick = [this] { Start_Buf_AddClick(); };
  c_.Start_Add.OnClick = [this] { Start_AddClick(); };
  c_.End_Add.OnClick = [this] { End_AddClick(); };
  c_.Offset.OnClick = [this] { OffsetClick(); };
  c_.Chg_Pass.OnClick = [this] { Chg_PassClick(); };
  c_.Chg_Pulse.OnClick = [this] { Chg_PulseClick(); };
  c_.Chg_Delay.OnClick = [this] { Chg_DelayClick(); };
  c_.Chg_Lpt4.OnClick = [this] { Chg_Lpt4Click(); };
  c_.Edit_Add.OnKeyPress = [this](char& key) { Edit_AddKeyPress(key); };
}

void BufferWindow::Start_Buf_AddClick() {
  OpenAddressEntry(kEntryBufferStart, c_.Start_Buf_Add);
}
void BufferWindow::Start_AddClick() {
  OpenAddressEntry(kEntryDeviceStart, c_.Start_Add);
}
void BufferWindow::End_AddClick() {
  OpenAddressEntry(kEntryDeviceEnd, c_.End_Add);
}
void BufferWindow::OffsetClick() {
  OpenAddressEntry(kEntryHexOffset, c_.Offset);
}
void BufferWindow::Chg_PassClick() {
  OpenEntry(kEntryProgramPass);
}
void BufferWindow::Chg_PulseClick() {
  OpenEntry(kEntryProgramPulse);
}
void BufferWindow::Chg_DelayClick() {
  OpenEntry(kEntryPortDelay);
}
void BufferWindow::Chg_Lpt4Click() {
  OpenEntry(kEntryLpt4);
}

void BufferWindow::OpenAddressEntry(int32_t target, Control& button) {
  // Busy until Enter: only this button (to start the entry again) and the box live.
  frame_.EnterBusyState();
  button.enabled = true;
  OpenEntry(target);
}

void BufferWindow::OpenEntry(int32_t target) {
  c_.Edit_Add.top = kEntryBoxTop[target - 1];
  s_.EntryTarget = target;
  ShowEntryBox();
}

void BufferWindow::ShowEntryBox() {
  if (s_.LargeLayout == 1) c_.Edit_Add.top = c_.Edit_Add.top * 20 / 17 + 5;
  c_.Edit_Add.visible = true;
  toolkit_.SetFocus(c_.Edit_Add);
  c_.Edit_Add.text.clear();
}

void BufferWindow::Edit_AddKeyPress(char& key) {
  if (key != kEnter) {
    // No cancel key: Escape is dropped like any other non-digit.
    if (!IsEntryKey(key)) key = 0;
    return;
  }
  key = 0;
  c_.Edit_Add.visible = false;
  const std::string text = c_.Edit_Add.text;
  // A failed conversion ends the handler here: an address entry then stays busy with
  // its button live, so the operator can simply try again.
  if (!text.empty()) StoreEntry(text);
  if (s_.EntryTarget < kEntryProgramPass) ApplyWindow();
}

void BufferWindow::StoreEntry(const std::string& text) {
  ProgramState& s = s_;
  switch (s.EntryTarget) {
    case kEntryBufferStart:
      s.BufferStart = ConvertHex(text);
      break;
    case kEntryDeviceStart:
      s.DeviceStart = ConvertHex(text);
      break;
    case kEntryDeviceEnd:
      s.DeviceEnd = ConvertHex(text);
      break;
    case kEntryHexOffset:
      s.HexOffset = ConvertHex(text);
      break;
    // The test-panel values are 16 bits wide: they keep the low half of what is typed.
    case kEntryProgramPass:
      s.ProgramPass = static_cast<uint16_t>(ConvertInteger(text));
      c_.Chg_Pass.caption = "Program Pass=" + std::to_string(s.ProgramPass);
      break;
    case kEntryProgramPulse:
      s.ProgramPulse = static_cast<uint16_t>(ConvertInteger(text));
      s.PulseWait = s.ProgramPulse;
      c_.Chg_Pulse.caption = "Program Pulse=" + std::to_string(s.ProgramPulse);
      break;
    case kEntryPortDelay:
      s.PortDelay = static_cast<uint16_t>(ConvertInteger(text));
      c_.Chg_Delay.caption = "Port Delay=" + std::to_string(s.PortDelay);
      break;
    case kEntryLpt4:
      s.Lpt4Address = static_cast<uint16_t>(ConvertHex(text));
      c_.Chg_Lpt4.caption = "LPT4=" + HexText(s.Lpt4Address, 4);
      break;
    default:
      break;
  }
}

}  // namespace tarnwick
