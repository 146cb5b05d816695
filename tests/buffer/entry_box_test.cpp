#include <gtest/gtest.h>

#include "support/form_fixture.h"
#include "support/type_text.h"

namespace tarnwick {
namespace {

class EntryBoxTest : public FormTest {
 protected:
  void SetUp() override {
    f.s.ChipEnd = kNoDeviceEnd;
    f.s.DeviceEnd = 0xFFF;
    f.window.ApplyWindow();
  }
  // Opens the box from a button, types the keys and presses Enter.
  void Enter(Control& button, std::string_view keys) {
    f.Click(button);
    TypeInto(f, f.Edit_Add, keys);
    PressEnter(f, f.Edit_Add);
  }
  void OpenTestPanel() { f.Panel1.visible = true; }
  bool Idle() const { return f.Fill.enabled && f.Device.enabled; }
  std::vector<ShownMessage>& Messages() { return h.toolkit.messages; }
};

struct AddressButton {
  const char* name;
  int target;
  int top;
};

TEST_F(EntryBoxTest, AddressButtonsOpenTheBoxBusyWithOnlyTheirOwnButtonLive) {
  for (AddressButton b :
       {AddressButton{"Start_Buf_Add", 1, 342}, AddressButton{"Start_Add", 2, 362},
        AddressButton{"End_Add", 3, 384}, AddressButton{"Offset", 4, 402}}) {
    SCOPED_TRACE(b.name);
    Control& button = *f.FindControl(b.name);
    f.Edit_Add.text = "12";
    f.Click(button);
    EXPECT_TRUE(f.Edit_Add.visible);
    EXPECT_EQ(f.Edit_Add.top, b.top);
    EXPECT_EQ(f.Edit_Add.left, 527);
    EXPECT_EQ(f.Edit_Add.text, "");
    EXPECT_EQ(h.toolkit.focused, &f.Edit_Add);
    EXPECT_EQ(f.s.EntryTarget, b.target);
    EXPECT_TRUE(button.enabled);
    for (Control* other : {&f.Start_Buf_Add, &f.Start_Add, &f.End_Add, &f.Offset}) {
      if (other == &button) continue;
      EXPECT_FALSE(other->enabled) << other->name();
    }
    EXPECT_FALSE(Idle());
    PressEnter(f, f.Edit_Add);
    EXPECT_FALSE(f.Edit_Add.visible);
    EXPECT_TRUE(Idle());
  }
}

TEST_F(EntryBoxTest, OnlyHexDigitsAndBackspaceGetThrough) {
  f.Click(f.Start_Add);
  // Escape is no way out: the box stays until Enter.
  TypeInto(f, f.Edit_Add, "a1G\x1b-z b");
  EXPECT_EQ(f.Edit_Add.text, "A1B");
  EXPECT_TRUE(f.Edit_Add.visible);
  TypeInto(f, f.Edit_Add, "\b\b123456");
  EXPECT_EQ(f.Edit_Add.text, "A1234") << "at most five characters";
}

TEST_F(EntryBoxTest, AddressEntriesAreReadAsHexAndCorrectedByTheWindowRules) {
  f.s.ChipEnd = 0xFFF;
  Enter(f.End_Add, "2000");
  EXPECT_EQ(f.s.DeviceEnd, 0xFFF) << "above the chip's end";
  EXPECT_EQ(f.End_Add.caption, "Device End=0FFF");
  Enter(f.End_Add, "7ff");
  EXPECT_EQ(f.s.DeviceEnd, 0x7FF);
  Enter(f.Start_Add, "800");
  EXPECT_EQ(f.s.DeviceStart, 0x7FF) << "a one-byte window at the end";
  EXPECT_EQ(f.Start_Add.caption, "Device Start=07FF");
  Enter(f.Offset, "ABCDE");
  EXPECT_EQ(f.s.HexOffset, 0xABCDE);
  EXPECT_EQ(f.Offset.caption, "Hex Offset=ABCDE");
  Enter(f.Start_Buf_Add, "1234");
  EXPECT_EQ(f.s.BufferStart, 0x1234);
  EXPECT_EQ(f.Start_Buf_Add.caption, "Buffer Start=1234");
  EXPECT_TRUE(Idle());
  EXPECT_TRUE(Messages().empty());
}

TEST_F(EntryBoxTest, BufferStartThatPushesTheWindowPastFFFFFStartsOver) {
  // Window 0..FFF is 1000 bytes: FF000 still fits below FFFFF, FF001 does not.
  Enter(f.Start_Buf_Add, "FF000");
  EXPECT_EQ(f.s.BufferStart, 0xFF000);
  Enter(f.Start_Buf_Add, "FF001");
  EXPECT_EQ(f.s.BufferStart, 0) << "reset, not clamped";
  EXPECT_EQ(f.Start_Buf_Add.caption, "Buffer Start=0000");
}

TEST_F(EntryBoxTest, EmptyEnterKeepsTheValueAndReturnsToIdle) {
  Enter(f.End_Add, "800");
  Enter(f.End_Add, "");
  EXPECT_EQ(f.s.DeviceEnd, 0x800);
  EXPECT_EQ(f.End_Add.caption, "Device End=0800");
  EXPECT_TRUE(Idle());
  EXPECT_FALSE(f.Edit_Add.visible);
}

TEST_F(EntryBoxTest, PastedJunkInAnAddressFailsAndLeavesTheEntryOpenToRepeat) {
  f.Click(f.Start_Add);
  f.Edit_Add.text = "1G";  // pasted, so never filtered
  PressEnter(f, f.Edit_Add);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].kind, ShownMessage::Kind::Error);
  EXPECT_EQ(Messages()[0].text, "'$1G' is not a valid integer value");
  EXPECT_EQ(f.s.DeviceStart, 0);
  EXPECT_FALSE(Idle());
  EXPECT_TRUE(f.Start_Add.enabled);
  // Pressing the button again starts the entry over.
  Enter(f.Start_Add, "10");
  EXPECT_EQ(f.s.DeviceStart, 0x10);
  EXPECT_TRUE(Idle());
}

