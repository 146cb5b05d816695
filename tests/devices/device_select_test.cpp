#include <gtest/gtest.h>

#include "support/form_fixture.h"

namespace tarnwick {
namespace {

enum class Prompt { None, NoDevice, Install, Remove, Adapter875X };

// What a kind of chip leaves behind, whichever row of that kind was chosen.
struct Kind {
  int32_t vppCode, family;
  Prompt prompt;
  int32_t blankValue, panel8;
  bool security, erase;
  uint16_t pulseWaitFrom90;
  const char* vppCaption;
};

constexpr Kind kNoChip = {7, 4, Prompt::NoDevice, 0xFF, 48, true, false, 90, "Vpp = 12.5"};
constexpr Kind k8741 = {1, 1, Prompt::Install, 0x00, 27, false, false, 30, "Vpp = 25"};
constexpr Kind k8748 = {1, 2, Prompt::Install, 0x00, 27, false, false, 30, "Vpp = 25"};
constexpr Kind k874x21V = {2, 2, Prompt::Remove, 0x00, 27, false, false, 30, "Vpp = 21"};
constexpr Kind k8751H = {2, 3, Prompt::Adapter875X, 0xFF, 48, true, false, 90, "Vpp = 21"};
constexpr Kind k87C5x = {7, 4, Prompt::Adapter875X, 0xFF, 48, true, false, 90, "Vpp = 12.5"};
constexpr Kind k89C51 = {4, 5, Prompt::Adapter875X, 0xFF, 68, true, true, 10, "Vpp = 12"};
constexpr Kind k89C5x = {4, 5, Prompt::None, 0xFF, 68, true, true, 10, "Vpp = 12"};
constexpr Kind k89S = {4, 6, Prompt::None, 0xFF, 68, true, true, 10, "Vpp = 12"};

struct Row {
  int row;
  const char* listText;
  const char* caption;
  int32_t deviceEnd, chipEnd;
  const Kind& kind;
};

constexpr int32_t kNone = 0xFFFFF;

// The device list as the operator sees it and what each row must leave behind.
const Row kRows[] = {
    {0, "       874X Adapter", "No Device", kNone, kNone, kNoChip},
    {1, "8741       (25V)     1K X 8 ", "8741", 0x3FF, 0x3FF, k8741},
    {2, "8742       (21V)     2K X 8 ", "8742 ", 0x7FF, 0x7FF, k874x21V},
    {3, "8748       (25V)     1K X 8", "8748 ", 0x3FF, 0x3FF, k8748},
    {4, "8748H      (21V)     1K X 8", "8748H", 0x3FF, 0x3FF, k874x21V},
    {5, "8749H      (21V)     2K X 8", "8749H", 0x7FF, 0x7FF, k874x21V},
    {6, "", "No Device", kNone, kNone, kNoChip},
    {7, "      875X Adapter", "No Device", kNone, kNone, kNoChip},
    {8, "8751H      (21V)     4K X 8", "8751H", 0xFFF, 0xFFF, k8751H},
    {9, "87C51H     (12.5V)   4K X 8", "87C51H", 0xFFF, 0xFFF, k87C5x},
    {10, "87C52H     (12.5V)   8K X 8", "87C52H", 0x1FFF, 0x1FFF, k87C5x},
    {11, "87C54H     (12.5V)  16K X 8", "87C54H", 0x3FFF, 0x3FFF, k87C5x},
    {12, "87C58H     (12.5V)  32K X 8", "87C58H", 0x7FFF, 0x7FFF, k87C5x},
    {13, "", "No Device", kNone, kNone, kNoChip},
    {14, "87C51FA    (12.5V)   8K X 8", "87C51FA", 0x1FFF, 0x1FFF, k87C5x},
    {15, "87C51FB    (12.5V)  16K X 8", "87C51FB", 0x3FFF, 0x3FFF, k87C5x},
    {16, "87C51FC    (12.5V)  32K X 8", "87C51FC", 0x7FFF, 0x7FFF, k87C5x},
    {17, "", "No Device", kNone, kNone, kNoChip},
    {18, "            Atmel ", "No Device", kNone, kNone, kNoChip},
    {19, "89C51      (12V)     4K X 8", "89C51", 0xFFF, 0xFFF, k89C51},
    {20, "89C52      (12V)     8K X 8", "89C52", 0x1FFF, 0x1FFF, k89C5x},
    {21, "89S53      (12V)    12K X 8", "89S53", 0x2FFF, 0x3FFF, k89S},
    {22, "89LS53     (12V)    12K X 8", "89LS53", 0x2FFF, 0x3FFF, k89S},
    {23, "89C55      (12V)    20K X 8", "89C55", 0x4FFF, 0x4FFF, k89C5x},
    {24, "89S8252    (12V)     8K X 8", "89S8252", 0x27FF, 0x3FFF, k89S},
    {25, "89LS8252   (12V)     8K X 8", "89LS8252", 0x27FF, 0x3FFF, k89S},
};

void PrintTo(const Row& r, std::ostream* os) {
  *os << "row " << r.row;
}

std::string HexEnd(int32_t end) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(end));
  return text;
}

