// The main window as it opens: every control with its place, size, font, colour,
// caption or lines, and its enabled and visible flags.
#include <initializer_list>

#include "app/main_form_controls.h"
#include "formats/file_commands.h"

namespace tarnwick {

namespace {

constexpr int kButtonHeight = 20;
constexpr int kButtonPitch = 20;

void Place(Control& c, int left, int top, int width, int height) {
  c.left = left;
  c.top = top;
  c.width = width;
  c.height = height;
}

Font FixedFont(int height) {
  return Font{kFixedFace, height, false, colour::Black};
}

void MakePanel(Control& panel, Rgb fill, int left, int top, int width, int height) {
  Place(panel, left, top, width, height);
  panel.colour = fill;
  panel.hasColour = true;
  panel.border = Border::Raised;
}

// Buttons stacked 20 pixels apart inside their panel, the first at (4, first_top).
void StackButtons(Control& panel, int width, int first_top,
                  std::initializer_list<std::pair<Control*, const char*>> buttons) {
  int top = first_top;
  for (auto [button, caption] : buttons) {
    button->parent = &panel;
    Place(*button, 4, top, width, kButtonHeight);
    button->caption = caption;
    top += kButtonPitch;
  }
}

void MakeOverlay(Control& c, int left, int top, int width, int height, Font font) {
  Place(c, left, top, width, height);
  c.font = std::move(font);
  c.visible = false;
}

}  // namespace

MainFormControls::MainFormControls() {
  Caption =
      "Tarnwick - 8741/8748/8749/8751/87C5x/89C5x/89S Programmer for the Quillbox II - Linux - "
      "Version " TARNWICK_VERSION " - " TARNWICK_RELEASE;
  OpenDialog1.filter = kDialogFilter;
  OpenDialog1.defaultExt = ".Bin";
  OpenDialog1.mustExist = true;
  SaveDialog1.filter = OpenDialog1.filter;
  SaveDialog1.defaultExt = "Bin";
  SaveDialog1.confirmOverwrite = true;

  // Left column: command panels, 111 wide at left 8.
  MakePanel(Panel8, colour::Red, 8, 4, 111, 68);
  StackButtons(Panel8, 103, 4,
               {{&Programm, "&Program Device"},
                {&Security, "Program Security"},
                {&Erase_But, "&Erase Device"}});
  MakePanel(Panel7, colour::Lime, 8, 76, 111, 108);
  StackButtons(Panel7, 103, 4,
               {{&Blank_Chk, "&Blank Check"},
                {&Verify, "&Verify Device"},
                {&Move_Eprom, "&Move Device"},
                {&Compare, "Program Compare"},
                {&Device, "No Device"}});
  MakePanel(Panel6, colour::Yellow, 8, 188, 111, 48);
  StackButtons(Panel6, 103, 4, {{&Edit, "&Edit Buffer"}, {&Fill, "&Fill Buffer"}});
  MakePanel(Panel5, colour::Fuchsia, 8, 240, 111, 48);
  StackButtons(Panel5, 103, 4, {{&Auto_Verify, "Auto Verify On"}, {&Vpp_But, " Vpp = 12.5"}});
  MakePanel(Panel4, colour::Silver, 8, 292, 111, 48);
  StackButtons(Panel4, 103, 4, {{&Help_1, "Help"}, {&Scale, "Large Buttons"}});
  MakePanel(Panel3, colour::Aqua, 8, 344, 111, 88);
  StackButtons(Panel3, 103, 4,
               {{&Chk_Sum_But, "&Check Sum=0000"},
                {&File_But, "Binary File"},
                {&Save_But, "&Save Buffer"},
                {&Load_But, "&Load Buffer"}});

  // Right column, 128 wide at left 589.
  MakePanel(Panel2, colour::Aqua, 589, 339, 128, 88);
  StackButtons(Panel2, 120, 4,
               {{&Start_Buf_Add, "Buffer Start=0000"},
                {&Start_Add, "Device Start=0000"},
                {&End_Add, "Device End=0000"},
                {&Offset, "Hex Offset=0000"}});
  MakePanel(Panel1, colour::Blue, 589, 288, 128, 159);
  Panel1.visible = false;
  StaticText1.parent = &Panel1;
  Place(StaticText1, 22, 6, 90, 20);
  StaticText1.caption = "Test Buttons";
  StaticText1.colour = colour::Yellow;
  StaticText1.hasColour = true;
  StaticText1.border = Border::Sunken;
  StaticText1.font.height = 14;
  StackButtons(Panel1, 120, 32,
               {{&Chg_Lpt4, "LPT4=0000"},
                {&Chg_Pass, "Program Pass=1"},
                {&Chg_Pulse, "Program Pulse=1"},
                {&Chg_Delay, "Port Delay=1"},
                {&Test_Vpp, "Vpp = 12V"},
                {&Quit_Test, "Quit Test"}});
  Chg_Lpt4.font.height = 11;

  // Top and bottom lines.
  Place(Quit_Func_But, 136, 8, 103, 20);
  Quit_Func_But.caption = "&Quit = 0000";
  Quit_Func_But.hint = "Lets You Stop a Fuction in Process..";
  Place(StaticText3, 272, 8, 141, 17);
  StaticText3.caption = "Looking For Programmer";
  StaticText3.colour = colour::Yellow;
  StaticText3.hasColour = true;
  StaticText3.autoSize = true;
  // A click on the status line searches for the programmer again; nothing else on the
  // window says so.
  StaticText3.hint = "Click to Search for the Quillbox Again";
  Place(Prg_Type_But, 602, 8, 60, 20);
  Prg_Type_But.caption = "Byte Prg";
  Prg_Type_But.visible = false;
  Place(StaticText4, 8, 440, 243, 17);
  StaticText4.caption = "Last File Loaded in Buffer=No File Loaded";
  StaticText4.colour = colour::Silver;
  StaticText4.hasColour = true;
  StaticText4.autoSize = true;

  // Work area overlays; the commands show the one they need.
  MakeOverlay(Memo1, 165, 56, 397, 241, FixedFont(13));
  Memo1.visible = true;
  // Twice the largest chip's mismatch list; a tray of failing chips checked one after
  // another never grows the memo past it.
  Memo1.maxLines = 65536;
  MakeOverlay(Device_Box, 128, 29, 265, 396, FixedFont(12));
  Device_Box.itemHeight = 15;
  MakeOverlay(A874X, 136, 32, 473, 345, FixedFont(12));
  MakeOverlay(A875X, 136, 32, 481, 345, FixedFont(12));
  MakeOverlay(Vpp_Test, 128, 32, 473, 297, FixedFont(12));
  MakeOverlay(Help1, 144, 32, 577, 401, Font{});
  Help1.scrollBar = true;
  MakeOverlay(Edit_Info, 170, 54, 527, 18, FixedFont(12));
  Edit_Info.colour = colour::White;
  Edit_Info.hasColour = true;
  Edit_Info.border = Border::Sunken;
  MakeOverlay(Edit_1, 170, 72, 527, 263, Font{kCourierFace, 12, false, colour::Black});
  Edit_1.readOnly = true;
  MakeOverlay(Chg_Edit_Add, 230, 32, 59, 20, Font{});
  Chg_Edit_Add.upperCase = true;
  Chg_Edit_Add.maxLength = 6;
  MakeOverlay(Security_List, 128, 32, 113, 65, FixedFont(12));
  Security_List.SetLines({"Program Bit 1", "Program Bit 2", "Program Bit 3", "Cancel"});
  MakeOverlay(FillBox, 128, 200, 162, 65, FixedFont(12));
  FillBox.SetLines({"Fill Buffer With 00", "Fill Buffer With FF", "Fill Buffer With XX", "Cancel"});
  MakeOverlay(Fill_Edit, 290, 227, 37, 23, Font{});
  Fill_Edit.upperCase = true;
  Fill_Edit.maxLength = 2;
  MakeOverlay(File_Type, 128, 344, 103, 65, FixedFont(13));
  File_Type.SetLines({"Binary", "Intel Hex", "Motorola Hex", "Ascii Hex"});
  MakeOverlay(Edit_Add, 527, 344, 57, 21, Font{});
  Edit_Add.upperCase = true;
  Edit_Add.maxLength = 5;

  all_ = {&Panel8,      &Programm,      &Security,      &Erase_But,    &Panel7,      &Blank_Chk,
          &Verify,      &Move_Eprom,    &Compare,       &Device,       &Panel6,      &Edit,
          &Fill,        &Panel5,        &Auto_Verify,   &Vpp_But,      &Panel4,      &Help_1,
          &Scale,       &Panel3,        &Chk_Sum_But,   &File_But,     &Save_But,    &Load_But,
          &Panel2,      &Start_Buf_Add, &Start_Add,     &End_Add,      &Offset,      &Panel1,
          &StaticText1, &Chg_Lpt4,      &Chg_Pass,      &Chg_Pulse,    &Chg_Delay,   &Test_Vpp,
          &Quit_Test,   &Quit_Func_But, &StaticText3,   &Prg_Type_But, &StaticText4, &Memo1,
          &Device_Box,  &A874X,         &A875X,         &Vpp_Test,     &Help1,       &Edit_Info,
          &Edit_1,      &Chg_Edit_Add,  &Security_List, &FillBox,      &Fill_Edit,   &File_Type,
          &Edit_Add};
}

Control* MainFormControls::FindControl(const std::string& name) const {
  for (Control* c : all_)
    if (c->name() == name) return c;
  return nullptr;
}

}  // namespace tarnwick
