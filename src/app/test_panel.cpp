#include "app/test_panel.h"

#include <string>

#include "app/main_form.h"

namespace tarnwick {

void TestPanel::Wire() {
  f_.Help_1.OnKeyPress = [this](char& key) { Vpp_ButKeyPress(key); };
  f_.Vpp_But.OnKeyPress = [this](char& key) { Vpp_ButKeyPress(key); };
  f_.Quit_Test.OnClick = [this] { Quit_TestClick(); };
}

void TestPanel::Vpp_ButKeyPress(char& key) {
  if (key != kTestPanelKey && key != kTestPanelKey + ('a' - 'A')) return;
  ProgramState& s = f_.s;
  // Busy for as long as the panel is open: only its own buttons respond.
  f_.shell.EnterBusyState();
  s.SavedVppCode = s.VppCode;
  s.TestVppStep = 4;
  f_.Panel1.visible = true;
  f_.Panel2.visible = false;
  f_.Chg_Pass.caption = "Program Pass=" + std::to_string(s.ProgramPass);
  f_.Chg_Pulse.caption = "Program Pulse=" + std::to_string(s.ProgramPulse);
  f_.Chg_Delay.caption = "Port Delay=" + std::to_string(s.PortDelay);
}

void TestPanel::Quit_TestClick() {
  f_.Panel1.visible = false;
  f_.s.VppCode = f_.s.SavedVppCode;
  f_.vpp.ApplyVpp();
  f_.shell.EnterIdleState();
  f_.Panel2.visible = true;
}

}  // namespace tarnwick
