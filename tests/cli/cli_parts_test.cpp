// The command line as words and the toolkit's timer on the real clock.
#include <gtest/gtest.h>

#include <csignal>

#include "app/main_form.h"
#include "cli/cli_options.h"
#include "cli/cli_toolkit.h"
#include "support/fakes.h"

namespace tarnwick {
namespace {

TEST(CliOptionsTest, WordsInAnyOrder) {
  struct {
    std::vector<std::string> args;
    CliCommand command;
    std::vector<std::string> files;
    const char* device;
    int32_t windowEnd;  // -1: no --window
    int fill;           // -1: no --fill
  } const cases[] = {
      {{"--device", "87c51h", "verify", "a.hex"}, CliCommand::Verify, {"a.hex"}, "87c51h", -1, -1},
      {{"verify", "--device=8742", "a.hex", "--window", "0x10:0:7FF"},
       CliCommand::Verify,
       {"a.hex"},
       "8742",
       0x7FF,
       -1},
      {{"--fill", "5a", "convert", "in.s19", "--", "-out.bin"},
       CliCommand::Convert,
       {"in.s19", "-out.bin"},
       "",
       -1,
       0x5A},
      {{"--sim", "--socket", "b.sim", "--device", "89C51", "lock", "3"},
       CliCommand::Lock,
       {},
       "89C51",
       -1,
       -1},
  };
  for (const auto& c : cases) {
    const ParsedCommandLine p = ParseCommandLine(c.args);
    ASSERT_EQ(p.error, "") << c.args[0];
    EXPECT_EQ(p.options.command, c.command);
    EXPECT_EQ(p.options.files, c.files);
    EXPECT_EQ(p.options.device, c.device);
    EXPECT_EQ(p.options.window ? p.options.window->deviceEnd : -1, c.windowEnd);
    EXPECT_EQ(p.options.fill.value_or(-1), c.fill);
  }
  EXPECT_EQ(ParseCommandLine({"--window", "0x10:0:7FF", "blank"}).options.window->bufferStart,
            0x10);
  EXPECT_EQ(ParseCommandLine({"lock", "3"}).options.lockBit, 3);
}

TEST(CliOptionsTest, FormatsByExtension) {
  struct {
    const char* name;
    std::optional<FileFormat> format;
  } const cases[] = {
      {"a.BIN", FileFormat::Binary},
      {"a.hex", FileFormat::Intel},
      {"a.ihx", FileFormat::Intel},
      {"a.S19", FileFormat::Motorola},
      {"a.s28", FileFormat::Motorola},
      {"a.s37", FileFormat::Motorola},
      {"a.srec", FileFormat::Motorola},
      {"a.mot", FileFormat::Motorola},
      {"a.asc", FileFormat::Ascii},
      {"a.txt", std::nullopt},
      {"hex", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFromExtension(c.name), c.format) << c.name;
}

class CliToolkitTest : public ::testing::Test {
 protected:
  SteadyClock clock;
  CliToolkit toolkit{clock, nullptr};
  FakePriority priority;
  RecordingPort port;
  TMainForm form{Services{toolkit, priority, clock, port}};
  CliToolkitTest() { toolkit.Attach(form); }
  ~CliToolkitTest() override { ClearInterrupt(); }
};

TEST_F(CliToolkitTest, TimerWaitsEndOnTheRealClock) {
  form.s.WaitMs = 3;
  form.waits.TimerWait();
  EXPECT_EQ(form.s.WaitMs, 0);
  EXPECT_FALSE(form.Timer1Enabled);
}

TEST_F(CliToolkitTest, CtrlCClicksQuitOnlyWhileItIsLive) {
  form.s.StopCount = 0;
  RequestInterrupt(SIGINT);
  form.Quit_Func_But.enabled = false;
  toolkit.ProcessMessages();
  EXPECT_EQ(form.s.StopCount, 0);
  form.Quit_Func_But.enabled = true;
  toolkit.ProcessMessages();
  EXPECT_EQ(form.s.StopCount, 5);
}

}  // namespace
}  // namespace tarnwick
