// The read set-ups and address set-ups at latch level, and the read-based commands
// against a chip that answers what the test chooses.
#include <algorithm>

#include "base/hex_text.h"
#include "ops/ops_fixture.h"
#include "support/memo_lines.h"

namespace tarnwick {
namespace {

using Loads = std::vector<LatchLoad>;

TEST(MismatchLineTest, AddressExpectedAndFoundInFixedColumns) {
  EXPECT_EQ(MismatchLine({0x012F, 0x012F, 0xFF, 0x7E}), "012F  EXPECTED-FF FOUND-7E");
  EXPECT_EQ(MismatchLine({0x7FFF, 0x7FFF, 0x00, 0x0A}), "7FFF  EXPECTED-00 FOUND-0A");
}

struct Address875Case {
  int32_t address;
  uint8_t latch9, latchB, latch1, latch3;
};

// 87C51H in read mode: Latch1 0xF7 has bit 1 set while A12 is 0; Latch3 0xB0.
constexpr Address875Case kAddress875Cases[] = {
    {0x7ABC, 0xBC, 0x8A, 0xF5, 0xB1},  // A12, A13, A14 all set
    {0x0ABC, 0xBC, 0x0A, 0xF7, 0xB0}, {0x1000, 0x00, 0x00, 0xF5, 0xB0},
    {0x2001, 0x01, 0x80, 0xF7, 0xB0}, {0x4F00, 0x00, 0x0F, 0xF7, 0xB1},
    {0x8123, 0x23, 0x01, 0xF7, 0xB0},  // A15 has no wire
};

TEST_F(OpsTest, AddressSetUp875xPutsEachAddressBitOnItsLatch) {
  Select(kRow87C51H);
  f.reads.EnterReadMode();
  for (const Address875Case& c : kAddress875Cases) {
    port.Clear();
    f.s.DeviceAddr = c.address;
    f.reads.SetAddress();
    const Loads expected = {L(BoxLatch::L9, c.latch9), L(BoxLatch::B, c.latchB),
                            L(BoxLatch::L1, c.latch1), L(BoxLatch::L3, c.latch3),
                            L(BoxLatch::L2, 0x3F)};
    EXPECT_EQ(port.loads, expected) << std::hex << c.address;
    EXPECT_EQ(f.Quit_Func_But.caption, "&Quit = " + HexText(c.address, 4));
  }
}

TEST_F(OpsTest, AddressSetUp875xMergesTheModeBitsIntoLatchB) {
  Select(kRow87C51H);
  f.reads.EnterReadMode();
  f.s.LatchBMode = 0x40;
  f.s.DeviceAddr = 0x2305;
  port.Clear();
  f.reads.SetAddress();
  EXPECT_EQ(port.ValuesOf(BoxLatch::B), std::vector<uint8_t>{0xC3});
  EXPECT_EQ(f.s.LatchBValue, 0xC3);
}

TEST_F(OpsTest, AddressSetUp874xLatchesTheAddressWithTwoWaits) {
  Select(kRow8748, 2);  // 25 V: Latch2Base 0x0F
  f.reads.EnterReadMode();
  port.Clear();
  f.s.DeviceAddr = 0x3A5;
  f.reads.SetAddress();
  const Loads expected = {L(BoxLatch::L9, 0x03), L(BoxLatch::L2, 0x07), L(BoxLatch::A, 0xA5),
                          L(BoxLatch::L9, 0x13), L(BoxLatch::L2, 0x0F), L(BoxLatch::L9, 0x33)};
  ASSERT_EQ(port.loads, expected);
  EXPECT_EQ(port.Address(), 0x3A5);
  // SpeedCount 5 of PulseWait 2 between LatchA and the address strobe, and at the end.
  EXPECT_EQ(port.loads[3].statusReads - port.loads[2].statusReads, 10u);
  EXPECT_EQ(port.statusReads - port.loads[5].statusReads, 10u);
}

struct ReadModeCase {
  int32_t row;
  Loads loads;  // after the Vpp bytes
};

TEST_F(OpsTest, ReadModeEntryOfEachFamily) {
  const ReadModeCase cases[] = {
      {kRow8741,
       {L(BoxLatch::L3, 0xB0), L(BoxLatch::L2, 0x0F), L(BoxLatch::L1, 0xF0), L(BoxLatch::L9, 0x30),
        L(BoxLatch::B, 0xA8), L(BoxLatch::L9, 0x00), L(BoxLatch::L1, 0xB0)}},
      {kRow8749H,
       {L(BoxLatch::L3, 0xB0), L(BoxLatch::L2, 0x1F), L(BoxLatch::L1, 0xF0), L(BoxLatch::L9, 0x30),
        L(BoxLatch::B, 0xA8), L(BoxLatch::L9, 0x00), L(BoxLatch::L1, 0xB0)}},
      {kRow8751H,
       {L(BoxLatch::L3, 0xB0), L(BoxLatch::L2, 0x1F), L(BoxLatch::L3, 0xB0), L(BoxLatch::B, 0x00),
        L(BoxLatch::L1, 0xF7), L(BoxLatch::L3, 0xB0)}},
      {kRow89C51,
       {L(BoxLatch::L3, 0x30), L(BoxLatch::L2, 0x3F), L(BoxLatch::L3, 0xB0), L(BoxLatch::B, 0x00),
        L(BoxLatch::L1, 0xF7), L(BoxLatch::L3, 0xB0)}},
      {kRow89S53,
       {L(BoxLatch::L3, 0x30), L(BoxLatch::L2, 0x3F), L(BoxLatch::L3, 0xB0), L(BoxLatch::B, 0x00),
        L(BoxLatch::L1, 0xB7), L(BoxLatch::L3, 0xB0)}},
  };
  for (const ReadModeCase& c : cases) {
    Select(c.row);
    f.s.SpeedCount = 77;
    f.s.LatchBMode = 0x40;
    const int64_t t0 = h.clock.NowMicros();
    f.reads.EnterReadMode();
    EXPECT_EQ(port.loads, c.loads) << c.row;
    EXPECT_EQ(f.s.SpeedCount, 5);
    EXPECT_EQ(f.s.LatchBMode, 0);
    EXPECT_EQ(h.clock.NowMicros() - t0, 30000) << c.row;  // two settles and the final one
  }
  // The 875X set-up keeps the Latch2 byte for the next address: Vpp off EA.
  EXPECT_EQ(f.s.Latch2Value, 0x3F & 0x7F);
}

TEST_F(OpsTest, ReadPassCoversTheWindowInclusively) {
  Select(kRow87C51H);
  Window(0x123, 0x123);
  ChipReads(0xFF);
  f.Click(f.Blank_Chk);
  EXPECT_EQ(port.readAddresses, std::vector<int32_t>{0x123});
  Window(0x10, 0x13);
  port.Clear();
  f.Click(f.Blank_Chk);
  EXPECT_EQ(port.readAddresses, (std::vector<int32_t>{0x10, 0x11, 0x12, 0x13}));
}

TEST_F(OpsTest, BlankCheckExpectsTheErasedValueOfTheFamily) {
  struct Case {
    int32_t row;
    uint8_t reads;
    const char* status;
    size_t lines;
  };
  const Case cases[] = {{kRow8748, 0x00, "Device is Erased....", 0},
                        {kRow8748, 0xFF, "Device is NOT Erased....", 0x400},
                        {kRow87C51H, 0xFF, "Device is Erased....", 0},
                        {kRow87C51H, 0x00, "Device is NOT Erased....", 0x1000}};
  for (const Case& c : cases) {
    Select(c.row);
    ChipReads(c.reads);
    f.Click(f.Blank_Chk);
    EXPECT_EQ(f.StaticText3.caption, c.status);
    EXPECT_EQ(ListedLines(f).size(), c.lines);
    EXPECT_EQ(f.Memo1.visible, c.lines > 0);
    EXPECT_EQ(f.StaticText3.colour, c.lines > 0 ? colour::Red : colour::Lime);
  }
  EXPECT_EQ(ListedLines(f).front(), "0FFF  EXPECTED-FF FOUND-00");
  EXPECT_EQ(f.Memo1.lines().front(), "4096 bytes differ in 0000-0FFF, first 0000");
  EXPECT_EQ(h.priority.realTimeCalls, 0);  // a blank check runs at normal priority
}

TEST_F(OpsTest, VerifyListsEachMismatchOnTopInRed) {
  Select(kRow87C51H);
  Window(0, 0xFF);
  for (int a = 0; a < 0x100; ++a) f.s.Buffer[a] = static_cast<uint8_t>(a);
  port.present = [](const LatchRecorder& p) {
    const int32_t a = p.Address();
    return static_cast<uint8_t>(a == 0x10 || a == 0x80 || a == 0xF0 ? 0xEE : a);
  };
  f.Click(f.Verify);
  EXPECT_EQ(ListedLines(f),
            (std::deque<std::string>{"00F0  EXPECTED-F0 FOUND-EE", "0080  EXPECTED-80 FOUND-EE",
                                     "0010  EXPECTED-10 FOUND-EE"}));
  EXPECT_EQ(f.StaticText3.caption, "Device Did NOT Verify to Buffer....");
  EXPECT_EQ(f.StaticText3.colour, colour::Red);
  EXPECT_TRUE(f.Memo1.visible);
  EXPECT_EQ(port.readAddresses.size(), 0x100u);  // the pass runs to the window's end
  EXPECT_EQ(h.priority.realTimeCalls, 1);
  EXPECT_FALSE(h.priority.realTime);
}

TEST_F(OpsTest, VerifyThroughAnOffsetWindowComparesWithTheBufferStart) {
  Select(kRow87C51H);
  Window(0x20, 0x2F, 0x1000);
  for (int a = 0; a < 0x10; ++a) f.s.Buffer[0x1000 + a] = static_cast<uint8_t>(0x40 + a);
  port.present = [](const LatchRecorder& p) { return static_cast<uint8_t>(0x20 + p.Address()); };
  f.Click(f.Verify);
  EXPECT_EQ(f.StaticText3.caption, "Device Verified to Buffer....");
  EXPECT_FALSE(f.Memo1.visible);
  EXPECT_EQ(f.StaticText3.colour, colour::Lime);
}

TEST_F(OpsTest, QuitDuringVerifyEndsAtTheAddressOnTheQuitButton) {
  Select(kRow87C58H);
  ChipHoldsBuffer();
  h.toolkit.When([this] { return f.Quit_Func_But.caption == "&Quit = 0040"; },
                 [this] { f.Click(f.Quit_Func_But); });
  f.Click(f.Verify);
  ASSERT_FALSE(port.readAddresses.empty());
  EXPECT_EQ(port.readAddresses.back(), 0x40);
  // Only part of the chip was compared: no success text, and red.
  EXPECT_EQ(f.StaticText3.caption, "Stopped at 0041....");
  EXPECT_EQ(f.StaticText3.colour, colour::Red);
  EXPECT_EQ(f.outcomes.device.verdict, Verdict::Stopped);
  EXPECT_EQ(f.outcomes.device.stoppedAt, 0x41);
}

TEST_F(OpsTest, QuitStopsBlankCheckMoveAndCompareWithinOneByte) {
  Select(kRow8748);
  ChipReads(0x00);
  for (Control* command : {&f.Blank_Chk, &f.Move_Eprom, &f.Compare}) {
    port.Clear();
    h.toolkit.When([this] { return f.Quit_Func_But.caption == "&Quit = 0123"; },
                   [this] { f.Click(f.Quit_Func_But); });
    f.Click(*command);
    ASSERT_FALSE(port.readAddresses.empty()) << command->name();
    EXPECT_EQ(port.readAddresses.back(), 0x123) << command->name();
  }
}

TEST_F(OpsTest, MoveCopiesTheChipIntoTheBufferAndShowsTheChecksum) {
  Select(kRow87C51H);
  Window(0, 3, 0x200);
  port.present = [](const LatchRecorder& p) {
    return static_cast<uint8_t>(0x11 * (p.Address() + 1));
  };
  f.Click(f.Move_Eprom);
  EXPECT_EQ(f.s.Buffer[0x200], 0x11);
  EXPECT_EQ(f.s.Buffer[0x203], 0x44);
  EXPECT_EQ(f.s.Buffer[0x204], 0x00);
  EXPECT_EQ(f.StaticText3.caption, "Device Has Been Moved to Buffer....");
  EXPECT_EQ(f.StaticText3.colour, colour::Lime);
  EXPECT_EQ(h.priority.realTimeCalls, 1);
}

TEST_F(OpsTest, CompareStopsAtTheFirstByteTheChipCannotTake) {
  Select(kRow87C51H);
  Window(0, 3);
  ChipReads(0xF0);
  f.s.Buffer[0] = f.s.Buffer[1] = f.s.Buffer[3] = 0x30;
  f.s.Buffer[2] = 0x38;  // bit 3 is 0 in the chip and cannot come back without erasing
  f.Click(f.Compare);
  EXPECT_EQ(f.StaticText3.caption, "Device CAN NOT be Reprogrammed....");
  EXPECT_EQ(f.outcomes.device.verdict, Verdict::Failed);
  EXPECT_EQ(f.outcomes.device.cannotTake, (Mismatch{2, 2, 0x38, 0xF0}));
  EXPECT_EQ(port.readAddresses, (std::vector<int32_t>{0, 1, 2}));
  EXPECT_EQ(f.StaticText3.colour, colour::Red);
  EXPECT_FALSE(f.Memo1.visible);

  f.s.Buffer[2] = 0x30;
  port.Clear();
  f.Click(f.Compare);
  EXPECT_EQ(f.StaticText3.caption, "Device Can be Reprogrammed....");
  EXPECT_EQ(port.readAddresses.size(), 4u);
}

TEST_F(OpsTest, CompareOnAChipErasedToZeroAsksWhetherBitsCanBeSet) {
  struct Case {
    uint8_t chip, buffer;
    bool can;
  };
  const Case cases[] = {{0x00, 0x5A, true},
                        {0x0C, 0x3C, true},
                        {0x0F, 0x3C, false},
                        {0x3C, 0x3C, true},
                        {0xFF, 0x00, false}};
  Select(kRow8748);
  Window(0, 0);
  for (const Case& c : cases) {
    ChipReads(c.chip);
    f.s.Buffer[0] = c.buffer;
    f.Click(f.Compare);
    EXPECT_EQ(f.StaticText3.caption,
              c.can ? "Device Can be Reprogrammed...." : "Device CAN NOT be Reprogrammed....")
        << int(c.chip) << " " << int(c.buffer);
  }
}

TEST_F(OpsTest, CompareUsesTheBufferByteAtTheChipAddress) {
  Select(kRow87C51H);
  Window(0x10, 0x10, 0x800);
  ChipReads(0xF0);
  f.s.Buffer[0x10] = 0x30;
  f.s.Buffer[0x800] = 0x0F;  // would fail if the window's buffer start were used
  f.Click(f.Compare);
  EXPECT_EQ(f.StaticText3.caption, "Device Can be Reprogrammed....");
}

// A window that runs past the buffer's last byte: each pass stops there, says where,
// and ends as a failure. Nothing wraps round to the buffer's start.
TEST_F(OpsTest, EveryPassEndsAtTheLastBufferByteAsAFailure) {
  struct Case {
    Control TMainForm::*command;
    int32_t row, deviceStart, deviceEnd, bufferStart;
    uint8_t bufferHolds, chipHolds;
    size_t reads;
    const char* status;
    const char* stopped;
  };
  const Case cases[] = {
      {&TMainForm::Programm, kRow87C51H, 0, 0xFF, 0xFFF8, 0x5A, 0x5A, 8,
       "Eprom DID NOT Program.............", "Device 0008, Buffer 10000"},
      {&TMainForm::Verify, kRow87C51H, 0, 0xFF, 0xFFF0, 0x5A, 0x5A, 0x10,
       "Device Did NOT Verify to Buffer....", "Device 0010, Buffer 10000"},
      {&TMainForm::Move_Eprom, kRow87C51H, 0, 0xFF, 0xFFFE, 0x00, 0x5A, 2,
       "Device NOT Fully Moved to Buffer....", "Device 0002, Buffer 10000"},
      // "No Device" lets the window run to FFFFF.
      {&TMainForm::Compare, 0, 0xFFFE, 0x10010, 0xFFFE, 0x5A, 0x5A, 2,
       "Device NOT Fully Compared to Buffer....", "Device 10000, Buffer 10000"},
  };
  for (const Case& c : cases) {
    Control& command = f.*c.command;
    SCOPED_TRACE(command.name());
    Select(c.row);
    Window(c.deviceStart, c.deviceEnd, c.bufferStart);
    std::fill(f.s.Buffer.begin(), f.s.Buffer.end(), 0);
    for (int32_t a = c.bufferStart; a <= 0xFFFF; ++a) f.s.Buffer[a] = c.bufferHolds;
    ChipReads(c.chipHolds);
    f.Click(command);
    EXPECT_EQ(port.readAddresses.size(), c.reads);  // one read per byte, no verify after
    EXPECT_EQ(f.s.Buffer[0xFFFE], c.chipHolds);
    EXPECT_EQ(f.s.Buffer[0xFFFF], c.chipHolds);
    EXPECT_EQ(f.s.Buffer[0x0000], 0x00);
    EXPECT_EQ(f.StaticText3.caption, c.status);
    EXPECT_EQ(f.StaticText3.colour, colour::Red);
    EXPECT_TRUE(f.Memo1.visible);
    EXPECT_EQ(f.Memo1.lines().front(),
              std::string("Stopped at ") + c.stopped + ": the Buffer ends at FFFF");
  }
}

}  // namespace
}  // namespace tarnwick
