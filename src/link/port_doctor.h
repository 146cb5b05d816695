// Everything between this PC and the Quillbox, checked in one run: the drivers, the ports
// the kernel lists, who holds the port, the rights to open it, direct I/O, real-time
// priority, the box's loop-back line by line, and the port's timing. Each check is data
// (a verdict, what was found, what to do) for the command line to print as text or JSON.
// Every fact comes through the LinuxKernel seam, so the checks run on a modelled system.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/detect.h"

namespace tarnwick {

class Clock;
class LinuxKernel;
class ProcessPriority;

enum class CheckVerdict { Ok, Warn, Fail };
// "ok", "warn", "FAIL".
const char* VerdictWord(CheckVerdict verdict);

struct DoctorCheck {
  std::string name;  // drivers, ports, holder, access, direct-io, priority, box, timing
  CheckVerdict verdict = CheckVerdict::Ok;
  std::string summary;               // one line
  std::vector<std::string> details;  // what was found, line by line
  std::vector<std::string> fixes;    // what to do, a command where one exists
};

struct DoctorReport {
  std::vector<DoctorCheck> checks;          // in the order above
  CheckVerdict verdict = CheckVerdict::Ok;  // the worst of them: Fail means the box cannot be used
  std::optional<uint16_t> boxAt;            // the port the box answered on
  bool stopped = false;                     // a stop request ended the run early
};

// How many times the timing check measures, and the spread above which it warns.
inline constexpr int kDoctorTimingRuns = 5;
inline constexpr double kDoctorSpreadLimit = 0.10;

struct DoctorSetup {
  LinuxKernel& kernel;
  Clock& clock;
  ProcessPriority& priority;
  // --port: that address only. Otherwise every port the kernel lists, or the legacy
  // addresses by direct I/O where it lists none.
  std::optional<uint16_t> port;
  int timingRuns = kDoctorTimingRuns;
  int64_t timingReads = kCalibrationReads;  // reads per measurement, as the search's
  std::function<bool()> stopRequested;      // checked between port accesses of note
};

DoctorReport RunPortDoctor(const DoctorSetup& setup);

}  // namespace tarnwick
