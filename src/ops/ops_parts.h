// What the device commands work with: the state, the latches and waits of the link,
// the programming voltage, the box check, the address window's pass, and the window's
// frame and report.
#pragma once

#include "base/command_frame.h"
#include "base/outcome.h"

namespace tarnwick {

class BufferWindow;
class Detector;
class Link;
class Toolkit;
class Vpp;
class Waits;
struct ProgramState;

struct OpsParts {
  ProgramState& s;
  Link& link;
  Waits& waits;
  Vpp& vpp;
  Detector& detect;
  BufferWindow& window;
  Toolkit& toolkit;
  CommandFrame& frame;
  WindowReport report;
  DeviceOutcome& outcome;
};

// The outcome of a device command as it runs, written beside the window's report.
// A new command: what it is, nothing found yet.
inline void BeginOutcome(OpsParts& p, DeviceCommand command) {
  p.outcome = DeviceOutcome{};
  p.outcome.command = command;
  p.outcome.running = true;
}
// The pass the command runs now (progress follows it).
inline void BeginPass(OpsParts& p, DeviceCommand pass) {
  p.outcome.pass = pass;
}
// The status line's text, in the window and in the outcome.
inline void ShowStatus(OpsParts& p, std::string text) {
  p.report.status.caption = text;
  p.outcome.text = std::move(text);
}
// After a pass: where it stopped, when Quit or the close ended it before its end.
void NotePassEnd(OpsParts& p);
// A byte that differs: in the outcome in address order, on top of the memo.
inline void ReportMismatch(OpsParts& p, const Mismatch& m) {
  p.outcome.mismatches.push_back(m);
  p.report.memo.InsertFirstLine(MismatchLine(m));
}

}  // namespace tarnwick
