// A form on the latch recorder with the programmer found and a chip selected.
#pragma once

#include <gtest/gtest.h>

#include "ops/latch_recorder.h"
#include "support/form_fixture.h"

namespace tarnwick {

// Rows of the device list.
enum Row : int32_t {
  kRow8741 = 1,
  kRow8742 = 2,
  kRow8748 = 3,
  kRow8748H = 4,
  kRow8749H = 5,
  kRow8751H = 8,
  kRow87C51H = 9,
  kRow87C58H = 12,
  kRow89C51 = 19,
  kRow89S53 = 21,
  kRow89S8252 = 24,
};

class OpsTest : public ::testing::Test {
 protected:
  LatchRecorder port;
  HeadlessForm h{&port};
  TMainForm& f = h.f();

  OpsTest() {
    port.AttachClock(&h.clock);
    f.s.ProgrammerFound = 1;
    f.s.LptBase = LatchRecorder::kBase;
    f.s.StatusPort = LatchRecorder::kBase + 1;
    f.s.ControlPort = LatchRecorder::kBase + 2;
  }

  void Select(int32_t row, uint16_t pulse_wait = 1) {
    f.s.DeviceRow = row;
    f.devices.SelectDevice();
    f.s.PulseWait = pulse_wait;
    port.adapter874x = f.s.DeviceFamily <= 2;
    port.Clear();
  }
  void Window(int32_t device_start, int32_t device_end, int32_t buffer_start = -1) {
    f.s.DeviceStart = device_start;
    f.s.DeviceEnd = device_end;
    f.s.BufferStart = buffer_start < 0 ? device_start : buffer_start;
  }
  // The chip reads back what the buffer holds at its address (through the window).
  void ChipHoldsBuffer() {
    port.present = [this](const LatchRecorder& p) {
      return f.s.Buffer[static_cast<size_t>(p.Address() - f.s.DeviceStart + f.s.BufferStart)];
    };
  }
  void ChipReads(uint8_t value) {
    port.present = [value](const LatchRecorder&) { return value; };
  }
  // Milliseconds from the first load of (latch, from) to the next load of (latch, to).
  int64_t MillisBetween(BoxLatch latch, uint8_t from, uint8_t to) const {
    int64_t start = -1;
    for (const LatchLoad& load : port.loads) {
      if (load.latch != latch) continue;
      if (start < 0 && load.value == from) {
        start = load.micros;
      } else if (start >= 0 && load.value == to) {
        return (load.micros - start) / 1000;
      }
    }
    return -1;
  }
};

inline LatchLoad L(BoxLatch latch, uint8_t value) {
  return {latch, value, 0, 0};
}

}  // namespace tarnwick
