// The address window over the buffer and the pass that walks it one byte at a time.
#pragma once

namespace tarnwick {

class TMainForm;

class BufferWindow {
 public:
  explicit BufferWindow(TMainForm& form) : f_(form) {}
  void Wire();

  // Begins a pass: latches parked, counters at the window's start, StopCount 0.
  void StartPass();
  // Moves the pass one byte on; StopCount rises once DeviceEnd has been processed.
  void StepPass();
  // Brings the window values within the selected chip's limits, writes the four
  // address captions and returns the window to its idle state.
  void ApplyWindow();
  // Sums the buffer over DeviceStart..DeviceEnd (as buffer addresses) into CheckSum and
  // shows it; runs through the busy and idle states.
  void ShowCheckSum();

 private:
  TMainForm& f_;
};

}  // namespace tarnwick