class DeviceRowTest : public FormTest, public ::testing::WithParamInterface<Row> {};

TEST_P(DeviceRowTest, ChoosingTheRowSetsEverythingTheChipNeeds) {
  const Row& r = GetParam();
  const Kind& k = r.kind;
  f.s.PulseWait = 90;
  f.s.DeviceStart = 0x10;
  bool memo874 = false, memo875 = false;
  h.toolkit.onMessage = [&](const ShownMessage&) {
    memo874 = f.A874X.visible;
    memo875 = f.A875X.visible;
  };
  f.Click(f.Device);
  ASSERT_TRUE(f.Device_Box.visible);
  f.ListClick(f.Device_Box, r.row);

  EXPECT_EQ(f.s.DeviceRow, r.row);
  EXPECT_FALSE(f.Device_Box.visible);
  EXPECT_EQ(f.Device.caption, r.caption);
  EXPECT_EQ(f.s.DeviceStart, 0);
  EXPECT_EQ(f.s.DeviceEnd, r.deviceEnd);
  EXPECT_EQ(f.s.VppCode, k.vppCode);
  EXPECT_EQ(f.s.DeviceFamily, k.family);
  EXPECT_EQ(f.s.ChipEnd, r.chipEnd);
  EXPECT_EQ(f.s.BlankValue, k.blankValue);
  EXPECT_EQ(f.Panel8.height, k.panel8);
  EXPECT_EQ(f.Security.visible, k.security);
  EXPECT_EQ(f.Erase_But.visible, k.erase);
  EXPECT_TRUE(f.Programm.visible);
  EXPECT_EQ(f.s.PulseWait, k.pulseWaitFrom90);
  EXPECT_EQ(f.Vpp_But.caption, k.vppCaption);
  EXPECT_EQ(f.End_Add.caption, "Device End=" + HexEnd(r.deviceEnd));
  EXPECT_EQ(f.StaticText3.caption, "The Quillbox was Not Found");
  EXPECT_TRUE(f.Device.enabled) << "idle again";
  EXPECT_FALSE(f.A874X.visible);
  EXPECT_FALSE(f.A875X.visible);

  const auto& shown = h.toolkit.messages;
  if (k.prompt == Prompt::None) {
    EXPECT_TRUE(shown.empty());
    return;
  }
  ASSERT_EQ(shown.size(), 1u);
  const ShownMessage& m = shown[0];
  EXPECT_EQ(m.kind, ShownMessage::Kind::Information);
  switch (k.prompt) {
    case Prompt::NoDevice:
      EXPECT_EQ(m.text, "No Device Was Selected.");
      EXPECT_FALSE(m.placed);
      EXPECT_FALSE(memo874 || memo875);
      break;
    case Prompt::Install:
    case Prompt::Remove:
      EXPECT_EQ(m.text, k.prompt == Prompt::Install
                            ? "Besure to install the JUMPER on the adapter board...."
                            : "Besure to Remove the JUMPER on the adapter board....");
      EXPECT_TRUE(m.placed);
      EXPECT_EQ(m.left, 595);
      EXPECT_EQ(m.top, 250);
      EXPECT_TRUE(memo874);
      EXPECT_FALSE(memo875);
      break;
    case Prompt::Adapter875X:
      EXPECT_EQ(m.text, "");
      EXPECT_TRUE(m.placed);
      EXPECT_EQ(m.left, 725);
      EXPECT_EQ(m.top, 200);
      EXPECT_TRUE(memo875);
      EXPECT_FALSE(memo874);
      break;
    case Prompt::None:
      break;
  }
}

