// Choosing the chip in the socket: the device list, and everything the choice sets
// (size, family, voltage, erased value, offered commands, adapter prompts).
#pragma once

#include <functional>
#include <string>

namespace tarnwick {

class BufferWindow;
class CommandFrame;
class Control;
class Toolkit;
class Vpp;
struct ProgramState;

// The controls of the choice: the Device button and its list, the two adapter drawings
// and the Vpp test drawing, and what the choice shows or hides.
struct DeviceControls {
  Control& device;
  Control& list;
  Control& a874x;
  Control& a875x;
  Control& vppTest;
  Control& security;
  Control& erase;
  Control& panel8;
  Control& status;
};

class DeviceSelect {
 public:
  DeviceSelect(ProgramState& state, Vpp& vpp, BufferWindow& window, Toolkit& toolkit,
               CommandFrame& frame, DeviceControls controls)
      : s_(state), vpp_(vpp), window_(window), toolkit_(toolkit), frame_(frame), c_(controls) {}
  // Fills the device list and the drawings.
  void Wire();

  // Told the caption of the chip the operator is asked to seat, before the adapter
  // prompt; the simulated bench puts a blank chip of that kind in its socket.
  std::function<void(const std::string&)> OnChipAsked;

  // Applies DeviceRow: the Device caption, the window's limits, the family and what
  // follows from it, the Vpp level; ends in the idle state.
  void SelectDevice();
  void DeviceClick();
  // The Vpp button: the chips that have a choice of high voltages step through it.
  void Vpp_ButClick();
  void Device_BoxClick();

  // The seating prompts; each keeps its drawing up while the box is open.
  void ShowAdapter874X(bool install_jumper);
  void ShowAdapter875X();

 private:
  ProgramState& s_;
  Vpp& vpp_;
  BufferWindow& window_;
  Toolkit& toolkit_;
  CommandFrame& frame_;
  DeviceControls c_;
};

}  // namespace tarnwick
