// The operator's hidden test panel: four low-level settings and a Vpp test, opened by
// typing the letter T on the Help or Vpp button.
#pragma once

namespace tarnwick {

class TMainForm;

inline constexpr char kTestPanelKey = 'T';

class TestPanel {
 public:
  explicit TestPanel(TMainForm& form) : f_(form) {}
  void Wire();

  void Vpp_ButKeyPress(char& key);
  void Quit_TestClick();

 private:
  TMainForm& f_;
};

}  // namespace tarnwick
