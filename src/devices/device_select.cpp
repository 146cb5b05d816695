#include "devices/device_select.h"

#include <iterator>

#include "base/command_frame.h"
#include "base/hex_text.h"
#include "base/program_state.h"
#include "base/scale.h"
#include "base/toolkit.h"
#include "buffer/buffer_window.h"
#include "devices/device_table.h"
#include "devices/drawings.h"
#include "link/vpp.h"

namespace tarnwick {

namespace {

// Screen positions of the prompts: beside the drawing, clear of the adapter.
constexpr int kPrompt874XLeft = 595;
constexpr int kPrompt874XTop = 250;
constexpr int kPrompt875XLeft = 725;
constexpr int kPrompt875XTop = 200;

constexpr const char* kInstallJumperText = "Besure to install the JUMPER on the adapter board....";
constexpr const char* kRemoveJumperText = "Besure to Remove the JUMPER on the adapter board....";
constexpr const char* kNoDeviceText = "No Device Was Selected.";

template <size_t N>
std::vector<std::string> Lines(const char* const (&drawing)[N]) {
  return {std::begin(drawing), std::end(drawing)};
}

}  // namespace

void DeviceSelect::Wire() {
  std::vector<std::string> items;
  for (const DeviceEntry& entry : kDeviceTable) items.emplace_back(entry.listText);
  c_.list.SetLines(std::move(items));
  c_.a874x.SetLines(Lines(kA874XDrawing));
  c_.a875x.SetLines(Lines(kA875XDrawing));
  c_.vppTest.SetLines(Lines(kVppTestDrawing));
}

void DeviceSelect::DeviceClick() {
  // The list stays up with the window busy, so nothing else starts meanwhile.
  frame_.EnterBusyState();
  c_.list.visible = true;
}

void DeviceSelect::Device_BoxClick() {
  s_.DeviceRow = c_.list.itemIndex;
  c_.list.visible = false;
  SelectDevice();
  frame_.EnterIdleState();
}

void DeviceSelect::Vpp_ButClick() {
  ProgramState& s = s_;
  // Only the 874X parts and the 8751H have a choice of high voltages: 25, 21, 12.75.
  if (s.DeviceFamily < kFamily87C5x) {
    if (s.VppCode == 1)
      s.VppCode = 2;
    else if (s.VppCode == 2)
      s.VppCode = 3;
    else if (s.VppCode == 3)
      s.VppCode = 1;
  }
  vpp_.ApplyVpp();
}

void DeviceSelect::SelectDevice() {
  ProgramState& s = s_;
  // The 874X families ran with a third of the wait unit; give the rest back first.
  if (TraitsOf(s.DeviceFamily).pulseDiv3) s.PulseWait = static_cast<uint16_t>(s.PulseWait * 3);
  s.DeviceStart = 0;
  s.VppCode = 7;
  s.DeviceFamily = kFamily87C5x;
  c_.status.caption = s.ProgrammerFound == 0 ? "The Quillbox was Not Found"
                                             : "The Quillbox was Found at " + HexText(s.LptBase, 4);

  // Only the configuration file can name a row outside the list; such a row changes
  // neither the caption nor the window's end.
  if (s.DeviceRow >= 0 && s.DeviceRow < kDeviceRowCount) {
    const DeviceEntry& entry = kDeviceTable[static_cast<size_t>(s.DeviceRow)];
    c_.device.caption = entry.caption != nullptr ? entry.caption : "No Device";
    s.DeviceEnd = entry.deviceEnd;
    s.VppCode = entry.vppCode;
    s.DeviceFamily = entry.family;
    if (OnChipAsked) OnChipAsked(c_.device.caption);
    switch (entry.prompt) {
      case AdapterPrompt::kNoDevice:
        toolkit_.ShowMessage(kNoDeviceText);
        break;
      case AdapterPrompt::kInstallJumper:
        ShowAdapter874X(true);
        break;
      case AdapterPrompt::kRemoveJumper:
        ShowAdapter874X(false);
        break;
      case AdapterPrompt::kAdapter875X:
        ShowAdapter875X();
        break;
      case AdapterPrompt::kNone:
        break;
    }
  }

  const FamilyTraits& traits = TraitsOf(s.DeviceFamily);
  s.ChipEnd = traits.chipEnd != 0 ? traits.chipEnd : s.DeviceEnd;
  if (traits.pulseDiv3) s.PulseWait = static_cast<uint16_t>(s.PulseWait / 3);
  s.BlankValue = traits.blankValue;
  c_.security.visible = traits.security;
  c_.erase.visible = traits.erase;
  // In the large layout the panel keeps its enlarged proportion; Scale takes it back.
  c_.panel8.height = s_.LargeLayout == 1
                         ? ScaleValue(traits.panel8Height, kLargeScale, kNormalScale)
                         : traits.panel8Height;
  // The new level reaches the box only now, after the operator has seated the adapter.
  vpp_.ApplyVpp();
  window_.ApplyWindow();
  if (traits.pulseFixed10) s.PulseWait = 10;
}

void DeviceSelect::ShowAdapter874X(bool install_jumper) {
  c_.a874x.visible = true;
  toolkit_.ShowMessageAt(install_jumper ? kInstallJumperText : kRemoveJumperText, kPrompt874XLeft,
                         kPrompt874XTop);
  c_.a874x.visible = false;
}

void DeviceSelect::ShowAdapter875X() {
  c_.a875x.visible = true;
  toolkit_.ShowMessageAt("", kPrompt875XLeft, kPrompt875XTop);
  c_.a875x.visible = false;
}

}  // namespace tarnwick
