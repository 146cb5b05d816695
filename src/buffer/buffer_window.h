// The address window over the buffer, the pass that walks it one byte at a time, the
// entry box that sets the window and the test-panel values, the checksum and the fill.
#pragma once

#include <cstdint>
#include <string>

#include "base/outcome.h"

namespace tarnwick {

class CommandFrame;
class Control;
class Link;
class Toolkit;
struct ProgramState;

// The window's controls the address window, the entry box, the checksum and the fill
// drive, by their names in the window.
struct BufferWindowControls {
  Control& Start_Buf_Add;
  Control& Start_Add;
  Control& End_Add;
  Control& Offset;
  Control& Chk_Sum_But;
  Control& Fill;
  Control& FillBox;
  Control& Fill_Edit;
  Control& Edit_Add;
  Control& Chg_Pass;
  Control& Chg_Pulse;
  Control& Chg_Delay;
  Control& Chg_Lpt4;
  Control& Memo1;
};

// Which value the entry box edits (EntryTarget).
enum EntryTargetCode : int32_t {
  kEntryBufferStart = 1,
  kEntryDeviceStart = 2,
  kEntryDeviceEnd = 3,
  kEntryHexOffset = 4,
  kEntryProgramPass = 5,
  kEntryProgramPulse = 6,
  kEntryPortDelay = 7,
  kEntryLpt4 = 8,
};

// The box's top in the normal layout, by target 1..8: level with the button that
// opened it (the address buttons and the test panel share the right column).
inline constexpr int32_t kEntryBoxTop[] = {342, 362, 384, 402, 342, 362, 384, 320};

class BufferWindow {
 public:
  BufferWindow(ProgramState& state, Link& link, Toolkit& toolkit, CommandFrame& frame,
               BufferWindowControls controls, ChecksumOutcome& checksum, FillOutcome& fill)
      : s_(state),
        link_(link),
        toolkit_(toolkit),
        frame_(frame),
        c_(controls),
        checksum_(checksum),
        fill_(fill) {}
  void Wire();

  // Begins a pass: latches parked, counters at the window's start, StopCount 0.
  void StartPass();
  // Moves the pass one byte on; StopCount rises once DeviceEnd has been processed.
  void StepPass();
  // Brings the window values within the selected chip's limits, writes the four
  // address captions and returns the window to its idle state.
  void ApplyWindow();
  // Sums the buffer over DeviceStart..DeviceEnd (as buffer addresses) into CheckSum and
  // shows it, and works out the CRC-32 and SHA-1 of the same bytes; runs through the
  // busy and idle states.
  void ShowCheckSum();
  // The same sum and caption without the busy and idle states: after every change of
  // the buffer's contents or of the window, so the caption never shows an old sum.
  void UpdateCheckSum();
  // The checksum, with the two hash lines on top of Memo1.
  void Chk_Sum_ButClick();
  const ChecksumOutcome& Checksum() const { return checksum_; }

  // The entry box: opened by the four address buttons and four test-panel buttons.
  void Start_Buf_AddClick();
  void Start_AddClick();
  void End_AddClick();
  void OffsetClick();
  void Chg_PassClick();
  void Chg_PulseClick();
  void Chg_DelayClick();
  void Chg_Lpt4Click();
  // Shows the box at the top already set, scaled in the large layout; empty, focused.
  void ShowEntryBox();
  // Admits hex digits and backspace; Enter stores the value for EntryTarget.
  void Edit_AddKeyPress(char& key);

  // Fill: the list of fill values and the box for a value of the operator's own.
  void FillClick();
  void FillBoxClick();
  void Fill_EditKeyPress(char& key);

 private:
  void OpenAddressEntry(int32_t target, Control& button);
  void OpenEntry(int32_t target);
  void WireEntryBox();
  void StoreEntry(const std::string& text);
  void FillBuffer(uint8_t value);

  ProgramState& s_;
  Link& link_;
  Toolkit& toolkit_;
  CommandFrame& frame_;
  BufferWindowControls c_;
  ChecksumOutcome& checksum_;
  FillOutcome& fill_;
};

}  // namespace tarnwick
