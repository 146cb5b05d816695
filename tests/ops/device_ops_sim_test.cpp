// The device commands end to end on the simulated box: every chip, what the chip holds
// afterwards, and the limits of the programming algorithms.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "support/memo_lines.h"
#include "support/sim_fixture.h"

namespace tarnwick {
namespace {

constexpr const char* kChipNames[] = {"8741",    "8742",    "8748",    "8748H",   "8749H",
                                      "8751H",   "87C51H",  "87C52H",  "87C54H",  "87C58H",
                                      "87C51FA", "87C51FB", "87C51FC", "89C51",   "89C52",
                                      "89S53",   "89LS53",  "89C55",   "89S8252", "89LS8252"};

class SimOpsTest : public SimBenchTest {
 protected:
  SimChip& Seat(const char* name) { return SeatWithShortWaits(name); }
  // A pattern that sets and clears bits in every position, with no FF byte.
  void FillPattern(int32_t start, int32_t end) {
    for (int32_t a = start; a <= end; ++a)
      f.s.Buffer[a] = static_cast<uint8_t>((a * 37 + 11) % 255);
  }
};

class EveryChipTest : public SimOpsTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(EveryChipTest, BlankCheckProgramVerifyAndReadBack) {
  SimChip& chip = Seat(GetParam());
  Window(0, 0xFF);
  f.Click(f.Blank_Chk);
  EXPECT_EQ(f.StaticText3.caption, "Device is Erased....");

  FillPattern(0, 0xFF);
  ASSERT_EQ(f.s.AutoVerifyOn, 1);
  f.Click(f.Programm);
  EXPECT_EQ(f.StaticText3.caption, "Device Verified to Buffer....");
  EXPECT_EQ(f.StaticText3.colour, colour::Lime);
  for (int a = 0; a <= 0xFF; ++a) ASSERT_EQ(chip.contents()[a], f.s.Buffer[a]) << a;
  EXPECT_EQ(chip.contents()[0x100], chip.info().erased);  // nothing beyond the window

