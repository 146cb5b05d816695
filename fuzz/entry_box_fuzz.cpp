// The entry box beside the right column: opened by the four address buttons and the four
// test-panel buttons, typed into, pasted into, closed with Enter, with devices chosen
// and the layout scaled between. After every event the address window keeps its
// limits; at the end the window gets back to idle, and no checksum pass over the
// entered window reaches past the buffer.
//
// Input: one event a byte (its value modulo 10), some followed by their arguments:
//   0 b    click address button b % 4 (Buffer Start, Device Start, Device End, Offset)
//   1 n .. type n % 8 characters (the view's way: each through the key handler)
//   2      Enter
//   3 n .. paste n % 8 bytes over the box's text (cut at its length limit)
//   4      T on the Help button (opens the test panel)
//   5 b    click test-panel button b % 4 (Pass, Pulse, Delay, LPT4)
//   6      leave the test panel
//   7 r    pick device row r (signed) from the device list
//   8      Scale (the large layout and back)
//   9      checksum over the window
#include <array>

#include "fuzz/fuzz_support.h"
#include "support/type_text.h"

namespace tarnwick::fuzz {
namespace {

constexpr int kMaxEvents = 200;

void Paste(Control& edit, std::string text) {
  if (!edit.visible) return;
  if (edit.maxLength > 0 && static_cast<int>(text.size()) > edit.maxLength)
    text.resize(static_cast<size_t>(edit.maxLength));
  edit.text = text;
}

void Event(FuzzForm& h, ByteReader& in) {
  TMainForm& f = h.f();
  const std::array<Control*, 4> address = {&f.Start_Buf_Add, &f.Start_Add, &f.End_Add, &f.Offset};
  const std::array<Control*, 4> panel = {&f.Chg_Pass, &f.Chg_Pulse, &f.Chg_Delay, &f.Chg_Lpt4};
  switch (in.Byte() % 10) {
    case 0:
      f.Click(*address[in.Byte() % 4]);
      break;
    case 1:
      if (f.Edit_Add.visible) TypeInto(f, f.Edit_Add, in.Text(in.Byte() % 8));
      break;
    case 2:
      if (f.Edit_Add.visible) PressEnter(f, f.Edit_Add);
      break;
    case 3:
      Paste(f.Edit_Add, in.Text(in.Byte() % 8));
      break;
    case 4: {
      char key = 'T';
      f.KeyPress(f.Help_1, key);
      break;
    }
    case 5:
      f.Click(*panel[in.Byte() % 4]);
      break;
    case 6:
      f.Click(f.Quit_Test);
      break;
    case 7:
      f.Click(f.Device);
      f.ListClick(f.Device_Box, in.Signed());
      break;
    case 8:
      f.Click(f.Scale);
      break;
    default:
      f.Click(f.Chk_Sum_But);
      break;
  }
}

// Enter in an open box, a second try for an address entry whose text did not convert,
// and out of the test panel: what an operator does to get the window back.
void BackToIdle(FuzzForm& h) {
  TMainForm& f = h.f();
  if (f.Edit_Add.visible) PressEnter(f, f.Edit_Add);
  const std::array<Control*, 4> address = {&f.Start_Buf_Add, &f.Start_Add, &f.End_Add, &f.Offset};
  for (Control* button : address) {
    if (!h.Idle() && button->Live()) {
      f.Click(*button);
      PressEnter(f, f.Edit_Add);
    }
  }
  if (f.Quit_Test.Live()) f.Click(f.Quit_Test);
}

}  // namespace
}  // namespace tarnwick::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tarnwick;
  using namespace tarnwick::fuzz;
  ByteReader in(data, size);
  FuzzForm h;
  TMainForm& f = h.f();
  FillPattern(f.s.Buffer);
  BufferFence fence(f.s);
  for (int n = 0; n < kMaxEvents && !in.Empty(); ++n) {
    Event(h, in);
    FUZZ_CHECK(WindowInLimits(f.s));
    FUZZ_CHECK(!h.StoppedByFailure());
  }
  BackToIdle(h);
  FUZZ_CHECK(h.Idle());
  f.Click(f.Chk_Sum_But);
  FUZZ_CHECK(!h.StoppedByFailure());
  return 0;
}
