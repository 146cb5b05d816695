// The adapters held to the program's own latch sequences: reads and programming of
// each family on a few chips, the lock bits and erase, and what a changed step does.
#include "sim/sim_socket.h"

#include <gtest/gtest.h>

#include "support/chip_cycles.h"
#include "support/sim_fixture.h"

namespace tarnwick {
namespace {

using SocketTest = SimBenchTest;

TEST_F(SocketTest, The874XChipsReadAtTheAddressesSent) {
  for (const char* name : {"8741", "8748H", "8749H"}) {
    SimChip& chip = Seat(name);
    const int last = chip.info().size - 1;
    const int addrs[] = {0x000, 0x001, 0x0FF, 0x100, 0x2A5, last};
    for (int a : addrs) chip.contents()[static_cast<size_t>(a)] = static_cast<uint8_t>(a * 7 + 3);
    cycles::EnterReadMode(f);
    for (int a : addrs)
      EXPECT_EQ(cycles::ReadDeviceByte(f, a), static_cast<uint8_t>(a * 7 + 3)) << name << " " << a;
    f.link.ParkLatches();
  }
}

TEST_F(SocketTest, The875XChipsDecodeEveryAddressBit) {
  SimChip& chip = Seat("87C58H");
  // 7ABC, and each address that differs from it in one bit of A8 to A14.
  const int addrs[] = {0x7ABC, 0x7BBC, 0x78BC, 0x7EBC, 0x72BC, 0x6ABC, 0x5ABC, 0x3ABC};
  std::fill(chip.contents().begin(), chip.contents().end(), 0x00);
  for (size_t i = 0; i < std::size(addrs); ++i)
    chip.contents()[static_cast<size_t>(addrs[i])] = static_cast<uint8_t>(0x10 + i);
  cycles::EnterReadMode(f);
  for (size_t i = 0; i < std::size(addrs); ++i)
    EXPECT_EQ(cycles::ReadDeviceByte(f, addrs[i]), 0x10 + i) << std::hex << addrs[i];
}

TEST_F(SocketTest, The89SReadSetUpReadsAndTheWindowBeyondTheChipWraps) {
  SimChip& chip = Seat("89S8252");
  chip.contents()[0x0000] = 0x11;
  chip.contents()[0x1234] = 0x22;
  chip.contents()[0x27FF] = 0x33;
  cycles::EnterReadMode(f);
  EXPECT_EQ(cycles::ReadDeviceByte(f, 0x0000), 0x11);
  EXPECT_EQ(cycles::ReadDeviceByte(f, 0x1234), 0x22);
  EXPECT_EQ(cycles::ReadDeviceByte(f, 0x27FF), 0x33);
  EXPECT_EQ(cycles::ReadDeviceByte(f, 0x2800), 0x11);
}

TEST_F(SocketTest, ASeatedChipDoesNotHideTheBoxFromTheSearch) {
  Seat("89C51").contents()[0] = 0x42;
  f.detect.FindProgrammer();
  EXPECT_EQ(f.s.ProgrammerFound, 1);
  Seat("8748");
  f.detect.FindProgrammer();
  EXPECT_EQ(f.s.ProgrammerFound, 1);
}

TEST_F(SocketTest, AnEmptySocketReadsLatchA) {
  Seat("87C51H");
  sim.socket.Remove();
  cycles::EnterReadMode(f);
  f.link.Load(kLatchA, 0x96);
  EXPECT_EQ(cycles::ReadDeviceByte(f, 0), 0x96);
}

TEST_F(SocketTest, Family2TakesOnePulsePerAttemptUpToFour) {
  SimChip& chip = Seat("8748H");
  chip.NeedsPulses(0x124, 3);
  chip.NeedsPulses(0x125, kNeverPrograms);
  cycles::EnterReadMode(f);
  int attempts = 0;
  EXPECT_TRUE(cycles::Program8748Byte(f, 0x123, 0x5A, &attempts));
  EXPECT_EQ(attempts, 1);
  EXPECT_EQ(chip.PulsesAt(0x123), 1);
  EXPECT_TRUE(cycles::Program8748Byte(f, 0x124, 0xA5, &attempts));
  EXPECT_EQ(attempts, 3);
  EXPECT_FALSE(cycles::Program8748Byte(f, 0x125, 0xFF, &attempts));
  EXPECT_EQ(attempts, 4);
  EXPECT_EQ(chip.PulsesAt(0x125), 4);
  EXPECT_EQ(chip.contents()[0x123], 0x5A);
  EXPECT_EQ(chip.contents()[0x124], 0xA5);
  EXPECT_EQ(chip.contents()[0x125], 0x00);
  EXPECT_TRUE(Logged("Programmed 0123 with 5A: cell 5A"));
}

TEST_F(SocketTest, The8741WindowProgramsAndItsZeroBytesGetNoPulse) {
  SimChip& chip = Seat("8741");
  const std::vector<uint8_t> buffer = {0x01, 0x00, 0x80, 0xFF, 0x00, 0x3C, 0xC3, 0x7E};
  EXPECT_TRUE(cycles::ProgramWindow(f, buffer, 0, 7));
  EXPECT_EQ(std::vector<uint8_t>(chip.contents().begin(), chip.contents().begin() + 8), buffer);
  EXPECT_EQ(chip.PulsesAt(0), 1);
  EXPECT_EQ(chip.PulsesAt(1), 0);
  EXPECT_EQ(chip.PulsesAt(4), 0);
}

TEST_F(SocketTest, The875XEpromTakesTrainsOfFiveTenAndTwenty) {
  SimChip& chip = Seat("87C51H");
  chip.NeedsPulses(0x801, 7);
  chip.NeedsPulses(0x802, kNeverPrograms);
  cycles::EnterProgramMode(f);
  EXPECT_TRUE(cycles::Program8751Byte(f, 0x800, 0x12));
  EXPECT_EQ(chip.PulsesAt(0x800), 5);
  EXPECT_TRUE(cycles::Program8751Byte(f, 0x801, 0x34));
  EXPECT_EQ(chip.PulsesAt(0x801), 15);
  EXPECT_FALSE(cycles::Program8751Byte(f, 0x802, 0x56));
  EXPECT_EQ(chip.PulsesAt(0x802), 35);
  EXPECT_EQ(chip.contents()[0x800], 0x12);
  EXPECT_EQ(chip.contents()[0x801], 0x34);
  EXPECT_EQ(chip.contents()[0x802], 0xFF);
}

TEST_F(SocketTest, The8751HProgramsAt21VoltsAcrossA12) {
  SimChip& chip = Seat("8751H");
  const std::vector<uint8_t> buffer(0x1001, 0xA5);
  EXPECT_TRUE(cycles::ProgramWindow(f, buffer, 0xFFE, 0x1000 - 1));
  EXPECT_EQ(chip.contents()[0xFFE], 0xA5);
  EXPECT_EQ(chip.contents()[0xFFF], 0xA5);
  EXPECT_EQ(chip.contents()[0x000], 0xFF);
}

TEST_F(SocketTest, FlashWriteIsPolledUntilItsBusyReadsHavePassed) {
  SimChip& chip = Seat("89C51");
  cycles::EnterProgramMode(f);
  bool ok = false;
  // 40 busy reads: the StepWait after the pulse takes 10 (PulseWait 10), each poll 2;
  // the 15th poll's second read is the first one free, so the 16th reads the byte.
  EXPECT_EQ(cycles::ProgramFlashByte(f, 0x0F0, 0x3C, &ok), 16);
  EXPECT_TRUE(ok);
  EXPECT_EQ(chip.PollsOfLastWrite(), 16);
  EXPECT_EQ(chip.contents()[0x0F0], 0x3C);
  EXPECT_EQ(chip.PulsesAt(0x0F0), 1);
}

TEST_F(SocketTest, ASlowFlashCellOutlastsFiveHundredPollsAndRefusesTheNextPulse) {
  SimChip& chip = Seat("89C52");
  chip.SlowWrite(0x10, 100000);  // beyond the polls and the next address set-up
  cycles::EnterProgramMode(f);
  bool ok = true;
  EXPECT_EQ(cycles::ProgramFlashByte(f, 0x10, 0x00, &ok), 500);
  EXPECT_FALSE(ok);
  cycles::ProgramFlashByte(f, 0x11, 0x00, &ok);
  EXPECT_EQ(chip.contents()[0x11], 0xFF);
  EXPECT_TRUE(Logged("Pulse refused at 0011: still writing the last byte"));
}

TEST_F(SocketTest, FlashWindowProgramsEveryByteButTheBlankOnes) {
  SimChip& chip = Seat("89S53");
  std::vector<uint8_t> buffer(0x3000, 0xFF);
  for (int a = 0x2FF0; a < 0x3000; ++a) buffer[static_cast<size_t>(a)] = static_cast<uint8_t>(a);
  buffer[0x2FF4] = 0xFF;
  EXPECT_TRUE(cycles::ProgramWindow(f, buffer, 0x2FF0, 0x2FFF));
  EXPECT_EQ(chip.contents(), buffer);
  EXPECT_EQ(chip.PulsesAt(0x2FF4), 0);
}

TEST_F(SocketTest, EraseClearsAFlashChipAndItsLockBits) {
  SimChip& chip = Seat("89S53");
  chip.contents()[0x100] = 0x00;
  chip.SetLockBits(kLockBit1 | kLockBit2);
  cycles::EraseFlash(f);
  EXPECT_EQ(chip.contents(), std::vector<uint8_t>(0x3000, 0xFF));
  EXPECT_EQ(chip.LockBits(), 0);
  EXPECT_TRUE(Logged("Chip erased"));
}

TEST_F(SocketTest, AnErasePulseUnderTenMillisecondsOrOnAnEpromErasesNothing) {
  SimChip& flash = Seat("89C55");
  flash.contents()[0x4000] = 0x00;
  f.s.PulseWait = 9;
  cycles::EraseFlash(f);
  EXPECT_EQ(flash.contents()[0x4000], 0x00);
  EXPECT_TRUE(Logged("erase pulse under 10 ms"));

  SimChip& eprom = Seat("87C51H");
  eprom.contents()[0x0100] = 0x00;
  f.s.PulseWait = 10;
  cycles::EraseFlash(f);
  EXPECT_EQ(eprom.contents()[0x0100], 0x00);
  EXPECT_TRUE(Logged("chip erase pulse on an EPROM"));
}

struct LockCase {
  const char* chip;
  int row;
  uint8_t lockBits;
};

class LockBitTest : public SocketTest, public ::testing::WithParamInterface<LockCase> {};

TEST_P(LockBitTest, EachSecurityRowSetsItsBit) {
  SimChip& chip = Seat(GetParam().chip);
  f.link.ParkLatches();
  cycles::ProgramSecurity(f, GetParam().row);
  EXPECT_EQ(chip.LockBits(), GetParam().lockBits);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LockBitTest,
    ::testing::Values(LockCase{"87C51H", 0, kLockBit1}, LockCase{"87C51H", 1, kLockBit2},
                      LockCase{"87C51H", 2, kLockBit3}, LockCase{"8751H", 1, kLockBit2},
                      LockCase{"89C51", 2, kLockBit3}, LockCase{"89S8252", 0, kLockBit1},
                      LockCase{"89LS53", 1, kLockBit2}, LockCase{"89S53", 2, kLockBit3}));

TEST_F(SocketTest, LockBit1StopsProgrammingAndLockBit2HidesTheContents) {
  SimChip& chip = Seat("87C52H");
  chip.contents()[0x20] = 0x99;
  chip.SetLockBits(kLockBit1);
  cycles::EnterProgramMode(f);
  EXPECT_FALSE(cycles::Program8751Byte(f, 0x21, 0x00));
  EXPECT_EQ(chip.contents()[0x21], 0xFF);
  EXPECT_TRUE(Logged("lock bit 1 set"));
  EXPECT_EQ(cycles::ReadPass(f, 0x20, 0x20), std::vector<uint8_t>{0x99});
  chip.SetLockBits(kLockBit2);
  EXPECT_EQ(cycles::ReadPass(f, 0x20, 0x21), (std::vector<uint8_t>{0x00, 0x00}));
}

TEST_F(SocketTest, TooHighAVoltageDamagesTheChipForGood) {
  SimChip& chip = Seat("87C51H");
  chip.contents()[0x40] = 0x77;
  f.s.VppCode = 1;  // 25 V left from an 8748
  cycles::EnterProgramMode(f);
  EXPECT_FALSE(cycles::Program8751Byte(f, 0x10, 0x5A));
  EXPECT_TRUE(chip.Damaged());
  EXPECT_EQ(cycles::ReadPass(f, 0x40, 0x40), std::vector<uint8_t>{0x00});
  EXPECT_TRUE(Logged("chip damaged"));
}

TEST_F(SocketTest, EnsureChipForSeatsABlankChipOnlyWhenTheKindChanges) {
  EXPECT_TRUE(sim.socket.EnsureChipFor("8748 "));
  sim.socket.Chip()->contents()[0] = 0x12;
  EXPECT_FALSE(sim.socket.EnsureChipFor("8748"));
  EXPECT_EQ(sim.socket.Chip()->contents()[0], 0x12);
  EXPECT_FALSE(sim.socket.EnsureChipFor("No Device"));
  EXPECT_STREQ(sim.socket.Chip()->info().name, "8748");
  EXPECT_TRUE(sim.socket.EnsureChipFor("8748H"));
  EXPECT_EQ(sim.socket.Chip()->contents()[0], 0x00);
  sim.socket.Remove();
  EXPECT_FALSE(sim.socket.EnsureChipFor("No Device"));
  EXPECT_EQ(sim.socket.Chip(), nullptr);
}

}  // namespace
}  // namespace tarnwick
