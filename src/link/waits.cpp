#include "link/waits.h"

#include <cstdint>

#include "base/command_frame.h"
#include "base/program_state.h"
#include "base/toolkit.h"
#include "link/latches.h"

namespace tarnwick {

void Waits::TimerWait() {
  toolkit_.ProcessMessages();
  frame_.StartTimer1(s_.WaitMs);
  toolkit_.ProcessMessages();
  // The timer's event clears WaitMs. The wait sleeps in the toolkit meanwhile: a loop of
  // message passes at real-time priority would starve the display on a single core.
  // A closed window stops the timer for good, so the wait ends there too.
  do {
    toolkit_.WaitForMessages();
  } while (s_.WaitMs > 0 && !frame_.Closed());
}

void Waits::TimerWait(int ms) {
  s_.WaitMs = ms;
  TimerWait();
}

void Waits::ScaledWait() {
  link_.ReadStatus(static_cast<int64_t>(static_cast<uint32_t>(s_.SpeedCount) * s_.PulseWait));
  toolkit_.ProcessMessages();
}

void Waits::ShortWait() {
  link_.ReadStatus(5 * static_cast<int64_t>(s_.PulseWait));
}

void Waits::StepWait() {
  link_.ReadStatus(s_.PulseWait);
  toolkit_.ProcessMessages();
}

}  // namespace tarnwick
