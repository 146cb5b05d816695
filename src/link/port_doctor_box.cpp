#include "link/port_doctor_box.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "base/hex_text.h"
#include "base/platform.h"
#include "base/program_state.h"
#include "link/latch_bits.h"
#include "link/latches.h"
#include "link/linux_port.h"
#include "link/port_lines.h"

namespace tarnwick {

namespace {

// The search's two patterns, then every data line low, high, and high alone: each line
// in both states, and a line bridged to its neighbour differs from it somewhere.
constexpr uint8_t kPatterns[] = {0xA5, 0x5A, 0x00, 0xFF, 0x01, 0x02,
                                 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};

// The read path brings LatchA back on status bits 4-7 in two halves: with the clock
// line low they carry data bits 4-7, with it high data bits 0-3 (Link::ReadNibbles).
// So status bit s carries data bits s and s - 4.
constexpr int kFirstNibbleLine = 4;
constexpr int kNibble = 4;

struct BitState {
  bool follows = true;
  int constant = -1;  // 0 or 1 where the bit read back never changed
};

BitState StateOf(const std::vector<LoopbackRead>& reads, int bit) {
  BitState state;
  bool seen[2] = {false, false};
  for (const LoopbackRead& r : reads) {
    const int got = (r.read >> bit) & 1;
    seen[got] = true;
    if (got != ((r.sent >> bit) & 1)) state.follows = false;
  }
  if (seen[0] != seen[1]) state.constant = seen[1] ? 1 : 0;
  return state;
}

std::string Hex2(uint8_t value) {
  return HexText(value, 2);
}

std::string Bits(int high, int low) {
  return "data bits " + std::to_string(high) + " and " + std::to_string(low) + " (pins " +
         std::to_string(DataPin(high)) + " and " + std::to_string(DataPin(low)) + ")";
}

// One line per status line of the read path; the pins to check go to `pins`.
std::vector<std::string> LineReport(const PortProbe& probe, std::vector<std::string>& pins) {
  std::vector<std::string> lines;
  for (int s = kFirstNibbleLine; s < kFirstNibbleLine + kNibble; ++s) {
    const StatusLine line = *StatusLineOfBit(s);
    const int high = s;
    const int low = s - kNibble;
    const BitState h = StateOf(probe.reads, high);
    const BitState l = StateOf(probe.reads, low);
    const std::string name =
        "status line " + std::string(line.name) + ", pin " + std::to_string(line.pin);
    if (h.follows && l.follows) {
      lines.push_back(name + ", follows " + Bits(high, low));
    } else if (!h.follows && !l.follows) {
      // The status line itself: neither half comes through it.
      const int stuck = h.constant == l.constant ? h.constant : -1;
      lines.push_back(name + ", does not follow " + Bits(high, low) +
                      (stuck >= 0 ? "; it stays at " + std::to_string(stuck) : "") +
                      ": check the cable at pin " + std::to_string(line.pin));
      pins.push_back(std::to_string(line.pin) + " (" + line.name + ")");
    } else {
      // The status line carries the other half, so the data line is at fault.
      const int bit = h.follows ? low : high;
      lines.push_back(name + ", does not follow data bit " + std::to_string(bit) + " (pin " +
                      std::to_string(DataPin(bit)) + "): check the cable at pin " +
                      std::to_string(DataPin(bit)));
      pins.push_back(std::to_string(DataPin(bit)) + " (D" + std::to_string(bit) + ")");
    }
  }
  return lines;
}

std::string Via(const PortProbe& probe) {
  return probe.viaPpdev ? "through ppdev" : "by direct I/O";
}

std::string Milliseconds(double micros) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f ms", micros / 1000.0);
  return text;
}

std::string Percent(double fraction) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", fraction * 100.0);
  return text;
}

}  // namespace

bool PortProbe::Answered() const {
  for (int bit = 0; bit < kDataLineCount; ++bit)
    if (!reads.empty() && StateOf(reads, bit).follows) return true;
  return false;
}

bool PortProbe::AllFollow() const {
  return !reads.empty() && std::all_of(reads.begin(), reads.end(),
                                       [](const LoopbackRead& r) { return r.sent == r.read; });
}

PortProbe ProbeForDoctor(LinuxPortIo& port, uint16_t base, const DoctorSetup& setup) {
  PortProbe probe;
  probe.base = base;
  // The program's own primitives over a state of the doctor's own (the 64 KiB buffer
  // inside it stays off the stack).
  const auto state = std::make_unique<ProgramState>();
  ProgramState& s = *state;
  s.LptBase = base;
  Link link(s, port);
  PortRefusal refusal;
  if (!link.OpenPort(refusal)) {
    probe.refusal = refusal.reason;
    return probe;
  }
  probe.opened = true;
  probe.viaPpdev = port.ViaPpdev();
  s.ProgrammerFound = 1;  // the latches are parked only on a port taken for the box's
  s.StatusPort = static_cast<uint16_t>(base + 1);
  s.ControlPort = static_cast<uint16_t>(base + 2);
  link.ParkLatches();
  link.Load(kLatch2, kL2Loopback);  // no chip on the read path: LatchA comes straight back
  for (uint8_t pattern : kPatterns) {
    link.Load(kLatchA, pattern);
    link.ReadNibbles();
    probe.reads.push_back({pattern, s.ReadByte});
  }

  if (probe.AllFollow()) {
    // The search's measurement, repeated: status reads through ppdev (its control
    // reads never reach the port), control reads by direct I/O.
    setup.priority.SetRealTime();
    probe.timingReads = setup.timingReads;
    for (int run = 0; run < setup.timingRuns; ++run) {
      if (setup.stopRequested && setup.stopRequested()) break;
      link.ParkLatches();
      const int64_t t0 = setup.clock.NowMicros();
      if (port.ControlReadsReachThePort())
        link.ReadControl(setup.timingReads);
      else
        link.ReadStatus(setup.timingReads);
      probe.timingMicros.push_back(setup.clock.NowMicros() - t0);
    }
    setup.priority.SetNormal();
  }
  link.ParkLatches();
  link.ClosePort();  // Vpp off, lines parked, the ECR as it was, the port given back
  return probe;
}

