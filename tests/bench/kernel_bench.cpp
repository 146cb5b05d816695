// The Linux backend: what it costs above the system call itself, and how long a
// calibrated StepWait lasts on each way to the port over the model of the kernel
// (0.6 µs per system call, 1 µs per bus access).
#include <benchmark/benchmark.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>

#include "link/linux_port.h"
#include "support/sim_form.h"

namespace tarnwick {
namespace {

// A kernel whose calls return at once: one port listed for ppdev, or none for direct
// I/O. The benchmark then measures the backend alone.
class InstantKernel final : public LinuxKernel {
 public:
  explicit InstantKernel(bool listed) : listed_(listed) {}
  int Open(const std::string&) override { return 3; }
  void Close(int) override {}
  int Ioctl(int, unsigned long request, void* arg) override {
    ++calls;
    if (request == PPRSTATUS) *static_cast<unsigned char*>(arg) = 0x7F;
    return 0;
  }
  int Ioperm(uint16_t, int, bool) override { return 0; }
  uint8_t Inb(uint16_t) override {
    ++calls;
    return 0x7F;
  }
  void Outb(uint8_t, uint16_t) override { ++calls; }
  std::optional<std::string> ReadText(const std::string&) override { return "888\t0\n"; }
  std::vector<std::string> ListDirectory(const std::string&) override {
    if (listed_) return {"parport0"};
    return {};
  }
  void ArmAlarm(int) override {}
  void DisarmAlarm() override {}
  int DropRawIo() override { return 0; }
  Credentials ProcessCredentials() override { return {}; }
  std::optional<FileStatus> Stat(const std::string&) override { return std::nullopt; }
  bool HasCapability(int) override { return false; }
  Limit GetLimit(int) override { return {}; }
  uint64_t calls = 0;

 private:
  bool listed_;
};

void StatusReads(benchmark::State& state, bool ppdev) {
  InstantKernel kernel(ppdev);
  LinuxPortIo port(kernel);
  PortRefusal refusal;
  if (!port.Open(0x378, refusal) || port.ViaPpdev() != ppdev) state.SkipWithError("not open");
  PortIo* io = &port;
  benchmark::DoNotOptimize(io);
  for (auto _ : state) benchmark::DoNotOptimize(io->Read(0x379));
  state.counters["ns_per_access"] = benchmark::Counter(
      static_cast<double>(kernel.calls), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
void BM_LinuxBackendAboveTheCall_Ppdev(benchmark::State& state) {
  StatusReads(state, true);
}
void BM_LinuxBackendAboveTheCall_Direct(benchmark::State& state) {
  StatusReads(state, false);
}
BENCHMARK(BM_LinuxBackendAboveTheCall_Ppdev);
BENCHMARK(BM_LinuxBackendAboveTheCall_Direct);

void ModelledStepWait(benchmark::State& state, Backend backend) {
  SimForm sim(backend);
  sim.kernel.ioctlNanos = 600;
  sim.FindBox();
  int64_t micros = 0;
  for (auto _ : state) {
    const int64_t start = sim.clock.NowMicros();
    sim.f().waits.StepWait();
    micros = sim.clock.NowMicros() - start;
  }
  state.counters["stepwait_us"] = static_cast<double>(micros);
  state.counters["speed_count"] = sim.f().s.SpeedCount;
}
void BM_ModelledStepWait_Ppdev(benchmark::State& state) {
  ModelledStepWait(state, Backend::Ppdev);
}
void BM_ModelledStepWait_Direct(benchmark::State& state) {
  ModelledStepWait(state, Backend::Direct);
}
BENCHMARK(BM_ModelledStepWait_Ppdev)->Iterations(20);
BENCHMARK(BM_ModelledStepWait_Direct)->Iterations(20);

}  // namespace
}  // namespace tarnwick
