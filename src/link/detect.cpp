#include "link/detect.h"

#include <algorithm>

#include "app/main_form.h"
#include "base/hex_text.h"

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

void Detector::Wire() {
  f_.StaticText3.OnClick = [this] { StaticText3Click(); };
}

void Detector::SetWindowEnabled(bool enabled) {
  f_.Enabled = enabled;
  f_.sys.toolkit.SetWindowEnabled(enabled);
}

void Detector::ShowFoundAt() {
  f_.StaticText3.caption = "The Quillbox was Found at " + HexText(f_.s.LptBase, 4);
}

void Detector::LoopbackTest() {
  ProgramState& s = f_.s;
  s.LatchByte = static_cast<uint16_t>(s.TestPattern);
  f_.link.StrobeLatchA();
  f_.link.ReadNibbles();
  if (s.ReadByte != s.TestPattern) s.ProgrammerFound = 0;
  f_.Memo1.AddLine("Port-" + HexText(s.LptBase, 4) + " - " + HexText(s.TestPattern, 2) + " - " +
                   HexText(s.ReadByte, 2));
}

void Detector::ProbePort() {
  ProgramState& s = f_.s;
  s.ProgrammerFound = 1;
  f_.link.OpenPort();
  if (s.ProgrammerFound != 1) return;  // refused: nothing was opened, nothing to close
  s.StatusPort = static_cast<uint16_t>(s.LptBase + 1);
  s.ControlPort = static_cast<uint16_t>(s.LptBase + 2);
  f_.link.ParkLatches();
  // Latch2 bit 3 low keeps any chip off the read path, so LatchA comes straight back.
  f_.link.Load(kLatch2, 0xB7);
  s.TestPattern = 0xA5;
  LoopbackTest();
  s.TestPattern = 0x5A;
  LoopbackTest();
  if (s.ProgrammerFound == 0) f_.link.ClosePort();
}

void Detector::FindProgrammer() {
  ProgramState& s = f_.s;
  SetWindowEnabled(false);
  s.OpFailed = 1;
  s.PortDelay = 10;
  f_.Memo1.ClearLines();
  f_.Memo1.visible = true;

  s.ProgrammerFound = 0;
  for (uint16_t base : kSearchAddresses) {
    if (f_.Closed()) break;
    s.LptBase = base;
    ProbePort();
    if (s.ProgrammerFound != 0) break;
  }
  if (s.ProgrammerFound == 0 && !f_.Closed()) {
    // The fourth address is the operator's: probe it only where a printer port can be,
    // since the probe writes to four I/O addresses.
    if (f_.sys.port.IsPortAddress(s.Lpt4Address)) {
      s.LptBase = s.Lpt4Address;
      ProbePort();
    } else {
      f_.Memo1.AddLine("Port-" + HexText(s.Lpt4Address, 4) + " - Not a Printer Port");
    }
  }

  if (s.ProgrammerFound > 0 && !f_.Closed()) {
    f_.link.ParkLatches();
    f_.sys.clock.SleepMs(kConfirmPauseMs);
    ProbePort();
  }

  if (f_.Closed()) {
    // The close released the port; nothing touches it any more.
  } else if (s.ProgrammerFound > 0) {
    f_.sys.port.BoxFound();
    CalibrateSpeed();
    if (f_.Closed()) return;
    s.ProgramPulse = s.SpeedCount;
    ShowFoundAt();
    f_.vpp.ApplyVpp();
  } else {
    f_.sys.toolkit.ShowMessageAt(kNotFoundText, kNotFoundLeft, kNotFoundTop);
  }

  f_.Memo1.visible = false;
  SetWindowEnabled(true);
}

