// The window toolkit of the command line: no window, the same handlers. Message boxes
// are handed to the command-line layer (which prints them), the open and save dialogs
// are answered with the command's file, Timer1 runs on the program's clock, and every
// message pass turns a Ctrl-C into a click of the Quit button, so a pass stops exactly
// as it does in the window.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "base/platform.h"
#include "base/stop_flag.h"
#include "base/toolkit.h"
#include "base/virtual_clock.h"

namespace tarnwick {

class TMainForm;

struct CliMessage {
  enum class Kind { Information, Error } kind;
  std::string text;
};

class CliToolkit final : public Toolkit {
 public:
  // With a virtual clock (the simulated box) a timer wait moves that clock on to the
  // timer's moment; otherwise the wait sleeps until it.
  CliToolkit(Clock& clock, VirtualClock* virtual_clock) : clock_(clock), virtual_(virtual_clock) {}
  void Attach(TMainForm& form) { form_ = &form; }

  void ProcessMessages() override;
  void WaitForMessages() override;
  void SetTimer1(bool enabled, int interval_ms) override;
  void ShowMessage(const std::string& text) override;
  void ShowMessageAt(const std::string& text, int left, int top) override;
  void ShowError(const std::string& text) override;
  bool RunOpenDialog(FileDialog& dialog) override;
  bool RunSaveDialog(FileDialog& dialog) override;
  void SetWindowEnabled(bool) override {}
  void SetFocus(Control& control) override;

  // The file names the next dialogs are answered with; none left answers Cancel.
  std::deque<std::string> dialogAnswers;
  // Every message box, as it is shown (the box is answered with OK when this returns).
  std::function<void(const CliMessage&)> onMessage;
  // Runs at every message pass, after the pending events: the progress display.
  std::function<void()> onPass;
  // When a stop signal counts as the operator's Quit; unset: at the first one.
  std::function<bool()> quitWanted;

 private:
  bool QuitWanted() const { return quitWanted ? quitWanted() : InterruptRequested(); }
  void Message(CliMessage::Kind kind, const std::string& text);

  Clock& clock_;
  VirtualClock* virtual_;
  TMainForm* form_ = nullptr;
  Control* focused_ = nullptr;
  bool timerEnabled_ = false;
  int64_t timerDue_ = 0;
};

}  // namespace tarnwick
