#include <gtest/gtest.h>

#include "support/form_fixture.h"

namespace tarnwick {
namespace {

class TestPanelTest : public FormTest {
 protected:
  void Type(Control& c, char key) {
    char ch = key;
    f.KeyPress(c, ch);
  }
};

TEST_F(TestPanelTest, TOnHelpOrVppOpensThePanelInEitherCase) {
  for (auto [button, key] : {std::pair{&f.Help_1, 'T'}, std::pair{&f.Vpp_But, 't'}}) {
    f.s.ProgrammerFound = 1;
    f.shell.EnterIdleState();
    f.Panel1.visible = false;
    f.Panel2.visible = true;
    Type(*button, key);
    EXPECT_TRUE(f.Panel1.visible) << button->name();
    EXPECT_FALSE(f.Panel2.visible);
    EXPECT_FALSE(f.Programm.enabled) << "every button outside the panel is disabled";
    EXPECT_TRUE(f.Quit_Test.Live());
    EXPECT_EQ(f.s.TestVppStep, 4);
  }
}

TEST_F(TestPanelTest, OtherKeysDoNothing) {
  f.shell.EnterIdleState();
  for (char key : {'x', 'H', ' ', '\r'}) Type(f.Help_1, key);
  EXPECT_FALSE(f.Panel1.visible);
  EXPECT_TRUE(f.Edit.enabled);
}

TEST_F(TestPanelTest, OpeningShowsTheSettingsInDecimal) {
  f.s.ProgramPass = 4464;
  f.s.ProgramPulse = 400;
  f.s.PortDelay = 10;
  f.shell.EnterIdleState();
  Type(f.Help_1, 'T');
  EXPECT_EQ(f.Chg_Pass.caption, "Program Pass=4464");
  EXPECT_EQ(f.Chg_Pulse.caption, "Program Pulse=400");
  EXPECT_EQ(f.Chg_Delay.caption, "Port Delay=10");
  EXPECT_EQ(f.Chg_Lpt4.caption, "LPT4=0000") << "not rewritten on opening";
}

TEST_F(TestPanelTest, WithoutProgrammerTheVppTestSendsNothingAndQuitRestoresIdle) {
  f.s.VppCode = 2;
  f.shell.EnterIdleState();
  Type(f.Help_1, 't');
  f.Click(f.Test_Vpp);
  EXPECT_EQ(f.Test_Vpp.caption, "Vpp = 25");
  EXPECT_TRUE(h.port.accesses.empty());
  f.Click(f.Quit_Test);
  EXPECT_FALSE(f.Panel1.visible);
  EXPECT_TRUE(f.Panel2.visible);
  EXPECT_TRUE(f.Edit.enabled);
  EXPECT_FALSE(f.Programm.enabled) << "device buttons stay disabled without a programmer";
}

TEST_F(TestPanelTest, QuitRestoresTheVppCodeWhateverTheTestDid) {
  f.s.ProgrammerFound = 1;
  f.s.LptBase = 0x378;
  f.s.StatusPort = 0x379;
  f.s.ControlPort = 0x37A;
  f.s.VppCode = 7;
  f.vpp.ApplyVpp();
  f.shell.EnterIdleState();
  Type(f.Vpp_But, 'T');
  for (int i = 0; i < 3; ++i) f.Click(f.Test_Vpp);
  EXPECT_EQ(f.Test_Vpp.caption, "Vpp = 12.5");
  h.port.accesses.clear();
  f.Click(f.Quit_Test);
  EXPECT_EQ(f.s.VppCode, 7);
  EXPECT_EQ(f.Vpp_But.caption, "Vpp = 12.5");
  EXPECT_EQ(f.s.Latch2Base, 0x3F);
  EXPECT_EQ(f.s.Latch3Base, 0xB0);
  // The level of code 7 went back to the box: Latch3 first, then Latch2.
  const auto data = h.port.WritesTo(f.s.LptBase);
  ASSERT_GE(data.size(), 2u);
  EXPECT_EQ(data[0], 0xB0);
  EXPECT_EQ(data[1], 0x3F);
}

}  // namespace
}  // namespace tarnwick
