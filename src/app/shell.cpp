#include "app/shell.h"

#include <algorithm>

#include "app/main_form.h"
#include "base/hex_text.h"

namespace tarnwick {

namespace {
constexpr const char* kPriorityError = "Error Setting Priority Class...";
}

void Shell::Wire() {
  f_.Quit_Func_But.OnClick = [this] { Quit_Func_ButClick(); };
  f_.StaticText3.OnClick = [this] { StaticText3Click(); };
}

void Shell::StaticText3Click() {
  ProgramState& s = f_.s;
  if (s.ProgrammerFound == 0) {
    f_.Memo1.ClearLines();
    f_.SetWindowEnabled(false);
    f_.detect.FindProgrammer();
    if (s.ProgrammerFound > 0) {
      f_.detect.CalibrateSpeed();
      s.ProgramPulse = static_cast<uint16_t>(std::max(1, s.SpeedCount / 750));
      f_.detect.ShowFoundAt();
      f_.vpp.ApplyVpp();
      if (f_.Device.caption == "No Device") f_.Device_Box.visible = true;
      f_.Memo1.visible = false;
    }
    f_.SetWindowEnabled(true);
  }
  s.OpFailed = s.ProgrammerFound > 0 ? 0 : 1;
  EnterIdleState();
}

void Shell::EnterBusyState() {
  f_.window.StartPass();
  for (Control* c :
       {&f_.Quit_Func_But, &f_.Programm,     &f_.Verify,      &f_.Auto_Verify, &f_.Move_Eprom,
        &f_.Blank_Chk,     &f_.Erase_But,    &f_.Vpp_But,     &f_.Compare,     &f_.Security,
        &f_.Start_Buf_Add, &f_.Prg_Type_But, &f_.Chk_Sum_But, &f_.Start_Add,   &f_.Save_But,
        &f_.Load_But,      &f_.File_But,     &f_.End_Add,     &f_.Offset,      &f_.Device,
        &f_.Help_1,        &f_.Scale,        &f_.Edit,        &f_.Fill})
    c->enabled = false;
  f_.Memo1.visible = false;
  f_.Help1.visible = false;
  for (Control* c : {&f_.Start_Buf_Add, &f_.Start_Add, &f_.End_Add, &f_.Offset}) c->visible = true;
  ShowQuitAddress(f_.s.DeviceAddr);
  f_.StaticText3.colour = colour::Yellow;
  f_.s.OpFailed = 0;
  f_.sys.toolkit.ProcessMessages();
}

void Shell::EnterIdleState() {
  if (f_.s.ProgrammerFound > 0) {
    for (Control* c : {&f_.Quit_Func_But, &f_.Programm, &f_.Verify, &f_.Auto_Verify, &f_.Move_Eprom,
                       &f_.Blank_Chk, &f_.Erase_But, &f_.Vpp_But, &f_.Compare, &f_.Security})
      c->enabled = true;
  }
  for (Control* c : {&f_.Start_Buf_Add, &f_.Prg_Type_But, &f_.Chk_Sum_But, &f_.Start_Add,
                     &f_.Save_But, &f_.Load_But, &f_.File_But, &f_.End_Add, &f_.Offset, &f_.Device,
                     &f_.Help_1, &f_.Scale, &f_.Edit, &f_.Fill})
    c->enabled = true;
  for (Control* c : {&f_.Help1, &f_.FillBox, &f_.Fill_Edit, &f_.File_Type}) c->visible = false;
  for (Control* c : {&f_.Start_Buf_Add, &f_.Start_Add, &f_.End_Add, &f_.Offset}) c->visible = true;
  ShowQuitAddress(f_.s.DeviceAddr);
  // The colour belongs to the text: green only for a text the command that ends now
  // wrote, or one that was green already.
  const std::string& text = f_.StaticText3.caption;
  red_ = f_.s.OpFailed != 0 || (red_ && text == redText_);
  if (red_) redText_ = text;
  f_.StaticText3.colour = red_ ? colour::Red : colour::Lime;
  if (!f_.sys.priority.SetNormal()) f_.sys.toolkit.ShowMessage(kPriorityError);
  f_.window.StartPass();
  f_.sys.toolkit.ProcessMessages();
}

void Shell::Quit_Func_ButClick() {
  f_.s.StopCount = 5;
}

void Shell::Timer1Timer() {
  f_.s.WaitMs = 0;
  f_.SetTimer1(false);
}

void Shell::ShowQuitAddress(int address) {
  f_.Quit_Func_But.caption = "&Quit = " + HexText(address, 4);
}

void Shell::RaisePriority() {
  if (!f_.sys.priority.SetRealTime()) f_.sys.toolkit.ShowMessage(kPriorityError);
}

}  // namespace tarnwick
