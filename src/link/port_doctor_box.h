// The box's part of the doctor: the loop-back on one port with every data line in both
// states, read back through the two-nibble read, and the speed measurement repeated.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/port_doctor.h"

namespace tarnwick {

class LinuxPortIo;

struct LoopbackRead {
  uint8_t sent;
  uint8_t read;
};

// One port tried for the box.
struct PortProbe {
  uint16_t base = 0;
  bool opened = false;
  std::string refusal;  // why it could not be opened
  bool viaPpdev = false;
  std::vector<LoopbackRead> reads;
  // Only where every line followed: each measurement's time for timingReads reads.
  std::vector<int64_t> timingMicros;
  int64_t timingReads = 0;

  bool Answered() const;   // at least one data bit comes back as sent
  bool AllFollow() const;  // every pattern comes back as sent
};

// Opens base through `port`, runs the loop-back and, where every line follows, the
// timing; then gives the port back as the program's own close does.
PortProbe ProbeForDoctor(LinuxPortIo& port, uint16_t base, const DoctorSetup& setup);

// The box and timing lines from the probes, in the order they were tried.
DoctorCheck BoxCheck(const std::vector<PortProbe>& probes);
DoctorCheck TimingCheck(const PortProbe* found);

}  // namespace tarnwick
