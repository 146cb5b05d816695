#include "sim/sim_chip.h"

#include <gtest/gtest.h>

#include <string>

#include "devices/device_table.h"

namespace tarnwick {
namespace {

// Every chip of the device list exists in the box, with the size the list gives its
// window, the erased value of its family, and the adapter its family is seated in.
TEST(SimChipTable, EveryListedDeviceHasItsChip) {
  int listed = 0;
  for (const DeviceEntry& entry : kDeviceTable) {
    if (entry.caption == nullptr) continue;
    ++listed;
    const ChipInfo* chip = FindChip(entry.caption);
    ASSERT_NE(chip, nullptr) << entry.caption;
    EXPECT_EQ(chip->size, entry.deviceEnd + 1) << entry.caption;
    EXPECT_EQ(chip->erased, TraitsOf(entry.family).blankValue) << entry.caption;
    EXPECT_EQ(chip->adapter, entry.family <= 2 ? Adapter::k874X : Adapter::k875X) << entry.caption;
    EXPECT_EQ(chip->flash, entry.family >= 5) << entry.caption;
    EXPECT_EQ(chip->lockBitsFromData, entry.family == 6) << entry.caption;
  }
  EXPECT_EQ(listed, 20);
  EXPECT_EQ(std::size(kChips), 20u);
}

// The level each list row asks for lies inside its chip's window.
TEST(SimChipTable, WindowsHoldTheListedVoltage) {
  struct Case {
    const char* name;
    int listedMv;
  };
  const Case cases[] = {{"8741", 25000},  {"8748", 25000},    {"8742", 21000},   {"8748H", 21000},
                        {"8751H", 21000}, {"87C51H", 12500},  {"87C58H", 12500}, {"87C51FC", 12500},
                        {"89C55", 12000}, {"89LS8252", 12000}};
  for (const Case& c : cases) {
    const ChipInfo* chip = FindChip(c.name);
    ASSERT_NE(chip, nullptr);
    EXPECT_LE(chip->vppMinMv, c.listedMv) << c.name;
    EXPECT_GE(chip->vppMaxMv, c.listedMv) << c.name;
  }
}

TEST(SimChipTable, FindChipTrimsBlanksAndKnowsNothingElse) {
  ASSERT_NE(FindChip("8748 "), nullptr);
  EXPECT_STREQ(FindChip("8748 ")->name, "8748");
  EXPECT_STREQ(FindChip("  89S53  ")->name, "89S53");
  EXPECT_EQ(FindChip("No Device"), nullptr);
  EXPECT_EQ(FindChip(""), nullptr);
  EXPECT_EQ(FindChip("   "), nullptr);
  EXPECT_EQ(FindChip("8748h"), nullptr);
  EXPECT_EQ(FindChip("87C51"), nullptr);
}

TEST(SimChip, BlankChipHasItsSizeAndErasedValue) {
  SimChip eprom(*FindChip("8749H"));
  EXPECT_EQ(eprom.contents(), std::vector<uint8_t>(2048, 0x00));
  SimChip flash(*FindChip("89S8252"));
  EXPECT_EQ(flash.contents(), std::vector<uint8_t>(10240, 0xFF));
  EXPECT_EQ(flash.LockBits(), 0);
  EXPECT_FALSE(flash.Damaged());
}

TEST(SimChip, The874XCellsSetBitsAndThe875XCellsClearThem) {
  SimChip c8748(*FindChip("8748"));
  c8748.contents()[5] = 0x30;
  EXPECT_TRUE(c8748.Program(5, 0x0C, 0));
  EXPECT_EQ(c8748.contents()[5], 0x3C);
  SimChip c87(*FindChip("87C51H"));
  c87.contents()[5] = 0xF0;
  EXPECT_TRUE(c87.Program(5, 0x3C, 0));
  EXPECT_EQ(c87.contents()[5], 0x30);
}

TEST(SimChip, AddressesWrapAtTheChipsSize) {
  SimChip chip(*FindChip("89C55"));  // 20 KiB: not a power of two
  EXPECT_EQ(chip.Wrap(0x5000), 0);
  EXPECT_EQ(chip.Wrap(0x7FFF), 0x2FFF);
  chip.Program(0x5001, 0x12, 0);
  EXPECT_EQ(chip.contents()[1], 0x12);
  EXPECT_EQ(chip.PulsesAt(1), 1);
}

TEST(SimChip, ACellNeedingPulsesTakesItsDataOnlyFromTheLastOneOn) {
  SimChip chip(*FindChip("87C52H"));
  chip.NeedsPulses(0x100, 3);
  EXPECT_FALSE(chip.Program(0x100, 0x00, 0));
  EXPECT_FALSE(chip.Program(0x100, 0x00, 0));
  EXPECT_EQ(chip.contents()[0x100], 0xFF);
  EXPECT_TRUE(chip.Program(0x100, 0x0F, 0));
  EXPECT_EQ(chip.contents()[0x100], 0x0F);
  EXPECT_EQ(chip.PulsesAt(0x100), 3);

  chip.NeedsPulses(0x101, kNeverPrograms);
  for (int i = 0; i < 100; ++i) chip.Program(0x101, 0x00, 0);
  EXPECT_EQ(chip.contents()[0x101], 0xFF);
  EXPECT_EQ(chip.PulsesAt(0x101), 100);
}

TEST(SimChip, AFlashWriteShowsBit7InvertedUntilItsBusyReadsHavePassed) {
  SimChip chip(*FindChip("89C51"));
  chip.Program(0x20, 0x5A, 1000);
  EXPECT_TRUE(chip.Busy(1039));
  EXPECT_EQ(chip.Read(0x20, 1039), 0xDA);
  EXPECT_EQ(chip.Read(0x21, 1039), 0xFF) << "only the written cell polls";
  EXPECT_FALSE(chip.Busy(1040));
  EXPECT_EQ(chip.Read(0x20, 1040), 0x5A);

  chip.SlowWrite(0x30, 5000);
  chip.Program(0x30, 0x00, 2000);
  EXPECT_EQ(chip.Read(0x30, 6999), 0x80);
  EXPECT_EQ(chip.Read(0x30, 7000), 0x00);
}

TEST(SimChip, LockBit2AndDamageReadZeroAndEraseClearsLocksButNotDamage) {
  SimChip chip(*FindChip("89C52"));
  chip.contents()[7] = 0x77;
  chip.SetLockBits(kLockBit2 | kLockBit1);
  EXPECT_EQ(chip.Read(7, 0), 0x00);
  chip.Erase();
  EXPECT_EQ(chip.LockBits(), 0);
  EXPECT_EQ(chip.Read(7, 0), 0xFF);
  chip.SetDamaged(true);
  chip.Erase();
  EXPECT_EQ(chip.Read(7, 0), 0x00);
}

}  // namespace
}  // namespace tarnwick