void Detector::CalibrateSpeed() {
  ProgramState& s = f_.s;
  Toolkit& toolkit = f_.sys.toolkit;
  if (!f_.sys.priority.SetRealTime()) toolkit.ShowMessage(kPriorityError);

  // Measured on the monotonic clock, so no turn of the minute or change of the clock
  // can spoil an attempt; only a measurement too short to resolve is repeated, with
  // more reads, and a bounded number of times.
  int64_t reads = kCalibrationReads;
  bool measured = false;
  for (int attempt = 0; attempt < kCalibrationAttempts && !measured; ++attempt) {
    f_.link.ParkLatches();
    f_.Memo1.AddLine("Checking system speed...");
    f_.Memo1.AddLine("Setting program Pulse...");
    toolkit.ProcessMessages();
    if (f_.Closed()) break;  // the port is released: no measurement, no box
    const int64_t t0 = f_.sys.clock.NowMicros();
    // The unit of every counted wait is a status read. Control reads cost the same on a
    // port reached directly; through ppdev they never reach the port and would count
    // far too many reads into each wait.
    if (f_.sys.port.ControlReadsReachThePort())
      f_.link.ReadControl(reads);
    else
      f_.link.ReadStatus(reads);
    const int64_t elapsed = f_.sys.clock.NowMicros() - t0;
    if (elapsed >= kMinMeasurableMicros) {
      // Reads per 400 µs. Kept within the 16-bit counter instead of wrapping: a
      // wrapped count would make every wait of the device cycles far too short.
      const int64_t count = reads * 400 / elapsed;
      s.SpeedCount = static_cast<uint16_t>(std::clamp<int64_t>(count, 1, 0xFFFF));
      measured = true;
    } else {
      reads *= 10;
    }
  }
  if (!measured && !f_.Closed()) {
    // Faster than the clock can tell: the longest waits the counter can hold are safe.
    s.SpeedCount = 0xFFFF;
    f_.Memo1.AddLine("System speed could not be measured...");
    toolkit.ShowMessage(kSpeedNotMeasured);
  }

  if (!f_.sys.priority.SetNormal()) toolkit.ShowMessage(kPriorityError);
  toolkit.ProcessMessages();
}

void Detector::TimerWait() {
  ProgramState& s = f_.s;
  Toolkit& toolkit = f_.sys.toolkit;
  toolkit.ProcessMessages();
  f_.Timer1Interval = s.WaitMs;
  if (s.WaitMs > 0) f_.SetTimer1(true);
  toolkit.ProcessMessages();
  // The timer's event clears WaitMs. The wait sleeps in the toolkit meanwhile: a loop of
  // message passes at real-time priority would starve the display on a single core.
  // A closed window stops the timer for good, so the wait ends there too.
  do {
    toolkit.WaitForMessages();
  } while (s.WaitMs > 0 && !f_.Closed());
}

void Detector::ScaledWait() {
  const ProgramState& s = f_.s;
  f_.link.ReadStatus(static_cast<int64_t>(static_cast<uint32_t>(s.SpeedCount) * s.PulseWait));
  f_.sys.toolkit.ProcessMessages();
}

void Detector::ShortWait() {
  f_.link.ReadStatus(5 * static_cast<int64_t>(f_.s.PulseWait));
}

void Detector::StepWait() {
  f_.link.ReadStatus(f_.s.PulseWait);
  f_.sys.toolkit.ProcessMessages();
}

bool Detector::BoxAnswers() {
  ProgramState& s = f_.s;
  if (s.ProgrammerFound > 0) {
    f_.link.ParkLatches();
    f_.link.Load(kLatch2, 0xB7);  // no chip on the read path: LatchA comes straight back
    bool answered = true;
    for (int pattern : {0xA5, 0x5A}) {
      f_.link.Load(kLatchA, pattern);
      f_.link.ReadNibbles();
      answered = answered && s.ReadByte == pattern;
    }
    f_.link.ParkLatches();
    if (answered) return true;
    f_.link.ClosePort();
  }
  s.ProgrammerFound = 0;
  // Busy and then idle with no programmer: the device commands are left dead.
  f_.shell.EnterBusyState();
  f_.StaticText3.caption = kBoxLostText;
  s.OpFailed = 1;
  f_.sys.toolkit.ShowMessageAt(kNotFoundText, kNotFoundLeft, kNotFoundTop);
  f_.shell.EnterIdleState();
  return false;
}

void Detector::EndDeviceCommand() {
  if (f_.s.OpFailed == 0 && !f_.Closed() && !BoxAnswers()) return;
  f_.shell.EnterIdleState();
}

void Detector::StaticText3Click() {
  ProgramState& s = f_.s;
  if (s.ProgrammerFound == 0) {
    f_.Memo1.ClearLines();
    SetWindowEnabled(false);
    FindProgrammer();
    if (s.ProgrammerFound > 0) {
      CalibrateSpeed();
      s.ProgramPulse = static_cast<uint16_t>(std::max(1, s.SpeedCount / 750));
      ShowFoundAt();
      f_.vpp.ApplyVpp();
      if (f_.Device.caption == "No Device") f_.Device_Box.visible = true;
    }
    f_.Memo1.visible = false;
    SetWindowEnabled(true);
  }
  s.OpFailed = 0;
  f_.shell.EnterIdleState();
}

}  // namespace tarnwick
