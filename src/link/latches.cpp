#include "link/latches.h"

#include "base/port_io.h"
#include "base/program_state.h"
#include "link/latch_bits.h"

namespace tarnwick {

void Link::Strobe(uint8_t select) {
  const uint16_t control = s_.ControlPort;
  port_.Write(s_.LptBase, static_cast<uint8_t>(s_.LatchByte));
  // Set-up and hold are counted in port writes: the box sees each level for 3, 3, 1, 1.
  port_.Write(control, select);
  port_.Write(control, select);
  port_.Write(control, select);
  const auto clock_high = static_cast<uint8_t>(select | kControlClock);
  port_.Write(control, clock_high);
  port_.Write(control, clock_high);
  port_.Write(control, clock_high);
  port_.Write(control, select);
  port_.Write(control, 0x00);
}

void Link::Load(LatchSelect latch, int value) {
  s_.LatchByte = static_cast<uint16_t>(value);
  Strobe(latch);
}

void Link::ReadNibbles() {
  const uint16_t control = s_.ControlPort;
  const uint16_t status = s_.StatusPort;
  // The clock line low puts the high nibble on the status lines, high the low one.
  for (int i = 0; i < 5; ++i) port_.Write(control, 0x00);
  const uint8_t high = port_.Read(status);
  for (int i = 0; i < 5; ++i) port_.Write(control, kControlClock);
  const uint8_t low = port_.Read(status);
  port_.Write(control, 0x00);
  s_.ReadByte = static_cast<uint8_t>(((high ^ kStatusBusyInverted) & kStatusNibble) |
                                     (static_cast<uint8_t>(low ^ kStatusBusyInverted) >> 4));
}

bool Link::OpenPort(PortRefusal& refusal) {
  if (!port_.Open(s_.LptBase, refusal)) {
    s_.ProgrammerFound = 0;
    return false;
  }
  // The extended control register to mode 000 (standard): the data lines drive.
  s_.SavedEcr = port_.Read(static_cast<uint16_t>(s_.LptBase + kEcrOffset));
  port_.Write(static_cast<uint16_t>(s_.LptBase + kEcrOffset), 0);
  return true;
}

void Link::ClosePort() {
  Load(kLatch3, 0);  // Vpp off
  ParkControlLines();
  port_.Write(static_cast<uint16_t>(s_.LptBase + kEcrOffset), s_.SavedEcr);
  port_.Close();
}

void Link::ParkLatches() {
  if (s_.ProgrammerFound < 1) return;
  Load(kLatch2, kParkLatch2);
  Load(kLatch1, kParkLatch1);
  Load(kLatchB, kParkLatchB);
  Load(kLatch9, kParkLatch9);
  Load(kLatch3, kParkLatch3);
  ParkControlLines();
}

void Link::ParkControlLines() {
  const uint16_t control = s_.ControlPort;
  for (int i = 0; i < 3; ++i) port_.Write(control, kControlNoLatch);
  for (int i = 0; i < 3; ++i) port_.Write(control, kControlNoLatch | kControlClock);
}

void Link::ReadStatus(int64_t n) {
  const uint16_t status = s_.StatusPort;
  for (int64_t i = 0; i < n; ++i) (void)port_.Read(status);
}

void Link::ReadControl(int64_t n) {
  const uint16_t control = s_.ControlPort;
  for (int64_t i = 0; i < n; ++i) (void)port_.Read(control);
}

}  // namespace tarnwick
