// The buffer editor: a page of 256 bytes as a hex view with a byte cursor, typing on
// the hex or the character side, an address box to jump, and leaving on focus loss,
// after which the checksum is computed again over the edited buffer.
#pragma once

#include <cstdint>
#include <optional>

#include "base/controls.h"

namespace tarnwick {

class BufferWindow;
class CommandFrame;
class Toolkit;
struct ProgramState;

// The window's controls the editor drives, by their names in the window.
struct HexEditorControls {
  Control& Edit;
  Control& Edit_1;
  Control& Edit_Info;
  Control& Chg_Edit_Add;
  Control& Memo1;
};

class HexEditor {
 public:
  HexEditor(ProgramState& state, BufferWindow& window, Toolkit& toolkit, CommandFrame& frame,
            HexEditorControls controls)
      : s_(state), window_(window), toolkit_(toolkit), frame_(frame), c_(controls) {}
  void Wire();

  void EditClick();
  void Edit_1KeyDown(Key key);
  void Edit_1KeyPress(char& ch);
  void Edit_1KeyUp();
  void Edit_1MouseDown();
  void Edit_1Exit();
  void Edit_InfoClick();
  void Chg_Edit_AddKeyPress(char& ch);
  void Chg_Edit_AddExit(const Control* to);

  // Open: the view is shown (with or without the address box over it).
  bool IsOpen() const;
  // Leaves an open editor, as a focus loss would, before the control's command runs;
  // the editor's own information line and address box do not leave it.
  void LeaveFor(const Control& control);

  void RedrawEditor();
  void RedrawEditorByte();
  void ShowEditorInfo();
  void PlaceEditorCaret();

 private:
  // The buffer address under the cursor (it may lie past the view's last row between
  // a move and its wrap).
  int64_t CursorAddress() const;
  std::optional<uint8_t> ByteAt(int64_t address) const;
  // Rewrites the view's text for one byte if it lies on the page shown.
  void RedrawAddress(int64_t address);
  // Brings a cursor that has run off its row or page back onto the view, keeping the
  // address it points at.
  void WrapCursor();

  ProgramState& s_;
  BufferWindow& window_;
  Toolkit& toolkit_;
  CommandFrame& frame_;
  HexEditorControls c_;
};

}  // namespace tarnwick
