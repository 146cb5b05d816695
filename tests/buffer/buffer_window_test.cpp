#include <gtest/gtest.h>

#include "support/form_fixture.h"
#include "support/type_text.h"

namespace tarnwick {
namespace {

using WindowRulesTest = FormTest;

struct WindowCase {
  const char* what;
  int32_t chipEnd, bufferStart, deviceStart, deviceEnd;
  int32_t wantBufferStart, wantDeviceStart, wantDeviceEnd;
};

TEST_F(WindowRulesTest, RulesApplyInOrder) {
  const WindowCase cases[] = {
      {"end above the chip", 0xFFF, 0, 0, 0x2000, 0, 0, 0xFFF},
      {"start above the end", 0xFFF, 0, 0x800, 0x7FF, 0, 0x7FF, 0x7FF},
      {"end clamped first, then start", 0x3FF, 0, 0x500, 0x1000, 0, 0x3FF, 0x3FF},
      {"buffer start above FFFFF, one byte", 0xFFF, 0x123456, 0, 0, 0xFFFFF, 0, 0},
      {"buffer start above FFFFF, then too long", 0xFFF, 0x200000, 0, 0xFFF, 0, 0, 0xFFF},
      {"window just fits below FFFFF", kNoDeviceEnd, 0xFF000, 0, 0xFFF, 0xFF000, 0, 0xFFF},
      {"window one past FFFFF", kNoDeviceEnd, 0xFF001, 0, 0xFFF, 0, 0, 0xFFF},
      {"no device: any buffer start", kNoDeviceEnd, 0x10, 0, kNoDeviceEnd, 0, 0, kNoDeviceEnd},
      {"within limits", 0x7FFF, 0x8000, 0x100, 0x1FF, 0x8000, 0x100, 0x1FF},
      {"negative values from a hand-edited file", 0xFFF, -5, -16, -1, 0, 0, 0},
      {"negative start only", 0xFFF, 0, -16, 0x10, 0, 0, 0x10},
  };
  for (const WindowCase& c : cases) {
    SCOPED_TRACE(c.what);
    f.s.ChipEnd = c.chipEnd;
    f.s.BufferStart = c.bufferStart;
    f.s.DeviceStart = c.deviceStart;
    f.s.DeviceEnd = c.deviceEnd;
    f.window.ApplyWindow();
    EXPECT_EQ(f.s.BufferStart, c.wantBufferStart);
    EXPECT_EQ(f.s.DeviceStart, c.wantDeviceStart);
    EXPECT_EQ(f.s.DeviceEnd, c.wantDeviceEnd);
  }
}

TEST_F(WindowRulesTest, CaptionsShowAtLeastFourHexDigitsAndTheWindowGoesIdle) {
  f.s.ChipEnd = kNoDeviceEnd;
  f.s.DeviceStart = 0x12;
  f.s.DeviceEnd = kNoDeviceEnd;
  f.s.HexOffset = 0xA;
  f.shell.EnterBusyState();
  f.window.ApplyWindow();
  EXPECT_EQ(f.Start_Buf_Add.caption, "Buffer Start=0000");
  EXPECT_EQ(f.Start_Add.caption, "Device Start=0012");
  EXPECT_EQ(f.End_Add.caption, "Device End=FFFFF");
  EXPECT_EQ(f.Offset.caption, "Hex Offset=000A");
  EXPECT_TRUE(f.Fill.enabled);
  EXPECT_EQ(f.StaticText3.colour, colour::Lime);
}

using PassTest = FormTest;

TEST_F(PassTest, OneByteWindowEndsAfterTheFirstStep) {
  f.s.DeviceStart = f.s.DeviceEnd = 0x10;
  f.s.BufferStart = 0x400;
  f.s.StopCount = 3;
  f.s.LatchBMode = 0x40;
  f.window.StartPass();
  EXPECT_EQ(f.s.DeviceAddr, 0x10);
  EXPECT_EQ(f.s.BufferAddr, 0x400);
  EXPECT_EQ(f.s.StopCount, 0);
  EXPECT_EQ(f.s.LatchBMode, 0);
  f.window.StepPass();
  EXPECT_EQ(f.s.StopCount, 1);
  EXPECT_EQ(f.s.DeviceAddr, 0x11);
  EXPECT_EQ(f.s.BufferAddr, 0x401);
}

TEST_F(PassTest, PassVisitsEveryAddressOfTheWindowOnce) {
  f.s.DeviceStart = 0x100;
  f.s.DeviceEnd = 0x1FF;
  f.s.BufferStart = 0x8000;
  f.window.StartPass();
  std::vector<std::pair<int32_t, int32_t>> visited;
  do {
    visited.emplace_back(f.s.DeviceAddr, f.s.BufferAddr);
    f.window.StepPass();
  } while (f.s.StopCount < 1);
  ASSERT_EQ(visited.size(), 256u);
  EXPECT_EQ(visited.front(), std::make_pair(0x100, 0x8000));
  EXPECT_EQ(visited.back(), std::make_pair(0x1FF, 0x80FF));
}

TEST_F(PassTest, QuitEndsThePassAtTheNextTest) {
  f.s.DeviceEnd = 0xFFF;
  f.window.StartPass();
  int bytes = 0;
  do {
    if (++bytes == 5) f.s.StopCount = 5;
    f.window.StepPass();
  } while (f.s.StopCount < 1);
  EXPECT_EQ(bytes, 5);
  EXPECT_EQ(f.s.DeviceAddr, 5);
}

class CheckSumTest : public FormTest {
 protected:
  void Sum(int32_t start, int32_t end) {
    f.s.DeviceStart = start;
    f.s.DeviceEnd = end;
    f.Click(f.Chk_Sum_But);
  }
};

TEST_F(CheckSumTest, SumsTheChipWindowAsBufferAddressesModulo65536) {
  struct Case {
    int32_t start, end;
    uint16_t want;
    const char* caption;
  } cases[] = {
      {0x0000, 0x0FFF, 0xF000, "CheckSum=F000"},  // FF x 4096
      {0x0000, 0x00FF, 0xFF00, "CheckSum=FF00"},  // FF x 256
      {0x0000, 0x0101, 0x00FE, "CheckSum=00FE"},  // FF x 258 wraps
      {0x0005, 0x0005, 0x00FF, "CheckSum=00FF"},
      {0x0006, 0x0005, 0x0000, "CheckSum=0000"},  // end below start: nothing summed
  };
  f.s.Buffer.fill(0xFF);
  for (const Case& c : cases) {
    Sum(c.start, c.end);
    EXPECT_EQ(f.s.CheckSum, c.want) << c.caption;
    EXPECT_EQ(f.Chk_Sum_But.caption, c.caption);
  }
  EXPECT_TRUE(f.Fill.enabled) << "back to idle";
}

TEST_F(CheckSumTest, BufferStartPlaysNoPart) {
  for (int a = 0; a < 0x100; ++a) f.s.Buffer[a] = 1;
  for (int a = 0x8000; a < 0x8100; ++a) f.s.Buffer[a] = 2;
  f.s.BufferStart = 0x8000;
  Sum(0, 0xFF);
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=0100");
}

TEST_F(CheckSumTest, NoDeviceWindowSumsOnlyTheBytesThatExist) {
  f.s.Buffer[0x0000] = 0x34;
  f.s.Buffer[0xFFFF] = 0x12;
  Sum(0, kNoDeviceEnd);
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=0046");
  Sum(0xFFFF, kNoDeviceEnd);
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=0012");
  Sum(0x10000, kNoDeviceEnd);
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=0000");
}

class FillTest : public FormTest {
 protected:
  void SetUp() override { f.s.Buffer.fill(0x5A); }
  void Choose(int item) {
    f.Click(f.Fill);
    f.ListClick(f.FillBox, item);
  }
  // Every byte of the buffer holds the value.
  bool AllAre(uint8_t value) const {
    for (uint8_t b : f.s.Buffer)
      if (b != value) return false;
    return true;
  }
  bool Idle() const { return f.Fill.enabled && !f.FillBox.visible && !f.Fill_Edit.visible; }
};

TEST_F(FillTest, FillButtonShowsTheListWithTheWindowBusy) {
  f.Click(f.Fill);
  EXPECT_TRUE(f.FillBox.visible);
  EXPECT_FALSE(f.Fill.enabled);
  EXPECT_FALSE(f.Edit.enabled);
}

TEST_F(FillTest, FixedValuesFillTheWholeBufferWhateverTheWindow) {
  f.s.DeviceEnd = 0xFF;
  Choose(0);
  EXPECT_TRUE(AllAre(0x00));
  EXPECT_TRUE(Idle());
  Choose(1);
  EXPECT_TRUE(AllAre(0xFF));
  EXPECT_TRUE(Idle());
}

TEST_F(FillTest, CancelChangesNothing) {
  Choose(3);
  EXPECT_TRUE(AllAre(0x5A));
  EXPECT_TRUE(Idle());
}

TEST_F(FillTest, ClickBesideTheItemsDoesNothing) {
  Choose(-1);
  EXPECT_TRUE(AllAre(0x5A));
  EXPECT_TRUE(f.FillBox.visible);
  EXPECT_FALSE(f.Fill.enabled);
}

TEST_F(FillTest, OwnValueOpensAnEmptyBoxAndFillsOnEnter) {
  f.Click(f.Fill);
  f.Fill_Edit.text = "AB";
  f.ListClick(f.FillBox, 2);
  EXPECT_TRUE(f.Fill_Edit.visible);
  EXPECT_EQ(f.Fill_Edit.text, "");
  EXPECT_EQ(h.toolkit.focused, &f.Fill_Edit);
  EXPECT_FALSE(f.Fill.enabled) << "still busy";
  TypeInto(f, f.Fill_Edit, "ga5c");
  EXPECT_EQ(f.Fill_Edit.text, "A5") << "two digits at most";
  PressEnter(f, f.Fill_Edit);
  EXPECT_TRUE(AllAre(0xA5));
  EXPECT_TRUE(Idle());
}

TEST_F(FillTest, EmptyOwnValueChangesNothing) {
  Choose(2);
  PressEnter(f, f.Fill_Edit);
  EXPECT_TRUE(AllAre(0x5A));
  EXPECT_TRUE(Idle());
}

TEST_F(FillTest, PastedJunkFailsAndKeepsTheBoxOpen) {
  Choose(2);
  f.Fill_Edit.text = "Z";
  PressEnter(f, f.Fill_Edit);
  ASSERT_EQ(h.toolkit.messages.size(), 1u);
  EXPECT_EQ(h.toolkit.messages[0].text, "'$Z' is not a valid integer value");
  EXPECT_TRUE(AllAre(0x5A));
  EXPECT_TRUE(f.Fill_Edit.visible);
  f.Fill_Edit.text = "3";
  PressEnter(f, f.Fill_Edit);
  EXPECT_TRUE(AllAre(0x03));
}

}  // namespace
}  // namespace tarnwick
