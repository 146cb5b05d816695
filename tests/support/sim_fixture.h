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
  bool Logged(const std::string& text) const {
    for (const std::string& line : sim.box.Log())
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

  SimForm sim;
  TMainForm& f = sim.f();
};

}  // namespace tarnwick
