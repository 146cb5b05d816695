// The adapters under the program's own device commands: every address line of each
// adapter, a chip beyond its size, an empty socket, the flash data polling, the lock
// bits and too high a voltage; what the chip holds afterwards and what the box logged.
#include "sim/sim_socket.h"

#include <gtest/gtest.h>

#include "support/sim_fixture.h"

namespace tarnwick {
namespace {

class SocketTest : public SimBenchTest {
 protected:
  SimChip& Seat(const char* name) { return SeatWithShortWaits(name); }
  // The buffer after a Move of the window.
  std::vector<uint8_t> Moved(int32_t start, int32_t end) {
    Window(start, end);
    f.Click(f.Move_Eprom);
    return {f.s.Buffer.begin() + start, f.s.Buffer.begin() + end + 1};
  }
};

// A value per cell that differs between any two cells with the same low address byte,
// so a wrong high address line reads another value.
uint8_t CellValue(int addr) {
  return static_cast<uint8_t>(addr ^ (addr >> 8) * 0x1D);
}

TEST_F(SocketTest, EveryAddressLineOfEachAdapterReachesItsCell) {
  for (const char* name : {"8741", "8749H", "87C58H", "89S53"}) {
    SimChip& chip = Seat(name);
    const int size = chip.info().size;
    for (int a = 0; a < size; ++a) chip.contents()[static_cast<size_t>(a)] = CellValue(a);
    EXPECT_EQ(Moved(0, size - 1), chip.contents()) << name;
  }
}

TEST_F(SocketTest, AWindowBeyondTheChipWrapsToItsStart) {
  SimChip& chip = Seat("89S8252");
  chip.contents()[0x0000] = 0x11;
  chip.contents()[0x27FF] = 0x33;
  EXPECT_EQ(Moved(0x27FF, 0x2800), (std::vector<uint8_t>{0x33, 0x11}));
}

TEST_F(SocketTest, ASeatedChipDoesNotHideTheBoxFromTheSearch) {
  for (const char* name : {"89C51", "8748"}) {
    Seat(name).contents()[0] = 0x42;
    f.detect.FindProgrammer();
    EXPECT_EQ(f.s.ProgrammerFound, 1) << name;
  }
}

TEST_F(SocketTest, AnEmptySocketReadsLatchA) {
  Seat("87C51H");
  sim.socket.Remove();
  f.reads.EnterReadMode();
  f.link.Load(kLatchA, 0x96);
  f.s.DeviceAddr = 0;
  f.reads.ReadDeviceByte();
  EXPECT_EQ(f.s.ReadByte, 0x96);
}

TEST_F(SocketTest, The8741GivesItsZeroBytesNoPulse) {
  SimChip& chip = Seat("8741");
  const std::vector<uint8_t> bytes = {0x01, 0x00, 0x80, 0xFF, 0x00, 0x3C, 0xC3, 0x7E};
  std::copy(bytes.begin(), bytes.end(), f.s.Buffer.begin());
  Window(0, 7);
  f.Click(f.Programm);
  EXPECT_EQ(f.StaticText3.caption, "Device Verified to Buffer....");
  EXPECT_EQ(std::vector<uint8_t>(chip.contents().begin(), chip.contents().begin() + 8), bytes);
  EXPECT_EQ(chip.PulsesAt(0), 2) << "the test byte and the pass";
  EXPECT_EQ(chip.PulsesAt(2), 1);
  EXPECT_EQ(chip.PulsesAt(1), 0);
  EXPECT_EQ(chip.PulsesAt(4), 0);
}

TEST_F(SocketTest, AFlashByteIsPolledUntilItsBusyReadsHavePassed) {
  SimChip& chip = Seat("89C51");
  Window(0xF0, 0xF0);
  f.s.Buffer[0xF0] = 0x3C;
  f.s.AutoVerifyOn = 0;
  f.Click(f.Programm);
  EXPECT_EQ(f.StaticText3.caption, "Eprom is Programmed...............");
  // 40 busy reads: the StepWait after the pulse takes 10 (PulseWait 10), each poll 2;
  // the 15th poll's second read is the first one free, so the 16th reads the byte.
  EXPECT_EQ(chip.PollsOfLastWrite(), 16);
  EXPECT_EQ(chip.contents()[0xF0], 0x3C);
  EXPECT_EQ(chip.PulsesAt(0xF0), 1);
}

TEST_F(SocketTest, LockBit1StopsProgrammingAndLockBit2HidesTheContents) {
  SimChip& chip = Seat("87C52H");
  chip.contents()[0x20] = 0x99;
  chip.SetLockBits(kLockBit1);
  Window(0x21, 0x21);
  f.Click(f.Programm);
  EXPECT_EQ(f.StaticText3.caption, "Eprom DID NOT Program.............");
  EXPECT_EQ(chip.contents()[0x21], 0xFF);
  EXPECT_TRUE(Logged("lock bit 1 set"));
  EXPECT_EQ(Moved(0x20, 0x20), std::vector<uint8_t>{0x99});
  chip.SetLockBits(kLockBit2);
  EXPECT_EQ(Moved(0x20, 0x21), (std::vector<uint8_t>{0x00, 0x00}));
}

TEST_F(SocketTest, TooHighAVoltageDamagesTheChipForGood) {
  SimChip& chip = Seat("87C51H");
  chip.contents()[0x40] = 0x77;
  f.s.VppCode = 1;  // 25 V left from an 8748
  Window(0x10, 0x10);
  f.s.Buffer[0x10] = 0x5A;
  f.Click(f.Programm);
  EXPECT_EQ(f.StaticText3.caption, "Eprom DID NOT Program.............");
  EXPECT_TRUE(chip.Damaged());
  EXPECT_TRUE(Logged("chip damaged"));
  EXPECT_EQ(Moved(0x40, 0x40), std::vector<uint8_t>{0x00});
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

namespace tarnwick {
namespace {

// A fading cell through each adapter: every Move reads it once, as the value it holds
// with any of its weak bits flipped, never another bit; its neighbours read steady.
TEST_F(SocketTest, AFadingCellFlipsOnlyItsBitsAtItsChance) {
  for (const char* name : {"8748", "87C51H"}) {
    SCOPED_TRACE(name);
    SimChip& chip = Seat(name);
    for (int a = 0; a < 8; ++a) chip.contents()[static_cast<size_t>(a)] = CellValue(a + 0x40);
    chip.SetUnstable(5, 0x81, 30);
    const uint8_t cell = chip.contents()[5];
    int flips[2] = {0, 0};
    for (int read = 0; read < 400; ++read) {
      const std::vector<uint8_t> got = Moved(0, 7);
      for (size_t a = 0; a < 8; ++a) {
        if (a == 5) continue;
        ASSERT_EQ(got[a], chip.contents()[a]);
      }
      ASSERT_EQ((got[5] ^ cell) & ~0x81, 0) << read;
      flips[0] += (got[5] ^ cell) & 0x01;
      flips[1] += ((got[5] ^ cell) >> 7) & 0x01;
    }
    // 30 in 100 of 400 reads is 120 for each bit.
    for (int n : flips) {
      EXPECT_GT(n, 80);
      EXPECT_LT(n, 160);
    }
  }
}

// A bad contact acts on what reaches the chip as on what comes back: the byte written
// has the stuck bit forced and lands in the cell with the stuck address bit forced; a
// loose chip takes nothing.
TEST_F(SocketTest, ContactFaultsActOnWhatIsWrittenAsOnWhatIsRead) {
  struct {
    const char* chip;
    const char* fault;
    int32_t addr;     // 5A is written here
    int32_t landsAt;  // and reaches this cell, or none (-1)
    uint8_t landsAs;
  } const cases[] = {
      {"89C51", "data3=0", 0x010, 0x010, 0x52},
      {"89C51", "a11=1", 0x010, 0x810, 0x5A},
      {"87C51H", "a2=open", 0x010, 0x014, 0x5A},
      // The 8748's DB3 carries A3 as well as D3.
      {"8748", "data3=1", 0x021, 0x029, 0x5A},
      {"8748", "data0=1", 0x021, 0x021, 0x5B},
      {"89C51", "nochip", 0x010, -1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.chip) + " " + c.fault);
    SimChip& chip = Seat(c.chip);
    const std::vector<uint8_t> before = chip.contents();
    SocketFaults faults;
    ASSERT_TRUE(AddFault(c.fault, faults));
    sim.socket.SetFaults(faults);
    Window(c.addr, c.addr);
    f.s.Buffer[static_cast<size_t>(c.addr)] = 0x5A;
    f.Click(f.Programm);
    std::vector<uint8_t> expected = before;
    if (c.landsAt >= 0) expected[static_cast<size_t>(c.landsAt)] = c.landsAs;
    EXPECT_EQ(chip.contents(), expected);
    sim.socket.SetFaults({});
    sim.socket.Remove();
  }
}

}  // namespace
}  // namespace tarnwick
