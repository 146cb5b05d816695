// What a subsystem below the window may ask of the window that runs it, and the three
// places every command writes to. The window (TMainForm) is the one implementation;
// the subsystems see only this.
#pragma once

#include "base/controls.h"

namespace tarnwick {

class CommandFrame {
 public:
  virtual ~CommandFrame() = default;
  // The busy state of a command: every command button dead, the Quit button live, the
  // status line yellow. The idle state ends it: the buttons that can run come back and
  // the status line shows green, or red when OpFailed is set.
  virtual void EnterBusyState() = 0;
  virtual void EnterIdleState() = 0;
  // "&Quit = " and the address, at least 4 hex digits.
  virtual void ShowQuitAddress(int address) = 0;
  // Real-time priority for a timing-critical command; a refusal is reported and the
  // command goes on.
  virtual void RaisePriority() = 0;
  // The whole window takes input or not (the search runs with it disabled).
  virtual void SetWindowEnabled(bool enabled) = 0;
  // Timer1, the one-shot millisecond timer of the waits: its event clears WaitMs. An
  // interval of 0 or less starts nothing.
  virtual void StartTimer1(int interval_ms) = 0;
  // The operator has closed the window: nothing more is started, shown or probed.
  virtual bool Closed() const = 0;
};

// The status line, the memo beside the buffer and the Quit button's caption.
struct WindowReport {
  Control& status;
  Control& memo;
  Control& quit;
};

}  // namespace tarnwick
