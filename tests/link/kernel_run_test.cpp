// The whole program through the real Linux backend, over the model of the kernel with
// the simulated box on its bus: the box must latch exactly what it latches when it is
// the port itself, and the calibrated waits must last what they are meant to.
#include <gtest/gtest.h>

#include <cmath>

#include "support/sim_form.h"

namespace tarnwick {
namespace {

struct Outcome {
  std::vector<std::string> latches;   // every latch load the box made, in order
  std::vector<std::string> captions;  // the status line after each command
  std::vector<uint8_t> chips;         // what the two chips hold afterwards
};

Outcome RunOn(Backend backend) {
  SimForm sim(backend);
  sim.kernel.ioctlNanos = 600;
  sim.FindBox();
  TMainForm& f = sim.f();
  Outcome run;
  auto click = [&](Control& button) {
    f.Click(button);
    run.captions.push_back(f.StaticText3.caption);
  };
  for (const char* name : {"87C51H", "89C51"}) {
    sim.SelectRow(SimForm::RowOf(name));
    f.s.BufferStart = f.s.DeviceStart = 0;
    f.s.DeviceEnd = 0x3F;
    for (int a = 0; a <= 0x3F; ++a) f.s.Buffer[a] = static_cast<uint8_t>(a * 37 + 11);
    if (f.s.DeviceFamily == 5) {
      click(f.Erase_But);
      click(f.Blank_Chk);
    }
    click(f.Programm);
    click(f.Verify);
    const std::vector<uint8_t>& held = sim.socket.Chip()->contents();
    run.chips.insert(run.chips.end(), held.begin(), held.begin() + 0x40);
  }
  for (const std::string& line : sim.box.Log())
    if (line.starts_with("Latch")) run.latches.push_back(line);
  if (backend != Backend::Simulated) {
    EXPECT_TRUE(sim.kernel.rawIoDropped) << "raw I/O rights kept after the box was found";
  }
  if (backend == Backend::Ppdev) {
    EXPECT_EQ(sim.kernel.ControlLines(0x378) & 0x10, 0) << "no port interrupt without an IRQ";
  }
  return run;
}

TEST(KernelRunTest, PpdevAndDirectIoLatchWhatTheSimulatedBoxLatches) {
  const Outcome plain = RunOn(Backend::Simulated);
  EXPECT_EQ(plain.captions,
            (std::vector<std::string>{
                "Device Verified to Buffer....", "Device Verified to Buffer....",
                "Device has been Erase, Do a Blank Check........", "Device is Erased....",
                "Device Verified to Buffer....", "Device Verified to Buffer...."}));
  ASSERT_GT(plain.latches.size(), 1000u);
  for (Backend backend : {Backend::Ppdev, Backend::Direct}) {
    SCOPED_TRACE(backend == Backend::Ppdev ? "ppdev" : "direct I/O");
    const Outcome run = RunOn(backend);
    EXPECT_EQ(run.captions, plain.captions);
    EXPECT_EQ(run.chips, plain.chips);
    EXPECT_TRUE(run.latches == plain.latches)
        << run.latches.size() << " latch loads against " << plain.latches.size();
  }
}

// Start-up calibrates twice and sets PulseWait from the result; a StepWait is then
// PulseWait status reads and must last 0.4 ms whatever a system call and a bus access
// cost. Through ppdev a status read is an ioctl plus a bus access.
TEST(KernelTimingTest, AStepWaitLastsFourHundredMicrosecondsOnEveryBackend) {
  struct Cost {
    int64_t ioctlNanos, busNanos;
  };
  const Cost costs[] = {{200, 500}, {600, 1000}, {2000, 2000}, {200, 2000}, {2000, 500}};
  for (Backend backend : {Backend::Ppdev, Backend::Direct}) {
    for (const Cost& c : costs) {
      SCOPED_TRACE(testing::Message()
                   << (backend == Backend::Ppdev ? "ppdev " : "direct ") << c.ioctlNanos
                   << " ns per call, " << c.busNanos << " ns per bus access");
      SimForm sim(backend);
      sim.kernel.ioctlNanos = c.ioctlNanos;
      sim.box.SetAccessNanos(c.busNanos);
      sim.FindBox();
      ASSERT_EQ(sim.f().s.ProgrammerFound, 1);
      const int64_t start = sim.clock.NowMicros();
      sim.f().waits.StepWait();
      const double micros = static_cast<double>(sim.clock.NowMicros() - start);
      EXPECT_NEAR(micros, 400.0, 40.0) << "SpeedCount " << sim.f().s.SpeedCount;
    }
  }
}

}  // namespace
}  // namespace tarnwick