  // Read back into another part of the buffer.
  f.s.BufferStart = 0x8000;
  f.Click(f.Move_Eprom);
  EXPECT_EQ(f.StaticText3.caption, "Device Has Been Moved to Buffer....");
  for (int a = 0; a <= 0xFF; ++a) ASSERT_EQ(f.s.Buffer[0x8000 + a], f.s.Buffer[a]) << a;
}

TEST_P(EveryChipTest, VerifyListsThreePlantedMismatches) {
  SimChip& chip = Seat(GetParam());
  Window(0, 0x7F);
  for (int a = 0; a <= 0x7F; ++a) f.s.Buffer[a] = chip.contents()[a];
  const uint8_t other = static_cast<uint8_t>(chip.info().erased ^ 0x5A);
  for (int a : {0x05, 0x40, 0x7E}) chip.contents()[a] = other;
  f.Click(f.Verify);
  const std::string found = other == 0x5A ? "5A" : "A5";
  const std::string blank = chip.info().erased == 0 ? "00" : "FF";
  EXPECT_EQ(ListedLines(f),
            (std::deque<std::string>{"007E  EXPECTED-" + blank + " FOUND-" + found,
                                     "0040  EXPECTED-" + blank + " FOUND-" + found,
                                     "0005  EXPECTED-" + blank + " FOUND-" + found}));
  EXPECT_EQ(f.StaticText3.caption, "Device Did NOT Verify to Buffer....");
  EXPECT_EQ(f.StaticText3.colour, colour::Red);
  EXPECT_TRUE(f.Memo1.visible);
  const DeviceOutcome& outcome = f.outcomes.device;
  EXPECT_EQ(outcome.verdict, Verdict::Failed);
  EXPECT_EQ(outcome.text, f.StaticText3.caption);
  ASSERT_EQ(outcome.mismatches.size(), 3u);
  EXPECT_EQ(*outcome.first(), (Mismatch{0x05, 0x05, chip.info().erased, other}));
  EXPECT_EQ(outcome.last()->deviceAddr, 0x7E);
}

TEST_F(SimOpsTest, MismatchesNameTheBufferAddressTheyWereComparedWith) {
  SimChip& chip = Seat("87C51H");
  f.s.DeviceStart = 0x10;
  f.s.DeviceEnd = 0x1F;
  f.s.BufferStart = 0x2000;
  for (int a = 0; a < 16; ++a) f.s.Buffer[0x2000 + a] = chip.contents()[0x10 + a];
  f.s.Buffer[0x2003] = 0x12;
  f.Click(f.Verify);
  EXPECT_EQ(f.outcomes.device.mismatches,
            (std::vector<Mismatch>{{0x13, 0x2003, 0x12, chip.contents()[0x13]}}));
  EXPECT_EQ(ListedLines(f).front(), MismatchLine(f.outcomes.device.mismatches[0]));
}

TEST_P(EveryChipTest, ProgramCompareFollowsTheWayTheCellsCanChange) {
  SimChip& chip = Seat(GetParam());
  Window(0, 3);
  const bool erased_to_zero = chip.info().erased == 0x00;
  // Chips erased to FF can lose 1 bits; chips erased to 00 can gain them.
  const uint8_t held = erased_to_zero ? 0x0C : 0xF0;
  const uint8_t can = erased_to_zero ? 0x3C : 0x30;
  const uint8_t cannot = 0x38;  // bit 2 of 0C cannot be cleared, bit 3 of F0 cannot be set
  for (int a = 0; a < 4; ++a) {
    chip.contents()[a] = held;
    f.s.Buffer[a] = can;
  }
  f.Click(f.Compare);
  EXPECT_EQ(f.StaticText3.caption, "Device Can be Reprogrammed....");
  f.s.Buffer[2] = cannot;
  f.Click(f.Compare);
  EXPECT_EQ(f.StaticText3.caption, "Device CAN NOT be Reprogrammed....");
  EXPECT_EQ(f.StaticText3.colour, colour::Red);
}

INSTANTIATE_TEST_SUITE_P(AllChips, EveryChipTest, ::testing::ValuesIn(kChipNames),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

// The figures of the dump on top of Memo1, by Python's zlib and hashlib: after Move
// Device, and after Check Sum over what the memo already lists.
TEST_F(SimOpsTest, MoveAndCheckSumShowTheDumpsHashes) {
  SimChip& chip = Seat("89C51");
  const std::string firmware =
      "0B30557A9FC4E90F34597EA3C8ED1338"
      "5D82A7CCF1173C6186ABD0F51B40658A";
  for (size_t i = 0; i < 32; ++i)
    chip.contents()[i] = static_cast<uint8_t>(std::stoi(firmware.substr(2 * i, 2), nullptr, 16));
  Window(0, 0xFFF);
  f.Click(f.Move_Eprom);
  const std::vector<std::string> hashes = {"CRC32 E3997366  0000-0FFF  4096 bytes",
                                           "SHA1 A73D332E0C790ABD8E70E2D522252B8B843B1F8C"};
  EXPECT_TRUE(f.Memo1.visible);
  EXPECT_EQ(std::vector<std::string>(f.Memo1.lines().begin(), f.Memo1.lines().end()), hashes);
  EXPECT_EQ(f.Chk_Sum_But.caption.rfind("CheckSum=", 0), 0u);

  f.s.Buffer[0x0003] = 0x7B;
  f.Click(f.Verify);
  ASSERT_EQ(f.outcomes.device.mismatches.size(), 1u);
  const std::vector<std::string> verified(f.Memo1.lines().begin(), f.Memo1.lines().end());
  // "123456789" over a window of its own: the check value of CRC-32.
  for (int i = 0; i < 9; ++i) f.s.Buffer[static_cast<size_t>(i)] = static_cast<uint8_t>('1' + i);
  Window(0, 8);
  for (int click = 0; click < 2; ++click) f.Click(f.Chk_Sum_But);  // the second replaces the first
  EXPECT_TRUE(f.Memo1.visible);
  std::vector<std::string> summed = {"CRC32 CBF43926  0000-0008  9 bytes",
                                     "SHA1 F7C3BC1D808E04732ADF679965CCC34CA7AE3441"};
  summed.insert(summed.end(), verified.begin(), verified.end());
  EXPECT_EQ(std::vector<std::string>(f.Memo1.lines().begin(), f.Memo1.lines().end()), summed);
  EXPECT_EQ(summed.back(), "0003  EXPECTED-7B FOUND-7A");
  EXPECT_EQ(f.Chk_Sum_But.caption, "CheckSum=01DD");
}

TEST_F(SimOpsTest, WholeChipProgramOf87C58H) {
  SimChip& chip = Seat("87C58H");
  FillPattern(0, 0x7FFF);
  f.Click(f.Programm);
  EXPECT_EQ(f.StaticText3.caption, "Device Verified to Buffer....");
  EXPECT_EQ(chip.contents()[0x7ABC], f.s.Buffer[0x7ABC]);
  EXPECT_EQ(chip.contents()[0x7FFF], f.s.Buffer[0x7FFF]);
}

constexpr int kNever = kNeverPrograms;
constexpr std::string_view kVerified = "Device Verified to Buffer....";
constexpr const char* kFailed = "Eprom DID NOT Program.............";
constexpr const char* kBadMcu = "Eprom DID NOT Program Possible Bad Mcu..........";

// A programmed pattern with one stubborn byte: how many pulses each byte got and how
// the command ends.
struct StubbornByteCase {
  const char* name;
  const char* chip;
  int32_t windowEnd, stubborn;
  int pulsesNeeded;
  std::string_view status;
  std::vector<std::pair<int32_t, int>> pulsesAt;  // address, pulses it got
};

class StubbornByteTest : public SimOpsTest,
                         public ::testing::WithParamInterface<StubbornByteCase> {};

TEST_P(StubbornByteTest, GetsTheAlgorithmsPulsesAndEndsWithItsStatus) {
  const StubbornByteCase& c = GetParam();
  SimChip& chip = Seat(c.chip);
  Window(0, c.windowEnd);
  FillPattern(0, c.windowEnd);
  chip.NeedsPulses(c.stubborn, c.pulsesNeeded);
  f.Click(f.Programm);
  for (const auto& [addr, pulses] : c.pulsesAt) EXPECT_EQ(chip.PulsesAt(addr), pulses) << addr;
  EXPECT_EQ(f.StaticText3.caption, c.status);
  EXPECT_EQ(f.StaticText3.colour, c.status == kVerified ? colour::Lime : colour::Red);
}

const StubbornByteCase kStubbornBytes[] = {
    // Family 2 doubles its wait over four attempts; a good byte needs one.
    {"Family2NeverGetsFour", "8748", 0x1F, 0x10, kNever, kFailed, {{0xF, 1}, {0x10, 4}, {0x11, 0}}},
    {"Family2NeedingThreeGetsThree", "8749H", 3, 2, 3, kVerified, {{2, 3}}},
    // The 875X EPROMs take trains of 5, 10 and 20; a good byte takes one train of five.
    {"Eprom875xGets35", "87C52H", 0x1F, 0x12, kNever, kFailed, {{0x11, 5}, {0x12, 35}, {0x13, 0}}},
    // The 8741's first byte is a test of the chip: nothing more is programmed after it.
    {"The8741TestByteMeansABadChip", "8741", 0x3F, 0, kNever, kBadMcu, {{0, 1}, {1, 0}}},
    {"The8741LastByteMeansABadChip", "8741", 0x3F, 0x3F, kNever, kBadMcu, {}},
    // Elsewhere in an 8741 a mismatch is an ordinary failure.
    {"The8741MiddleByteIsAnOrdinaryFailure", "8741", 0x3F, 0x20, kNever, kFailed, {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, StubbornByteTest, ::testing::ValuesIn(kStubbornBytes),
                         [](const ::testing::TestParamInfo<StubbornByteCase>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(SimOpsTest, FlashByteThatNeverCompletesIsPolled500Times) {
  SimChip& chip = Seat("89C52");
  Window(0, 0x1F);
  FillPattern(0, 0x1F);
  chip.SlowWrite(0x07, 100000);
  f.Click(f.Programm);
  EXPECT_EQ(chip.LastWriteAddr(), 0x07);
  EXPECT_EQ(chip.PollsOfLastWrite(), 500);
  EXPECT_EQ(f.StaticText3.caption, "Eprom DID NOT Program.............");
  EXPECT_EQ(f.StaticText3.colour, colour::Red);
}

TEST_F(SimOpsTest, FlashWindowOfFFBytesNeedsNoPulse) {
  SimChip& chip = Seat("89S53");
  Window(0, 0xFF);
  for (int a = 0; a <= 0xFF; ++a) f.s.Buffer[a] = 0xFF;
  f.s.AutoVerifyOn = 0;
  f.Click(f.Programm);
  EXPECT_EQ(f.StaticText3.caption, "Eprom is Programmed...............");
  for (int a = 0; a <= 0xFF; ++a) ASSERT_EQ(chip.PulsesAt(a), 0);
}

TEST_F(SimOpsTest, The8741PulsesAOneByteWindowTwice) {
  SimChip& chip = Seat("8741");
  Window(0x10, 0x10);
  f.s.Buffer[0x10] = 0x81;
  f.s.AutoVerifyOn = 0;
  f.Click(f.Programm);
  EXPECT_EQ(f.StaticText3.caption, "Eprom is Programmed...............");
  EXPECT_EQ(chip.PulsesAt(0x10), 2);
  EXPECT_EQ(chip.contents()[0x10], 0x81);
}

TEST_F(SimOpsTest, AutoVerifyOffKeepsTheAlgorithmsText) {
  Seat("87C51H");
  Window(0, 0x0F);
  FillPattern(0, 0x0F);
  f.Click(f.Auto_Verify);
  EXPECT_EQ(f.Auto_Verify.caption, "Auto Verify Off");
  f.Click(f.Programm);
  EXPECT_EQ(f.StaticText3.caption, "Eprom is Programmed...............");
  f.Click(f.Auto_Verify);
  EXPECT_EQ(f.Auto_Verify.caption, "Auto Verify On");
  EXPECT_EQ(f.s.AutoVerifyOn, 1);
}

TEST_F(SimOpsTest, QuitStopsProgrammingWithinOneByte) {
  SimChip& chip = Seat("87C54H");
  Window(0, 0xFF);
  FillPattern(0, 0xFF);
  sim.toolkit.When([this] { return f.Quit_Func_But.caption == "&Quit = 0042"; },
                   [this] { f.Click(f.Quit_Func_But); });
  f.Click(f.Programm);
  EXPECT_EQ(f.StaticText3.caption, "Eprom DID NOT Program.............");
  EXPECT_EQ(f.outcomes.device.verdict, Verdict::Stopped);
  EXPECT_EQ(f.outcomes.device.stoppedAt, 0x43);
  EXPECT_EQ(chip.contents()[0x42], f.s.Buffer[0x42]);
  EXPECT_EQ(chip.contents()[0x43], 0xFF);
}

TEST_F(SimOpsTest, EraseClearsAFlashChipAndAsksForABlankCheck) {
  SimChip& chip = Seat("89S8252");
  Window(0, 0x0F);
  FillPattern(0, 0x0F);
  f.Click(f.Programm);
  ASSERT_EQ(chip.contents()[3], f.s.Buffer[3]);
  chip.SetLockBits(kLockBit1 | kLockBit2);
  f.Click(f.Erase_But);
  EXPECT_EQ(chip.LockBits(), 0);
  EXPECT_TRUE(Logged("Chip erased"));
  EXPECT_EQ(f.StaticText3.caption, "Device has been Erase, Do a Blank Check........");
  EXPECT_EQ(f.StaticText3.colour, colour::Lime);
  f.Click(f.Blank_Chk);
  EXPECT_EQ(f.StaticText3.caption, "Device is Erased....");
}

struct SecurityCase {
  const char* chip;
  int row;
  uint8_t lockBits;
};

class SecurityRowTest : public SimOpsTest, public ::testing::WithParamInterface<SecurityCase> {};

TEST_P(SecurityRowTest, EachRowProgramsItsBit) {
  const SecurityCase c = GetParam();
  SimChip& chip = Seat(c.chip);
  f.s.SpeedCount = 400;  // what a calibration leaves
  f.Click(f.Security);
  EXPECT_TRUE(f.Security_List.visible);
  EXPECT_FALSE(f.Quit_Func_But.enabled);
  f.ListClick(f.Security_List, c.row);
  EXPECT_EQ(chip.LockBits(), c.lockBits);
  const bool cancel = c.row == 3;
  EXPECT_EQ(f.outcomes.device.lockBit, cancel ? 0 : c.row + 1);
  EXPECT_EQ(f.outcomes.device.verdict, cancel ? Verdict::Refused : Verdict::Success);
  EXPECT_FALSE(f.Security_List.visible);
  EXPECT_TRUE(f.Programm.enabled);
  if (c.row < 3) {
    EXPECT_EQ(f.StaticText3.caption,
              "Security Bit #" + std::to_string(c.row + 1) + " has been programmed...");
  }
}

constexpr SecurityCase kSecurityCases[] = {
    {"87C51H", 0, kLockBit1},  {"87C51H", 1, kLockBit2},  {"87C51H", 2, kLockBit3},
    {"87C51H", 3, 0},          {"89S8252", 0, kLockBit1}, {"89S8252", 1, kLockBit2},
    {"89S8252", 2, kLockBit3}, {"89S8252", 3, 0},         {"8751H", 1, kLockBit2},
    {"89C51", 2, kLockBit3},   {"89LS53", 1, kLockBit2},  {"89S53", 2, kLockBit3},
};

INSTANTIATE_TEST_SUITE_P(Rows, SecurityRowTest, ::testing::ValuesIn(kSecurityCases),
                         [](const ::testing::TestParamInfo<SecurityCase>& info) {
                           return std::string(info.param.chip) + "_Row" +
                                  std::to_string(info.param.row);
                         });

}  // namespace
}  // namespace tarnwick
