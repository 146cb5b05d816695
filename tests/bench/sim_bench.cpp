// The simulated box under a whole 87C58H: 32 KiB programmed with the family 4 pulse
// trains and verified by the Program command. PulseWait is 1 here (the test panel's
// lowest "Program Pulse="), so the time is the box's own cost per access rather than
// the waits a real port would need.
#include <benchmark/benchmark.h>

#include "support/sim_form.h"

namespace tarnwick {
namespace {

void BM_SimProgramAndVerify87C58H(benchmark::State& state) {
  SimForm sim;
  sim.FindBox();
  sim.box.SetRecording(true, 0);  // nothing kept, every access counted in Dropped()
  sim.SelectRow(SimForm::RowOf("87C58H"));
  TMainForm& f = sim.f();
  for (size_t i = 0; i < 0x8000; ++i) f.s.Buffer[i] = static_cast<uint8_t>(i * 13 + (i >> 8));
  f.s.DeviceStart = 0;
  f.s.DeviceEnd = 0x7FFF;
  f.s.BufferStart = 0;
  f.s.AutoVerifyOn = 1;
  const ChipInfo& info = *FindChip("87C58H");
  uint64_t accesses = 0;
  for (auto _ : state) {
    sim.socket.Insert(info);
    const uint64_t before = sim.box.Dropped();
    f.s.PulseWait = 1;
    f.Click(f.Programm);
    if (f.StaticText3.caption != "Device Verified to Buffer....")
      state.SkipWithError("the chip did not take the buffer");
    accesses += sim.box.Dropped() - before;
  }
  state.counters["accesses"] =
      benchmark::Counter(static_cast<double>(accesses), benchmark::Counter::kAvgIterations);
  state.counters["ns_per_access"] = benchmark::Counter(
      static_cast<double>(accesses), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SimProgramAndVerify87C58H)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tarnwick