namespace tarnwick {
namespace {

TEST(SimChip, AgeingWeakensCellsThatHoldData) {
  SimChip chip(*FindChip("87C51H"));
  for (int a : {0x010, 0x200, 0x201, 0x7FF, 0xFFE}) chip.contents()[static_cast<size_t>(a)] = 0x5A;
  chip.Age(1234, 3, 30);
  ASSERT_EQ(chip.Unstable().size(), 3u);
  for (const auto& [addr, bits] : chip.Unstable()) {
    EXPECT_EQ(chip.contents()[static_cast<size_t>(addr)], 0x5A) << addr;
    EXPECT_EQ(bits.percent, 30);
    EXPECT_EQ(bits.mask & (bits.mask - 1), 0) << "one bit";
    EXPECT_NE(bits.mask, 0);
  }
  chip.Age(99, 3, 30);  // the last two cells with data, then an erased one
  EXPECT_EQ(chip.Unstable().size(), 6u);
  int weak_data = 0;
  for (const auto& [addr, bits] : chip.Unstable())
    weak_data += chip.contents()[static_cast<size_t>(addr)] == 0x5A ? 1 : 0;
  EXPECT_EQ(weak_data, 5);
  for (int i = 0; i < 100; ++i) chip.Age(static_cast<uint32_t>(i), 3, 30);
  EXPECT_EQ(chip.Unstable().size(), kMaxUnstableCells);
  chip.ClearUnstable();
  EXPECT_TRUE(chip.Unstable().empty());
}

}  // namespace
}  // namespace tarnwick
