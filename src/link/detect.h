// Finding the Quillbox on the printer ports, measuring how fast this PC reads a port,
// and asking the box again before a device command trusts it.
#pragma once

#include <cstdint>
#include <string>

#include "base/command_frame.h"
#include "base/outcome.h"

namespace tarnwick {

class Clock;
class Link;
class PortIo;
class ProcessPriority;
class Toolkit;
class Vpp;
struct ProgramState;

struct DetectorParts {
  ProgramState& s;
  Link& link;
  Vpp& vpp;
  PortIo& port;
  Toolkit& toolkit;
  ProcessPriority& priority;
  Clock& clock;
  CommandFrame& frame;
  WindowReport report;
  SearchOutcome& search;
  DeviceOutcome& device;
};

// The addresses tried in order; the fourth comes from Lpt4Address.
inline constexpr uint16_t kSearchAddresses[] = {0x278, 0x378, 0x3BC};

inline constexpr const char* kNotFoundText =
    "The Quillbox Can Not Be\r\nFound On LPT1, LPT2, LPT3 or LPT4.\r\n\r\n"
    "..Make Sure Your Power Pack is Plugged In..";
// When no address could even be opened, the power pack is not the reason.
inline constexpr const char* kNoPortText =
    "The Quillbox Can Not Be\r\nFound On LPT1, LPT2, LPT3 or LPT4.\r\n\r\n"
    "..No Printer Port Could Be Opened Here:\r\nthe List Behind This Box Says Why..";
// The failure box of a search: the power-pack text when a port opened but nothing
// answered on it, the no-port text when none opened.
const char* NotFoundText(const SearchOutcome& search);
inline constexpr const char* kBoxLostText = "The Quillbox Does Not Answer....";
inline constexpr const char* kNotFoundStatus = "The Quillbox was Not Found";
// The last line of a failed search's log in the window.
inline constexpr const char* kDoctorHint =
    "tarnwick-cli doctor checks the whole path to the box and names each fault with its fix";
inline constexpr int kNotFoundLeft = 375;
inline constexpr int kNotFoundTop = 325;

// The measurement: this many register reads, and SpeedCount is the number of reads that
// take 0.4 ms (400 µs).
inline constexpr int64_t kCalibrationReads = 500000;
// A measurement shorter than this is below what the clock can resolve usefully; it is
// repeated with ten times the reads, at most kCalibrationAttempts times in all.
inline constexpr int64_t kMinMeasurableMicros = 100;
inline constexpr int kCalibrationAttempts = 3;

class Detector {
 public:
  explicit Detector(DetectorParts parts) : p_(parts) {}

  void FindProgrammer();
  void ProbePort();
  void LoopbackTest();
  void CalibrateSpeed();
  // "The Quillbox was Found at " and LptBase on the status line.
  void ShowFoundAt();

  // Whether the box on the open port still answers the search's loop-back test. The
  // device commands ask before they start and again before they report success, so a
  // box that lost its power or its cable can never turn into a green result. A box that
  // does not answer is taken as lost: the port is given back, the device commands go
  // dead, the status line turns red, and a click on it searches again.
  bool BoxAnswers();
  // The end of a device command: the box is asked before a success stands, the
  // command's verdict is settled, then idle.
  void EndDeviceCommand();

 private:
  // A line of the search's log in the memo, broken to the memo's width.
  void AddLogLine(const std::string& line);

  DetectorParts p_;
};

}  // namespace tarnwick
