#include <gtest/gtest.h>

#include "support/form_fixture.h"

namespace tarnwick {
namespace {

std::vector<Control*> DeviceButtons(TMainForm& f) {
  return {&f.Quit_Func_But, &f.Programm,  &f.Verify,  &f.Auto_Verify, &f.Move_Eprom,
          &f.Blank_Chk,     &f.Erase_But, &f.Vpp_But, &f.Compare,     &f.Security};
}

std::vector<Control*> FreeButtons(TMainForm& f) {
  return {&f.Start_Buf_Add, &f.Prg_Type_But, &f.Chk_Sum_But, &f.Start_Add, &f.Save_But,
          &f.Load_But,      &f.File_But,     &f.End_Add,     &f.Offset,    &f.Device,
          &f.Help_1,        &f.Scale,        &f.Edit,        &f.Fill};
}

using BusyIdleTest = FormTest;

TEST_F(BusyIdleTest, BusyDisablesAllTwentyFourButtonsAndTurnsTheStatusYellow) {
  f.s.OpFailed = 1;
  f.StaticText3.colour = colour::Red;
  f.Memo1.visible = true;
  f.Help1.visible = true;
  f.Start_Add.visible = false;
  const int passes = h.toolkit.passes;
  f.shell.EnterBusyState();
  for (Control* c : DeviceButtons(f)) EXPECT_FALSE(c->enabled) << c->name();
  for (Control* c : FreeButtons(f)) EXPECT_FALSE(c->enabled) << c->name();
  EXPECT_EQ(f.StaticText3.colour, colour::Yellow);
  EXPECT_EQ(f.s.OpFailed, 0);
  EXPECT_FALSE(f.Memo1.visible);
  EXPECT_FALSE(f.Help1.visible);
  EXPECT_TRUE(f.Start_Add.visible);
  EXPECT_EQ(h.toolkit.passes, passes + 1) << "the change is painted before the work begins";
  // The test panel's buttons are not touched.
  EXPECT_TRUE(f.Quit_Test.enabled);
}

TEST_F(BusyIdleTest, IdleEnablesTheDeviceButtonsOnlyWithAProgrammer) {
  for (const int found : {0, 1}) {
    SCOPED_TRACE(found);
    f.s.ProgrammerFound = found;
    f.shell.EnterBusyState();
    f.shell.EnterIdleState();
    for (Control* c : DeviceButtons(f)) EXPECT_EQ(c->enabled, found == 1) << c->name();
    for (Control* c : FreeButtons(f)) EXPECT_TRUE(c->enabled) << c->name();
    EXPECT_EQ(f.StaticText3.colour, colour::Lime);
    if (found == 0) {
      EXPECT_TRUE(h.port.accesses.empty()) << "no latch is written";
    }
  }
}

TEST_F(BusyIdleTest, IdleHidesTheOverlaysAndColoursByOpFailed) {
  for (Control* c : {&f.Help1, &f.FillBox, &f.Fill_Edit, &f.File_Type}) c->visible = true;
  f.Memo1.visible = true;
  f.s.OpFailed = 1;
  f.shell.EnterIdleState();
  for (Control* c : {&f.Help1, &f.FillBox, &f.Fill_Edit, &f.File_Type})
    EXPECT_FALSE(c->visible) << c->name();
  EXPECT_TRUE(f.Memo1.visible) << "a command's log stays in view after it";
  EXPECT_EQ(f.StaticText3.colour, colour::Red);
  // The next command turns it yellow again at its start.
  f.shell.EnterBusyState();
  EXPECT_EQ(f.StaticText3.colour, colour::Yellow);
}

TEST_F(BusyIdleTest, QuitCaptionShowsTheAddressWithAtLeastFourDigits) {
  f.s.DeviceStart = 0x1A3;
  f.shell.EnterBusyState();
  EXPECT_EQ(f.Quit_Func_But.caption, "&Quit = 01A3");
  f.s.DeviceAddr = 0xFFFFF;
  f.shell.EnterIdleState();
  EXPECT_EQ(f.Quit_Func_But.caption, "&Quit = FFFFF");
}

TEST_F(BusyIdleTest, IdleCaptionShowsWhereAPassStoppedBeforeTheCountersReset) {
  f.s.DeviceStart = 0;
  f.shell.EnterBusyState();
  f.s.DeviceAddr = 0x1A3;
  f.shell.EnterIdleState();
  EXPECT_EQ(f.Quit_Func_But.caption, "&Quit = 01A3");
  EXPECT_EQ(f.s.DeviceAddr, 0) << "counters reset after the caption was written";
}

TEST_F(BusyIdleTest, IdleRestoresNormalPriorityAndReportsARefusalOnce) {
  h.priority.realTime = true;
  f.shell.EnterIdleState();
  EXPECT_FALSE(h.priority.realTime);
  EXPECT_TRUE(h.toolkit.messages.empty());
  h.priority.refuseNormal = true;
  f.shell.EnterIdleState();
  ASSERT_EQ(h.toolkit.messages.size(), 1u);
  EXPECT_EQ(h.toolkit.messages[0].text, "Error Setting Priority Class...");
  EXPECT_EQ(f.StaticText3.colour, colour::Lime) << "the window still becomes idle";
}

TEST_F(BusyIdleTest, BusyAndIdleResetThePassCounters) {
  f.s.DeviceStart = 0x10;
  f.s.BufferStart = 0x8000;
  f.s.DeviceAddr = 0x55;
  f.s.BufferAddr = 0x99;
  f.s.StopCount = 5;
  f.shell.EnterBusyState();
  EXPECT_EQ(f.s.DeviceAddr, 0x10);
  EXPECT_EQ(f.s.BufferAddr, 0x8000);
  EXPECT_EQ(f.s.StopCount, 0);
}

TEST_F(BusyIdleTest, QuitWhileIdleOnlySetsStopCount) {
  f.s.ProgrammerFound = 1;
  f.shell.EnterIdleState();
  const std::string caption = f.Quit_Func_But.caption;
  f.Click(f.Quit_Func_But);
  EXPECT_EQ(f.s.StopCount, 5);
  EXPECT_EQ(f.Quit_Func_But.caption, caption);
  f.shell.EnterBusyState();
  EXPECT_EQ(f.s.StopCount, 0) << "the next busy state clears it";
}

TEST_F(BusyIdleTest, DisabledButtonIgnoresClicks) {
  int clicks = 0;
  f.Edit.OnClick = [&] { ++clicks; };
  f.shell.EnterBusyState();
  f.Click(f.Edit);
  EXPECT_EQ(clicks, 0);
  f.shell.EnterIdleState();
  f.Click(f.Edit);
  EXPECT_EQ(clicks, 1);
}

// A command that loops until StopCount rises, passing messages once per byte, as the
// device passes do. Quit pressed at a chosen pass ends it after that byte.
TEST_F(BusyIdleTest, QuitPressedDuringACommandEndsItsLoop) {
  f.s.ProgrammerFound = 1;
  f.s.DeviceEnd = 0xFFFF;
  f.shell.EnterIdleState();
  f.Verify.OnClick = [&] {
    f.shell.EnterBusyState();
    f.Quit_Func_But.enabled = true;
    do {
      h.toolkit.ProcessMessages();
      f.window.StepPass();
    } while (f.s.StopCount < 1);
    f.shell.EnterIdleState();
  };
  // Pressed while byte 1A2 is processed: the pass ends after it, at 1A3.
  h.toolkit.When([&] { return f.s.DeviceAddr == 0x1A2; }, [&] { f.Click(f.Quit_Func_But); });
  f.Click(f.Verify);
  EXPECT_EQ(f.Quit_Func_But.caption, "&Quit = 01A3");
}

TEST_F(BusyIdleTest, StatusLineIsInertWhileACommandRuns) {
  int status_clicks = 0;
  f.StaticText3.OnClick = [&] { ++status_clicks; };
  f.Verify.OnClick = [&] {
    f.shell.EnterBusyState();
    h.toolkit.ProcessMessages();
    f.shell.EnterIdleState();
  };
  f.s.ProgrammerFound = 1;
  f.shell.EnterIdleState();
  h.toolkit.At(2, [&] { f.Click(f.StaticText3); });
  f.Click(f.Verify);
  EXPECT_EQ(status_clicks, 0);
  // In a busy window with no command running (a start-up stopped by a bad
  // configuration line) the status line still recovers.
  f.shell.EnterBusyState();
  f.Click(f.StaticText3);
  EXPECT_EQ(status_clicks, 1);
}

TEST_F(BusyIdleTest, Timer1IsOneShotOnVirtualTime) {
  f.Timer1Interval = 100;
  f.s.WaitMs = 100;
  f.SetTimer1(true);
  const int64_t start = h.clock.NowMicros();
  h.toolkit.ProcessMessages();
  EXPECT_EQ(f.s.WaitMs, 0);
  EXPECT_FALSE(f.Timer1Enabled);
  EXPECT_EQ(h.clock.NowMicros() - start, 100'000);
  f.s.WaitMs = 7;
  h.toolkit.ProcessMessages();
  EXPECT_EQ(f.s.WaitMs, 7) << "a fired timer does not fire again";
}

}  // namespace
}  // namespace tarnwick
