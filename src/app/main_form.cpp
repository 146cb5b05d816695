#include "app/main_form.h"

#include "base/hex_text.h"

namespace tarnwick {

TMainForm::TMainForm(Services services)
    : toolkit_(services.toolkit, closed_),
      sys{toolkit_, services.priority, services.clock, services.port} {
  shell.Wire();
  window.Wire();
  vpp.Wire();
  testPanel.Wire();
  devices.Wire();
  editor.Wire();
  helpScale.Wire();
  files.Wire();
  WireCommands();
  startup.Wire();
  startup.FormCreate();
}

void TMainForm::WireCommands() {
  Device.OnClick = [this] { devices.DeviceClick(); };
  Device_Box.OnClick = [this] { devices.Device_BoxClick(); };
  Vpp_But.OnClick = [this] { devices.Vpp_ButClick(); };
  Move_Eprom.OnClick = [this] { reads.Move_EpromClick(); };
  Verify.OnClick = [this] { reads.VerifyClick(); };
  Blank_Chk.OnClick = [this] { reads.Blank_ChkClick(); };
  Compare.OnClick = [this] { reads.CompareClick(); };
  Programm.OnClick = [this] { programs.ProgrammClick(); };
  Auto_Verify.OnClick = [this] { programs.Auto_VerifyClick(); };
  Erase_But.OnClick = [this] { erase.Erase_ButClick(); };
  Security.OnClick = [this] { erase.SecurityClick(); };
  Security_List.OnClick = [this] { erase.Security_ListClick(); };
}

void TMainForm::SetWindowEnabled(bool enabled) {
  Enabled = enabled;
  sys.toolkit.SetWindowEnabled(enabled);
}

void TMainForm::StartTimer1(int interval_ms) {
  Timer1Interval = interval_ms;
  if (interval_ms > 0) SetTimer1(true);
}

void TMainForm::SetTimer1(bool enabled) {
  Timer1Enabled = enabled;
  sys.toolkit.SetTimer1(enabled, Timer1Interval);
}

template <typename F>
void TMainForm::Guarded(F&& handler) {
  ++depth_;
  try {
    handler();
  } catch (const ConversionError& error) {
    sys.toolkit.ShowError(error.message());
  } catch (const std::exception& error) {
    // Anything else a handler meets (a read that fails, memory that runs out) ends that
    // handler, not the program: the reason in a box, and the window back to idle.
    sys.toolkit.ShowError(std::string("The command was stopped: ") + error.what());
    s.OpFailed = 1;
    if (outcomes.device.running) {
      outcomes.device.running = false;
      outcomes.device.pass = DeviceCommand::None;
      outcomes.device.verdict = Verdict::Failed;
      outcomes.device.text = std::string("The command was stopped: ") + error.what();
    }
    if (!closed_) {
      try {
        shell.EnterIdleState();
      } catch (const std::exception&) {
      }
    }
  }
  --depth_;
}

void TMainForm::Click(Control& control) {
  if (closed_ || !Enabled || !control.Live() || !control.OnClick) return;
  // The status line searches for the programmer and ends in the idle state: it must
  // not run inside a command that is still in its loop.
  if (&control == &StaticText3 && depth_ > 0) return;
  Guarded([&] {
    editor.LeaveFor(control);
    control.OnClick();
  });
}

void TMainForm::ListClick(Control& list, int row) {
  if (closed_ || !Enabled || !list.Live()) return;
  list.itemIndex = row >= 0 && row < static_cast<int>(list.lines().size()) ? row : -1;
  if (list.OnClick)
    Guarded([&] {
      editor.LeaveFor(list);
      list.OnClick();
    });
}

void TMainForm::KeyPress(Control& control, char& ch) {
  if (closed_ || !Enabled || !control.Live()) {
    ch = 0;
    return;
  }
  if (control.OnKeyPress) Guarded([&] { control.OnKeyPress(ch); });
}

void TMainForm::KeyDown(Control& control, Key key) {
  if (closed_ || !Enabled || !control.Live() || !control.OnKeyDown) return;
  Guarded([&] { control.OnKeyDown(key); });
}

void TMainForm::KeyUp(Control& control, Key key) {
  if (closed_ || !Enabled || !control.Live() || !control.OnKeyUp) return;
  Guarded([&] { control.OnKeyUp(key); });
}

void TMainForm::MouseDown(Control& control, int caret_line, int caret_column) {
  if (closed_ || !Enabled || !control.Live()) return;
  control.caretLine = caret_line;
  control.caretColumn = caret_column;
  if (control.OnMouseDown) Guarded([&] { control.OnMouseDown(); });
}

void TMainForm::FocusMoved(Control* from, Control* to) {
  if (closed_ || from == nullptr || !from->OnExit) return;
  Guarded([&] { from->OnExit(to); });
}

void TMainForm::FileDropped(const std::string& path) {
  if (closed_ || !Enabled || !Load_But.Live()) return;
  Guarded([&] {
    editor.LeaveFor(Load_But);
    files.FileDropped(path);
  });
}

void TMainForm::Timer1Fired() {
  if (closed_ || !Timer1Enabled) return;
  shell.Timer1Timer();
}

void TMainForm::Activate() {
  if (activated_ || closed_) return;
  activated_ = true;
  if (OnActivate) Guarded([&] { OnActivate(); });
}

void TMainForm::Close() {
  if (closed_) return;
  if (OnCloseQuery) Guarded([&] { OnCloseQuery(); });
  closed_ = true;
}

}  // namespace tarnwick
