// Closing the window in the middle of a command: the command ends and nothing more runs
// over the released port.
#include <gtest/gtest.h>

#include "support/sim_form.h"

namespace tarnwick {
namespace {

// The automatic verify starts a new pass after programming; a close in the pause
// between the two must not let it walk the window over the released port.
TEST(CloseTest, ClosingBeforeTheAutomaticVerifyRunsNoFurtherPass) {
  {
    SimForm sim;
    sim.FindBox();
    sim.SelectRow(SimForm::RowOf("87C51H"));
    TMainForm& f = sim.f();
    f.s.DeviceEnd = 0xFF;
    f.window.ApplyWindow();
    for (int a = 0; a <= 0xFF; ++a) f.s.Buffer[static_cast<size_t>(a)] = 0x5A;
    sim.toolkit.When([&] { return f.StaticText3.caption == "Eprom is Programmed..............."; },
                     [&] { f.Close(); });
    f.Click(f.Programm);
    EXPECT_TRUE(f.Closed());
    EXPECT_FALSE(sim.box.IsOpen());
    // The released port reads FF against the buffer's 5A: the verify listed its first
    // byte and stopped there instead of all 256.
    EXPECT_EQ(f.Memo1.lines().size(), 1u);
  }
}

}  // namespace
}  // namespace tarnwick
