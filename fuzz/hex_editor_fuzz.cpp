// The buffer editor driven as the view drives it: key presses (key down, the character,
// key up), keys held down (auto-repeat: no key up), mouse clicks at any cell, the
// address box typed or pasted into, focus moved away, devices chosen between, all on a
// window of any settings. After every event the view shows the bytes of the buffer
// where it says it does and stays on the buffer's pages; nothing is touched outside
// the buffer; at the end the window is idle.
//
// Input: the device row (signed byte), the word mode (signed byte), BufferStart,
// DeviceStart and DeviceEnd (32-bit values, least significant byte first, brought to
// the chip by ApplyWindow as the configuration file's are), then one event a byte (its
// value modulo 10), some followed by their arguments:
//   0 k    press key k % 10 (Other, Left, Right, Up, Down, Home, End, PgUp, PgDn, Tab)
//   1 c    type character c
//   2 k    hold key k % 10 down (a repeat, no key up)
//   3 l c  mouse click at text line l and column c (signed bytes)
//   4 n .. the address box: n % 8 characters typed, then Enter
//   5 n .. the address box: n % 8 bytes pasted, then Enter
//   6      the Edit button (opens the editor on page 0)
//   7      the focus moves to the Fill button (leaves the editor)
//   8 r    pick device row r (signed) from the device list
//   9      checksum button
#include <array>
#include <cstdio>
#include <string>

#include "buffer/hex_view.h"
#include "fuzz/fuzz_support.h"
#include "support/type_text.h"

namespace tarnwick::fuzz {
namespace {

constexpr int kMaxEvents = 300;
constexpr char kEnter = 13;

Key KeyOf(uint8_t byte) {
  return static_cast<Key>(byte % 10);
}

void AddressBox(TMainForm& f, const std::string& text, bool paste) {
  f.Click(f.Edit_Info);
  if (!f.Chg_Edit_Add.visible) return;
  if (paste)
    f.Chg_Edit_Add.text = text.substr(0, static_cast<size_t>(f.Chg_Edit_Add.maxLength));
  else
    TypeInto(f, f.Chg_Edit_Add, text);
  char enter = kEnter;
  f.KeyPress(f.Chg_Edit_Add, enter);
}

void Event(FuzzForm& h, ByteReader& in) {
  TMainForm& f = h.f();
  switch (in.Byte() % 10) {
    case 0: {
      const Key key = KeyOf(in.Byte());
      f.KeyDown(f.Edit_1, key);
      f.KeyUp(f.Edit_1, key);
      break;
    }
    case 1: {
      char ch = static_cast<char>(in.Byte());
      f.KeyDown(f.Edit_1, Key::Other);
      f.KeyPress(f.Edit_1, ch);
      f.KeyUp(f.Edit_1, Key::Other);
      break;
    }
    case 2:
      f.KeyDown(f.Edit_1, KeyOf(in.Byte()));
      break;
    case 3: {
      const int line = in.Signed();
      const int column = in.Signed();
      // A click gives the view the focus first.
      if (f.Edit_1.Live()) h.toolkit.SetFocus(f.Edit_1);
      f.MouseDown(f.Edit_1, line, column);
      break;
    }
    case 4:
      AddressBox(f, in.Text(in.Byte() % 8), false);
      break;
    case 5:
      AddressBox(f, in.Text(in.Byte() % 8), true);
      break;
    case 6:
      f.Click(f.Edit);
      break;
    case 7:
      h.toolkit.SetFocus(f.Fill);
      break;
    case 8:
      f.Click(f.Device);
      f.ListClick(f.Device_Box, in.Signed());
      break;
    default:
      f.Click(f.Chk_Sum_But);
      break;
  }
}

// What the open editor promises: its page lies inside the buffer, the cursor on the
// page (or just past a row's end after typing), and every byte shown is the byte in
// the buffer at the address its row names.
void CheckOpenEditor(const TMainForm& f) {
  const ProgramState& s = f.s;
  FUZZ_CHECK(s.ViewTop >= 0 && s.ViewTop <= kBufferSize - kViewPage);
  FUZZ_CHECK(s.CursorRow >= 0 && s.CursorRow <= kViewRows);
  FUZZ_CHECK(s.CursorCol >= 0 && s.CursorCol <= kViewColumns);
  const auto& rows = f.Edit_1.lines();
  FUZZ_CHECK(rows.size() == static_cast<size_t>(kViewRows));
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int r = 0; r < kViewRows; ++r) {
    const std::string& row = rows[static_cast<size_t>(r)];
    FUZZ_CHECK(row.size() == static_cast<size_t>(kRowTextLength));
    const int32_t row_address = s.ViewTop + kViewColumns * r;
    char address[16];
    std::snprintf(address, sizeof address, "%06X", static_cast<unsigned>(row_address));
    FUZZ_CHECK(row.compare(0, 6, address) == 0);
    for (int c = 0; c < kViewColumns; ++c) {
      const uint8_t byte = s.Buffer[static_cast<size_t>(row_address + c)];
      const char* digits = row.data() + HexView::HexDigitColumn(c);
      FUZZ_CHECK(digits[0] == kDigits[byte >> 4] && digits[1] == kDigits[byte & 15]);
    }
  }
}

}  // namespace
}  // namespace tarnwick::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarnwick;
  using namespace tarnwick::fuzz;
  ByteReader in(data, size);
  FuzzForm h;
  TMainForm& f = h.f();
  ProgramState& s = f.s;
  FillPattern(s.Buffer);
  BufferFence fence(s);

  s.DeviceRow = in.Signed();
  f.devices.SelectDevice();
  s.WordMode = in.Signed();
  s.BufferStart = in.Int32();
  s.DeviceStart = in.Int32();
  s.DeviceEnd = in.Int32();
  f.window.ApplyWindow();
  f.Click(f.Edit);

  for (int n = 0; n < kMaxEvents && !in.Empty(); ++n) {
    Event(h, in);
    FUZZ_CHECK(!h.StoppedByFailure());
    if (f.editor.IsOpen()) CheckOpenEditor(f);
  }
  // Leaving: the address box closed with Enter, the focus moved on.
  if (f.Chg_Edit_Add.visible) {
    char enter = kEnter;
    f.KeyPress(f.Chg_Edit_Add, enter);
  }
  if (f.Device_Box.visible && !f.Device.enabled) f.ListClick(f.Device_Box, 1);
  h.toolkit.SetFocus(f.Fill);
  FUZZ_CHECK(!f.editor.IsOpen());
  FUZZ_CHECK(!h.StoppedByFailure());
  FUZZ_CHECK(h.Idle());
  return 0;
}