TEST_F(EntryBoxTest, ReopeningTheBoxWhileOpenClearsIt) {
  f.Click(f.Offset);
  TypeInto(f, f.Edit_Add, "12");
  f.Click(f.Offset);
  EXPECT_EQ(f.Edit_Add.text, "");
  EXPECT_TRUE(f.Offset.enabled);
}

TEST_F(EntryBoxTest, TestPanelValuesKeepTheirLowSixteenBits) {
  OpenTestPanel();
  Enter(f.Chg_Pass, "70000");
  EXPECT_EQ(f.s.ProgramPass, 4464);
  EXPECT_EQ(f.Chg_Pass.caption, "Program Pass=4464");
  Enter(f.Chg_Pulse, "300");
  EXPECT_EQ(f.s.ProgramPulse, 300);
  EXPECT_EQ(f.s.PulseWait, 300) << "the pulse value is the wait unit as well";
  EXPECT_EQ(f.Chg_Pulse.caption, "Program Pulse=300");
  Enter(f.Chg_Delay, "65537");
  EXPECT_EQ(f.s.PortDelay, 1);
  EXPECT_EQ(f.Chg_Delay.caption, "Port Delay=1");
  Enter(f.Chg_Lpt4, "3BC");
  EXPECT_EQ(f.s.Lpt4Address, 0x3BC);
  EXPECT_EQ(f.Chg_Lpt4.caption, "LPT4=03BC");
  EXPECT_TRUE(Messages().empty());
}

TEST_F(EntryBoxTest, TestPanelTargetsSitLevelWithTheirButtons) {
  OpenTestPanel();
  struct Case {
    Control* button;
    int target;
    int top;
  };
  for (Case c : {Case{&f.Chg_Pass, 5, 342}, Case{&f.Chg_Pulse, 6, 362}, Case{&f.Chg_Delay, 7, 384},
                 Case{&f.Chg_Lpt4, 8, 320}}) {
    f.Click(*c.button);
    EXPECT_EQ(f.s.EntryTarget, c.target) << c.button->name();
    EXPECT_EQ(f.Edit_Add.top, c.top) << c.button->name();
  }
}

TEST_F(EntryBoxTest, DecimalTargetWithHexLettersFailsAndKeepsTheValue) {
  OpenTestPanel();
  Enter(f.Chg_Delay, "12");
  Enter(f.Chg_Delay, "1A");
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].text, "'1A' is not a valid integer value");
  EXPECT_EQ(f.s.PortDelay, 12);
  EXPECT_EQ(f.Chg_Delay.caption, "Port Delay=12");
  EXPECT_FALSE(f.Edit_Add.visible);
}

TEST_F(EntryBoxTest, TestPanelEntriesLeaveTheWindowStateAlone) {
  OpenTestPanel();
  f.shell.EnterBusyState();  // the open test panel keeps the window busy
  f.s.DeviceEnd = 0x5000;    // not yet passed through the rules
  Enter(f.Chg_Pass, "5");
  EXPECT_FALSE(Idle());
  EXPECT_EQ(f.s.DeviceEnd, 0x5000);
  Enter(f.Chg_Lpt4, "");
  EXPECT_EQ(f.Chg_Lpt4.caption, "LPT4=0000") << "empty entry keeps the value and caption";
}

TEST_F(EntryBoxTest, LargeLayoutMovesTheBoxDownByTheScale) {
  OpenTestPanel();
  f.s.LargeLayout = 1;
  f.Click(f.End_Add);
  EXPECT_EQ(f.Edit_Add.top, 456);  // 384 * 20 div 17 + 5
  f.Click(f.End_Add);
  EXPECT_EQ(f.Edit_Add.top, 456) << "scaled from the normal top each time";
  PressEnter(f, f.Edit_Add);
  f.Click(f.Chg_Lpt4);
  EXPECT_EQ(f.Edit_Add.top, 381);  // 320 * 20 div 17 + 5
}

}  // namespace
}  // namespace tarnwick