INSTANTIATE_TEST_SUITE_P(AllRows, DeviceRowTest, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return "Row" + std::to_string(info.param.row); });

using DeviceSelectTest = FormTest;

TEST_F(DeviceSelectTest, TheListHoldsTheTwentySixRowsVerbatim) {
  ASSERT_EQ(f.Device_Box.lines().size(), std::size(kRows));
  for (const Row& r : kRows) EXPECT_EQ(f.Device_Box.lines()[r.row], r.listText) << r.row;
}

TEST_F(DeviceSelectTest, DeviceButtonOpensTheListWithTheWindowBusy) {
  f.Click(f.Device);
  EXPECT_TRUE(f.Device_Box.visible);
  EXPECT_FALSE(f.Device.enabled);
  EXPECT_FALSE(f.Fill.enabled);
}

TEST_F(DeviceSelectTest, ClickBesideTheRowsSelectsRowMinusOne) {
  f.s.DeviceRow = 11;
  f.devices.SelectDevice();
  f.Click(f.Device);
  f.ListClick(f.Device_Box, 40);
  EXPECT_EQ(f.s.DeviceRow, -1);
  EXPECT_FALSE(f.Device_Box.visible);
  EXPECT_EQ(f.Device.caption, "87C54H");
  EXPECT_TRUE(f.Device.enabled);
}

// Selects rows in turn, from no selection and PulseWait p; returns PulseWait after each.
std::vector<int> PulseWaits(TMainForm& form, uint16_t p, std::initializer_list<int> rows) {
  form.s.DeviceFamily = 0;
  form.s.PulseWait = p;
  std::vector<int> seen;
  for (int row : rows) {
    form.s.DeviceRow = row;
    form.devices.SelectDevice();
    seen.push_back(form.s.PulseWait);
  }
  return seen;
}

TEST_F(DeviceSelectTest, The874XFamiliesDivideTheWaitUnitAndGiveItBack) {
  EXPECT_EQ(PulseWaits(f, 90, {3, 9}), (std::vector<int>{30, 90}));
  EXPECT_EQ(PulseWaits(f, 100, {0, 3, 9}), (std::vector<int>{100, 33, 99}));
  EXPECT_EQ(PulseWaits(f, 90, {3, 3}), (std::vector<int>{30, 30}));
  EXPECT_EQ(PulseWaits(f, 90, {1, 19}), (std::vector<int>{30, 10}));
  EXPECT_EQ(PulseWaits(f, 90, {24, 9}), (std::vector<int>{10, 10}))
      << "leaving an Atmel part keeps 10";
}

TEST_F(DeviceSelectTest, GivingBackTheWaitUnitWrapsAtSixteenBits) {
  f.s.DeviceFamily = 2;
  f.s.PulseWait = 30000;
  f.s.DeviceRow = 9;
  f.devices.SelectDevice();
  EXPECT_EQ(f.s.PulseWait, 24464);  // low 16 bits of 90000
}

TEST_F(DeviceSelectTest, RowsOutsideTheListKeepCaptionAndEndButResetFamilyAndVpp) {
  for (int bad : {26, -1}) {
    SCOPED_TRACE(bad);
    f.s.DeviceRow = 21;  // 89S53: family 6, 12 V, Erase offered
    f.devices.SelectDevice();
    h.toolkit.messages.clear();
    f.s.DeviceRow = bad;
    f.devices.SelectDevice();
    EXPECT_EQ(f.Device.caption, "89S53");
    EXPECT_EQ(f.s.DeviceEnd, 0x2FFF);
    EXPECT_EQ(f.s.ChipEnd, 0x2FFF) << "family 4 now: no 3FFF limit";
    EXPECT_EQ(f.s.DeviceFamily, 4);
    EXPECT_EQ(f.s.VppCode, 7);
    EXPECT_EQ(f.Vpp_But.caption, "Vpp = 12.5");
    EXPECT_FALSE(f.Erase_But.visible);
    EXPECT_EQ(f.Panel8.height, 48);
    EXPECT_TRUE(h.toolkit.messages.empty());
  }
}

