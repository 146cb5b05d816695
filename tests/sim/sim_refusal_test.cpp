// The adapters poked through the port's registers alone, with sequences worked out
// from the box's wiring: a good program pulse with one step changed at a time is
// refused with its reason in the log and leaves the cell as it was; a chip out of read
// mode keeps off the read path; the erase pulse needs a flash chip and 10 ms.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/sim_socket.h"
#include "support/box_bus.h"

namespace tarnwick {
namespace {

constexpr uint8_t Bit(int n) {
  return static_cast<uint8_t>(1 << n);
}
constexpr uint8_t Clear(uint8_t value, uint8_t bits) {
  return static_cast<uint8_t>(value & ~bits);
}

// Levels of the Vpp regulator by the lines of Latch2 and Latch3 it reads.
struct Vpp {
  uint8_t latch2, latch3;
};
constexpr Vpp k25V{0x00, 0xB0}, k21V{0x10, 0xB0}, k12_75V{0xB0, 0xB0}, k12_5V{0x30, 0xB0},
    k12V{0x30, 0x30};
constexpr uint8_t kNoLevel = 0x10;  // Latch3 lines giving no level with any Latch2

// The 875X adapter's mode, on LatchB's mode lines (kBoxLBModeLines): P2.6 alone programs,
// P2.7 alone erases; with Latch1's mode pins (kBoxL1ModePins, P3.7 and P3.6) both high.
constexpr uint8_t kModeRead = 0x00, kModeProgram = 0x40, kModeErase = 0x10;
constexpr uint8_t kP37 = Bit(2);
constexpr uint8_t kLinesHigh = 0xFF;

enum class Fault {
  kNone,
  kNoWait,          // the pulse's low phase without a single status read
  kLatch2Bit3High,  // chip output left enabled through the pulse
  kLatch1Bit5High,  // 874X: TEST0 high, read mode
  kLatch9Read,      // 874X: bus control lines left at read
  kLatchBBit7High,  // 8741: program path not opened
  kVppOff,          // Latch3 lines give no level
  kModeMissing,     // 875X: P2.6 low, read mode
  kWrongP,          // 875X: P3.7 low, not the program combination
  kBit6Rises,       // 875X: the pulse ends by raising program enable instead of PROG
  kNoBit6SetUp,     // 875X: PROG falls in the same load that lowers program enable
  kWhileWriting,    // flash: a pulse while the last byte is still being written
};

class BusTest : public ::testing::Test {
 protected:
  BusTest() {
    PortRefusal refusal;
    EXPECT_TRUE(box.Open(kBase, refusal));
    box.Plug(&socket);
  }
  SimChip& Seat(const char* name) {
    socket.Insert(*FindChip(name));
    return *socket.Chip();
  }
  bool Logged(const std::string& text) const {
    for (const std::string& line : box.Log())
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

  void Program874X(int addr, uint8_t data, Vpp vpp, Fault fault) {
    const uint8_t idle = vpp.latch2 | Bit(kBoxL2Prog874x);  // chip off the read path
    bus.Load(BoxLatch::L3, fault == Fault::kVppOff ? kNoLevel : vpp.latch3);
    bus.Load(BoxLatch::L2, idle);
    const auto high = static_cast<uint8_t>((addr >> 8) & kBoxL9HighAddress);
    bus.Load(BoxLatch::A, static_cast<uint8_t>(addr));
    bus.Load(BoxLatch::L9, high);
    bus.Load(BoxLatch::L9, high | Bit(kBoxL9Ale));  // latched; bus control 01: program
    if (fault == Fault::kLatch9Read) bus.Load(BoxLatch::L9, high | kBoxL9BusControl);
    bus.Load(BoxLatch::A, data);
    bus.Load(BoxLatch::B, fault == Fault::kLatchBBit7High ? Bit(kBoxLBA13) : 0);
    bus.Load(BoxLatch::L1, fault == Fault::kLatch1Bit5High ? Bit(kBoxL1Test874x) : 0);
    const uint8_t drives = fault == Fault::kLatch2Bit3High ? Bit(kBoxL2ChipDrives) : 0;
    bus.Load(BoxLatch::L2, Clear(idle, Bit(kBoxL2Prog874x)) | drives);
    if (fault != Fault::kNoWait) bus.Status();
    bus.Load(BoxLatch::L2, idle);
  }

  void Program875X(int addr, uint8_t data, Vpp vpp, Fault fault) {
    const auto a14 = static_cast<uint8_t>(((addr >> 14) & 1) << kBoxL3A14);
    bus.Load(BoxLatch::L3, (fault == Fault::kVppOff ? kNoLevel : vpp.latch3) | a14);
    bus.Load(BoxLatch::L2,
             vpp.latch2 | (fault == Fault::kLatch2Bit3High ? Bit(kBoxL2ChipDrives) : 0));
    bus.Load(BoxLatch::L9, static_cast<uint8_t>(addr));
    const uint8_t mode = fault == Fault::kModeMissing ? kModeRead : kModeProgram;
    bus.Load(BoxLatch::B, static_cast<uint8_t>(((addr >> 8) & kBoxLBHighAddress) | mode |
                                               ((addr >> 13) & 1) << kBoxLBA13));
    uint8_t idle = kLinesHigh;  // PROG, program enable, PSEN off; mode pins high
    if ((addr & 0x1000) != 0) idle = Clear(idle, Bit(kBoxL1NotA12));
    if (fault == Fault::kWrongP) idle = Clear(idle, kP37);
    bus.Load(BoxLatch::L1, idle);
    bus.Load(BoxLatch::A, data);
    const uint8_t enabled = Clear(idle, Bit(kBoxL1ProgramEnable));
    if (fault != Fault::kNoBit6SetUp) bus.Load(BoxLatch::L1, enabled);
    bus.Load(BoxLatch::L1, Clear(enabled, Bit(kBoxL1Prog875x)));
    if (fault != Fault::kNoWait) bus.Status();
    bus.Load(BoxLatch::L1, fault == Fault::kBit6Rises ? Clear(idle, Bit(kBoxL1Prog875x)) : enabled);
    bus.Load(BoxLatch::L1, idle);
  }

  static constexpr uint16_t kBase = 0x378;
  VirtualClock clock;
  SimBox box{&clock};
  SimSocket socket;
  BoxDriver bus{box, kBase};
};

enum class Outcome { kProgrammed, kRefused, kDamaged };

struct PulseCase {
  const char* chip;
  Vpp vpp;
  Fault fault;
  Outcome outcome;
  const char* logged;
  uint8_t lockBits = 0;
};

class PulseTest : public BusTest, public ::testing::WithParamInterface<PulseCase> {};

TEST_P(PulseTest, OnlyAWellFormedPulseProgramsTheCell) {
  const PulseCase& c = GetParam();
  SimChip& chip = Seat(c.chip);
  chip.SetLockBits(c.lockBits);
  constexpr int kAddr = 0x3C5;
  constexpr uint8_t kData = 0x5A;
  const bool is874x = chip.info().adapter == Adapter::k874X;
  const auto program = [&](int addr, Fault fault) {
    is874x ? Program874X(addr, kData, c.vpp, fault) : Program875X(addr, kData, c.vpp, fault);
  };
  if (c.fault == Fault::kWhileWriting) program(kAddr + 1, Fault::kNone);
  program(kAddr, c.fault);
  EXPECT_TRUE(Logged(c.logged)) << c.logged;
  const bool programmed = c.outcome == Outcome::kProgrammed;
  EXPECT_EQ(chip.Damaged(), c.outcome == Outcome::kDamaged);
  EXPECT_EQ(chip.contents()[kAddr], programmed ? kData : chip.info().erased);
  EXPECT_EQ(chip.PulsesAt(kAddr), programmed ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Adapter874X, PulseTest,
    ::testing::Values(
        PulseCase{"8741", k25V, Fault::kNone, Outcome::kProgrammed,
                  "Programmed 03C5 with 5A: cell 5A"},
        PulseCase{"8741", k25V, Fault::kNoWait, Outcome::kRefused, "03C5: pulse too short"},
        PulseCase{"8741", k25V, Fault::kLatch2Bit3High, Outcome::kRefused,
                  "Latch2 bit 3 high during the pulse"},
        PulseCase{"8741", k25V, Fault::kLatch1Bit5High, Outcome::kRefused, "Latch1 bit 5 high"},
        PulseCase{"8741", k25V, Fault::kLatch9Read, Outcome::kRefused, "Latch9 bits 4-5 not 01"},
        PulseCase{"8741", k25V, Fault::kLatchBBit7High, Outcome::kRefused, "LatchB bit 7 high"},
        PulseCase{"8748", k25V, Fault::kLatchBBit7High, Outcome::kProgrammed, "Programmed 03C5"},
        PulseCase{"8741", k25V, Fault::kVppOff, Outcome::kRefused, "no programming voltage"},
        PulseCase{"8741", k21V, Fault::kNone, Outcome::kRefused, "Vpp below the chip's window"},
        PulseCase{"8749H", k21V, Fault::kNone, Outcome::kProgrammed, "Programmed 03C5"},
        PulseCase{"8748H", k25V, Fault::kNone, Outcome::kDamaged, "chip damaged"}));

INSTANTIATE_TEST_SUITE_P(
    Adapter875X, PulseTest,
    ::testing::Values(
        PulseCase{"87C51H", k12_5V, Fault::kNone, Outcome::kProgrammed,
                  "Programmed 03C5 with 5A: cell 5A"},
        PulseCase{"87C51H", k12_75V, Fault::kNone, Outcome::kProgrammed, "Programmed 03C5"},
        PulseCase{"87C51H", k12_5V, Fault::kNoWait, Outcome::kRefused, "03C5: pulse too short"},
        PulseCase{"87C51H", k12_5V, Fault::kModeMissing, Outcome::kRefused,
                  "no operation for mode 00 with Latch1 BF"},
        PulseCase{"87C51H", k12_5V, Fault::kLatch2Bit3High, Outcome::kRefused, "Latch2 bit 3 high"},
        PulseCase{"87C51H", k12_5V, Fault::kVppOff, Outcome::kRefused, "no programming voltage"},
        PulseCase{"87C51H", k12_5V, Fault::kWrongP, Outcome::kRefused,
                  "no operation for mode 40 with Latch1 BB"},
        PulseCase{"87C51H", k12_5V, Fault::kBit6Rises, Outcome::kRefused, "Pulse abandoned"},
        PulseCase{"87C51H", k12_5V, Fault::kNoBit6SetUp, Outcome::kRefused,
                  "03C5: Latch1 bit 6 fell with bit 7"},
        PulseCase{"87C52H", k12_5V, Fault::kNone, Outcome::kRefused, "lock bit 1 set", kLockBit1},
        PulseCase{"8751H", k12_5V, Fault::kNone, Outcome::kRefused, "Vpp below the chip's window"},
        PulseCase{"8751H", k21V, Fault::kNone, Outcome::kProgrammed, "Programmed 03C5"},
        PulseCase{"89C51", k12V, Fault::kNone, Outcome::kProgrammed, "Programmed 03C5"},
        PulseCase{"89C52", k12V, Fault::kWhileWriting, Outcome::kRefused,
                  "03C5: still writing the last byte"},
        PulseCase{"89C51", k21V, Fault::kNone, Outcome::kDamaged, "chip damaged"}));

struct ErasePulseCase {
  const char* chip;
  int64_t lowMicros;
  bool erases;
  const char* logged;
};

class ErasePulseTest : public BusTest, public ::testing::WithParamInterface<ErasePulseCase> {};

// Mode 10 (P2.7 high) with P3.6 and P3.7 low, PROG held low on the clock.
TEST_P(ErasePulseTest, OnlyAFlashChipAndTenMillisecondsErase) {
  const ErasePulseCase& c = GetParam();
  SimChip& chip = Seat(c.chip);
  chip.contents()[0x100] = 0x00;
  chip.SetLockBits(kLockBit1 | kLockBit2);
  bus.Load(BoxLatch::L3, k12V.latch3);
  bus.Load(BoxLatch::L2, k12V.latch2);
  bus.Load(BoxLatch::B, kModeErase);
  const uint8_t pulse = Clear(kLinesHigh, Bit(kBoxL1ProgramEnable) | kBoxL1ModePins);
  bus.Load(BoxLatch::L1, pulse);
  bus.Load(BoxLatch::L1, Clear(pulse, Bit(kBoxL1Prog875x)));
  clock.Advance(c.lowMicros);
  bus.Load(BoxLatch::L1, pulse);
  EXPECT_TRUE(Logged(c.logged)) << c.logged;
  EXPECT_EQ(chip.contents()[0x100], c.erases ? 0xFF : 0x00);
  EXPECT_EQ(chip.LockBits(), c.erases ? 0 : kLockBit1 | kLockBit2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ErasePulseTest,
    ::testing::Values(ErasePulseCase{"89C55", 10000, true, "Chip erased"},
                      ErasePulseCase{"89S53", 9900, false, "erase pulse under 10 ms"},
                      ErasePulseCase{"87C51H", 10000, false, "chip erase pulse on an EPROM"}));

// What the read path shows after a chip in read mode at 0x12 (holding 34) has one
// latch changed: the chip's byte, or LatchA's 96 through the resistors.
struct ReadModeCase {
  const char* chip;
  BoxLoad change;
  uint8_t reads;
};

class ReadModeTest : public BusTest, public ::testing::WithParamInterface<ReadModeCase> {};

TEST_P(ReadModeTest, OnlyAChipInReadModeDrives) {
  const ReadModeCase& c = GetParam();
  Seat(c.chip).contents()[0x12] = 0x34;
  bus.Load(BoxLatch::L2, Bit(kBoxL2ChipDrives));
  if (socket.Chip()->info().adapter == Adapter::k874X) {
    bus.Load(BoxLatch::A, 0x12);
    bus.Load(BoxLatch::L9, 0x00);
    bus.Load(BoxLatch::L9, kBoxL9BusControl);  // ALE rises: 0x012 latched; read side
    bus.Load(BoxLatch::L1, Bit(kBoxL1Test874x));
  } else {
    bus.Load(BoxLatch::L9, 0x12);
    bus.Load(BoxLatch::B, kModeRead);
    bus.Load(BoxLatch::L1, Clear(kLinesHigh, Bit(kBoxL1Psen)));
  }
  bus.Load(BoxLatch::A, 0x96);
  bus.Load(c.change.latch, c.change.value);
  EXPECT_EQ(bus.ReadPath(), c.reads);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadModeTest,
    ::testing::Values(ReadModeCase{"87C51H", {BoxLatch::L3, 0xB0}, 0x34},  // unchanged
                      ReadModeCase{"87C51H", {BoxLatch::B, kModeProgram}, 0x96},
                      ReadModeCase{"87C51H", {BoxLatch::L1, kLinesHigh}, 0x96},
                      ReadModeCase{"87C51H", {BoxLatch::L1, 0xB7}, 0x34},          // 89S style
                      ReadModeCase{"87C51H", {BoxLatch::L2, 0x00}, 0x96},          // outputs off
                      ReadModeCase{"8748", {BoxLatch::L3, 0xB0}, 0x34},            // unchanged
                      ReadModeCase{"8748", {BoxLatch::L9, Bit(kBoxL9Ale)}, 0x96},  // program side
                      ReadModeCase{"8748", {BoxLatch::L1, 0x00}, 0x96},            // TEST0 low
                      ReadModeCase{"8748", {BoxLatch::L2, 0x00}, 0x96}));

}  // namespace
}  // namespace tarnwick
