// The waits of the device cycles. The short ones are counted in status-register reads,
// calibrated to this PC by the search (SpeedCount reads take 400 µs); the long ones
// (mode changes, erase pulses) run Timer1 and sleep in the event loop meanwhile.
#pragma once

namespace tarnwick {

class CommandFrame;
class Link;
class Toolkit;
struct ProgramState;

class Waits {
 public:
  Waits(ProgramState& state, Link& link, Toolkit& toolkit, CommandFrame& frame)
      : s_(state), link_(link), toolkit_(toolkit), frame_(frame) {}

  // WaitMs milliseconds on Timer1, processing messages; ends early when the window
  // closes.
  void TimerWait();
  void TimerWait(int ms);
  // SpeedCount * PulseWait status reads, then a message pass.
  void ScaledWait();
  // 5 * PulseWait status reads.
  void ShortWait();
  // PulseWait status reads, then a message pass.
  void StepWait();

 private:
  ProgramState& s_;
  Link& link_;
  Toolkit& toolkit_;
  CommandFrame& frame_;
};

}  // namespace tarnwick
