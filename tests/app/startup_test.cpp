#include "app/startup.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "base/text_lines.h"
#include "sim/sim_box.h"
#include "support/form_fixture.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// Each test starts the program in an empty directory of its own, as a person would
// start it in a fresh folder, with the simulated box on 0378.
class StartupTest : public ::testing::Test {
 protected:
  StartupTest() {
    dir_ = fs::temp_directory_path() /
           ("tarnwick-startup-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    old_ = fs::current_path();
    fs::current_path(dir_);
    box.AttachClock(&h.clock);
  }
  ~StartupTest() override {
    fs::current_path(old_);
    fs::remove_all(dir_);
  }

  void WriteConfig(const std::string& text) {
    std::ofstream(dir_ / kConfigFileName, std::ios::binary) << text;
  }
  std::vector<std::string> ReadConfigLines() {
    std::string contents;
    EXPECT_TRUE(ReadWholeTextFile((dir_ / kConfigFileName).string(), contents));
    std::vector<std::string> lines = SplitTextLines(contents);
    if (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
  }
  std::vector<std::string> Messages() const {
    std::vector<std::string> texts;
    for (const auto& m : h.toolkit.messages) texts.push_back(m.text);
    return texts;
  }

  fs::path dir_, old_;
  SimBox box;
  HeadlessForm h{&box};
  TMainForm& f = h.f();
};

TEST_F(StartupTest, CreationValues) {
  EXPECT_EQ(f.s.ProgramPass, 1);
  EXPECT_EQ(f.s.VppCode, 1);
  EXPECT_EQ(f.s.HexHighLimit, 0xFFFFF);
  EXPECT_EQ(f.s.HexLowLimit, 0);
  EXPECT_EQ(f.s.AutoVerifyOn, 1);
  EXPECT_EQ(f.Device.caption, "No Device");
  EXPECT_TRUE(f.Memo1.lines().empty());
  EXPECT_FALSE(f.Activated());
}

TEST_F(StartupTest, WithoutAFileFindsTheBoxAndAsksForADevice) {
  f.Activate();
  EXPECT_EQ(f.StaticText3.caption, "The Quillbox was Found at 0378");
  EXPECT_EQ(f.s.ProgrammerFound, 1);
  EXPECT_TRUE(f.Device_Box.visible) << "no device yet: the list is opened";
  EXPECT_EQ(f.Device.caption, "No Device");
  EXPECT_EQ(f.s.Lpt4Address, 0x278);
  EXPECT_EQ(f.Chg_Lpt4.caption, "LPT4=0000");
  EXPECT_EQ(f.s.ProgramPass, 1);
  EXPECT_EQ(f.s.PortDelay, 10);
  EXPECT_EQ(f.s.ProgramPulse, 400) << "the measured speed of a 1 µs port";
  EXPECT_EQ(f.s.PulseWait, 400) << "SpeedCount div 20 is below ProgramPulse";
  EXPECT_EQ(f.Vpp_But.caption, "Vpp = 25");
  EXPECT_EQ(f.Auto_Verify.caption, "Auto Verify On");
  EXPECT_TRUE(f.Programm.enabled);
  EXPECT_EQ(f.StaticText3.colour, colour::Lime);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(StartupTest, FullFileRestoresEverything) {
  WriteConfig("5\r\n3\r\n7\r\n9\r\n1\r\n0\r\n7\r\n0\r\n16\r\n32\r\n8191\r\n256\r\n\r\n55296\r\n");
  f.Activate();
  EXPECT_EQ(f.Device.caption, "87C51H");
  EXPECT_EQ(f.s.DeviceFamily, 4);
  EXPECT_FALSE(f.Device_Box.visible);
  ASSERT_EQ(h.toolkit.messages.size(), 1u) << "the 875X adapter prompt";
  EXPECT_EQ(h.toolkit.messages[0].left, 725);
  EXPECT_EQ(f.s.FileType, 1);
  EXPECT_EQ(f.File_But.caption, "Intel Hex File");
  EXPECT_EQ(f.s.AutoVerifyOn, 0);
  EXPECT_EQ(f.Auto_Verify.caption, "Auto Verify Off");
  EXPECT_EQ(f.Vpp_But.caption, "Vpp = 12.5");
  EXPECT_EQ(f.s.BufferStart, 16);
  EXPECT_EQ(f.s.DeviceStart, 32);
  EXPECT_EQ(f.s.DeviceEnd, 0xFFF) << "clamped to the chip";
  EXPECT_EQ(f.End_Add.caption, "Device End=0FFF");
  EXPECT_EQ(f.Offset.caption, "Hex Offset=0100");
  EXPECT_EQ(f.s.ProgramPass, 3);
  EXPECT_EQ(f.s.PortDelay, 10) << "every search sets it";
  EXPECT_EQ(f.s.ProgramPulse, 400) << "the file's value survives only without a box";
  EXPECT_EQ(f.s.Lpt4Address, 0xD800);
  EXPECT_EQ(f.Chg_Lpt4.caption, "LPT4=D800");
  EXPECT_EQ(f.StaticText4.caption, "Last File Loaded in Buffer=No File Loaded");
}

TEST_F(StartupTest, EdgeValuesOfTheFile) {
  struct Case {
    const char* what;
    const char* text;
    std::function<void(TMainForm&)> check;
  };
  const Case cases[] = {
      {"line 14 of three characters is ignored",
       "0\r\n1\r\n0\r\n9\r\n0\r\n0\r\n7\r\n1\r\n0\r\n0\r\n0\r\n0\r\n\r\n888\r\n",
       [](TMainForm& f) {
         EXPECT_EQ(f.s.Lpt4Address, 632);
         EXPECT_EQ(f.Chg_Lpt4.caption, "LPT4=0000");
       }},
      {"line 8 holding 2 turns verify off", "0\r\n1\r\n0\r\n9\r\n0\r\n0\r\n7\r\n2\r\n",
       [](TMainForm& f) { EXPECT_EQ(f.Auto_Verify.caption, "Auto Verify Off"); }},
      {"line 2 holding a negative number keeps 1", "-4\r\n-7\r\n",
       [](TMainForm& f) { EXPECT_EQ(f.s.ProgramPass, 1); }},
      {"a file without line 13 reloads nothing", "0\r\n1\r\n0\r\n9\r\n0\r\n0\r\n7\r\n1\r\n",
       [](TMainForm& f) {
         EXPECT_EQ(f.StaticText4.caption, "Last File Loaded in Buffer=No File Loaded");
         EXPECT_EQ(f.OpenDialog1.fileName, "");
       }},
      {"a heading row asks for a device", "0\r\n1\r\n0\r\n7\r\n",
       [](TMainForm& f) {
         EXPECT_EQ(f.Device.caption, "No Device");
         EXPECT_TRUE(f.Device_Box.visible);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteConfig(c.text);
    HeadlessForm fresh{&box};
    box.AttachClock(&fresh.clock);
    fresh.f().Activate();
    c.check(fresh.f());
    for (const auto& m : fresh.toolkit.messages)
      EXPECT_NE(m.kind, ShownMessage::Kind::Error) << m.text;
  }
}

// A close before start-up has read the settings, or while it runs, leaves the file as it
// was; start-up stops at its next step and nothing touches the port after the close.
TEST_F(StartupTest, AnEarlyCloseLeavesTheSavedSettingsAlone) {
  // What the program would write back itself for these settings (the search sets the
  // port delay to 10), so even a close that writes must leave the same bytes.
  const std::string saved =
      "5\r\n1\r\n10\r\n9\r\n1\r\n0\r\n7\r\n0\r\n16\r\n32\r\n4095\r\n256\r\n\r\n55296\r\n";
  struct Case {
    const char* what;
    std::function<void(HeadlessForm&)> close;  // arranges the close, or closes
  };
  const Case cases[] = {
      {"before start-up", [](HeadlessForm& h) { h.f().Close(); }},
      {"in start-up's first message pass",
       [](HeadlessForm& h) { h.toolkit.At(1, [&h] { h.f().Close(); }); }},
      {"during the speed measurement",
       [](HeadlessForm& h) {
         h.toolkit.When(
             [&h] {
               return !h.f().Memo1.lines().empty() &&
                      h.f().Memo1.lines().back() == "Setting program Pulse...";
             },
             [&h] { h.f().Close(); });
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteConfig(saved);
    SimBox fresh_box;
    HeadlessForm fresh{&fresh_box};
    fresh_box.AttachClock(&fresh.clock);
    size_t accesses_at_close = 0;
    size_t boxes_at_close = 0;
    fresh.f().OnCloseQuery = [&, query = fresh.f().OnCloseQuery] {
      query();
      accesses_at_close = fresh_box.Record().size();
      boxes_at_close = fresh.toolkit.messages.size();
    };
    c.close(fresh);
    fresh.f().Activate();
    EXPECT_TRUE(fresh.f().Closed());
    std::string contents;
    ASSERT_TRUE(ReadWholeTextFile((dir_ / kConfigFileName).string(), contents));
    EXPECT_EQ(contents, saved);
    EXPECT_EQ(fresh_box.Record().size(), accesses_at_close) << "the port touched after the close";
    EXPECT_FALSE(fresh_box.IsOpen());
    EXPECT_EQ(fresh.toolkit.messages.size(), boxes_at_close) << "a box after the close";
  }
}

TEST_F(StartupTest, AConfigurationThatCannotBeReadRestoresNothingAndShowsNothing) {
  for (bool device : {false, true}) {
    if (device)
      fs::create_symlink("/dev/zero", dir_ / kConfigFileName);  // never ends
    else
      fs::create_directory(dir_ / kConfigFileName);
    HeadlessForm fresh{&box};
    box.AttachClock(&fresh.clock);
    fresh.f().Activate();
    EXPECT_TRUE(fresh.toolkit.messages.empty());
    EXPECT_EQ(fresh.f().s.ProgrammerFound, 1) << "start-up went on to the search";
    EXPECT_EQ(fresh.f().Device.caption, "No Device");
    fs::remove_all(dir_ / kConfigFileName);
  }
}

TEST_F(StartupTest, BadFirstLineStopsTheStartUpAndTheStatusLineRecovers) {
  using namespace std::string_literals;
  WriteConfig("a\0c\r\n1\r\n"s);
  f.Activate();
  ASSERT_EQ(Messages(), std::vector<std::string>{"'a\0c' is not a valid integer value"s})
      << "the whole text, also past a NUL byte";
  EXPECT_EQ(f.s.ProgrammerFound, 0) << "no search";
  EXPECT_FALSE(f.Device.enabled) << "left busy";
  EXPECT_EQ(f.StaticText3.caption, "Looking For Programmer");
  f.Click(f.StaticText3);
  EXPECT_EQ(f.s.ProgrammerFound, 1);
  EXPECT_EQ(f.StaticText3.caption, "The Quillbox was Found at 0378");
  EXPECT_TRUE(f.Device.enabled);
  EXPECT_TRUE(f.Device_Box.visible);
}

TEST_F(StartupTest, ReloadsTheLastFileNamedOnLine13) {
  const fs::path data = dir_ / "last.bin";
  std::ofstream(data, std::ios::binary) << "AB";
  WriteConfig("0\r\n1\r\n0\r\n9\r\n0\r\n0\r\n7\r\n1\r\n0\r\n0\r\n4095\r\n0\r\n" + data.string() +
              "\r\n");
  f.Activate();
  EXPECT_EQ(f.s.Buffer[0], 'A');
  EXPECT_EQ(f.s.Buffer[1], 'B');
  EXPECT_EQ(f.StaticText4.caption, "Last File Loaded in Buffer=" + data.string());
}

TEST_F(StartupTest, AFileThatNoLongerLoadsIsForgotten) {
  const fs::path bad = dir_ / "bad.hex";
  std::ofstream(bad, std::ios::binary) << ":10000000ZZ\r\n";
  for (const auto& [type, name] :
       {std::pair{"1", bad.string()}, std::pair{"0", (dir_ / "gone.bin").string()}}) {
    SCOPED_TRACE(name);
    WriteConfig(std::string("0\r\n1\r\n0\r\n9\r\n") + type +
                "\r\n0\r\n7\r\n1\r\n0\r\n0\r\n4095\r\n0\r\n" + name + "\r\n");
    HeadlessForm fresh{&box};
    box.AttachClock(&fresh.clock);
    fresh.f().Activate();
    ASSERT_FALSE(fresh.toolkit.messages.empty());
    EXPECT_EQ(fresh.toolkit.messages.back().kind, ShownMessage::Kind::Error);
    EXPECT_EQ(fresh.f().StaticText4.caption, "Last File Loaded in Buffer=No File Loaded");
    fresh.f().Close();
    EXPECT_EQ(ReadConfigLines().at(12), "") << "the next start does not stop at it again";
  }
}

TEST_F(StartupTest, ARunThatChangesNothingWritesBackWhatItRead) {
  const std::vector<std::string> saved = {"3", "0",  "4", "10",   "2", "0", "7",
                                          "1", "16", "0", "1000", "5", "",  "632"};
  std::string text;
  for (const std::string& line : saved) text += line + "\r\n";
  WriteConfig(text);
  f.Activate();
  f.Close();
  std::vector<std::string> expected = saved;
  expected[0] = "400";    // the measured speed
  expected[1] = "1";      // never below 1
  expected[2] = "10";     // every search sets it
  expected[10] = "1000";  // within the 87C52H: unchanged
  EXPECT_EQ(ReadConfigLines(), expected);
}

TEST_F(StartupTest, CloseWithoutProgrammerWritesTheFileAndTouchesNoPort) {
  box.SetPowered(false);
  f.Activate();
  ASSERT_EQ(f.s.ProgrammerFound, 0);
  box.ClearRecord();
  f.Close();
  EXPECT_TRUE(box.Record().empty());
  const std::vector<std::string> lines = ReadConfigLines();
  ASSERT_EQ(lines.size(), 14u);
  EXPECT_EQ(lines[3], "0");
  EXPECT_EQ(lines[6], "1");
  EXPECT_EQ(lines[12], "");
  EXPECT_EQ(lines[13], "632");
  std::string raw;
  ReadWholeTextFile((dir_ / kConfigFileName).string(), raw);
  EXPECT_EQ(raw.substr(raw.size() - 5), "632\r\n") << "every line ends in CR LF";
}

TEST_F(StartupTest, CloseReleasesThePortAndStopsARunningPass) {
  f.Activate();
  f.s.StopCount = 0;
  f.Close();
  EXPECT_EQ(f.s.StopCount, 5);
  EXPECT_FALSE(box.IsOpen());
  EXPECT_EQ(box.Latch(BoxLatch::L3), 0) << "Vpp switched off";
}

TEST_F(StartupTest, AFailedSaveIsReportedAndLeavesNoHalfFile) {
  f.Activate();
  fs::current_path(old_);
  fs::remove_all(dir_);  // the start-up directory went away while the program ran
  f.Close();
  ASSERT_FALSE(h.toolkit.messages.empty());
  EXPECT_EQ(h.toolkit.messages.back().kind, ShownMessage::Kind::Error);
  EXPECT_NE(h.toolkit.messages.back().text.find(kConfigFileName), std::string::npos);
  fs::create_directories(dir_);
}

TEST_F(StartupTest, ASettingsFileThatIsALinkStaysALink) {
  fs::create_directories(dir_ / "dotfiles");
  std::ofstream(dir_ / "dotfiles/tarnwick.cfg", std::ios::binary) << "3\r\n";
  fs::create_symlink("dotfiles/tarnwick.cfg", dir_ / kConfigFileName);
  f.Activate();
  f.Close();
  EXPECT_TRUE(fs::is_symlink(dir_ / kConfigFileName));
  EXPECT_EQ(ReadConfigLines().size(), 14u) << "written through the link";
  EXPECT_EQ(ReadConfigLines()[0], "400") << "the calibrated program pulse";
}

}  // namespace
}  // namespace tarnwick
