// tarnwick-cli against the window it stands for: the same port accesses for the same
// command, and the real Linux port path (ppdev, --port) over the model of the kernel.
#include <cerrno>

#include "cli/cli_fixture.h"
#include "support/sim_form.h"
#include "support/type_text.h"

namespace tarnwick {
namespace {

constexpr const char* kOneRecord =
    ":100000000B30557A9FC4E90F34597EA3C8ED1338DD\r\n"
    ":00000001FF\r\n";

// The window on the simulated bench, as an operator clicks it: the box found, an 87C51H
// chosen, the device end typed (hex, then Enter) and the buffer filled.
void ChooseWindow(SimForm& sim, const char* end) {
  TMainForm& f = sim.f();
  sim.FindBox();
  f.devices.OnChipAsked = [&sim](const std::string& caption) { sim.socket.EnsureChipFor(caption); };
  f.Click(f.Device);
  f.ListClick(f.Device_Box, SimForm::RowOf("87C51H"));
  f.Click(f.End_Add);
  TypeInto(f, f.Edit_Add, end);
  f.Click(f.Fill);
  f.ListClick(f.FillBox, 1);
}

void ExpectSameAccesses(const std::vector<SimAccess>& cli, const std::vector<SimAccess>& window) {
  ASSERT_EQ(cli.size(), window.size());
  for (size_t i = 0; i < cli.size(); ++i) ASSERT_EQ(cli[i], window[i]) << "access " << i;
}

TEST_F(CliTest, ProgramAndVerifyMakeTheWindowsPortAccesses) {
  Write("fw.hex", kOneRecord);

  // The window, as an operator clicks it on the simulated bench.
  SimForm sim;
  TMainForm& f = sim.f();
  ChooseWindow(sim, "1F\r");
  f.Click(f.File_But);
  f.ListClick(f.File_Type, 1);
  sim.toolkit.dialogAnswers = {Path("fw.hex")};
  f.Click(f.Load_But);
  sim.box.ClearRecord();
  sim.box.SetRecording(true);
  f.Click(f.Programm);
  ASSERT_EQ(f.StaticText3.caption, "Device Verified to Buffer....");
  f.link.ClosePort();
  const std::vector<SimAccess> window = sim.box.Record();

  std::vector<SimAccess> cli;
  const CliResult r = RunRecorded(
      {"--sim", "--device", "87C51H", "--window", "0:0:1F", "program", Path("fw.hex")}, cli);
  ASSERT_EQ(r.code, kExitOk) << r.err;

  ASSERT_GT(window.size(), 10000u);
  ExpectSameAccesses(cli, window);
}

// Two reads are two of the window's Move Device, then its Save.
TEST_F(CliTest, ReadMakesTheWindowsPortAccessesForEachRead) {
  SimForm sim;
  TMainForm& f = sim.f();
  ChooseWindow(sim, "3F\r");
  sim.box.ClearRecord();
  sim.box.SetRecording(true);
  f.Click(f.Move_Eprom);
  f.Click(f.Move_Eprom);
  f.Click(f.File_But);
  f.ListClick(f.File_Type, 0);
  sim.toolkit.dialogAnswers = {Path("window.bin")};
  f.Click(f.Save_But);
  f.link.ClosePort();
  const std::vector<SimAccess> window = sim.box.Record();

  std::vector<SimAccess> cli;
  const CliResult r = RunRecorded(
      {"--sim", "--device", "87C51H", "--window", "0:0:3F", "read", Path("cli.bin")}, cli);
  ASSERT_EQ(r.code, kExitOk) << r.err;

  ASSERT_GT(window.size(), 1000u);
  ExpectSameAccesses(cli, window);
  EXPECT_EQ(Read("cli.bin"), Read("window.bin"));
}

// The box on the bus at 0378, reached through ppdev as a member of group lp.
class CliKernelTest : public CliTest {
 protected:
  CliKernelTest() {
    kernel.ListPort({.number = 0, .base = 0x378, .baseHi = 0x778});
    kernel.iopermErrno = EPERM;
    kernel.AttachBus(0x378, box);
    box.Plug(&socket);
    hooks.kernel = &kernel;
    hooks.clock = &clock;
    hooks.priority = &priority;
  }
  VirtualClock clock;
  FakeKernel kernel{clock};
  SimBox box{&clock};
  SimSocket socket;
  FakePriority priority;
  CliHooks hooks;
};

TEST_F(CliKernelTest, DetectSearchesOnlyThePortGiven) {
  struct {
    const char* port;
    int code;
    std::vector<const char*> says;
  } const cases[] = {
      {"378",
       kExitOk,
       {"Port-0278 - not searched (--port 0378)", "Port-0378 - A5 - A5", "Port-0378 - 5A - 5A",
        "The Quillbox was Found at 0378", "Port access: ppdev", "Speed: "}},
      // The one address searched, and why: not the box that names four.
      {"278", kExitNoProgrammer, {"tarnwick-cli: no Quillbox at 0278: no printer port here\n"}},
      {"1234", kExitNoProgrammer, {"tarnwick-cli: no Quillbox at 1234: Not a Printer Port\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.port);
    const CliResult r = Run({"--port", c.port, "detect"}, hooks);
    EXPECT_EQ(r.code, c.code);
    for (const char* text : c.says)
      EXPECT_NE((r.out + r.err).find(text), std::string::npos) << text << "\n" << r.out << r.err;
    if (c.code != kExitOk) {
      EXPECT_EQ(r.err.find("Can Not Be"), std::string::npos) << r.err;
    }
  }
  EXPECT_EQ(kernel.OpenDescriptors(), 0);  // every claim given back
}

TEST_F(CliKernelTest, ProgramsThroughPpdev) {
  Write("fw.hex", kOneRecord);
  socket.Insert(*FindChip("89C51"));
  const CliResult r = Run({"--port", "378", "--device", "89C51", "program", Path("fw.hex")}, hooks);
  EXPECT_EQ(r.code, kExitOk) << r.err;
  EXPECT_EQ(r.out, "Device Verified to Buffer....\n");
  EXPECT_EQ(socket.Chip()->contents()[0], 0x0B);
  EXPECT_EQ(socket.Chip()->contents()[15], 0x38);
  EXPECT_FALSE(priority.realTime);  // back to normal at the end
  EXPECT_GT(priority.realTimeCalls, 0);
  EXPECT_EQ(kernel.OpenDescriptors(), 0);
}

}  // namespace
}  // namespace tarnwick
