// A test on the simulated bench: the box found on its port, a chip seated by picking
// its row, and the box's log to search for what it refused.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/sim_form.h"

namespace tarnwick {

class SimBenchTest : public ::testing::Test {
 protected:
  SimBenchTest() { sim.FindBox(); }

  // Picks the row of that chip; the socket then holds a chip of that name.
  SimChip& Seat(const char* name) {
    sim.SelectRow(SimForm::RowOf(name));
    EXPECT_STREQ(sim.socket.Chip()->info().name, name);
    return *sim.socket.Chip();
  }
  // The same with short waits, which keep runs quick: the simulated EPROMs need one
  // status read of pulse, the flash parts keep their 10.
  SimChip& SeatWithShortWaits(const char* name) {
    SimChip& chip = Seat(name);
    if (f.s.DeviceFamily <= 4) f.s.PulseWait = 1;
    return chip;
  }
  // The address window over the same buffer and device addresses.
  void Window(int32_t start, int32_t end) {
    f.s.DeviceStart = start;
    f.s.DeviceEnd = end;
    f.s.BufferStart = start;
  }
  bool Logged(const std::string& text) const {
    for (const std::string& line : sim.box.Log())
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

  SimForm sim;
  TMainForm& f = sim.f();
};

}  // namespace tarnwick
