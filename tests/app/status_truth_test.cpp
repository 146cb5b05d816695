// What the operator reads is what happened: after a failure, a command that has no
// result of its own never paints the old failure green; a pass Quit stopped never ends
// in a success text; the checksum follows the buffer; the memo stays bounded.
#include <gtest/gtest.h>

#include <functional>

#include "support/memo_lines.h"
#include "support/sim_fixture.h"
#include "support/type_text.h"

namespace tarnwick {
namespace {

class StatusTruthTest : public SimBenchTest {
 protected:
  // A verify of a blank 87C51H against a buffer of 5A: red, "Device Did NOT Verify".
  void FailAVerify() {
    Seat("87C51H");
    f.s.PulseWait = 1;
    f.s.DeviceStart = f.s.BufferStart = 0;
    f.s.DeviceEnd = 0x0F;
    f.s.Buffer.fill(0x5A);
    f.Click(f.Verify);
    ASSERT_EQ(f.StaticText3.caption, "Device Did NOT Verify to Buffer....");
    ASSERT_EQ(f.StaticText3.colour, colour::Red);
  }
};

TEST_F(StatusTruthTest, ACommandWithoutAResultOfItsOwnLeavesAFailureRed) {
  const std::pair<const char*, std::function<void(TMainForm&)>> commands[] = {
      {"Check Sum", [](TMainForm& f) { f.Click(f.Chk_Sum_But); }},
      {"Fill Buffer 00",
       [](TMainForm& f) {
         f.Click(f.Fill);
         f.ListClick(f.FillBox, 0);
       }},
      {"an address entry refused",
       [](TMainForm& f) {
         f.Click(f.Start_Add);
         TypeInto(f, f.Edit_Add, "\r");
       }},
      {"an address entry taken",
       [](TMainForm& f) {
         f.Click(f.End_Add);
         TypeInto(f, f.Edit_Add, "F\r");
       }},
      {"Edit Buffer opened and closed",
       [](TMainForm& f) {
         f.Click(f.Edit);
         f.Click(f.Edit);
       }},
  };
  for (const auto& [name, run] : commands) {
    SCOPED_TRACE(name);
    FailAVerify();
    run(f);
    EXPECT_EQ(f.StaticText3.caption, "Device Did NOT Verify to Buffer....");
    EXPECT_EQ(f.StaticText3.colour, colour::Red);
  }
}

TEST_F(StatusTruthTest, TheCheckSumFollowsTheBuffer) {
  Seat("89C51");
  f.Click(f.Fill);
  f.ListClick(f.FillBox, 1);
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=F000");  // 4096 x FF
  f.Click(f.Fill);
  f.ListClick(f.FillBox, 0);
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=0000");
  f.s.Buffer[0x1FFF] = 0x01;  // outside the 89C51's window, inside the 89C52's
  f.Click(f.Device);
  f.ListClick(f.Device_Box, SimForm::RowOf("89C52"));
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=0001");
  f.Click(f.End_Add);
  TypeInto(f, f.Edit_Add, "FFF\r");
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=0000");
}

TEST_F(StatusTruthTest, AStoppedPassNeverEndsInASuccessText) {
  const std::pair<const char*, Control TMainForm::*> commands[] = {
      {"Blank Check", &TMainForm::Blank_Chk},
      {"Verify", &TMainForm::Verify},
      {"Move", &TMainForm::Move_Eprom},
      {"Program Compare", &TMainForm::Compare},
  };
  for (const auto& [name, button] : commands) {
    SCOPED_TRACE(name);
    SimChip& chip = Seat("87C51H");
    f.s.DeviceStart = f.s.BufferStart = 0;
    f.s.DeviceEnd = 0xFF;
    for (int a = 0; a <= 0xFF; ++a) f.s.Buffer[a] = chip.contents()[a];  // all would pass
    sim.toolkit.When([this] { return f.Quit_Func_But.caption == "&Quit = 0080"; },
                     [this] { f.Click(f.Quit_Func_But); });
    f.Click(f.*button);
    EXPECT_EQ(f.StaticText3.caption, "Stopped at 0081....");
    EXPECT_EQ(f.StaticText3.colour, colour::Red);
    EXPECT_EQ(f.outcomes.device.verdict, Verdict::Stopped);
  }
}

TEST_F(StatusTruthTest, RepeatedFailingBlankChecksKeepTheMemoBounded) {
  SimChip& chip = Seat("87C58H");
  for (int a = 0; a <= 0x7FFF; ++a) chip.contents()[a] = 0x00;  // programmed: every byte fails
  f.s.PulseWait = 1;
  for (int run = 0; run < 3; ++run) {
    f.Click(f.Blank_Chk);
    ASSERT_EQ(ListedLines(f).size(), 32768u);
  }
  EXPECT_EQ(ListedLines(f).front(), "7FFF  EXPECTED-FF FOUND-00");
  EXPECT_EQ(f.outcomes.device.mismatches.size(), 32768u);
}

TEST(MemoLimitTest, TheOldestLinesGoAndOneLineCountsThem) {
  Control memo("Memo1", ControlKind::Memo);
  memo.maxLines = 4;
  for (int i = 1; i <= 6; ++i) memo.InsertFirstLine("line " + std::to_string(i));
  // Newest on top; the oldest three made room for the count.
  EXPECT_EQ(memo.lines(),
            (std::deque<std::string>{"line 6", "line 5", "line 4", "... 3 Older Lines Dropped"}));
  memo.ClearLines();
  EXPECT_EQ(memo.droppedLines(), 0);
  for (int i = 1; i <= 5; ++i) memo.AddLine("line " + std::to_string(i));  // added below
  EXPECT_EQ(memo.lines(),
            (std::deque<std::string>{"... 2 Older Lines Dropped", "line 3", "line 4", "line 5"}));
}

TEST(MemoLimitTest, LongTextIsBrokenAtBlanksWithinTheMemoWidth) {
  const std::vector<std::string> lines = WrapForMemo(
      "Port-0378 - /dev/parport0: Permission denied - add yourself to the group lp", 12);
  EXPECT_EQ(lines, (std::vector<std::string>{"Port-0378 - /dev/parport0: Permission denied -",
                                             "            add yourself to the group lp"}));
  EXPECT_EQ(WrapForMemo(std::string(100, 'x')).size(), 3u);  // no blank: cut hard
  EXPECT_EQ(WrapForMemo(""), std::vector<std::string>{""});
}

}  // namespace
}  // namespace tarnwick
