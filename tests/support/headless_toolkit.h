// A toolkit without a display. Message boxes are recorded and answered with OK,
// dialogs are answered from a script, Timer1 runs on virtual time, and a test can have
// an event (a click, a key, closing the window) delivered at a chosen message pass.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/toolkit.h"
#include "base/virtual_clock.h"

namespace tarnwick {

class TMainForm;

struct ShownMessage {
  enum class Kind { Information, Error } kind;
  std::string text;
  bool placed;  // shown at a fixed position instead of centred
  int left, top;
};

class HeadlessToolkit final : public Toolkit {
 public:
  explicit HeadlessToolkit(VirtualClock& clock) : clock_(clock) {}
  void Attach(TMainForm& form) { form_ = &form; }

  void ProcessMessages() override;
  void SetTimer1(bool enabled, int interval_ms) override;
  void ShowMessage(const std::string& text) override;
  void ShowMessageAt(const std::string& text, int left, int top) override;
  void ShowError(const std::string& text) override;
  bool RunOpenDialog(FileDialog& dialog) override;
  bool RunSaveDialog(FileDialog& dialog) override;
  void SetWindowEnabled(bool enabled) override { windowEnabled = enabled; }
  void SetFocus(Control& control) override;

  // Script: answers of the next dialogs (a file name, or nullopt for Cancel).
  std::deque<std::optional<std::string>> dialogAnswers;
  // Runs when a message box is shown, before it is answered with OK (the box is
  // modal: the form sees nothing else meanwhile).
  std::function<void(const ShownMessage&)> onMessage;
  // Delivers an event at message pass n (1 = the next pass after the script was set).
  void At(int pass, std::function<void()> event);
  // Delivers an event at the next pass for which the predicate holds.
  void When(std::function<bool()> condition, std::function<void()> event);

  std::vector<ShownMessage> messages;
  std::vector<FileDialog> dialogsRun;  // as they were when run
  int passes = 0;
  bool windowEnabled = true;
  Control* focused = nullptr;
  bool timerEnabled = false;
  int timerInterval = 0;

 private:
  VirtualClock& clock_;
  TMainForm* form_ = nullptr;
  std::multimap<int, std::function<void()>> scheduled_;
  std::vector<std::pair<std::function<bool()>, std::function<void()>>> conditional_;
  int64_t timerDue_ = 0;
};

}  // namespace tarnwick