TEST_F(DeviceSelectTest, StatusLineNamesThePortWhenTheBoxWasFound) {
  f.s.DeviceRow = 20;
  f.devices.SelectDevice();
  EXPECT_EQ(f.StaticText3.caption, "The Quillbox was Not Found");
  f.s.ProgrammerFound = 1;
  f.s.LptBase = 0x378;
  f.devices.SelectDevice();
  EXPECT_EQ(f.StaticText3.caption, "The Quillbox was Found at 0378");
}

TEST_F(DeviceSelectTest, NewVoltageReachesTheBoxOnlyAfterThePromptIsClosed) {
  f.s.ProgrammerFound = 1;
  f.s.LptBase = 0x378;
  size_t writesDuringPrompt = 0;
  h.toolkit.onMessage = [&](const ShownMessage&) { writesDuringPrompt = h.port.accesses.size(); };
  f.s.DeviceRow = 9;  // 87C51H: 12.5 V, Latch3 B0 and Latch2 3F
  f.devices.SelectDevice();
  EXPECT_EQ(writesDuringPrompt, 0u);
  const std::vector<uint8_t> data = h.port.WritesTo(0x378);
  EXPECT_NE(std::find(data.begin(), data.end(), 0xB0), data.end());
}

TEST_F(DeviceSelectTest, SelectionRefitsTheWindowToTheChip) {
  f.s.BufferStart = 0x10;
  f.s.DeviceRow = 0;
  f.devices.SelectDevice();
  EXPECT_EQ(f.s.BufferStart, 0) << "no device: a window to FFFFF leaves no room";
  f.s.BufferStart = 0x8000;
  f.s.DeviceRow = 10;
  f.devices.SelectDevice();
  EXPECT_EQ(f.s.BufferStart, 0x8000);
  EXPECT_EQ(f.Start_Add.caption, "Device Start=0000");
  EXPECT_EQ(f.End_Add.caption, "Device End=1FFF");
}

TEST_F(DeviceSelectTest, DrawingsAreInPlaceAndHidden) {
  ASSERT_EQ(f.A874X.lines().size(), 22u);
  ASSERT_EQ(f.A875X.lines().size(), 22u);
  EXPECT_EQ(f.A874X.lines()[1], "    = 874X - 40 PIN ADAPTER FOR THE QUILLBOX =");
  EXPECT_EQ(f.A874X.lines()[3], "  Use the following figure for inserting the 8748/49 Mcu ");
  EXPECT_EQ(f.A874X.lines()[21], "       |________________________________|");
  EXPECT_EQ(f.A875X.lines()[1], "   = 875X - 40 PIN ADAPTER FOR THE QUILLBOX =");
  EXPECT_EQ(f.A875X.lines()[3], "  Use the following figure for inserting the 8751/52 Mcu ");
  EXPECT_EQ(f.A875X.lines()[21], "           Zif Socket Handle-->o");
  std::string vpp;
  for (const std::string& line : f.Vpp_Test.lines()) vpp += line + "\n";
  for (const char* words : {"Do Not Insert or", "Leave Eprom in Zif", "Socket at this time."})
    EXPECT_NE(vpp.find(words), std::string::npos) << words;
  EXPECT_FALSE(f.A874X.visible || f.A875X.visible || f.Vpp_Test.visible);
}

// The simulated bench seats the chip while the adapter prompt is up, so the chip must
// be named before the prompt is shown.
TEST_F(DeviceSelectTest, TheChipToSeatIsNamedBeforeThePrompt) {
  std::vector<std::string> events;
  f.devices.OnChipAsked = [&](const std::string& caption) { events.push_back("seat " + caption); };
  h.toolkit.onMessage = [&](const ShownMessage&) { events.push_back("prompt"); };
  f.s.DeviceRow = 9;
  f.devices.SelectDevice();
  f.s.DeviceRow = 21;  // 89S53: no prompt
  f.devices.SelectDevice();
  EXPECT_EQ(events, (std::vector<std::string>{"seat 87C51H", "prompt", "seat 89S53"}));
}

}  // namespace
}  // namespace tarnwick
