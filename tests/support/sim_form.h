// The main window on the simulated box with a chip socket: the bench every end-to-end
// test of the device operations runs on.
#pragma once

#include <memory>

#include "app/main_form.h"
#include "base/virtual_clock.h"
#include "link/linux_port.h"
#include "sim/sim_box.h"
#include "sim/sim_socket.h"
#include "support/fake_kernel.h"
#include "support/fakes.h"
#include "support/headless_toolkit.h"

namespace tarnwick {

// How the program reaches the box: the simulated box as the port itself, or the real
// Linux backend over the model of the kernel, with the box on the bus at 0x378 (ECR at
// 0x77A) - through ppdev as an ordinary user of group lp (parport0 listed, ioperm
// refused), or by direct I/O as root with no parport driver loaded.
enum class Backend { Simulated, Ppdev, Direct };

struct SimForm {
  VirtualClock clock;
  SimBox box{&clock};
  SimSocket socket;
  HeadlessToolkit toolkit{clock};
  FakePriority priority;
  FakeKernel kernel{clock};
  LinuxPortIo linuxPort{kernel};
  std::unique_ptr<TMainForm> form;

  explicit SimForm(Backend backend = Backend::Simulated);
  TMainForm& f() { return *form; }

  // Start-up's part that concerns the box: the search, the second speed measurement,
  // PulseWait from it (SpeedCount / 20, not below ProgramPulse), then the idle state.
  // The record of the search and measurements is dropped; recording goes on after,
  // bounded to kRecordLimit accesses (a 32 KiB programming run makes millions).
  void FindBox();
  static constexpr size_t kRecordLimit = 1000000;
  // The operator picks a row of the device list; the prompts are answered by the
  // headless toolkit, and the chip the row names is seated (blank) unless the socket
  // already holds one of that kind.
  void SelectRow(int row);
  // The row of the device list whose Device caption is `name` (blanks ignored).
  static int RowOf(const char* name);
};

}  // namespace tarnwick
