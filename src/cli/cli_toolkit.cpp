#include "cli/cli_toolkit.h"

#include <ctime>

#include "app/main_form.h"

namespace tarnwick {

void CliToolkit::ProcessMessages() {
  // A Ctrl-C is the operator's Quit: given at every pass while it stands, so a pass that
  // starts after it (the verify after programming) stops at its first byte too. Where
  // the Quit button is dead (erase, lock bits) the command runs to its end.
  if (QuitWanted() && form_ != nullptr && form_->Quit_Func_But.Live())
    form_->Click(form_->Quit_Func_But);
  if (timerEnabled_ && form_ != nullptr) {
    if (virtual_ != nullptr) virtual_->AdvanceTo(timerDue_);
    if (clock_.NowMicros() >= timerDue_) {
      timerEnabled_ = false;
      form_->Timer1Fired();
    }
  }
  if (onPass) onPass();
}

void CliToolkit::WaitForMessages() {
  if (timerEnabled_ && virtual_ == nullptr && !QuitWanted()) {
    const int64_t wait = timerDue_ - clock_.NowMicros();
    if (wait > 0) {
      // A signal ends the sleep early (EINTR); the pass below then sees it.
      timespec span{static_cast<time_t>(wait / 1000000), static_cast<long>(wait % 1000000) * 1000};
      nanosleep(&span, nullptr);
    }
  }
  ProcessMessages();
}

void CliToolkit::SetTimer1(bool enabled, int interval_ms) {
  timerEnabled_ = enabled && interval_ms > 0;
  if (timerEnabled_) timerDue_ = clock_.NowMicros() + static_cast<int64_t>(interval_ms) * 1000;
}

void CliToolkit::Message(CliMessage::Kind kind, const std::string& text) {
  if (onMessage) onMessage(CliMessage{kind, text});
}

void CliToolkit::ShowMessage(const std::string& text) {
  Message(CliMessage::Kind::Information, text);
}

void CliToolkit::ShowMessageAt(const std::string& text, int, int) {
  Message(CliMessage::Kind::Information, text);
}

void CliToolkit::ShowError(const std::string& text) {
  Message(CliMessage::Kind::Error, text);
}

bool CliToolkit::RunOpenDialog(FileDialog& dialog) {
  if (dialogAnswers.empty()) return false;
  dialog.fileName = dialogAnswers.front();
  dialogAnswers.pop_front();
  return true;
}

bool CliToolkit::RunSaveDialog(FileDialog& dialog) {
  return RunOpenDialog(dialog);
}

void CliToolkit::SetFocus(Control& control) {
  Control* from = focused_;
  focused_ = &control;
  if (form_ != nullptr && from != &control) form_->FocusMoved(from, &control);
}

}  // namespace tarnwick
