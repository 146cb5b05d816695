// Choosing the chip in the socket: the device list, and everything the choice sets
// (size, family, voltage, erased value, offered commands, adapter prompts).
#pragma once

#include <functional>
#include <string>

namespace tarnwick {

class TMainForm;

class DeviceSelect {
 public:
  explicit DeviceSelect(TMainForm& form) : f_(form) {}
  // Fills the device list and the drawings, and sets the handlers.
  void Wire();

  // Told the caption of the chip the operator is asked to seat, before the adapter
  // prompt; the simulated bench puts a blank chip of that kind in its socket.
  std::function<void(const std::string&)> OnChipAsked;

  // Applies DeviceRow: the Device caption, the window's limits, the family and what
  // follows from it, the Vpp level; ends in the idle state.
  void SelectDevice();
  void DeviceClick();
  void Device_BoxClick();

  // The seating prompts; each keeps its drawing up while the box is open.
  void ShowAdapter874X(bool install_jumper);
  void ShowAdapter875X();

 private:
  TMainForm& f_;
};

}  // namespace tarnwick
