// Cost of the latch strobe and the two-nibble read above the port accesses themselves.
// The port only counts; ns_per_access of the raw calls is the price of the PortIo call
// alone, and the difference to the strobe's and read's figure is what the link adds.
#include <benchmark/benchmark.h>

#include "support/form_fixture.h"

namespace tarnwick {
namespace {

class CountingPort final : public PortIo {
 public:
  uint8_t Read(uint16_t address) override {
    ++accesses;
    return static_cast<uint8_t>(address);
  }
  void Write(uint16_t address, uint8_t value) override {
    ++accesses;
    last = static_cast<uint8_t>(address ^ value);
  }
  bool Open(uint16_t, PortRefusal&) override { return true; }
  void Close() override {}
  uint64_t accesses = 0;
  uint8_t last = 0;
};

struct Bench {
  CountingPort port;
  HeadlessForm h{&port};
  Bench() {
    TMainForm& f = h.f();
    f.s.LptBase = 0x378;
    f.s.StatusPort = 0x379;
    f.s.ControlPort = 0x37A;
  }
};

void BM_RawPortCalls(benchmark::State& state) {
  Bench b;
  // Hidden from the optimiser, as the link's reference is: a real virtual call.
  PortIo* io = &b.port;
  benchmark::DoNotOptimize(io);
  for (auto _ : state) {
    for (int i = 0; i < 9; ++i) io->Write(0x37A, static_cast<uint8_t>(i));
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_access"] =
      benchmark::Counter(static_cast<double>(b.port.accesses),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RawPortCalls);

void BM_Strobe(benchmark::State& state) {
  Bench b;
  TMainForm& f = b.h.f();
  for (auto _ : state) {
    f.s.LatchByte = 0xA5;
    f.link.StrobeLatchA();
    benchmark::ClobberMemory();
  }
  state.counters["ns_per_access"] =
      benchmark::Counter(static_cast<double>(b.port.accesses),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Strobe);

void BM_ReadNibbles(benchmark::State& state) {
  Bench b;
  TMainForm& f = b.h.f();
  for (auto _ : state) {
    f.link.ReadNibbles();
    benchmark::DoNotOptimize(f.s.ReadByte);
  }
  state.counters["ns_per_access"] =
      benchmark::Counter(static_cast<double>(b.port.accesses),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ReadNibbles);

}  // namespace
}  // namespace tarnwick
