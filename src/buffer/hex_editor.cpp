#include "buffer/hex_editor.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "base/command_frame.h"
#include "base/hex_text.h"
#include "base/key_codes.h"
#include "base/program_state.h"
#include "base/toolkit.h"
#include "buffer/buffer_window.h"
#include "buffer/hex_view.h"

namespace tarnwick {

namespace {

// Floor division, so that a cursor one byte before its row lands on the row above.
int FloorDiv(int value, int divisor) {
  return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}

}  // namespace

void HexEditor::Wire() {
  c_.Edit.OnClick = [this] { EditClick(); };
  c_.Edit_1.OnKeyDown = [this](Key key) { Edit_1KeyDown(key); };
  c_.Edit_1.OnKeyPress = [this](char& ch) { Edit_1KeyPress(ch); };
  c_.Edit_1.OnKeyUp = [this](Key) { Edit_1KeyUp(); };
  c_.Edit_1.OnMouseDown = [this] { Edit_1MouseDown(); };
  c_.Edit_1.OnExit = [this](Control*) { Edit_1Exit(); };
  c_.Edit_Info.OnClick = [this] { Edit_InfoClick(); };
  c_.Chg_Edit_Add.OnKeyPress = [this](char& ch) { Chg_Edit_AddKeyPress(ch); };
  c_.Chg_Edit_Add.OnExit = [this](Control* to) { Chg_Edit_AddExit(to); };
}

int64_t HexEditor::CursorAddress() const {
  const ProgramState& s = s_;
  return int64_t{s.ViewTop} + int64_t{kViewColumns} * s.CursorRow + s.CursorCol;
}

std::optional<uint8_t> HexEditor::ByteAt(int64_t address) const {
  if (!InBuffer(address)) return std::nullopt;
  return s_.Buffer[static_cast<size_t>(address)];
}

void HexEditor::EditClick() {
  ProgramState& s = s_;
  c_.Memo1.visible = false;
  frame_.EnterIdleState();
  s.ViewTop = 0;
  c_.Edit_1.visible = true;
  c_.Edit_Info.visible = true;
  s.CursorRow = 0;
  s.CursorCol = 0;
  RedrawEditor();
}

void HexEditor::RedrawEditor() {
  ProgramState& s = s_;
  s.ViewTop = HexView::LimitViewTop(s.ViewTop, s.ChipEnd, s.WordMode);
  if (s.ViewTop < 0) {
    s.ViewTop = 0;
    s.CursorRow = 0;
    s.CursorCol = 0;
  }
  c_.Edit_1.ClearLines();
  toolkit_.ProcessMessages();
  std::vector<std::string> rows;
  rows.reserve(kViewRows);
  for (int r = 0; r < kViewRows; ++r) {
    const int32_t row_address = s.ViewTop + kViewColumns * r;
    std::array<uint8_t, kViewColumns> bytes{};
    for (int c = 0; c < kViewColumns; ++c)
      bytes[static_cast<size_t>(c)] = ByteAt(int64_t{row_address} + c).value_or(0);
    rows.push_back(HexView::RowText(row_address, bytes.data()));
  }
  c_.Edit_1.SetLines(std::move(rows));
  s.CursorNibble = 0;
  PlaceEditorCaret();
  toolkit_.SetFocus(c_.Edit_1);
  ShowEditorInfo();
}

void HexEditor::RedrawAddress(int64_t address) {
  const int64_t offset = address - s_.ViewTop;
  if (offset < 0 || offset >= kViewPage || !InBuffer(address)) return;
  const auto line = static_cast<size_t>(offset / kViewColumns);
  const int col = static_cast<int>(offset % kViewColumns);
  if (line >= c_.Edit_1.lines().size()) return;
  std::string text = c_.Edit_1.lines()[line];
  if (static_cast<int>(text.size()) < kRowTextLength) return;
  const uint8_t byte = s_.Buffer[static_cast<size_t>(address)];
  text.replace(static_cast<size_t>(HexView::HexDigitColumn(col)), 2, HexText(byte, 2));
  text[static_cast<size_t>(HexView::CharColumn(col))] = HexView::ByteChar(byte);
  c_.Edit_1.SetLine(line, std::move(text));
}

void HexEditor::RedrawEditorByte() {
  RedrawAddress(CursorAddress());
}

void HexEditor::ShowEditorInfo() {
  const int64_t address = CursorAddress();
  c_.Edit_Info.caption = HexView::InfoLine(static_cast<int32_t>(address), ByteAt(address));
}

void HexEditor::PlaceEditorCaret() {
  const ProgramState& s = s_;
  c_.Edit_1.caretLine = s.CursorRow;
  c_.Edit_1.caretColumn = HexView::CaretColumn(s.CursorCol, s.CursorNibble, s.AsciiSide);
}

void HexEditor::WrapCursor() {
  ProgramState& s = s_;
  // Typing leaves the cursor past the row's last byte; moving on from there goes to
  // the next row. The address the cursor points at is kept.
  if (s.CursorCol < 0 || s.CursorCol >= kViewColumns) {
    const int rows = FloorDiv(s.CursorCol, kViewColumns);
    s.CursorCol -= rows * kViewColumns;
    s.CursorRow += rows;
  }
  if (s.CursorRow < 0 || s.CursorRow >= kViewRows) {
    const int pages = FloorDiv(s.CursorRow, kViewRows);
    s.CursorRow -= pages * kViewRows;
    s.ViewTop += pages * kViewPage;
    RedrawEditor();
  }
}

void HexEditor::Edit_1KeyDown(Key key) {
  ProgramState& s = s_;
  switch (key) {
    case Key::Right:
      s.CursorNibble = 0;
      ++s.CursorCol;
      break;
    case Key::Left:
      if (s.CursorNibble == 0)
        --s.CursorCol;
      else
        s.CursorNibble = 0;
      break;
    case Key::Up:
      --s.CursorRow;
      break;
    case Key::Down:
      ++s.CursorRow;
      break;
    case Key::Home:
      s.CursorNibble = 0;
      s.CursorCol = 0;
      break;
    case Key::End:
      s.CursorNibble = 0;
      s.CursorCol = kViewColumns - 1;
      break;
    case Key::PageUp:
      s.ViewTop -= kViewPage;
      RedrawEditor();
      break;
    case Key::PageDown:
      s.ViewTop += kViewPage;
      RedrawEditor();
      break;
    default:
      break;
  }
  WrapCursor();
  ShowEditorInfo();
}

void HexEditor::Edit_1KeyPress(char& ch) {
  ProgramState& s = s_;
  const int64_t address = CursorAddress();
  // A cursor past the end of the buffer (the last byte of FFxx typed over) edits nothing.
  const bool writable = InBuffer(address);
  if (s.AsciiSide == 0) {
    const int v = HexDigitValue(ch);
    if (v >= 0) {
      if (writable) {
        uint8_t& byte = s.Buffer[static_cast<size_t>(address)];
        byte = s.CursorNibble == 0 ? static_cast<uint8_t>(v * 16 + byte % 16)
                                   : static_cast<uint8_t>(byte - byte % 16 + v);
        RedrawEditorByte();
        window_.UpdateCheckSum();
      }
      if (s.CursorNibble == 0) {
        s.CursorNibble = 1;
      } else {
        s.CursorNibble = 0;
        ++s.CursorCol;
      }
    }
  } else {
    if (writable) {
      s.Buffer[static_cast<size_t>(address)] = static_cast<uint8_t>(ch);
      RedrawEditorByte();
      window_.UpdateCheckSum();
    }
    ++s.CursorCol;
  }
  toolkit_.ProcessMessages();
}

void HexEditor::Edit_1KeyUp() {
  PlaceEditorCaret();
}

void HexEditor::Edit_1MouseDown() {
  ProgramState& s = s_;
  // Below the last row the caret can only reach the empty line after it (row 16), which
  // the next key wraps onto the next page.
  s.CursorRow = std::clamp(c_.Edit_1.caretLine, 0, kViewRows);
  const HexView::Pick pick = HexView::PickColumn(c_.Edit_1.caretColumn);
  s.AsciiSide = pick.asciiSide;
  s.CursorCol = pick.col;
  if (pick.asciiSide == 0) s.CursorNibble = pick.nibble;
  ShowEditorInfo();
}

void HexEditor::Edit_1Exit() {
  // Only an open editor is left; a view that hides a closed one may still report it.
  if (!IsOpen()) return;
  c_.Edit_1.visible = false;
  c_.Edit_Info.visible = false;
  window_.ShowCheckSum();
}

void HexEditor::Edit_InfoClick() {
  c_.Chg_Edit_Add.text.clear();
  c_.Chg_Edit_Add.visible = true;
  toolkit_.SetFocus(c_.Chg_Edit_Add);
  c_.Edit_1.visible = true;
  c_.Edit_Info.visible = true;
}

void HexEditor::Chg_Edit_AddKeyPress(char& ch) {
  if (ch != kEnter && !IsEntryKey(ch)) {
    ch = 0;
    return;
  }
  if (ch != kEnter) return;
  ch = 0;
  toolkit_.SetFocus(c_.Edit_1);
  c_.Chg_Edit_Add.visible = false;
  if (c_.Chg_Edit_Add.text.empty()) return;
  s_.ViewTop = ConvertHex(c_.Chg_Edit_Add.text) & 0x1FFFFF0;
  RedrawEditor();
}

void HexEditor::Chg_Edit_AddExit(const Control* to) {
  c_.Chg_Edit_Add.visible = false;
  // Left for anything but the view, the box takes the editor with it: a view left on
  // screen without the focus would show bytes that the next command may change.
  if (to != &c_.Edit_1) Edit_1Exit();
}

bool HexEditor::IsOpen() const {
  return c_.Edit_1.visible;
}

void HexEditor::LeaveFor(const Control& control) {
  if (!IsOpen() || &control == &c_.Edit_1 || &control == &c_.Edit_Info ||
      &control == &c_.Chg_Edit_Add)
    return;
  c_.Chg_Edit_Add.visible = false;
  Edit_1Exit();
}

}  // namespace tarnwick
