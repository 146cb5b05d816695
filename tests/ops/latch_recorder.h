// A port that understands the latch protocol just enough to test the device cycles
// without a chip model: it records every latch load the box would see with the virtual
// time and the status reads made so far, tracks the address each adapter would see,
// and answers the two-nibble read with a byte the test chooses.
#pragma once

#include <cstdint>
#include <functional>
#include <iterator>
#include <vector>

#include "base/port_io.h"
#include "base/virtual_clock.h"
#include "support/box_bus.h"

namespace tarnwick {

struct LatchLoad {
  BoxLatch latch;
  uint8_t value;
  int64_t micros;
  uint64_t statusReads;
  friend bool operator==(const LatchLoad& a, const LatchLoad& b) {
    return a.latch == b.latch && a.value == b.value;
  }
};

class LatchRecorder final : public PortIo {
 public:
  static constexpr uint16_t kBase = 0x378;

  void AttachClock(VirtualClock* clock) { clock_ = clock; }

  uint8_t Read(uint16_t address) override {
    if (address != kBase + kStatusRegister) return 0xFF;
    ++statusReads;
    const bool chipOn = Bit(BoxLatch::L2, kBoxL2ChipDrives);
    // Only the two-nibble read reads status with the clock line high (its low half);
    // with the chip off the read path it reads the loop-back, not the chip.
    if (decoder_.ClockHigh() && chipOn) readAddresses.push_back(Address());
    // With no chip driving, LatchA comes back through the box's resistors: the
    // loop-back the box is asked with.
    const uint8_t byte = !chipOn ? Latch(BoxLatch::A) : present ? present(*this) : 0xFF;
    return StatusOf(byte, decoder_.ClockHigh());
  }

  void Write(uint16_t address, uint8_t value) override {
    if (const std::optional<BoxLoad> load = decoder_.Write(address - kBase, value)) Load(*load);
  }
  bool Open(uint16_t, PortRefusal&) override { return true; }
  void Close() override {}

  uint8_t Latch(BoxLatch l) const { return latches_[static_cast<size_t>(l)]; }

  // The address the chip sees: the 874X latches LatchA and Latch9's A8-A11 as ALE
  // rises; the 875X takes it from the latches directly.
  bool adapter874x = false;
  int32_t Address() const {
    if (adapter874x) return address874x_;
    return Latch(BoxLatch::L9) | ((Latch(BoxLatch::B) & kBoxLBHighAddress) << 8) |
           (Bit(BoxLatch::L1, kBoxL1NotA12) ? 0 : 0x1000) |
           (Bit(BoxLatch::B, kBoxLBA13) ? 0x2000 : 0) | (Bit(BoxLatch::L3, kBoxL3A14) ? 0x4000 : 0);
  }

  // Loads of one latch, in order.
  std::vector<uint8_t> ValuesOf(BoxLatch l) const {
    std::vector<uint8_t> values;
    for (const LatchLoad& load : loads)
      if (load.latch == l) values.push_back(load.value);
    return values;
  }
  size_t Count(BoxLatch l, uint8_t value) const {
    size_t n = 0;
    for (const LatchLoad& load : loads) n += load.latch == l && load.value == value;
    return n;
  }
  void Clear() {
    loads.clear();
    readAddresses.clear();
  }

  std::function<uint8_t(const LatchRecorder&)> present;  // the byte on the read path
  std::vector<LatchLoad> loads;
  std::vector<int32_t> readAddresses;  // address at each two-nibble read (its low half)
  uint64_t statusReads = 0;

 private:
  bool Bit(BoxLatch l, int bit) const { return ((Latch(l) >> bit) & 1) != 0; }
  void Load(BoxLoad load) {
    const uint8_t before = Latch(load.latch);
    if (load.latch == BoxLatch::L9 && ((before >> kBoxL9Ale) & 1) == 0 &&
        ((load.value >> kBoxL9Ale) & 1) != 0)
      address874x_ = Latch(BoxLatch::A) | ((load.value & kBoxL9HighAddress) << 8);
    latches_[static_cast<size_t>(load.latch)] = load.value;
    loads.push_back(
        {load.latch, load.value, clock_ != nullptr ? clock_->NowMicros() : 0, statusReads});
    DropTheAsking();
  }

  // Every device command asks the box before it starts and before it reports success
  // (parked latches, Latch2 B7, patterns A5 and 5A, parked again); the simulated bench
  // tests that. The cycle tests see the command's own loads only.
  void DropTheAsking() {
    static constexpr BoxLoad kAsking[] = {
        {BoxLatch::L2, 0x3F}, {BoxLatch::L1, 0x62}, {BoxLatch::B, 0x20}, {BoxLatch::L9, 0x00},
        {BoxLatch::L3, 0x10}, {BoxLatch::L2, 0xB7}, {BoxLatch::A, 0xA5}, {BoxLatch::A, 0x5A},
        {BoxLatch::L2, 0x3F}, {BoxLatch::L1, 0x62}, {BoxLatch::B, 0x20}, {BoxLatch::L9, 0x00},
        {BoxLatch::L3, 0x10}};
    constexpr size_t n = std::size(kAsking);
    if (loads.size() < n) return;
    for (size_t i = 0; i < n; ++i) {
      const LatchLoad& load = loads[loads.size() - n + i];
      if (load.latch != kAsking[i].latch || load.value != kAsking[i].value) return;
    }
    loads.resize(loads.size() - n);
  }

  VirtualClock* clock_ = nullptr;
  BoxDecoder decoder_;
  uint8_t latches_[16] = {};  // by select code
  int32_t address874x_ = 0;
};

}  // namespace tarnwick