DoctorCheck BoxCheck(const std::vector<PortProbe>& probes) {
  DoctorCheck c;
  c.name = "box";
  c.verdict = CheckVerdict::Fail;
  const PortProbe* found = nullptr;
  const PortProbe* partial = nullptr;
  std::vector<std::string> silent;
  for (const PortProbe& p : probes) {
    if (p.AllFollow()) {
      found = &p;
    } else if (p.Answered()) {
      if (partial == nullptr) partial = &p;
    } else if (p.opened) {
      silent.push_back(HexText(p.base, 4));
      c.details.push_back(HexText(p.base, 4) + ": no answer (A5 came back as " +
                          Hex2(p.reads[0].read) + ", 5A as " + Hex2(p.reads[1].read) + ")");
    } else {
      c.details.push_back(HexText(p.base, 4) + ": " + p.refusal);
    }
  }
  if (const PortProbe* p = found != nullptr ? found : partial) {
    std::vector<std::string> pins;
    for (std::string& line : LineReport(*p, pins)) c.details.push_back(std::move(line));
    if (found != nullptr) {
      c.verdict = CheckVerdict::Ok;
      c.summary =
          "the Quillbox answers on " + HexText(p->base, 4) + " " + Via(*p) + ", every line follows";
      return c;
    }
    c.summary = "the Quillbox answers on " + HexText(p->base, 4) + ", but not on every line";
    for (const std::string& pin : pins) c.fixes.push_back("check the cable at pin " + pin);
    c.fixes.push_back("reseat both plugs; if the fault stays, try a cable with all 25 wires");
    return c;
  }
  if (!silent.empty()) {
    std::string ports;
    for (const std::string& base : silent) ports += (ports.empty() ? "" : ", ") + base;
    c.summary = "no box answers on " + ports;
    c.fixes = {"plug in the box's power pack: without power every pattern comes back as FF",
               "check that the cable sits firmly in the PC's port and in the box",
               "on another port? tarnwick-cli doctor without --port tries every one"};
    return c;
  }
  c.summary = probes.empty() ? "no port to try" : "no port could be opened";
  c.fixes = {"mend the checks above first"};
  return c;
}

DoctorCheck TimingCheck(const PortProbe* found) {
  DoctorCheck c;
  c.name = "timing";
  if (found == nullptr || found->timingMicros.empty()) {
    c.verdict = CheckVerdict::Fail;
    c.summary = "not measured: the box check did not pass";
    c.fixes = {"mend the box check first"};
    return c;
  }
  const int64_t reads = found->timingReads;
  std::vector<int> counts;
  bool resolved = true;
  for (int64_t micros : found->timingMicros) {
    // SpeedCount: reads per 0.4 ms, as the search computes it.
    if (micros < kMinMeasurableMicros) resolved = false;
    counts.push_back(static_cast<int>(
        std::clamp<int64_t>(reads * 400 / std::max<int64_t>(micros, 1), 1, 0xFFFF)));
  }
  std::vector<int> sorted = counts;
  std::sort(sorted.begin(), sorted.end());
  const double median = sorted[sorted.size() / 2];
  const double spread = (sorted.back() - sorted.front()) / median;
  // Start-up keeps the first measurement as PulseWait; a StepWait is that many reads,
  // lasting what a read took in each measurement.
  const int pulse_wait = counts.front();
  double shortest = 1e18;
  double longest = 0;
  for (int64_t micros : found->timingMicros) {
    const double step =
        static_cast<double>(pulse_wait) * static_cast<double>(micros) / static_cast<double>(reads);
    shortest = std::min(shortest, step);
    longest = std::max(longest, step);
  }
  std::string each;
  for (int count : counts) each += (each.empty() ? "" : " ") + std::to_string(count);
  c.summary = std::to_string(counts.size()) + " measurements: " + std::to_string(sorted.front()) +
              " to " + std::to_string(sorted.back()) + " port reads in 0.4 ms, spread " +
              Percent(spread);
  c.details = {
      "each: " + each + " (" + std::to_string(reads) + " " +
          (found->viaPpdev ? "status reads through ppdev" : "control reads by direct I/O") + ")",
      "StepWait, " + std::to_string(pulse_wait) + " reads: " + Milliseconds(shortest) + " to " +
          Milliseconds(longest) + " against 0.400 ms"};
  const bool steady_step =
      shortest >= 400 * (1 - kDoctorSpreadLimit) && longest <= 400 * (1 + kDoctorSpreadLimit);
  if (!resolved) {
    c.verdict = CheckVerdict::Warn;
    c.summary += "; too fast for the clock to time";
  } else if (spread > kDoctorSpreadLimit || !steady_step) {
    c.verdict = CheckVerdict::Warn;
    c.summary += ", above " + Percent(kDoctorSpreadLimit);
    c.fixes = {
        "another program busy on the port's bus (a printer daemon, a disk or sound card "
        "behind the same bridge): end it and run doctor again"};
    if (!found->viaPpdev)
      c.fixes.push_back(
          "a CPU that changes its clock slows direct I/O unevenly: sudo cpupower frequency-set -g "
          "performance");
  }
  return c;
}

}  // namespace tarnwick
