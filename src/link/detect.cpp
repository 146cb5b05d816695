#include "link/detect.h"

#include <algorithm>

#include "base/hex_text.h"
#include "base/platform.h"
#include "base/port_io.h"
#include "base/program_state.h"
#include "base/toolkit.h"
#include "link/latch_bits.h"
#include "link/latches.h"
#include "link/vpp.h"

namespace tarnwick {

namespace {

constexpr const char* kPriorityError = "Error Setting Priority Class...";
constexpr const char* kSpeedNotMeasured =
    "The speed of the printer port could not be measured.\r\n"
    "The longest waits are used....";
// The box must stay connected through the confirmation: a loose cable or a power pack
// just plugged in fails here rather than in the middle of a programming run.
constexpr int kConfirmPauseMs = 300;

}  // namespace

const char* NotFoundText(const SearchOutcome& search) {
  for (const PortTry& t : search.tries)
    if (t.opened) return kNotFoundText;
  return kNoPortText;
}

void Detector::ShowFoundAt() {
  p_.report.status.caption = FoundAtText(p_.s.LptBase);
}

void Detector::LoopbackTest() {
  ProgramState& s = p_.s;
  s.LatchByte = static_cast<uint16_t>(s.TestPattern);
  p_.link.StrobeLatchA();
  p_.link.ReadNibbles();
  if (s.ReadByte != s.TestPattern) s.ProgrammerFound = 0;
  const PortTry::Echo echo{static_cast<uint8_t>(s.TestPattern), s.ReadByte};
  p_.search.tries.back().loopback.push_back(echo);
  p_.report.memo.AddLine(EchoLine(s.LptBase, echo));
}

void Detector::ProbePort() {
  ProgramState& s = p_.s;
  s.ProgrammerFound = 1;
  PortTry& tried = p_.search.tries.emplace_back();
  tried.address = s.LptBase;
  PortRefusal refusal;
  if (!p_.link.OpenPort(refusal)) {
    // Every address the search cannot open says why in the log, so a PC without a port
    // or without permission shows its reason behind the "Can Not Be Found" box.
    tried.refusal = refusal.reason;
    AddLogLine(RefusalLine(s.LptBase, refusal.reason));
    if (refusal.alert) p_.toolkit.ShowMessage("Error: " + refusal.reason);
    return;  // nothing was opened, nothing to close
  }
  p_.search.tries.back().opened = true;
  p_.search.tries.back().path = p_.port.Path();
  s.StatusPort = static_cast<uint16_t>(s.LptBase + 1);
  s.ControlPort = static_cast<uint16_t>(s.LptBase + 2);
  p_.link.ParkLatches();
  // Latch2 bit 3 low keeps any chip off the read path, so LatchA comes straight back.
  p_.link.Load(kLatch2, kL2Loopback);
  s.TestPattern = 0xA5;
  LoopbackTest();
  s.TestPattern = 0x5A;
  LoopbackTest();
  p_.search.tries.back().answered = s.ProgrammerFound != 0;
  if (s.ProgrammerFound == 0) p_.link.ClosePort();
}

void Detector::FindProgrammer() {
  ProgramState& s = p_.s;
  SearchOutcome& search = p_.search;
  search = SearchOutcome{};
  search.running = true;
  p_.frame.SetWindowEnabled(false);
  s.OpFailed = 1;
  s.PortDelay = 10;
  p_.report.memo.ClearLines();
  p_.report.memo.visible = true;

  s.ProgrammerFound = 0;
  for (uint16_t base : kSearchAddresses) {
    if (p_.frame.Closed()) break;
    s.LptBase = base;
    ProbePort();
    if (s.ProgrammerFound != 0) break;
  }
  if (s.ProgrammerFound == 0 && !p_.frame.Closed()) {
    // The fourth address is the operator's: probe it only where a printer port can be,
    // since the probe writes to four I/O addresses.
    if (p_.port.IsPortAddress(s.Lpt4Address)) {
      s.LptBase = s.Lpt4Address;
      ProbePort();
    } else {
      PortTry& tried = search.tries.emplace_back();
      tried.address = s.Lpt4Address;
      tried.notAPort = true;
      AddLogLine(RefusalLine(s.Lpt4Address, kNotAPortReason));
    }
  }

  if (s.ProgrammerFound > 0 && !p_.frame.Closed()) {
    p_.link.ParkLatches();
    p_.clock.SleepMs(kConfirmPauseMs);
    ProbePort();
    search.tries.back().confirmation = true;
  }

  search.running = false;
  if (p_.frame.Closed()) {
    // The close released the port; nothing touches it any more.
    search.verdict = Verdict::Stopped;
  } else if (s.ProgrammerFound > 0) {
    search.verdict = Verdict::Success;
    search.foundAt = s.LptBase;
    search.path = p_.port.Path();
    p_.port.BoxFound();
    CalibrateSpeed();
    if (p_.frame.Closed()) {
      search.verdict = Verdict::Stopped;
      return;
    }
    s.ProgramPulse = s.SpeedCount;
    ShowFoundAt();
    p_.vpp.ApplyVpp();
  } else {
    search.verdict = Verdict::Failed;
    // Red, and the log stays in view behind the box: it says why each address failed.
    p_.report.status.caption = kNotFoundStatus;
    for (std::string& line : WrapForMemo(kDoctorHint)) p_.report.memo.AddLine(std::move(line));
    p_.toolkit.ShowMessageAt(NotFoundText(search), kNotFoundLeft, kNotFoundTop);
    p_.frame.SetWindowEnabled(true);
    return;
  }

  p_.report.memo.visible = false;
  p_.frame.SetWindowEnabled(true);
}

void Detector::AddLogLine(const std::string& line) {
  // "Port-0278 - " leads every line; a long reason goes on below it.
  for (std::string& part : WrapForMemo(line, 12)) p_.report.memo.AddLine(std::move(part));
}

void Detector::CalibrateSpeed() {
  ProgramState& s = p_.s;
  Toolkit& toolkit = p_.toolkit;
  if (!p_.priority.SetRealTime()) toolkit.ShowMessage(kPriorityError);

  // Measured on the monotonic clock, so no turn of the minute or change of the clock
  // can spoil an attempt; only a measurement too short to resolve is repeated, with
  // more reads, and a bounded number of times.
  int64_t reads = kCalibrationReads;
  bool measured = false;
  SpeedMeasurement& measurement = p_.search.measurements.emplace_back();
  for (int attempt = 0; attempt < kCalibrationAttempts && !measured; ++attempt) {
    p_.link.ParkLatches();
    ++measurement.attempts;
    p_.report.memo.AddLine(kCheckingSpeedLine);
    p_.report.memo.AddLine(kSettingPulseLine);
    toolkit.ProcessMessages();
    if (p_.frame.Closed()) break;  // the port is released: no measurement, no box
    const int64_t t0 = p_.clock.NowMicros();
    // The unit of every counted wait is a status read. Control reads cost the same on a
    // port reached directly; through ppdev they never reach the port and would count
    // far too many reads into each wait.
    if (p_.port.ControlReadsReachThePort())
      p_.link.ReadControl(reads);
    else
      p_.link.ReadStatus(reads);
    const int64_t elapsed = p_.clock.NowMicros() - t0;
    if (elapsed >= kMinMeasurableMicros) {
      // Reads per 400 µs. Kept within the 16-bit counter instead of wrapping: a
      // wrapped count would make every wait of the device cycles far too short.
      const int64_t count = reads * 400 / elapsed;
      s.SpeedCount = static_cast<uint16_t>(std::clamp<int64_t>(count, 1, 0xFFFF));
      measured = true;
      measurement.measured = true;
    } else {
      reads *= 10;
    }
  }
  if (!measured && !p_.frame.Closed()) {
    // Faster than the clock can tell: the longest waits the counter can hold are safe.
    s.SpeedCount = 0xFFFF;
    p_.report.memo.AddLine(kSpeedNotMeasuredLine);
    toolkit.ShowMessage(kSpeedNotMeasured);
  }
  p_.search.speedCount = s.SpeedCount;

  if (!p_.priority.SetNormal()) toolkit.ShowMessage(kPriorityError);
  toolkit.ProcessMessages();
}

bool Detector::BoxAnswers() {
  ProgramState& s = p_.s;
  if (s.ProgrammerFound > 0) {
    p_.link.ParkLatches();
    p_.link.Load(kLatch2, kL2Loopback);  // no chip on the read path: LatchA comes straight back
    bool answered = true;
    for (int pattern : {0xA5, 0x5A}) {
      p_.link.Load(kLatchA, pattern);
      p_.link.ReadNibbles();
      answered = answered && s.ReadByte == pattern;
    }
    p_.link.ParkLatches();
    if (answered) return true;
    p_.link.ClosePort();
  }
  s.ProgrammerFound = 0;
  // Busy and then idle with no programmer: the device commands are left dead.
  p_.frame.EnterBusyState();
  p_.report.status.caption = kBoxLostText;
  DeviceOutcome& device = p_.device;
  device.running = false;
  device.pass = DeviceCommand::None;
  device.verdict = Verdict::BoxLost;
  device.text = kBoxLostText;
  // What a pass read from a box without power or cable says nothing about the chip.
  device.mismatches.clear();
  device.cannotTake.reset();
  device.diagnosis.clear();
  s.OpFailed = 1;
  p_.toolkit.ShowMessageAt(kNotFoundText, kNotFoundLeft, kNotFoundTop);
  p_.frame.EnterIdleState();
  return false;
}

void Detector::EndDeviceCommand() {
  ProgramState& s = p_.s;
  DeviceOutcome& device = p_.device;
  // A box found lost during the command has been reported already.
  if (s.ProgrammerFound == 0) {
    p_.frame.EnterIdleState();
    return;
  }
  const bool stopped = device.stoppedAt.has_value() || p_.frame.Closed();
  // The box is asked before a result stands: a success, and a failure that would
  // otherwise be blamed on the chip (a box without power reads FF, which looks like an
  // erased or a bad chip). A pass the operator stopped claims neither.
  if (!stopped && !BoxAnswers()) return;
  if (device.stoppedAt && s.OpFailed == 0) {
    // Only part of the window was checked: no success text may stand for it.
    device.text = StoppedText(*device.stoppedAt);
    p_.report.status.caption = device.text;
    s.OpFailed = 1;
  }
  device.running = false;
  device.pass = DeviceCommand::None;
  device.verdict = stopped           ? Verdict::Stopped
                   : s.OpFailed != 0 ? Verdict::Failed
                                     : Verdict::Success;
  p_.frame.EnterIdleState();
}

}  // namespace tarnwick
