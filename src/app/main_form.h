// TMainForm: the one main window. It owns the program state, the controls as data and
// the subsystems, which share them; the view and the tests deliver events through the
// members at the bottom.
#pragma once

#include "app/help_scale.h"
#include "app/main_form_controls.h"
#include "app/shell.h"
#include "app/startup.h"
#include "app/test_panel.h"
#include "base/command_frame.h"
#include "base/platform.h"
#include "base/port_io.h"
#include "base/program_state.h"
#include "base/toolkit.h"
#include "buffer/buffer_window.h"
#include "buffer/hex_editor.h"
#include "devices/device_select.h"
#include "formats/file_commands.h"
#include "link/detect.h"
#include "link/latches.h"
#include "link/vpp.h"
#include "link/waits.h"
#include "ops/erase_ops.h"
#include "ops/program_ops.h"
#include "ops/read_ops.h"

namespace tarnwick {

// What the last command of each kind found: the window shows it, tarnwick-cli prints it.
struct Outcomes {
  SearchOutcome search;
  DeviceOutcome device;
  LoadOutcome load;
  SaveOutcome save;
  ChecksumOutcome checksum;
  FillOutcome fill;
};

struct Services {
  Toolkit& toolkit;
  ProcessPriority& priority;
  Clock& clock;
  PortIo& port;
};

// The toolkit as the subsystems reach it. Once the window has closed, nothing shows a
// message box or a dialog any more: a handler still unwinding after the close must not
// leave the process waiting on a box nobody sees.
class ClosedWindowToolkit final : public Toolkit {
 public:
  ClosedWindowToolkit(Toolkit& toolkit, const bool& closed) : t_(toolkit), closed_(closed) {}
  void ProcessMessages() override { t_.ProcessMessages(); }
  void WaitForMessages() override { t_.WaitForMessages(); }
  void SetTimer1(bool enabled, int interval_ms) override { t_.SetTimer1(enabled, interval_ms); }
  void ShowMessage(const std::string& text) override {
    if (!closed_) t_.ShowMessage(text);
  }
  void ShowMessageAt(const std::string& text, int left, int top) override {
    if (!closed_) t_.ShowMessageAt(text, left, top);
  }
  void ShowError(const std::string& text) override {
    if (!closed_) t_.ShowError(text);
  }
  bool RunOpenDialog(FileDialog& dialog) override { return !closed_ && t_.RunOpenDialog(dialog); }
  bool RunSaveDialog(FileDialog& dialog) override { return !closed_ && t_.RunSaveDialog(dialog); }
  void SetWindowEnabled(bool enabled) override { t_.SetWindowEnabled(enabled); }
  void WindowResized(int width, int height) override { t_.WindowResized(width, height); }
  void SetFocus(Control& control) override { t_.SetFocus(control); }

 private:
  Toolkit& t_;
  const bool& closed_;
};

// The window is the frame the subsystems' commands run in (busy and idle states, Timer1,
// the close); each subsystem is built with just the parts it works with.
class TMainForm : public MainFormControls, public CommandFrame {
 public:
  explicit TMainForm(Services services);
  TMainForm(const TMainForm&) = delete;
  TMainForm& operator=(const TMainForm&) = delete;

  ProgramState s;
  Outcomes outcomes;

 private:
  bool closed_ = false;
  ClosedWindowToolkit toolkit_;

 public:
  Services sys;

  WindowReport report{StaticText3, Memo1, Quit_Func_But};

  // Subsystems. The window's own (app/) see the whole form; the ones below it are
  // built with the parts they use.
  Shell shell{*this};
  Link link{s, sys.port};
  Waits waits{s, link, sys.toolkit, *this};
  BufferWindow window{s,
                      link,
                      sys.toolkit,
                      *this,
                      {Start_Buf_Add, Start_Add, End_Add, Offset, Chk_Sum_But, Fill, FillBox,
                       Fill_Edit, Edit_Add, Chg_Pass, Chg_Pulse, Chg_Delay, Chg_Lpt4, Memo1},
                      outcomes.checksum,
                      outcomes.fill};
  Vpp vpp{s, link, Vpp_But, Test_Vpp};
  TestPanel testPanel{*this};
  DeviceSelect devices{
      s,
      vpp,
      window,
      sys.toolkit,
      *this,
      {Device, Device_Box, A874X, A875X, Vpp_Test, Security, Erase_But, Panel8, StaticText3}};
  Detector detect{{s, link, vpp, sys.port, sys.toolkit, sys.priority, sys.clock, *this, report,
                   outcomes.search, outcomes.device}};
  HexEditor editor{s, window, sys.toolkit, *this, {Edit, Edit_1, Edit_Info, Chg_Edit_Add, Memo1}};
  HelpAndScale helpScale{*this};
  FileCommands files{s,
                     window,
                     sys.toolkit,
                     *this,
                     {File_But, File_Type, Load_But, Save_But, StaticText3, StaticText4, Memo1,
                      Quit_Func_But, OpenDialog1, SaveDialog1},
                     outcomes.load,
                     outcomes.save};
  Startup startup{*this};
  ReadOps reads{DeviceCommandParts()};
  ProgramOps programs{DeviceCommandParts(), reads, Auto_Verify};
  EraseOps erase{DeviceCommandParts(), reads, programs, Security_List};

  // Timer1: one-shot millisecond timer of the wait routines.
  bool Timer1Enabled = false;
  int Timer1Interval = 10;
  void SetTimer1(bool enabled);

  // Events from the view or the headless toolkit. Each runs the control's handler
  // only if the control accepts input (shown and enabled with its panels), and
  // catches a failed conversion at the handler boundary to show the standard box.
  // A click or list choice that runs a command leaves an open buffer editor first,
  // however it was started (mouse, Alt key, keyboard), so no command works under it.
  void Click(Control& control);
  void ListClick(Control& list, int row);
  void KeyPress(Control& control, char& ch);
  void KeyDown(Control& control, Key key);
  void KeyUp(Control& control, Key key);
  void MouseDown(Control& control, int caret_line, int caret_column);
  void FocusMoved(Control* from, Control* to);
  void Timer1Fired();
  // A file dropped on the window: loaded as Load would, when Load can be clicked.
  void FileDropped(const std::string& path);
  void Activate();  // the window became active; the start-up sequence runs once
  void Close();     // the operator closes the window; it always closes

  bool Activated() const { return activated_; }

  // The frame of the commands.
  void EnterBusyState() override { shell.EnterBusyState(); }
  void EnterIdleState() override { shell.EnterIdleState(); }
  void ShowQuitAddress(int address) override { shell.ShowQuitAddress(address); }
  void RaisePriority() override { shell.RaisePriority(); }
  void SetWindowEnabled(bool enabled) override;
  void StartTimer1(int interval_ms) override;
  bool Closed() const override { return closed_; }

  // Start-up and shut-down hooks filled in by the start-up subsystem.
  std::function<void()> OnActivate;
  std::function<void()> OnCloseQuery;

 private:
  OpsParts DeviceCommandParts() {
    return {s, link, waits, vpp, detect, window, sys.toolkit, *this, report, outcomes.device};
  }
  void WireCommands();

  template <typename F>
  void Guarded(F&& handler);

  int depth_ = 0;  // handlers running, nested through message processing
  bool activated_ = false;
};

}  // namespace tarnwick
