// One step of a program pulse changed at a time: the adapters refuse what the chips
// refuse, say why in the log, and leave the cell as it was.
#include <gtest/gtest.h>

#include "support/chip_cycles.h"
#include "support/sim_fixture.h"

namespace tarnwick {
namespace {

enum class Fault {
  kNone,
  kNoWait,          // the pulse's low phase without a single status read
  kLatch2Bit3High,  // chip output left enabled through the pulse
  kLatch1Bit5High,  // 874X: not in program mode
  kLatch9Read,      // 874X: Latch9 bits 4-5 left at 11
  kLatchBBit7High,  // 8741: LatchB bit 7 not lowered
  kVppOff,          // Latch3 parked: no programming level
  kModeMissing,     // 875X: LatchB bit 6 (program mode) not set
  kWrongP,          // 875X: Latch1 bit 2 low: not the program combination
  kBit6Rises,       // 875X: the pulse ends by raising bit 6 instead of bit 7
  kNoBit6SetUp,     // 875X: bit 7 falls in the same load that lowers bit 6
};

enum class Outcome { kProgrammed, kRefused, kDamaged };

struct RefusalCase {
  const char* chip;
  int vppCode;
  Fault fault;
  Outcome outcome;
  const char* logged;
};

void Load(TMainForm& f, LatchSelect latch, int value) {
  f.link.Load(latch, value & 0xFF);
}

// The family 1 byte pulse with one step changed.
void Pulse874X(TMainForm& f, int addr, uint8_t data, Fault fault) {
  const int h = addr >> 8;
  const int base = f.s.Latch2Base;
  Load(f, kLatch2, base & 0xF7);
  Load(f, kLatchB, 0xA8);
  Load(f, kLatch9, h);
  Load(f, kLatchA, addr);
  f.waits.ScaledWait();
  Load(f, kLatch9, h | 0x10);
  f.waits.ScaledWait();
  Load(f, kLatchA, data);
  Load(f, kLatchB, fault == Fault::kLatchBBit7High ? 0xA8 : 0x28);
  f.waits.ShortWait();
  Load(f, kLatch1, fault == Fault::kLatch1Bit5High ? 0xB0 : 0x90);
  if (fault == Fault::kLatch9Read) Load(f, kLatch9, h | 0x30);
  if (fault == Fault::kVppOff) Load(f, kLatch3, 0x10);
  Load(f, kLatch2, base & (fault == Fault::kLatch2Bit3High ? 0xFD : 0xF5));
  if (fault != Fault::kNoWait) f.waits.ShortWait();
  Load(f, kLatch2, base & 0xF7);
  Load(f, kLatch1, 0xB0);
  f.waits.ScaledWait();
}

// One pulse of a families 3 to 6 program cycle with one step changed.
void Pulse875X(TMainForm& f, int addr, uint8_t data, Fault fault) {
  ProgramState& s = f.s;
  cycles::SetAddress875x(f, addr);
  Load(f, kLatchA, data);
  if (fault == Fault::kModeMissing) Load(f, kLatchB, s.LatchBValue & ~0x40);
  if (fault == Fault::kLatch2Bit3High) Load(f, kLatch2, s.Latch2Value | 0x08);
  if (fault == Fault::kVppOff) Load(f, kLatch3, 0x10);
  f.waits.ScaledWait();
  int pulse = s.Latch1Value & 0xBF;
  if (fault == Fault::kWrongP) pulse &= ~0x04;
  if (fault != Fault::kNoBit6SetUp) Load(f, kLatch1, pulse);
  Load(f, kLatch1, pulse & 0x7F);
  if (fault != Fault::kNoWait) f.waits.ShortWait();
  Load(f, kLatch1, fault == Fault::kBit6Rises ? (pulse & 0x7F) | 0x40 : pulse);
  Load(f, kLatch1, s.Latch1Value & 0xF7);
  Load(f, kLatch2, s.Latch2Value | 0x08);
  Load(f, kLatchB, s.LatchBValue & 0xBF);
}

class RefusalTest : public SimBenchTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, OnlyTheProgramsOwnPulseProgramsTheCell) {
  const RefusalCase& c = GetParam();
  SimChip& chip = Seat(c.chip);
  const uint8_t erased = chip.info().erased;
  const uint8_t data = 0x5A;
  f.s.VppCode = c.vppCode;
  constexpr int kAddr = 0x3C5;
  if (chip.info().adapter == Adapter::k874X) {
    cycles::EnterReadMode(f);
    Pulse874X(f, kAddr, data, c.fault);
  } else {
    cycles::EnterProgramMode(f);
    Pulse875X(f, kAddr, data, c.fault);
  }
  f.link.ParkLatches();
  EXPECT_TRUE(Logged(c.logged)) << c.logged;
  const bool programmed = c.outcome == Outcome::kProgrammed;
  EXPECT_EQ(chip.Damaged(), c.outcome == Outcome::kDamaged);
  EXPECT_EQ(chip.contents()[kAddr], programmed ? data : erased);
  EXPECT_EQ(chip.PulsesAt(kAddr), programmed ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Adapter874X, RefusalTest,
    ::testing::Values(
        RefusalCase{"8741", 1, Fault::kNone, Outcome::kProgrammed,
                    "Programmed 03C5 with 5A: cell 5A"},
        RefusalCase{"8741", 1, Fault::kNoWait, Outcome::kRefused, "03C5: pulse too short"},
        RefusalCase{"8741", 1, Fault::kLatch2Bit3High, Outcome::kRefused,
                    "Latch2 bit 3 high during the pulse"},
        RefusalCase{"8741", 1, Fault::kLatch1Bit5High, Outcome::kRefused, "Latch1 bit 5 high"},
        RefusalCase{"8741", 1, Fault::kLatch9Read, Outcome::kRefused, "Latch9 bits 4-5 not 01"},
        RefusalCase{"8741", 1, Fault::kLatchBBit7High, Outcome::kRefused, "LatchB bit 7 high"},
        RefusalCase{"8748", 1, Fault::kLatchBBit7High, Outcome::kProgrammed, "Programmed 03C5"},
        RefusalCase{"8741", 1, Fault::kVppOff, Outcome::kRefused, "no programming voltage"},
        RefusalCase{"8741", 2, Fault::kNone, Outcome::kRefused, "Vpp below the chip's window"},
        RefusalCase{"8748H", 1, Fault::kNone, Outcome::kDamaged, "chip damaged"}));

INSTANTIATE_TEST_SUITE_P(
    Adapter875X, RefusalTest,
    ::testing::Values(
        RefusalCase{"87C51H", 7, Fault::kNone, Outcome::kProgrammed,
                    "Programmed 03C5 with 5A: cell 5A"},
        RefusalCase{"87C51H", 3, Fault::kNone, Outcome::kProgrammed,
                    "Programmed 03C5"},  // 12.75 V: in window
        RefusalCase{"87C51H", 7, Fault::kNoWait, Outcome::kRefused, "03C5: pulse too short"},
        RefusalCase{"87C51H", 7, Fault::kModeMissing, Outcome::kRefused,
                    "no operation for mode 00 with Latch1 BF"},
        RefusalCase{"87C51H", 7, Fault::kLatch2Bit3High, Outcome::kRefused, "Latch2 bit 3 high"},
        RefusalCase{"87C51H", 7, Fault::kVppOff, Outcome::kRefused, "no programming voltage"},
        RefusalCase{"87C51H", 7, Fault::kWrongP, Outcome::kRefused,
                    "no operation for mode 40 with Latch1 BB"},
        RefusalCase{"87C51H", 7, Fault::kBit6Rises, Outcome::kRefused, "Pulse abandoned"},
        RefusalCase{"87C51H", 7, Fault::kNoBit6SetUp, Outcome::kRefused,
                    "03C5: Latch1 bit 6 fell with bit 7"},
        RefusalCase{"8751H", 7, Fault::kNone, Outcome::kRefused, "Vpp below the chip's window"},
        RefusalCase{"8751H", 2, Fault::kNone, Outcome::kProgrammed, "Programmed 03C5"},
        RefusalCase{"89C51", 4, Fault::kNone, Outcome::kProgrammed, "Programmed 03C5"},
        RefusalCase{"89C51", 2, Fault::kNone, Outcome::kDamaged, "chip damaged"}));

using ReadRefusalTest = SimBenchTest;

// Out of read mode the chip keeps off the data lines and the box shows LatchA.
TEST_F(ReadRefusalTest, AChipOutOfReadModeDoesNotDrive) {
  Seat("87C51H").contents()[0x12] = 0x34;
  cycles::EnterReadMode(f);
  f.s.LatchBMode = 0x40;  // program mode left on
  cycles::SetAddress875x(f, 0x12);
  Load(f, kLatchA, 0x96);
  f.link.ReadNibbles();
  EXPECT_EQ(f.s.ReadByte, 0x96);
  f.s.LatchBMode = 0;
  cycles::SetAddress875x(f, 0x12);
  Load(f, kLatch1, 0xFF);  // bits 3 and 6 both high
  f.link.ReadNibbles();
  EXPECT_EQ(f.s.ReadByte, 0x96);
  Load(f, kLatch1, 0xF5);
  f.link.ReadNibbles();
  EXPECT_EQ(f.s.ReadByte, 0x34);

  Seat("8748").contents()[0x12] = 0x34;
  cycles::EnterReadMode(f);
  cycles::SetAddress874x(f, 0x12);
  f.link.ReadNibbles();
  EXPECT_EQ(f.s.ReadByte, 0x34);
  Load(f, kLatch9, 0x10);  // program side of Latch9
  Load(f, kLatchA, 0x96);
  f.link.ReadNibbles();
  EXPECT_EQ(f.s.ReadByte, 0x96);
  Load(f, kLatch9, 0x30);
  Load(f, kLatch2, f.s.Latch2Base & 0xF7);  // output enable off
  f.link.ReadNibbles();
  EXPECT_EQ(f.s.ReadByte, 0x96);
}

}  // namespace
}  // namespace tarnwick
