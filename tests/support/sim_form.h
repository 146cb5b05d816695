// The main window on the simulated box with a chip socket: the bench every end-to-end
// test of the device operations runs on.
#pragma once

#include <memory>

#include "app/main_form.h"
#include "app/virtual_clock.h"
#include "sim/sim_box.h"
#include "sim/sim_socket.h"
#include "support/fakes.h"
#include "support/headless_toolkit.h"

namespace tarnwick {

struct SimForm {
  VirtualClock clock;
  SimBox box{&clock};
  SimSocket socket;
  HeadlessToolkit toolkit{clock};
  FakePriority priority;
  std::unique_ptr<TMainForm> form;

  SimForm();
  TMainForm& f() { return *form; }

  // Start-up's part that concerns the box: the search, the second speed measurement,
  // PulseWait from it (SpeedCount / 20, not below ProgramPulse), then the idle state.
  // The record of the search and measurements is dropped; recording goes on after.
  void FindBox();
  // The operator picks a row of the device list; the prompts are answered by the
  // headless toolkit, and the chip the row names is seated (blank) unless the socket
  // already holds one of that kind.
  void SelectRow(int row);
  // The row of the device list whose Device caption is `name` (blanks ignored).
  static int RowOf(const char* name);
};

}  // namespace tarnwick
