#include <gtest/gtest.h>

#include <cstdio>

#include "support/form_fixture.h"
#include "support/type_text.h"

namespace tarnwick {
namespace {

class HexEditorTest : public FormTest {
 protected:
  // A typed character arrives as key-down, the character, key-up.
  void Type(char ch) {
    f.KeyDown(f.Edit_1, Key::Other);
    f.KeyPress(f.Edit_1, ch);
    f.KeyUp(f.Edit_1, Key::Other);
  }
  void Press(Key key, int times = 1) {
    for (int i = 0; i < times; ++i) {
      f.KeyDown(f.Edit_1, key);
      f.KeyUp(f.Edit_1, key);
    }
  }
  void Open() { f.Click(f.Edit); }
  void Chip(int32_t chip_end, int32_t word_mode) {
    f.s.ChipEnd = chip_end;
    f.s.WordMode = word_mode;
  }
  int32_t Cursor() const { return f.s.ViewTop + 16 * f.s.CursorRow + f.s.CursorCol; }
  // Opens the editor on the chip, presses each key as often as given and checks where
  // the view and the cursor end up.
  void ExpectKeysEndAt(const char* what, int32_t chip_end, int32_t word_mode,
                       std::vector<std::pair<Key, int>> keys, int32_t view_top, int32_t row,
                       int32_t col) {
    SCOPED_TRACE(what);
    Chip(chip_end, word_mode);
    Open();
    for (auto [key, times] : keys) Press(key, times);
    EXPECT_EQ(f.s.ViewTop, view_top);
    EXPECT_EQ(f.s.CursorRow, row);
    EXPECT_EQ(f.s.CursorCol, col);
    char last_row[8];
    std::snprintf(last_row, sizeof last_row, "%06X", static_cast<unsigned>(view_top + 0xF0));
    EXPECT_EQ(f.Edit_1.lines()[15].substr(0, 6), last_row);
  }
  // Opens the address box under the information line and enters the text.
  void JumpTo(const std::string& text) {
    f.Click(f.Edit_Info);
    f.Chg_Edit_Add.text = text;
    PressEnter(f, f.Chg_Edit_Add);
  }
};

TEST_F(HexEditorTest, OpeningShowsTheFirstPageWithTheCursorOnByteZero) {
  f.s.Buffer[0x00] = 0x54;
  f.s.Buffer[0xFF] = 0x21;
  f.s.ViewTop = 0x300;
  f.s.CursorRow = 5;
  Open();
  ASSERT_EQ(f.Edit_1.lines().size(), 16u);
  EXPECT_EQ(f.Edit_1.lines()[0],
            "000000  54 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00   T...............");
  EXPECT_EQ(f.Edit_1.lines()[15],
            "0000F0  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 21   ...............!");
  EXPECT_TRUE(f.Edit_1.visible);
  EXPECT_TRUE(f.Edit_Info.visible);
  EXPECT_FALSE(f.Memo1.visible);
  EXPECT_EQ(f.Edit_1.caretLine, 0);
  EXPECT_EQ(f.Edit_1.caretColumn, 8);
  EXPECT_EQ(h.toolkit.focused, &f.Edit_1);
  EXPECT_EQ(f.Edit_Info.caption,
            "Address=000000             Hex Data=54               Ascii Data=T");
  // The window stays idle: the other buttons remain usable.
  EXPECT_TRUE(f.Fill.enabled);
}

TEST_F(HexEditorTest, TypingFourThenOneStores41AndMovesOn) {
  Chip(0x3FF, 0);
  f.s.Buffer[0x12] = 0xFF;
  Open();
  Press(Key::Down);
  Press(Key::Right, 2);
  Type('4');
  EXPECT_EQ(f.s.Buffer[0x12], 0x4F) << "only the high digit changes";
  EXPECT_EQ(f.s.CursorCol, 2);
  EXPECT_EQ(f.s.CursorNibble, 1);
  EXPECT_EQ(f.Edit_1.caretColumn, 15);
  Type('1');
  EXPECT_EQ(f.s.Buffer[0x12], 0x41);
  EXPECT_EQ(f.s.CursorCol, 3);
  EXPECT_EQ(f.s.CursorNibble, 0);
  EXPECT_EQ(f.Edit_1.lines()[1],
            "000010  00 00 41 00 00 00 00 00 00 00 00 00 00 00 00 00   ..A.............");
}

TEST_F(HexEditorTest, LowerCaseDigitsCountAndOtherCharactersDoNot) {
  Open();
  Type('g');
  Type(' ');
  EXPECT_EQ(f.s.Buffer[0], 0x00);
  EXPECT_EQ(f.s.CursorNibble, 0);
  Type('b');
  Type('e');
  EXPECT_EQ(f.s.Buffer[0], 0xBE);
  EXPECT_EQ(f.s.CursorCol, 1);
}

TEST_F(HexEditorTest, CharacterSideStoresEveryCharacterCode) {
  Open();
  f.MouseDown(f.Edit_1, 2, 60);  // character of byte 0x22
  EXPECT_EQ(f.s.AsciiSide, 1);
  EXPECT_EQ(f.Edit_Info.caption,
            "Address=000022             Hex Data=00               Ascii Data=.");
  Type('A');
  Type('\b');
  EXPECT_EQ(f.s.Buffer[0x22], 0x41);
  EXPECT_EQ(f.s.Buffer[0x23], 0x08);
  EXPECT_EQ(f.s.CursorCol, 4);
  EXPECT_EQ(f.Edit_1.lines()[2],
            "000020  00 00 41 08 00 00 00 00 00 00 00 00 00 00 00 00   ..A.............");
  EXPECT_EQ(f.Edit_1.caretColumn, 62);
}

TEST_F(HexEditorTest, TheSideIsKeptForTheNextOpening) {
  Open();
  f.MouseDown(f.Edit_1, 0, 70);
  h.toolkit.SetFocus(f.Fill);
  Open();
  EXPECT_EQ(f.s.AsciiSide, 1);
  EXPECT_EQ(f.Edit_1.caretColumn, 58);
}

TEST_F(HexEditorTest, MouseClickOnTheHexSide) {
  Open();
  f.MouseDown(f.Edit_1, 4, 18);  // low digit of byte 3
  EXPECT_EQ(f.s.CursorRow, 4);
  EXPECT_EQ(f.s.CursorCol, 3);
  EXPECT_EQ(f.s.CursorNibble, 1);
  Type('7');
  EXPECT_EQ(f.s.Buffer[0x43], 0x07);
  EXPECT_EQ(f.s.CursorCol, 4);
}

TEST_F(HexEditorTest, ClickBelowTheLastRowWrapsIntoTheNextPageAtTheNextKey) {
  Chip(0x7FF, 0);
  Open();
  f.MouseDown(f.Edit_1, 16, 11);
  EXPECT_EQ(f.s.CursorRow, 16);
  Press(Key::Other);
  EXPECT_EQ(f.s.ViewTop, 0x100);
  EXPECT_EQ(f.s.CursorRow, 0);
  EXPECT_EQ(f.s.CursorCol, 1);
}

struct PagingCase {
  int32_t wordMode;
  std::vector<int32_t> pages;  // ViewTop after each Page Down
};

class HexEditorPaging : public HexEditorTest, public ::testing::WithParamInterface<PagingCase> {};

TEST_P(HexEditorPaging, PageDownStopsAtTheChipsLastPage) {
  Chip(0x3FF, GetParam().wordMode);
  Open();
  for (int32_t expected : GetParam().pages) {
    Press(Key::PageDown);
    EXPECT_EQ(f.s.ViewTop, expected);
    char address[8];
    std::snprintf(address, sizeof address, "%06X", static_cast<unsigned>(expected));
    EXPECT_EQ(f.Edit_1.lines()[0].substr(0, 6), address);
  }
}

INSTANTIATE_TEST_SUITE_P(
    WordModes, HexEditorPaging,
    ::testing::Values(PagingCase{0, {0x100, 0x200, 0x300, 0x300, 0x300}},
                      PagingCase{1, {0x100, 0x200, 0x300, 0x400, 0x500, 0x600, 0x700, 0x700}},
                      PagingCase{2, {0x100, 0x200, 0x300, 0x400, 0x500, 0x600, 0x700, 0x700}}));

TEST_F(HexEditorTest, RightOnTheLastByteOfTheLastPageGoesToByteZeroOfThatPage) {
  Chip(0x3FF, 0);
  Open();
  Press(Key::PageDown, 3);
  Press(Key::Down, 15);
  Press(Key::End);
  EXPECT_EQ(Cursor(), 0x3FF);
  Press(Key::Right);
  EXPECT_EQ(f.s.ViewTop, 0x300);
  EXPECT_EQ(f.s.CursorRow, 0);
  EXPECT_EQ(f.s.CursorCol, 0);
  EXPECT_EQ(f.Edit_Info.caption.substr(0, 14), "Address=000300");
}

TEST_F(HexEditorTest, KeysStopAtTheEdgesOfTheChipAndTheBuffer) {
  ExpectKeysEndAt("down on the last row of the last page keeps the column", 0x3FF, 0,
                  {{Key::PageDown, 3}, {Key::Right, 5}, {Key::Down, 16}}, 0x300, 0, 5);
  ExpectKeysEndAt("up on the first page goes to byte zero", 0x3FF, 0,
                  {{Key::Right, 7}, {Key::Up, 1}}, 0, 0, 0);
  ExpectKeysEndAt("page up on the first page goes to byte zero", 0x3FF, 0,
                  {{Key::Down, 2}, {Key::Right, 4}, {Key::PageUp, 1}}, 0, 0, 0);
  ExpectKeysEndAt("without a chip the view stays on the first page", 0, 0,
                  {{Key::Down, 3}, {Key::Right, 4}, {Key::PageDown, 1}}, 0, 0, 0);
  ExpectKeysEndAt("an unknown word mode still stops at the buffer's end", 0x7FFF, 7,
                  {{Key::PageDown, 300}}, 0xFF00, 0, 0);
}

TEST_F(HexEditorTest, MovingAcrossRowAndPageEdgesInsideTheChip) {
  Chip(0x3FF, 0);
  Open();
  Press(Key::Down, 15);
  Press(Key::End);
  Press(Key::Right);
  EXPECT_EQ(f.s.ViewTop, 0x100);
  EXPECT_EQ(Cursor(), 0x100);
  Press(Key::Left);
  EXPECT_EQ(f.s.ViewTop, 0x000);
  EXPECT_EQ(Cursor(), 0xFF);
  Press(Key::Home);
  Press(Key::Left);
  EXPECT_EQ(Cursor(), 0xEF);
}

TEST_F(HexEditorTest, LeftFromTheLowDigitStaysOnTheByte) {
  Open();
  Press(Key::Right, 3);
  Type('5');
  Press(Key::Left);
  EXPECT_EQ(f.s.CursorCol, 3);
  EXPECT_EQ(f.s.CursorNibble, 0);
  EXPECT_EQ(f.Edit_1.caretColumn, 17);
}

TEST_F(HexEditorTest, TheViewNeverRunsPastTheEndOfTheBuffer) {
  Chip(0xFFFFF, 0);  // a heading row of the device list
  f.s.Buffer[0xFFFF] = 0x5A;
  Open();
  for (int i = 0; i < 300; ++i) Press(Key::PageDown);
  EXPECT_EQ(f.s.ViewTop, 0xFF00);
  EXPECT_EQ(f.Edit_1.lines()[15],
            "00FFF0  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 5A   ...............Z");
  Press(Key::Down, 15);
  Press(Key::End);
  Type('1');
  Type('2');  // the last byte; the cursor is now past it
  EXPECT_EQ(f.s.Buffer[0xFFFF], 0x12);
  char three = '3';
  f.KeyPress(f.Edit_1, three);  // no key-down to wrap first: there is no byte to write
  EXPECT_EQ(f.s.ViewTop, 0xFF00);
  Press(Key::Other);
  EXPECT_EQ(Cursor(), 0xFF00);
}

TEST_F(HexEditorTest, TypingPastTheRowsEndShowsTheByteInTheNextRow) {
  Open();
  Press(Key::End);
  Type('1');
  Type('2');
  // Characters that arrive without a key-down of their own are not wrapped first.
  for (char c : {'3', '4'}) f.KeyPress(f.Edit_1, c);
  EXPECT_EQ(f.s.Buffer[0x0F], 0x12);
  EXPECT_EQ(f.s.Buffer[0x10], 0x34);
  EXPECT_EQ(f.Edit_1.lines()[0],
            "000000  00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 12   ................");
  EXPECT_EQ(f.Edit_1.lines()[1],
            "000010  34 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00   4...............");
}

TEST_F(HexEditorTest, JumpToAnAddressKeepsTheCursorPlaceOnThePage) {
  Chip(0xFFFFF, 0);
  Open();
  Press(Key::Down, 2);
  Press(Key::Right, 3);
  f.Click(f.Edit_Info);
  EXPECT_TRUE(f.Chg_Edit_Add.visible);
  EXPECT_TRUE(f.Chg_Edit_Add.text.empty());
  EXPECT_EQ(h.toolkit.focused, &f.Chg_Edit_Add);
  EXPECT_TRUE(f.Edit_1.visible) << "shown again after the focus moved to the box";
  TypeInto(f, f.Chg_Edit_Add, "1234\r");
  EXPECT_FALSE(f.Chg_Edit_Add.visible);
  EXPECT_EQ(h.toolkit.focused, &f.Edit_1);
  EXPECT_EQ(f.s.ViewTop, 0x1230);
  EXPECT_EQ(f.Edit_Info.caption.substr(0, 14), "Address=001253");
}

TEST_F(HexEditorTest, JumpIsPulledBackToTheChipsLastPage) {
  Chip(0xFFF, 0);
  Open();
  JumpTo("1234");
  EXPECT_EQ(f.s.ViewTop, 0xF00);
}

TEST_F(HexEditorTest, AddressBoxAdmitsOnlyHexDigitsBackspaceAndEnter) {
  Open();
  f.Click(f.Edit_Info);
  TypeInto(f, f.Chg_Edit_Add,
           "Gx -$0a\b\x1b"
           "F9");
  EXPECT_EQ(f.Chg_Edit_Add.text, "0F9");
  EXPECT_TRUE(f.Chg_Edit_Add.visible);
}

TEST_F(HexEditorTest, EmptyAddressOnlyReturnsTheFocus) {
  Chip(0x3FF, 0);
  Open();
  Press(Key::PageDown);
  JumpTo("");
  EXPECT_EQ(f.s.ViewTop, 0x100);
  EXPECT_EQ(h.toolkit.focused, &f.Edit_1);
  EXPECT_FALSE(f.Chg_Edit_Add.visible);
}

TEST_F(HexEditorTest, PastedNonHexAddressReportsAndKeepsThePage) {
  Chip(0x3FF, 0);
  Open();
  Press(Key::PageDown);
  JumpTo("1G");
  ASSERT_EQ(h.toolkit.messages.size(), 1u);
  EXPECT_EQ(h.toolkit.messages[0].text, "'$1G' is not a valid integer value");
  EXPECT_FALSE(f.Chg_Edit_Add.visible);
  EXPECT_EQ(f.s.ViewTop, 0x100);
}

// However a command is started while the editor is open, the editor is left first and
// its edits counted; the command never runs under it. Only the editor's own information
// line and address box keep it open.
struct LeaveCase {
  const char* what;
  bool boxFirst;  // the address box opened before the act
  void (*act)(TMainForm&, HeadlessToolkit&);
  bool staysOpen;
};

TEST(HexEditorLeaving, NoCommandRunsUnderAnOpenEditor) {
  using F = TMainForm&;
  using T = HeadlessToolkit&;
  const LeaveCase cases[] = {
      {"a button by its Alt key, the focus left on the view", false,
       [](F f, T) { f.Click(f.Fill); }, false},
      {"a row of a list beside the editor", false, [](F f, T) { f.ListClick(f.Device_Box, 3); },
       false},
      {"the status line", false, [](F f, T) { f.Click(f.StaticText3); }, false},
      {"the address box abandoned for a button's Alt key", true, [](F f, T) { f.Click(f.Fill); },
       false},
      {"the address box abandoned for a button's focus", true, [](F f, T t) { t.SetFocus(f.Fill); },
       false},
      {"the information line", false, [](F f, T) { f.Click(f.Edit_Info); }, true},
      {"an address entered in the box", true, [](F f, T) { PressEnter(f, f.Chg_Edit_Add); }, true},
  };
  for (const LeaveCase& c : cases) {
    SCOPED_TRACE(c.what);
    HeadlessForm h;
    TMainForm& f = h.f();
    f.s.ChipEnd = 0x3FF;
    f.s.DeviceEnd = 0x3FF;
    bool ran_under_editor = false;
    for (Control* command : {&f.Fill, &f.Device_Box, &f.StaticText3})
      command->OnClick = [&] { ran_under_editor = ran_under_editor || f.Edit_1.visible; };
    f.Device_Box.visible = true;
    f.Click(f.Edit);
    char digit = '7';
    f.KeyPress(f.Edit_1, digit);  // byte 0 := 70
    if (c.boxFirst) {
      f.Click(f.Edit_Info);
      TypeInto(f, f.Chg_Edit_Add, "20");
    }
    c.act(f, h.toolkit);
    EXPECT_FALSE(ran_under_editor);
    EXPECT_EQ(f.Edit_1.visible, c.staysOpen);
    EXPECT_EQ(f.Edit_Info.visible, c.staysOpen);
    if (!c.staysOpen) {
      EXPECT_FALSE(f.Chg_Edit_Add.visible);
      EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=0070");
    }
  }
}

TEST_F(HexEditorTest, LeavingHidesTheEditorAndShowsTheNewChecksum) {
  Chip(0x3FF, 1);
  f.s.DeviceStart = 0;
  f.s.DeviceEnd = 0x3FF;
  f.s.Buffer[0x3FF] = 0x10;
  Open();
  Press(Key::Down);
  Press(Key::Right, 5);
  Type('4');
  Type('1');
  // A byte outside the device window does not count.
  Press(Key::PageDown, 5);
  Type('F');
  Type('F');
  EXPECT_EQ(f.s.Buffer[0x516], 0xFF);
  h.toolkit.SetFocus(f.Fill);
  EXPECT_FALSE(f.Edit_1.visible);
  EXPECT_FALSE(f.Edit_Info.visible);
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=0051");
}

}  // namespace
}  // namespace tarnwick
