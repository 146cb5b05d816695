// A port that understands the latch protocol just enough to test the device cycles
// without a chip model: it records every latch load with the virtual time and the
// status reads made so far, tracks the address each adapter would see, and answers the
// two-nibble read with a byte the test chooses.
#pragma once

#include <cstdint>
#include <functional>
#include <iterator>
#include <utility>
#include <vector>

#include "base/port_io.h"
#include "base/virtual_clock.h"
#include "link/latches.h"

namespace tarnwick {

struct LatchLoad {
  LatchSelect latch;
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
    if (address != kBase + 1) return 0xFF;
    ++statusReads;
    // Only the two-nibble read reads status with the clock line high (its low half);
    // with Latch2 bit 3 low it reads the loop-back, not the chip.
    if ((control_ & 0x04) != 0 && (Latch(kLatch2) & 0x08) != 0) readAddresses.push_back(Address());
    // With Latch2 bit 3 low no chip drives, and LatchA comes back through the box's
    // resistors: the loop-back the box is asked with.
    const uint8_t byte = (Latch(kLatch2) & 0x08) == 0 ? Latch(kLatchA)
                         : present                    ? present(*this)
                                                      : 0xFF;
    const uint8_t nibble = (control_ & 0x04) != 0 ? (byte & 0x0F) : (byte >> 4);
    return static_cast<uint8_t>(((nibble << 4) ^ 0x80) | 0x07);
  }

  void Write(uint16_t address, uint8_t value) override {
    if (address == kBase) {
      data_ = value;
    } else if (address == kBase + 2) {
      if ((control_ & 0x04) == 0 && (value & 0x04) != 0) Load(value & 0x0B);
      control_ = value;
    }
  }
  bool Open(uint16_t, PortRefusal&) override { return true; }
  void Close() override {}

  uint8_t Latch(LatchSelect l) const { return latches_[Index(l)]; }

  // The address the chip sees: the 874X latches LatchA and Latch9 bits 0-3 when
  // Latch9 bit 4 rises; the 875X takes it from the latches directly.
  bool adapter874x = false;
  int32_t Address() const {
    if (adapter874x) return address874x_;
    return Latch(kLatch9) | ((Latch(kLatchB) & 0x0F) << 8) |
           ((Latch(kLatch1) & 0x02) == 0 ? 0x1000 : 0) |
           ((Latch(kLatchB) & 0x80) != 0 ? 0x2000 : 0) |
           ((Latch(kLatch3) & 0x01) != 0 ? 0x4000 : 0);
  }

  // Loads of one latch, in order.
  std::vector<uint8_t> ValuesOf(LatchSelect l) const {
    std::vector<uint8_t> values;
    for (const LatchLoad& load : loads)
      if (load.latch == l) values.push_back(load.value);
    return values;
  }
  size_t Count(LatchSelect l, uint8_t value) const {
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
  static int Index(LatchSelect l) { return LatchIndex(l); }
  void Load(int select) {
    if (select != kLatchA && select != kLatch9 && select != kLatchB && select != kLatch3 &&
        select != kLatch2 && select != kLatch1)
      return;
    const auto l = static_cast<LatchSelect>(select);
    if (l == kLatch9 && (latches_[Index(l)] & 0x10) == 0 && (data_ & 0x10) != 0)
      address874x_ = Latch(kLatchA) | ((data_ & 0x0F) << 8);
    latches_[Index(l)] = data_;
    loads.push_back({l, data_, clock_ != nullptr ? clock_->NowMicros() : 0, statusReads});
    DropTheAsking();
  }

  // Every device command asks the box before it starts and before it reports success
  // (parked latches, Latch2 B7, patterns A5 and 5A, parked again); the simulated bench
  // tests that. The cycle tests see the command's own loads only.
  void DropTheAsking() {
    static constexpr std::pair<LatchSelect, uint8_t> kAsking[] = {
        {kLatch2, 0x3F}, {kLatch1, 0x62}, {kLatchB, 0x20}, {kLatch9, 0x00}, {kLatch3, 0x10},
        {kLatch2, 0xB7}, {kLatchA, 0xA5}, {kLatchA, 0x5A}, {kLatch2, 0x3F}, {kLatch1, 0x62},
        {kLatchB, 0x20}, {kLatch9, 0x00}, {kLatch3, 0x10}};
    constexpr size_t n = std::size(kAsking);
    if (loads.size() < n) return;
    for (size_t i = 0; i < n; ++i) {
      const LatchLoad& load = loads[loads.size() - n + i];
      if (load.latch != kAsking[i].first || load.value != kAsking[i].second) return;
    }
    loads.resize(loads.size() - n);
  }

  VirtualClock* clock_ = nullptr;
  uint8_t data_ = 0;
  uint8_t control_ = 0;
  uint8_t latches_[6] = {};
  int32_t address874x_ = 0;
};

}  // namespace tarnwick
