#include "support/headless_toolkit.h"

#include "app/main_form.h"

namespace tarnwick {

void HeadlessToolkit::ProcessMessages() {
  ++passes;
  for (auto it = scheduled_.begin(); it != scheduled_.end() && it->first <= passes;) {
    auto event = std::move(it->second);
    it = scheduled_.erase(it);
    event();
  }
  for (size_t i = 0; i < conditional_.size();) {
    if (conditional_[i].first()) {
      auto event = std::move(conditional_[i].second);
      conditional_.erase(conditional_.begin() + static_cast<long>(i));
      event();
    } else {
      ++i;
    }
  }
  // The timer fires on the first pass at or after its due time; a waiting loop that
  // keeps passing moves virtual time on to that moment.
  if (timerEnabled && form_ != nullptr) {
    clock_.AdvanceTo(timerDue_);
    timerEnabled = false;
    form_->Timer1Fired();
  }
}

void HeadlessToolkit::SetTimer1(bool enabled, int interval_ms) {
  timerEnabled = enabled && interval_ms > 0;
  timerInterval = interval_ms;
  if (timerEnabled) timerDue_ = clock_.NowMicros() + static_cast<int64_t>(interval_ms) * 1000;
}

void HeadlessToolkit::ShowMessage(const std::string& text) {
  messages.push_back({ShownMessage::Kind::Information, text, false, 0, 0});
  if (onMessage) onMessage(messages.back());
}

void HeadlessToolkit::ShowMessageAt(const std::string& text, int left, int top) {
  messages.push_back({ShownMessage::Kind::Information, text, true, left, top});
  if (onMessage) onMessage(messages.back());
}

void HeadlessToolkit::ShowError(const std::string& text) {
  messages.push_back({ShownMessage::Kind::Error, text, false, 0, 0});
  if (onMessage) onMessage(messages.back());
}

bool HeadlessToolkit::RunOpenDialog(FileDialog& dialog) {
  dialogsRun.push_back(dialog);
  if (dialogAnswers.empty() || !dialogAnswers.front()) {
    if (!dialogAnswers.empty()) dialogAnswers.pop_front();
    return false;
  }
  dialog.fileName = *dialogAnswers.front();
  dialogAnswers.pop_front();
  return true;
}

bool HeadlessToolkit::RunSaveDialog(FileDialog& dialog) {
  return RunOpenDialog(dialog);
}

void HeadlessToolkit::SetFocus(Control& control) {
  Control* from = focused;
  focused = &control;
  if (form_ != nullptr && from != &control) form_->FocusMoved(from, &control);
}

void HeadlessToolkit::At(int pass, std::function<void()> event) {
  scheduled_.emplace(passes + pass, std::move(event));
}

void HeadlessToolkit::When(std::function<bool()> condition, std::function<void()> event) {
  conditional_.emplace_back(std::move(condition), std::move(event));
}

}  // namespace tarnwick
