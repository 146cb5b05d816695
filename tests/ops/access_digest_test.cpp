// The port accesses of every chip and command, held fixed: each command's trace on the
// simulated box is reduced to its length and a hash, and compared with the table in
// access_digests.txt. Any change to the order, the latch values or the count of
// accesses of a device command shows here. After a change that is meant to alter the
// trace, write the table anew with TARNWICK_WRITE_DIGESTS=1 and say why in the commit.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "support/sim_fixture.h"

namespace tarnwick {
namespace {

const std::string kTable = std::string(TARNWICK_SOURCE_DIR) + "/tests/ops/access_digests.txt";

// One chip through every command, in an order that leaves each one something to do.
std::string ChipDigests(const char* name) {
  SimForm sim;
  sim.FindBox();
  TMainForm& f = sim.f();
  sim.SelectRow(SimForm::RowOf(name));
  f.s.DeviceStart = 0x10;
  f.s.DeviceEnd = 0x8F;
  f.s.BufferStart = 0x10;
  for (int32_t a = 0x10; a <= 0x8F; ++a) f.s.Buffer[a] = static_cast<uint8_t>(a * 37 + 11);
  f.s.AutoVerifyOn = 1;

  std::ostringstream out;
  const auto run = [&](const char* command, auto&& act) {
    sim.box.ClearRecord();
    act();
    char line[96];
    std::snprintf(line, sizeof line, "%-9s %-8s %9llu %016llx\n", name, command,
                  static_cast<unsigned long long>(sim.box.RecordedCount()),
                  static_cast<unsigned long long>(sim.box.RecordDigest()));
    out << line;
  };
  run("blank", [&] { f.Click(f.Blank_Chk); });
  run("program", [&] { f.Click(f.Programm); });
  run("verify", [&] { f.Click(f.Verify); });
  run("move", [&] { f.Click(f.Move_Eprom); });
  run("compare", [&] { f.Click(f.Compare); });
  run("erase", [&] { f.Click(f.Erase_But); });
  for (int row = 0; row < 3; ++row) {
    const std::string command = "lock" + std::to_string(row + 1);
    run(command.c_str(), [&] {
      f.Click(f.Security);
      if (f.Security_List.visible) f.ListClick(f.Security_List, row);
    });
  }
  return out.str();
}

constexpr const char* kChips[] = {"8741",    "8742",    "8748",    "8748H",   "8749H",
                                  "8751H",   "87C51H",  "87C52H",  "87C54H",  "87C58H",
                                  "87C51FA", "87C51FB", "87C51FC", "89C51",   "89C52",
                                  "89S53",   "89LS53",  "89C55",   "89S8252", "89LS8252"};

// The table's lines for one chip: those that start with its name and a blank.
std::string RecordedFor(const std::string& chip) {
  std::ifstream in(kTable, std::ios::binary);
  EXPECT_TRUE(in) << kTable;
  std::string lines, line;
  while (std::getline(in, line))
    if (line.rfind(chip + " ", 0) == 0) lines += line + "\n";
  return lines;
}

class AccessDigestTest : public ::testing::TestWithParam<const char*> {};

// One test per chip, so the chips run in parallel.
TEST_P(AccessDigestTest, EveryCommandKeepsItsPortAccesses) {
  EXPECT_EQ(ChipDigests(GetParam()), RecordedFor(GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Chips, AccessDigestTest, ::testing::ValuesIn(kChips),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

// TARNWICK_WRITE_DIGESTS=1 writes the table anew from this build.
TEST(AccessDigestTable, WrittenOnRequest) {
  if (std::getenv("TARNWICK_WRITE_DIGESTS") == nullptr) GTEST_SKIP() << "not asked to";
  std::string now;
  for (const char* chip : kChips) now += ChipDigests(chip);
  std::ofstream(kTable, std::ios::binary) << now;
}

}  // namespace
}  // namespace tarnwick
