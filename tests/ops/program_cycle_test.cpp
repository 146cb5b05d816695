// The erase, the security bits and the program-mode entry at latch level, where the
// order of the bytes and the lengths of the timed pulses can be seen.
#include "ops/ops_fixture.h"

namespace tarnwick {
namespace {

using Loads = std::vector<LatchLoad>;

const Loads kParked = {L(BoxLatch::L2, 0x3F), L(BoxLatch::L1, 0x62), L(BoxLatch::B, 0x20),
                       L(BoxLatch::L9, 0x00), L(BoxLatch::L3, 0x10)};

// The loads between the busy state's parking and the idle state's.
Loads Inner(const Loads& loads) {
  if (loads.size() < 2 * kParked.size()) return {};
  return Loads(loads.begin() + static_cast<long>(kParked.size()),
               loads.end() - static_cast<long>(kParked.size()));
}

TEST_F(OpsTest, EraseSendsTheChipEraseSequence) {
  Select(kRow89C51);  // 12 V: Latch2Base 0x3F, Latch3Base 0x30
  f.Click(f.Erase_But);
  // Latch3 gets B0 at the address set-up even as the first command after start-up.
  const Loads expected = {
      L(BoxLatch::B, 0x40),  L(BoxLatch::L1, 0xFF), L(BoxLatch::L9, 0xAA), L(BoxLatch::B, 0x40),
      L(BoxLatch::L1, 0xFF), L(BoxLatch::L3, 0xB0), L(BoxLatch::L2, 0x37), L(BoxLatch::A, 0x55),
      L(BoxLatch::L1, 0xBF), L(BoxLatch::L1, 0x3F), L(BoxLatch::L1, 0xBF), L(BoxLatch::L1, 0xFF),
      L(BoxLatch::L3, 0xB0), L(BoxLatch::B, 0x10),  L(BoxLatch::L1, 0xF7), L(BoxLatch::L3, 0xB0),
      L(BoxLatch::L1, 0xBA), L(BoxLatch::L1, 0x3A), L(BoxLatch::L1, 0xBA), L(BoxLatch::L1, 0xF7)};
  EXPECT_EQ(Inner(port.loads), expected);
  EXPECT_EQ(f.StaticText3.caption, "Device has been Erase, Do a Blank Check........");
  EXPECT_EQ(f.StaticText3.colour, colour::Lime);
  EXPECT_EQ(h.priority.realTimeCalls, 1);
}

TEST_F(OpsTest, ErasePulseLengthsFollowPulseWait) {
  struct Case {
    uint16_t pulseWait;
    int64_t firstMs, secondMs;
  };
  for (const Case& c : {Case{10, 10, 10}, Case{30, 30, 30}, Case{31, 3, 31}, Case{100, 10, 100}}) {
    Select(kRow89S8252, c.pulseWait);
    f.Click(f.Erase_But);
    EXPECT_EQ(MillisBetween(BoxLatch::L1, 0x3F, 0xBF), c.firstMs) << c.pulseWait;
    EXPECT_EQ(MillisBetween(BoxLatch::L1, 0x3A, 0xBA), c.secondMs) << c.pulseWait;
  }
}

TEST_F(OpsTest, EraseAddressSetUpWaitsFiveUnitsWhateverRanBefore) {
  Select(kRow89C51, 3);
  f.s.SpeedCount = 400;
  f.Click(f.Erase_But);
  // From the Latch2 load of the address set-up to LatchA 55: one ScaledWait.
  const auto& loads = port.loads;
  size_t i = 0;
  while (!(loads[i].latch == BoxLatch::A && loads[i].value == 0x55)) ++i;
  EXPECT_EQ(loads[i].statusReads - loads[i - 1].statusReads, 15u);
  EXPECT_EQ(f.Quit_Func_But.caption, "&Quit = 00AA");
}

struct SecurityLatchCase {
  int32_t row;  // device row
  int listRow;
  uint8_t latchB;  // the mode of the set-up
  int latchA;      // the 89S parts' lock byte after the set-up, or -1
  uint8_t pulse;   // Latch1Pulse
};

TEST_F(OpsTest, SecurityRowsSendTheirModeAndPulseBytes) {
  const SecurityLatchCase cases[] = {
      {kRow87C51H, 0, 0x50, -1, 0xBF},    {kRow87C51H, 1, 0x50, -1, 0xBA},
      {kRow87C51H, 2, 0x10, -1, 0xBE},    {kRow89S8252, 0, 0x10, 0x7F, 0xBE},
      {kRow89S8252, 2, 0x10, 0xDF, 0xBE},
  };
  for (const SecurityLatchCase& c : cases) {
    Select(c.row);
    f.s.SpeedCount = 400;  // the train still has five pulses
    f.Click(f.Security);
    f.ListClick(f.Security_List, c.listRow);
    Loads expected = {L(BoxLatch::L3, 0xB0), L(BoxLatch::B, c.latchB), L(BoxLatch::L1, 0xF7),
                      L(BoxLatch::L3, 0xB0)};
    if (c.latchA >= 0) expected.push_back(L(BoxLatch::A, static_cast<uint8_t>(c.latchA)));
    expected.push_back(L(BoxLatch::L1, c.pulse));
    for (int i = 0; i < 5; ++i) {
      expected.push_back(L(BoxLatch::L1, c.pulse & 0x7F));
      expected.push_back(L(BoxLatch::L1, c.pulse));
    }
    expected.push_back(L(BoxLatch::L1, 0xF7));
    // SecurityClick parks once (busy); the list handler ends in the idle state.
    EXPECT_EQ(Inner(port.loads), expected) << c.row << " " << c.listRow;
    EXPECT_EQ(f.StaticText3.caption,
              "Security Bit #" + std::to_string(c.listRow + 1) + " has been programmed...");
  }
}

TEST_F(OpsTest, SecurityCancelWritesNoLatch) {
  Select(kRow87C51H);
  f.StaticText3.caption = "before";
  f.Click(f.Security);
  EXPECT_TRUE(f.Security_List.visible);
  port.Clear();
  f.ListClick(f.Security_List, 3);
  EXPECT_EQ(port.loads, kParked);  // only the idle state's parking
  EXPECT_FALSE(f.Security_List.visible);
  EXPECT_EQ(f.StaticText3.caption, "before");
  EXPECT_TRUE(f.Security.enabled);
  EXPECT_FALSE(h.priority.realTime);
}

TEST_F(OpsTest, ProgramModeEntryAndFirstAddressOf87C5x) {
  Select(kRow87C51H, 50);  // a calibrated count: the settles are a tenth of it
  Window(0, 0);
  f.s.SpeedCount = 400;
  f.s.AutoVerifyOn = 0;
  ChipHoldsBuffer();
  const int64_t t0 = h.clock.NowMicros();
  f.Click(f.Programm);
  const Loads head(port.loads.begin() + 5, port.loads.begin() + 13);
  // Vpp twice (the command, then the mode entry), then the mode entry itself.
  const Loads expected = {L(BoxLatch::L3, 0xB0), L(BoxLatch::L2, 0x3F), L(BoxLatch::L3, 0xB0),
                          L(BoxLatch::L2, 0x3F), L(BoxLatch::L3, 0xB0), L(BoxLatch::B, 0x40),
                          L(BoxLatch::L1, 0xFF), L(BoxLatch::L9, 0x00)};
  EXPECT_EQ(head, expected);
  // 5 + 5 ms of settle and 100 ms before the first address, then 100 ms after the pass.
  EXPECT_EQ(port.loads[12].micros - t0, 110000);
  // The first address set-up: ScaledWait of 5 units after its Latch2 load.
  EXPECT_EQ(port.loads[17].latch, BoxLatch::B);
  EXPECT_EQ(port.loads[17].statusReads - port.loads[16].statusReads, 250u);
  EXPECT_EQ(f.StaticText3.caption, "Eprom is Programmed...............");
}

TEST_F(OpsTest, Family2AttemptsDoubleTheirWaits) {
  Select(kRow8748, 1);
  Window(0, 0);
  f.s.Buffer[0] = 0x5A;
  ChipReads(0x00);  // never takes
  f.Click(f.Programm);
  // Between Latch1 0x90 and the pulse: one ScaledWait of SpeedCount 10, 20, 40, 80.
  std::vector<uint64_t> waits;
  const auto& loads = port.loads;
  for (size_t i = 0; i + 1 < loads.size(); ++i)
    if (loads[i].latch == BoxLatch::L1 && loads[i].value == 0x90)
      waits.push_back(loads[i + 1].statusReads - loads[i].statusReads);
  EXPECT_EQ(waits, (std::vector<uint64_t>{10, 20, 40, 80}));
  EXPECT_EQ(port.Count(BoxLatch::L2, 0x0F & 0xF5), 4u);
  EXPECT_EQ(f.StaticText3.caption, "Eprom DID NOT Program.............");
  EXPECT_EQ(port.readAddresses.size(), 4u);  // no verify after a failure
}

TEST_F(OpsTest, The8741WithItsWindowBeyondTheBufferProgramsNothing) {
  Select(kRow8741);
  Window(0, 3, 0x10000);
  ChipReads(0x00);
  f.Click(f.Programm);
  EXPECT_EQ(port.Count(BoxLatch::L2, 0x0F & 0xF5), 0u);
  EXPECT_EQ(f.StaticText3.caption, "Eprom DID NOT Program.............");
  EXPECT_EQ(f.Memo1.lines(), std::deque<std::string>{
                                 "Stopped at Device 0000, Buffer 10000: the Buffer ends at FFFF"});
}

}  // namespace
}  // namespace tarnwick
