// The window's busy and idle states, the Quit button and Timer1.
#pragma once

#include <string>

namespace tarnwick {

class TMainForm;
class Control;

class Shell {
 public:
  explicit Shell(TMainForm& form) : f_(form) {}
  void Wire();

  void EnterBusyState();
  void EnterIdleState();
  void Quit_Func_ButClick();
  // The status line: without a programmer a click searches again.
  void StaticText3Click();
  void Timer1Timer();

  // "&Quit = " and the address, at least 4 hex digits.
  void ShowQuitAddress(int address);
  // Raises the process to real-time priority for a timing-critical command; a refusal
  // is reported and the command goes on.
  void RaisePriority();

 private:
  TMainForm& f_;
  // The status line as the last idle state left it: a red text that no command has
  // replaced since stays red, whatever the commands in between (a checksum, a fill, an
  // entry) leave in OpFailed.
  std::string redText_;
  bool red_ = false;
};

}  // namespace tarnwick
