#include "app/help_scale.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include "base/text_lines.h"
#include "support/form_fixture.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

struct SplitCase {
  std::string contents;
  std::vector<std::string> lines;
};

class SplitLines : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitLines, AsTheOperatorWroteThem) {
  EXPECT_EQ(SplitTextLines(GetParam().contents), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(Endings, SplitLines,
                         ::testing::Values(SplitCase{"", {""}}, SplitCase{"\r\n", {""}},
                                           SplitCase{"one\r\ntwo\r\n", {"one", "two"}},
                                           SplitCase{"one\r\ntwo", {"one", "two"}},
                                           SplitCase{"one\ntwo\rthree", {"one", "two", "three"}},
                                           SplitCase{"a\r\n\r\nb\n\n", {"a", "", "b", ""}},
                                           SplitCase{"a\r\rb", {"a", "", "b"}},
                                           SplitCase{"  indented\tline  \r\n",
                                                     {"  indented\tline  "}},
                                           SplitCase{"end\r\n\x1A"
                                                     "garbage\r\n",
                                                     {"end"}},
                                           SplitCase{"\x1A", {""}}));

// Runs each test in an empty folder of its own, so the help file is found (or not)
// exactly where the test puts it.
class HelpTest : public FormTest {
 protected:
  void SetUp() override {
    saved_ = fs::current_path();
    dir_ = fs::temp_directory_path() /
           ("tarnwick-help-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "cwd");
    fs::create_directories(dir_ / "installed");
    fs::current_path(dir_ / "cwd");
    f.helpScale.helpFallbackDirs = {};
  }
  void TearDown() override {
    fs::current_path(saved_);
    fs::remove_all(dir_);
  }
  void Write(const fs::path& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
  }
  bool AddressButtonsVisible() {
    return f.Start_Buf_Add.visible && f.Start_Add.visible && f.End_Add.visible && f.Offset.visible;
  }

  fs::path saved_;
  fs::path dir_;
};

TEST_F(HelpTest, ShowsTheFileLineByLineAndHidesTheAddressButtons) {
  Write("Tarnwick.Txt", "HELP\r\n  Program Device  programs.\r\n\r\nEnd\r\n");
  f.Memo1.visible = true;
  f.Click(f.Help_1);
  EXPECT_TRUE(f.Help1.visible);
  EXPECT_FALSE(f.Memo1.visible);
  EXPECT_EQ(f.Help1.lines(),
            (std::deque<std::string>{"HELP", "  Program Device  programs.", "", "End"}));
  for (Control* c : {&f.Start_Buf_Add, &f.Start_Add, &f.End_Add, &f.Offset})
    EXPECT_FALSE(c->visible) << c->name();
}

TEST_F(HelpTest, AnEmptyFileShowsOneEmptyLine) {
  Write("Tarnwick.Txt", "");
  f.Help1.SetLines({"old", "text"});
  f.Click(f.Help_1);
  EXPECT_TRUE(f.Help1.visible);
  EXPECT_EQ(f.Help1.lines(), std::deque<std::string>{""});
}

TEST_F(HelpTest, AMissingFileShowsNothingAndLeavesTheWindowIdle) {
  // A folder of that name cannot be read: the same as no file, and no abort.
  fs::create_directory("Tarnwick.Txt");
  f.Memo1.visible = true;
  f.s.OpFailed = 1;
  f.Click(f.Help_1);
  EXPECT_FALSE(f.Help1.visible);
  EXPECT_FALSE(f.Memo1.visible);
  EXPECT_TRUE(AddressButtonsVisible());
  EXPECT_TRUE(f.Help_1.enabled);
  EXPECT_TRUE(f.Edit.enabled);
  EXPECT_TRUE(h.toolkit.messages.empty());
}

TEST_F(HelpTest, TheCurrentFolderComesBeforeTheInstalledCopy) {
  Write(dir_ / "installed" / "Tarnwick.Txt", "installed\r\n");
  f.helpScale.helpFallbackDirs = {(dir_ / "missing").string(), (dir_ / "installed").string()};
  f.Click(f.Help_1);
  EXPECT_EQ(f.Help1.lines(), std::deque<std::string>{"installed"});
  Write("Tarnwick.Txt", "local\r\n");
  f.Click(f.Help_1);
  EXPECT_EQ(f.Help1.lines(), std::deque<std::string>{"local"});
}

TEST_F(HelpTest, AnyCommandAfterHelpHidesItAndBringsBackTheAddressButtons) {
  Write("Tarnwick.Txt", "text\r\n");
  f.Click(f.Help_1);
  ASSERT_TRUE(f.Help1.visible);
  f.shell.EnterBusyState();
  EXPECT_FALSE(f.Help1.visible);
  EXPECT_TRUE(AddressButtonsVisible());
  f.shell.EnterIdleState();
  f.Click(f.Help_1);
  f.Click(f.Edit);
  EXPECT_FALSE(f.Help1.visible);
  EXPECT_TRUE(AddressButtonsVisible());
}

TEST_F(HelpTest, TheShippedHelpTextFitsTheMemo) {
  f.helpScale.helpFallbackDirs = {std::string(TARNWICK_SOURCE_DIR) + "/docs"};
  f.Click(f.Help_1);
  ASSERT_TRUE(f.Help1.visible);
  EXPECT_GT(f.Help1.lines().size(), 100u);
  for (const std::string& line : f.Help1.lines()) {
    // The memo is 577 pixels wide in a bold 12-pixel face: about 80 characters.
    EXPECT_LE(line.size(), 80u) << line;
    EXPECT_EQ(line.find('\t'), std::string::npos) << line;
  }
}

class ScaleTest : public FormTest {
 protected:
  using Geometry = std::tuple<int, int, int, int, int, int>;
  std::map<std::string, Geometry> Snapshot() {
    std::map<std::string, Geometry> all;
    for (Control* c : f.AllControls())
      all[c->name()] = {c->left, c->top, c->width, c->height, c->font.height, c->itemHeight};
    return all;
  }
  // Worked out in floating point, rounded to the nearest pixel.
  static int Large(int v) { return static_cast<int>(std::lround(v * 486.0 / 408.0)); }
};

TEST_F(ScaleTest, LargeButtonsScalesByTheHandWorkedFactor) {
  f.Click(f.Scale);
  EXPECT_EQ(f.s.LargeLayout, 1);
  EXPECT_EQ(f.Scale.caption, "Small Buttons");
  // Programm sits at (4, 4) in Panel8, 103 x 20, 12-pixel font.
  EXPECT_EQ(f.Programm.left, 5);
  EXPECT_EQ(f.Programm.top, 5);
  EXPECT_EQ(f.Programm.width, 123);
  EXPECT_EQ(f.Programm.height, 24);
  EXPECT_EQ(f.Programm.font.height, 14);
  // Help1 at (144, 32), 577 x 401.
  EXPECT_EQ(f.Help1.left, 172);
  EXPECT_EQ(f.Help1.top, 38);
  EXPECT_EQ(f.Help1.width, 687);
  EXPECT_EQ(f.Help1.height, 478);
  // 170 * 486 / 408 is 202.5 exactly.
  EXPECT_EQ(f.Edit_Info.left, 203);
  EXPECT_EQ(f.Memo1.font.height, 15);
  EXPECT_EQ(f.StaticText1.font.height, 17);
  EXPECT_EQ(f.Chg_Lpt4.font.height, 13);
  // The device list's rows, 15 pixels, grow with its font: 17.87 rounds to 18.
  EXPECT_EQ(f.Device_Box.itemHeight, 18);
  // The client area grows; border and title bar keep their size.
  EXPECT_EQ(f.ClientWidth, 876);
  EXPECT_EQ(f.ClientHeight, 552);
  EXPECT_EQ(f.Width, 884);
  EXPECT_EQ(f.Height, 579);
}

TEST_F(ScaleTest, EveryControlAndFontIsScaled) {
  const auto normal = Snapshot();
  f.Click(f.Scale);
  for (Control* c : f.AllControls()) {
    const auto [left, top, width, height, font, rows] = normal.at(c->name());
    EXPECT_EQ(c->left, Large(left)) << c->name();
    EXPECT_EQ(c->top, Large(top)) << c->name();
    EXPECT_EQ(c->width, Large(width)) << c->name();
    EXPECT_EQ(c->height, Large(height)) << c->name();
    EXPECT_EQ(c->font.height, Large(font)) << c->name();
    EXPECT_EQ(c->itemHeight, Large(rows)) << c->name();
  }
}

TEST_F(ScaleTest, SecondClickRestoresTheNormalLayoutExactly) {
  const auto normal = Snapshot();
  for (int round = 0; round < 3; ++round) {
    f.Click(f.Scale);
    f.Click(f.Scale);
    EXPECT_EQ(Snapshot(), normal);
    EXPECT_EQ(f.s.LargeLayout, 0);
    EXPECT_EQ(f.Scale.caption, "Large Buttons");
    EXPECT_EQ(f.Width, 743);
    EXPECT_EQ(f.Height, 490);
    EXPECT_EQ(f.ClientWidth, 735);
    EXPECT_EQ(f.ClientHeight, 463);
  }
}

TEST_F(ScaleTest, ASizeChangedWhileLargeIsScaledBack) {
  f.Click(f.Scale);
  // A chip with three commands chosen in the large layout: 68 pixels, enlarged.
  f.Panel8.height = Large(68);
  f.Click(f.Scale);
  EXPECT_EQ(f.Panel8.height, 68);
  EXPECT_EQ(f.Panel7.height, 108);
}

TEST_F(ScaleTest, DeviceChosenInTheLargeLayoutKeepsItsPanelInProportion) {
  f.Click(f.Scale);
  f.s.DeviceRow = 24;  // 89S8252: three commands
  f.devices.SelectDevice();
  EXPECT_EQ(f.Panel8.height, Large(68));
  f.Click(f.Scale);
  EXPECT_EQ(f.Panel8.height, 68);
  f.s.DeviceRow = 3;  // 8748: one command
  f.devices.SelectDevice();
  EXPECT_EQ(f.Panel8.height, 27);
}

TEST_F(ScaleTest, AnEnlargedLayoutWithoutItsNormalValuesIsScaledBack) {
  f.s.LargeLayout = 1;
  f.Help1.width = 687;
  f.ClientWidth = 876;
  f.Click(f.Scale);
  EXPECT_EQ(f.Help1.width, 577);
  EXPECT_EQ(f.ClientWidth, 735);
  EXPECT_EQ(f.Scale.caption, "Large Buttons");
}

TEST(ScaleValueTest, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(ScaleValue(170, 486, 408), 203);
  EXPECT_EQ(ScaleValue(203, 408, 486), 170);
  EXPECT_EQ(ScaleValue(-170, 486, 408), -203);
  EXPECT_EQ(ScaleValue(0, 486, 408), 0);
}

}  // namespace
}  // namespace tarnwick
