// What the device commands work with: the state, the latches and waits of the link,
// the programming voltage, the box check, the address window's pass, and the window's
// frame and report.
#pragma once

#include "base/command_frame.h"

namespace tarnwick {

class BufferWindow;
class Detector;
class Link;
class Toolkit;
class Vpp;
class Waits;
struct ProgramState;

struct OpsParts {
  ProgramState& s;
  Link& link;
  Waits& waits;
  Vpp& vpp;
  Detector& detect;
  BufferWindow& window;
  Toolkit& toolkit;
  CommandFrame& frame;
  WindowReport report;
};

}  // namespace tarnwick
