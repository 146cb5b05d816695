// The Quillbox's side of the printer port, for tests, in the terms of the box's own
// register map: BoxDecoder turns the writes a program makes into the latch loads the
// box sees; BoxDriver makes latch loads and reads the way a bench test pokes the box,
// through the data, control and status registers only.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>

#include "base/port_io.h"
#include "sim/box_registers.h"

namespace tarnwick {

inline constexpr uint8_t kClockHigh = 1 << kClockLine;

// The select code `control` puts on the select lines, when it names a latch.
constexpr std::optional<BoxLatch> SelectedLatch(uint8_t control) {
  const auto latch = static_cast<BoxLatch>(control & kSelectLines);
  switch (latch) {
    case BoxLatch::A:
    case BoxLatch::L9:
    case BoxLatch::B:
    case BoxLatch::L3:
    case BoxLatch::L2:
    case BoxLatch::L1:
      return latch;
  }
  return std::nullopt;
}

// What the status register shows of `byte` on the read path: the high nibble with the
// clock low, the low one with it high; the busy line inverts bit 7, bits 0-2 read 1.
constexpr uint8_t StatusOf(uint8_t byte, bool clock_high) {
  const int nibble = clock_high ? (byte & 0x0F) : (byte >> 4);
  return static_cast<uint8_t>(((nibble << 4) ^ 0x80) | 0x07);
}

struct BoxLoad {
  BoxLatch latch;
  uint8_t value;
  friend bool operator==(const BoxLoad&, const BoxLoad&) = default;
  friend void PrintTo(const BoxLoad& load, std::ostream* out) {
    *out << "Latch" << std::hex << std::uppercase << static_cast<int>(load.latch)
         << " := " << static_cast<int>(load.value);
  }
};

// Follows the data and control registers; a latch loads as the clock line rises.
class BoxDecoder {
 public:
  std::optional<BoxLoad> Write(uint16_t offset, uint8_t value) {
    std::optional<BoxLoad> load;
    if (offset == kDataRegister) data_ = value;
    if (offset != kControlRegister) return load;
    if ((control_ & kClockHigh) == 0 && (value & kClockHigh) != 0)
      if (const std::optional<BoxLatch> latch = SelectedLatch(value)) load = BoxLoad{*latch, data_};
    control_ = value;
    return load;
  }
  bool ClockHigh() const { return (control_ & kClockHigh) != 0; }

 private:
  uint8_t data_ = 0;
  uint8_t control_ = 0;
};

class BoxDriver {
 public:
  BoxDriver(PortIo& port, uint16_t base) : port_(port), base_(base) {}

  // Data, select code, clock up, clock down, then nothing selected.
  void Load(uint8_t select, uint8_t value) {
    port_.Write(base_ + kDataRegister, value);
    Control(select);
    Control(select | kClockHigh);
    Control(select);
    Control(0);
  }
  void Load(BoxLatch latch, uint8_t value) { Load(static_cast<uint8_t>(latch), value); }
  void Control(uint8_t value) { port_.Write(base_ + kControlRegister, value); }
  uint8_t Status() { return port_.Read(base_ + kStatusRegister); }
  // Both halves of the read path, high nibble first.
  uint8_t ReadPath() {
    Control(0);
    const int high = (Status() ^ 0x80) >> 4;
    Control(kClockHigh);
    const int low = (Status() ^ 0x80) >> 4;
    Control(0);
    return static_cast<uint8_t>(high << 4 | low);
  }

 private:
  PortIo& port_;
  uint16_t base_;
};

}  // namespace tarnwick
