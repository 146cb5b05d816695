#include "devices/device_select.h"

#include <iterator>

#include "app/help_scale.h"
#include "app/main_form.h"
#include "base/hex_text.h"
#include "devices/device_table.h"
#include "devices/drawings.h"

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
  f_.Device_Box.SetLines(std::move(items));
  f_.A874X.SetLines(Lines(kA874XDrawing));
  f_.A875X.SetLines(Lines(kA875XDrawing));
  f_.Vpp_Test.SetLines(Lines(kVppTestDrawing));
  f_.Device.OnClick = [this] { DeviceClick(); };
  f_.Device_Box.OnClick = [this] { Device_BoxClick(); };
}

void DeviceSelect::DeviceClick() {
  // The list stays up with the window busy, so nothing else starts meanwhile.
  f_.shell.EnterBusyState();
  f_.Device_Box.visible = true;
}

void DeviceSelect::Device_BoxClick() {
  f_.s.DeviceRow = f_.Device_Box.itemIndex;
  f_.Device_Box.visible = false;
  SelectDevice();
  f_.shell.EnterIdleState();
}

void DeviceSelect::SelectDevice() {
  ProgramState& s = f_.s;
  // The 874X families ran with a third of the wait unit; give the rest back first.
  if (TraitsOf(s.DeviceFamily).pulseDiv3) s.PulseWait = static_cast<uint16_t>(s.PulseWait * 3);
  s.DeviceStart = 0;
  s.VppCode = 7;
  s.DeviceFamily = 4;
  f_.StaticText3.caption = s.ProgrammerFound == 0
                               ? "The Quillbox was Not Found"
                               : "The Quillbox was Found at " + HexText(s.LptBase, 4);

  // Only the configuration file can name a row outside the list; such a row changes
  // neither the caption nor the window's end.
  if (s.DeviceRow >= 0 && s.DeviceRow < kDeviceRowCount) {
    const DeviceEntry& entry = kDeviceTable[static_cast<size_t>(s.DeviceRow)];
    f_.Device.caption = entry.caption != nullptr ? entry.caption : "No Device";
    s.DeviceEnd = entry.deviceEnd;
    s.VppCode = entry.vppCode;
    s.DeviceFamily = entry.family;
    if (OnChipAsked) OnChipAsked(f_.Device.caption);
    switch (entry.prompt) {
      case AdapterPrompt::kNoDevice:
        f_.sys.toolkit.ShowMessage(kNoDeviceText);
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
  f_.Security.visible = traits.security;
  f_.Erase_But.visible = traits.erase;
  // In the large layout the panel keeps its enlarged proportion; Scale takes it back.
  f_.Panel8.height = f_.s.LargeLayout == 1
                         ? ScaleValue(traits.panel8Height, kLargeScale, kNormalScale)
                         : traits.panel8Height;
  // The new level reaches the box only now, after the operator has seated the adapter.
  f_.vpp.ApplyVpp();
  f_.window.ApplyWindow();
  if (traits.pulseFixed10) s.PulseWait = 10;
}

void DeviceSelect::ShowAdapter874X(bool install_jumper) {
  f_.A874X.visible = true;
  f_.sys.toolkit.ShowMessageAt(install_jumper ? kInstallJumperText : kRemoveJumperText,
                               kPrompt874XLeft, kPrompt874XTop);
  f_.A874X.visible = false;
}

void DeviceSelect::ShowAdapter875X() {
  f_.A875X.visible = true;
  f_.sys.toolkit.ShowMessageAt("", kPrompt875XLeft, kPrompt875XTop);
  f_.A875X.visible = false;
}

}  // namespace tarnwick
