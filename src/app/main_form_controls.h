// Every control of the main window, by name, with the layout the window opens with.
#pragma once

#include <string>
#include <vector>

#include "base/controls.h"

namespace tarnwick {

class MainFormControls {
 public:
  MainFormControls();
  MainFormControls(const MainFormControls&) = delete;
  MainFormControls& operator=(const MainFormControls&) = delete;

  // The window itself.
  std::string Caption;
  int Left = 0, Top = 0;
  int Width = 743, Height = 490;              // outer size at 96 dpi
  int ClientWidth = 735, ClientHeight = 463;  // inside the border and title bar
  Rgb Colour = colour::Navy;
  bool Enabled = true;

  // Left column: command panels.
  Control Panel8{"Panel8", ControlKind::Panel};
  Control Programm{"Programm", ControlKind::Button};
  Control Security{"Security", ControlKind::Button};
  Control Erase_But{"Erase_But", ControlKind::Button};
  Control Panel7{"Panel7", ControlKind::Panel};
  Control Blank_Chk{"Blank_Chk", ControlKind::Button};
  Control Verify{"Verify", ControlKind::Button};
  Control Move_Eprom{"Move_Eprom", ControlKind::Button};
  Control Compare{"Compare", ControlKind::Button};
  Control Device{"Device", ControlKind::Button};
  Control Panel6{"Panel6", ControlKind::Panel};
  Control Edit{"Edit", ControlKind::Button};
  Control Fill{"Fill", ControlKind::Button};
  Control Panel5{"Panel5", ControlKind::Panel};
  Control Auto_Verify{"Auto_Verify", ControlKind::Button};
  Control Vpp_But{"Vpp_But", ControlKind::Button};
  Control Panel4{"Panel4", ControlKind::Panel};
  Control Help_1{"Help_1", ControlKind::Button};
  Control Scale{"Scale", ControlKind::Button};
  Control Panel3{"Panel3", ControlKind::Panel};
  Control Chk_Sum_But{"Chk_Sum_But", ControlKind::Button};
  Control File_But{"File_But", ControlKind::Button};
  Control Save_But{"Save_But", ControlKind::Button};
  Control Load_But{"Load_But", ControlKind::Button};

  // Right column: the address buttons and the test panel that takes their place.
  Control Panel2{"Panel2", ControlKind::Panel};
  Control Start_Buf_Add{"Start_Buf_Add", ControlKind::Button};
  Control Start_Add{"Start_Add", ControlKind::Button};
  Control End_Add{"End_Add", ControlKind::Button};
  Control Offset{"Offset", ControlKind::Button};
  Control Panel1{"Panel1", ControlKind::Panel};
  Control StaticText1{"StaticText1", ControlKind::StaticText};
  Control Chg_Lpt4{"Chg_Lpt4", ControlKind::Button};
  Control Chg_Pass{"Chg_Pass", ControlKind::Button};
  Control Chg_Pulse{"Chg_Pulse", ControlKind::Button};
  Control Chg_Delay{"Chg_Delay", ControlKind::Button};
  Control Test_Vpp{"Test_Vpp", ControlKind::Button};
  Control Quit_Test{"Quit_Test", ControlKind::Button};

  // Top and bottom lines.
  Control Quit_Func_But{"Quit_Func_But", ControlKind::Button};
  Control StaticText3{"StaticText3", ControlKind::StaticText};
  Control Prg_Type_But{"Prg_Type_But", ControlKind::Button};
  Control StaticText4{"StaticText4", ControlKind::StaticText};

  // Work area overlays.
  Control Memo1{"Memo1", ControlKind::Memo};
  Control Device_Box{"Device_Box", ControlKind::ListBox};
  Control A874X{"A874X", ControlKind::Memo};
  Control A875X{"A875X", ControlKind::Memo};
  Control Vpp_Test{"Vpp_Test", ControlKind::Memo};
  Control Help1{"Help1", ControlKind::Memo};
  Control Edit_Info{"Edit_Info", ControlKind::StaticText};
  Control Edit_1{"Edit_1", ControlKind::RichEdit};
  Control Chg_Edit_Add{"Chg_Edit_Add", ControlKind::LineEdit};
  Control Security_List{"Security_List", ControlKind::ListBox};
  Control FillBox{"FillBox", ControlKind::ListBox};
  Control Fill_Edit{"Fill_Edit", ControlKind::LineEdit};
  Control File_Type{"File_Type", ControlKind::ListBox};
  Control Edit_Add{"Edit_Add", ControlKind::LineEdit};

  // Window-level components without a place.
  FileDialog OpenDialog1;
  FileDialog SaveDialog1;

  // Every control, parents before their children, in creation (stacking) order.
  const std::vector<Control*>& AllControls() const { return all_; }
  Control* FindControl(const std::string& name) const;

 private:
  std::vector<Control*> all_;
};

}  // namespace tarnwick
