// The window toolkit's services the program calls: one pass of pending-message
// processing, the one-shot millisecond timer, modal message boxes and the file
// dialogs. The Qt view implements it for people; the headless one in the tests answers
// from a script and runs the timer on virtual time.
#pragma once

#include <string>

#include "base/controls.h"

namespace tarnwick {

class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Processes the window messages that are pending, once, and returns. Clicks, keys
  // and the window's close are delivered to the form from inside this call.
  virtual void ProcessMessages() = 0;
  // Sleeps until a window message or a timer event arrives, then processes what is
  // pending, as ProcessMessages does. For waits on Timer1, which need no processor time.
  virtual void WaitForMessages() { ProcessMessages(); }

  // Timer1: started with an interval in milliseconds, or stopped. When it fires the
  // toolkit calls TMainForm::Timer1Timer (which stops it again: it is used one-shot).
  virtual void SetTimer1(bool enabled, int interval_ms) = 0;

  // A modal information box with one OK button; centred on the screen.
  virtual void ShowMessage(const std::string& text) = 0;
  // The same box with its top-left corner at a screen position.
  virtual void ShowMessageAt(const std::string& text, int left, int top) = 0;
  // The standard error box that reports a failed conversion or a failed file access.
  virtual void ShowError(const std::string& text) = 0;

  // Runs an open or save dialog. On confirmation stores the chosen full name in
  // dialog.fileName and returns true; Cancel returns false and changes nothing.
  virtual bool RunOpenDialog(FileDialog& dialog) = 0;
  virtual bool RunSaveDialog(FileDialog& dialog) = 0;

  // Whole-window enabling, used while the programmer is searched for.
  virtual void SetWindowEnabled(bool enabled) = 0;

  // The form scaled its window (large layout): outer size in pixels.
  virtual void WindowResized(int width, int height) { (void)width, (void)height; }

  // Gives the keyboard focus to a control. The toolkit reports focus changes back
  // to the form (TMainForm::FocusMoved), which runs the OnExit handlers.
  virtual void SetFocus(Control& control) = 0;
};

}  // namespace tarnwick
