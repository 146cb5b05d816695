#include "link/detect.h"

#include <gtest/gtest.h>

#include "sim/sim_box.h"
#include "support/form_fixture.h"

namespace tarnwick {
namespace {

// The last two lines of a failed search's log: where to look further.
constexpr const char* kDoctorLine1 = "tarnwick-cli doctor checks the whole path to the";
constexpr const char* kDoctorLine2 = "box and names each fault with its fix";

// The form on the simulated box, whose accesses drive the form's clock.
class DetectTest : public ::testing::Test {
 protected:
  DetectTest() { box.AttachClock(&h.clock); }
  std::vector<std::string> MemoLines() const {
    return {f.Memo1.lines().begin(), f.Memo1.lines().end()};
  }

  SimBox box;
  HeadlessForm h{&box};
  TMainForm& f = h.f();
};

TEST_F(DetectTest, BoxOn378IsFoundConfirmedAndCalibrated) {
  f.s.Lpt4Address = 0x278;
  bool disabledDuringSearch = false;
  h.toolkit.When([] { return true; },
                 [&] { disabledDuringSearch = !f.Enabled && !h.toolkit.windowEnabled; });
  f.detect.FindProgrammer();

  EXPECT_EQ(MemoLines(), (std::vector<std::string>{
                             "Port-0278 - A5 - FF", "Port-0278 - 5A - FF", "Port-0378 - A5 - A5",
                             "Port-0378 - 5A - 5A", "Port-0378 - A5 - A5", "Port-0378 - 5A - 5A",
                             "Checking system speed...", "Setting program Pulse..."}));
  EXPECT_EQ(MemoLines(), SearchLogLines(f.outcomes.search));
  EXPECT_EQ(f.outcomes.search.verdict, Verdict::Success);
  EXPECT_EQ(f.outcomes.search.foundAt, 0x378);
  EXPECT_EQ(f.outcomes.search.path, PortPath::Simulated);
  EXPECT_EQ(f.outcomes.search.speedCount, 400);
  EXPECT_TRUE(f.outcomes.search.tries.back().confirmation);
  EXPECT_EQ(f.s.ProgrammerFound, 1);
  EXPECT_EQ(f.s.LptBase, 0x378);
  EXPECT_EQ(f.s.StatusPort, 0x379);
  EXPECT_EQ(f.s.ControlPort, 0x37A);
  EXPECT_EQ(f.s.SpeedCount, 400);
  EXPECT_EQ(f.s.ProgramPulse, 400);
  EXPECT_EQ(f.s.PortDelay, 10);
  EXPECT_EQ(f.StaticText3.caption, "The Quillbox was Found at 0378");
  EXPECT_TRUE(disabledDuringSearch);
  EXPECT_TRUE(f.Enabled);
  EXPECT_TRUE(h.toolkit.windowEnabled);
  EXPECT_FALSE(f.Memo1.visible);
  EXPECT_TRUE(h.toolkit.messages.empty());
  // The port stays open and the level of VppCode 1 (25 V) is on the box.
  EXPECT_TRUE(box.IsOpen());
  EXPECT_EQ(box.OpenBase(), 0x378);
  EXPECT_EQ(box.Latch(BoxLatch::L3), 0xB0);
  EXPECT_EQ(box.Latch(BoxLatch::L2), 0x0F);
  EXPECT_EQ(box.VppMillivolts(), 25000);
}

TEST_F(DetectTest, ConfirmationWaitsThreeHundredMillisecondsWithoutMessages) {
  f.detect.FindProgrammer();
  // Four probes of 2 x (9 + 9 + 13) accesses and parks are well under 1 ms at 1 µs
  // each; the calibration is 500 ms; so more than 800 ms means the pause was taken.
  EXPECT_GT(h.clock.NowMicros(), 800000);
  EXPECT_LT(h.clock.NowMicros(), 900000);
}

TEST_F(DetectTest, UnpoweredBoxGivesThePlacedFailureBox) {
  box.SetPowered(false);
  f.s.Lpt4Address = 0x278;
  bool memoShownWithTheBox = false;
  h.toolkit.onMessage = [&](const ShownMessage&) { memoShownWithTheBox = f.Memo1.visible; };
  f.detect.FindProgrammer();

  ASSERT_EQ(h.toolkit.messages.size(), 1u);
  const ShownMessage& box_message = h.toolkit.messages[0];
  EXPECT_EQ(box_message.text,
            "The Quillbox Can Not Be\r\nFound On LPT1, LPT2, LPT3 or LPT4.\r\n\r\n"
            "..Make Sure Your Power Pack is Plugged In..");
  EXPECT_TRUE(box_message.placed);
  EXPECT_EQ(box_message.left, 375);
  EXPECT_EQ(box_message.top, 325);
  EXPECT_TRUE(memoShownWithTheBox);
  EXPECT_EQ(MemoLines(),
            (std::vector<std::string>{
                "Port-0278 - A5 - FF", "Port-0278 - 5A - FF", "Port-0378 - A5 - FF",
                "Port-0378 - 5A - FF", "Port-03BC - A5 - FF", "Port-03BC - 5A - FF",
                "Port-0278 - A5 - FF", "Port-0278 - 5A - FF", kDoctorLine1, kDoctorLine2}));
  EXPECT_EQ(f.s.ProgrammerFound, 0);
  EXPECT_EQ(f.s.OpFailed, 1);
  // The log stays in view behind the box, under a status line that says so.
  EXPECT_EQ(f.StaticText3.caption, "The Quillbox was Not Found");
  EXPECT_TRUE(f.Memo1.visible);
  EXPECT_TRUE(f.Enabled);
  EXPECT_FALSE(box.IsOpen()) << "every failed probe gives its port back";
}

TEST_F(DetectTest, FourthAddressOutsideThePrinterPortsIsNotProbed) {
  box.SetPowered(false);
  f.s.Lpt4Address = 0x1234;
  f.detect.FindProgrammer();
  EXPECT_EQ(box.Opens(), 3);
  ASSERT_EQ(f.Memo1.lines().size(), 9u);
  EXPECT_EQ(f.Memo1.lines()[6], "Port-1234 - Not a Printer Port");
}

TEST_F(DetectTest, FourthAddressFindsABoxWhereTheSystemListsAPort) {
  box.SetBoxBase(0x2BC);
  f.s.Lpt4Address = 0x2BC;
  f.detect.FindProgrammer();
  EXPECT_EQ(f.s.ProgrammerFound, 1);
  EXPECT_EQ(f.StaticText3.caption, "The Quillbox was Found at 02BC");
}

TEST_F(DetectTest, StatusLineClickSearchesAgainAndOffersTheDeviceList) {
  box.SetPowered(false);
  f.detect.FindProgrammer();
  ASSERT_EQ(f.s.ProgrammerFound, 0);
  f.s.PulseWait = 77;
  f.StaticText3.colour = colour::Red;

  box.SetPowered(true);
  f.Click(f.StaticText3);
  EXPECT_EQ(f.s.ProgrammerFound, 1);
  EXPECT_EQ(f.s.SpeedCount, 400);
  EXPECT_EQ(f.s.ProgramPulse, 1) << "400 div 750 is 0, raised to 1";
  EXPECT_EQ(f.s.PulseWait, 77);
  EXPECT_EQ(f.StaticText3.caption, "The Quillbox was Found at 0378");
  EXPECT_TRUE(f.Device_Box.visible);
  EXPECT_FALSE(f.Memo1.visible);
  EXPECT_EQ(f.s.OpFailed, 0);
  EXPECT_EQ(f.StaticText3.colour, colour::Lime);
  EXPECT_TRUE(f.Programm.enabled);
  // The search's calibration and the click's own: two measurements.
  EXPECT_EQ(h.priority.realTimeCalls, 2);
}

TEST_F(DetectTest, StatusLineClickWithADeviceSelectedLeavesTheListClosed) {
  f.Device.caption = "87C51H";
  f.Click(f.StaticText3);
  EXPECT_EQ(f.s.ProgrammerFound, 1);
  EXPECT_FALSE(f.Device_Box.visible);
}

TEST_F(DetectTest, StatusLineClickWhileFoundOnlyRefreshesTheIdleState) {
  f.detect.FindProgrammer();
  const int opens = box.Opens();
  f.s.OpFailed = 1;
  f.Click(f.StaticText3);
  EXPECT_EQ(box.Opens(), opens);
  EXPECT_EQ(f.s.OpFailed, 0);
  EXPECT_EQ(f.StaticText3.colour, colour::Lime);
}

// A recording port, for answers the simulated box would never give.
class DetectRecordedTest : public FormTest {};

TEST_F(DetectRecordedTest, AnAddressAnsweringOnlyTheFirstPatternFails) {
  // The first read is the ECR's; then 0x27, 0xD7 read back as A5 twice (nibble n
  // shows as ((n << 4) ^ 0x80) | 7).
  h.port.statusScript = {0x00, 0x27, 0xD7, 0x27, 0xD7};
  f.s.Lpt4Address = 0x278;
  f.detect.FindProgrammer();
  ASSERT_GE(f.Memo1.lines().size(), 2u);
  EXPECT_EQ(f.Memo1.lines()[0], "Port-0278 - A5 - A5");
  EXPECT_EQ(f.Memo1.lines()[1], "Port-0278 - 5A - A5");
  EXPECT_EQ(f.s.ProgrammerFound, 0);
  const SearchOutcome& search = f.outcomes.search;
  EXPECT_EQ(search.verdict, Verdict::Failed);
  ASSERT_EQ(search.tries.size(), 4u);
  const PortTry& first = search.tries[0];
  EXPECT_TRUE(first.opened);
  EXPECT_FALSE(first.answered);
  ASSERT_EQ(first.loopback.size(), 2u);
  EXPECT_EQ(first.loopback[1].sent, 0x5A);
  EXPECT_EQ(first.loopback[1].read, 0xA5);
  // The window's log is the search's, then where to look further.
  EXPECT_EQ(std::vector<std::string>(f.Memo1.lines().begin(), f.Memo1.lines().end() - 2),
            SearchLogLines(search));
  EXPECT_EQ(f.Memo1.lines().back(), kDoctorLine2);
  EXPECT_EQ(h.port.closes, 4);
  ASSERT_EQ(h.toolkit.messages.size(), 1u);
  EXPECT_TRUE(h.toolkit.messages[0].placed);
}

TEST_F(DetectRecordedTest, RefusedAccessIsReportedPerAddressAndNotClosed) {
  h.port.refuseOpen = true;
  h.port.refusal = {"/dev/parport0: Permission denied", true};
  f.s.Lpt4Address = 0x3BC;
  f.detect.FindProgrammer();
  ASSERT_EQ(h.toolkit.messages.size(), 5u);
  for (int i = 0; i < 4; ++i)
    EXPECT_EQ(h.toolkit.messages[i].text, "Error: /dev/parport0: Permission denied");
  EXPECT_EQ(h.port.closes, 0);
  EXPECT_TRUE(h.port.accesses.empty());
  EXPECT_EQ(std::vector<std::string>(f.Memo1.lines().begin(), f.Memo1.lines().end()),
            (std::vector<std::string>{"Port-0278 - /dev/parport0: Permission denied",
                                      "Port-0378 - /dev/parport0: Permission denied",
                                      "Port-03BC - /dev/parport0: Permission denied",
                                      "Port-03BC - /dev/parport0: Permission denied", kDoctorLine1,
                                      kDoctorLine2}));
  const SearchOutcome& search = f.outcomes.search;
  ASSERT_EQ(search.tries.size(), 4u);
  EXPECT_FALSE(search.tries[3].opened);
  EXPECT_EQ(search.tries[3].refusal, "/dev/parport0: Permission denied");
  EXPECT_EQ(SearchLogLines(search).size(), 4u);
}

}  // namespace
}  // namespace tarnwick
