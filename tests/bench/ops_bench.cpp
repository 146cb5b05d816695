// What a read pass costs per chip byte beyond its port accesses. The port answers
// every two-nibble read with the byte the buffer holds, so Verify finds no mismatch,
// and only counts; subtracting the accesses at the raw call price (BM_RawPortCalls)
// leaves the program's own work per byte.
#include <benchmark/benchmark.h>

#include "support/box_bus.h"
#include "support/form_fixture.h"

namespace tarnwick {
namespace {

constexpr uint16_t kBase = 0x378;
constexpr uint8_t kHeld = 0x5A;
constexpr int32_t kWindowBytes = 0x8000;
constexpr int32_t kRow87C58H = 12;

class AnsweringPort final : public PortIo {
 public:
  uint8_t Read(uint16_t address) override {
    ++accesses;
    (void)address;
    // As the box: with Latch2 bit 3 low no chip drives and LatchA comes back, which is
    // how every command asks whether the box still answers.
    const bool chip_drives = (latch2_ >> kBoxL2ChipDrives & 1) != 0;
    return StatusOf(chip_drives ? held : latchA_, decoder_.ClockHigh());
  }
  void Write(uint16_t address, uint8_t value) override {
    ++accesses;
    if (const std::optional<BoxLoad> load = decoder_.Write(address - kBase, value)) {
      if (load->latch == BoxLatch::A) latchA_ = load->value;
      if (load->latch == BoxLatch::L2) latch2_ = load->value;
    }
  }
  bool Open(uint16_t, PortRefusal&) override { return true; }
  void Close() override {}
  uint64_t accesses = 0;
  uint8_t held = kHeld;  // the byte every two-nibble read gives

 private:
  BoxDecoder decoder_;
  uint8_t latchA_ = 0;
  uint8_t latch2_ = 0;
};

struct VerifyBench {
  AnsweringPort port;
  HeadlessForm h{&port};
  VerifyBench() {
    TMainForm& f = h.f();
    f.s.ProgrammerFound = 1;
    f.s.LptBase = kBase;
    f.s.StatusPort = kBase + kStatusRegister;
    f.s.ControlPort = kBase + kControlRegister;
    f.s.DeviceRow = kRow87C58H;
    f.devices.SelectDevice();
    f.s.PulseWait = 1;
    f.s.Buffer.fill(kHeld);
  }
};

void BM_VerifyPass87C58H(benchmark::State& state) {
  VerifyBench b;
  TMainForm& f = b.h.f();
  uint64_t bytes = 0;
  uint64_t accesses_before = b.port.accesses;
  for (auto _ : state) {
    f.reads.VerifyClick();
    bytes += kWindowBytes;
  }
  if (f.StaticText3.caption != "Device Verified to Buffer....") state.SkipWithError("mismatch");
  const double accesses = static_cast<double>(b.port.accesses - accesses_before);
  state.counters["ns_per_byte"] = benchmark::Counter(
      static_cast<double>(bytes), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["ns_per_access"] =
      benchmark::Counter(accesses, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["accesses_per_byte"] = accesses / static_cast<double>(bytes);
}
BENCHMARK(BM_VerifyPass87C58H)->Unit(benchmark::kMillisecond);

// Verify of a blank 87C58H against a buffer without FF: one line per byte, each on top.
void BM_VerifyBlankListsEveryByte(benchmark::State& state) {
  VerifyBench b;
  TMainForm& f = b.h.f();
  f.s.Buffer.fill(0x00);
  b.port.held = 0xFF;  // a blank chip
  for (auto _ : state) {
    f.reads.VerifyClick();
  }
  // One line per byte, and the summary of the check above them.
  if (f.outcomes.device.mismatches.size() != static_cast<size_t>(kWindowBytes) ||
      f.Memo1.lines().size() <= static_cast<size_t>(kWindowBytes))
    state.SkipWithError("wrong number of lines");
  state.counters["lines"] = static_cast<double>(f.Memo1.lines().size());
}
BENCHMARK(BM_VerifyBlankListsEveryByte)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnwick
