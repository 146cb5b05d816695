#include "support/sim_form.h"

#include <cerrno>

#include "devices/device_table.h"

namespace tarnwick {

SimForm::SimForm(Backend backend) {
  if (backend == Backend::Ppdev) {
    kernel.ListPort({.number = 0, .base = 0x378, .baseHi = 0x778});
    kernel.iopermErrno = EPERM;
  }
  if (backend != Backend::Simulated) kernel.AttachBus(0x378, box);
  PortIo& port = backend == Backend::Simulated ? static_cast<PortIo&>(box) : linuxPort;
  form = std::make_unique<TMainForm>(Services{toolkit, priority, clock, port});
  box.Plug(&socket);
  toolkit.Attach(*form);
}

void SimForm::FindBox() {
  TMainForm& m = f();
  // A million reads of calibration are not worth keeping.
  box.SetRecording(false);
  m.detect.FindProgrammer();
  if (m.s.ProgrammerFound > 0) {
    m.detect.CalibrateSpeed();
    m.s.PulseWait = static_cast<uint16_t>(m.s.SpeedCount / 20);
  }
  if (m.s.PulseWait < m.s.ProgramPulse) m.s.PulseWait = m.s.ProgramPulse;
  m.shell.EnterIdleState();
  box.ClearRecord();
  box.SetRecording(true, kRecordLimit);
}

void SimForm::SelectRow(int row) {
  f().s.DeviceRow = row;
  f().devices.SelectDevice();
  socket.EnsureChipFor(f().Device.caption);
}

int SimForm::RowOf(const char* name) {
  const ChipInfo* wanted = FindChip(name);
  for (int row = 0; row < kDeviceRowCount; ++row) {
    const char* caption = kDeviceTable[static_cast<size_t>(row)].caption;
    if (caption != nullptr && wanted != nullptr && FindChip(caption) == wanted) return row;
  }
  return -1;
}

}  // namespace tarnwick
