// What a failed check says about its cause, end to end on the simulated box: each fault
// of an old chip or a worn socket, set on the bench, met by the command that shows it,
// in the window's memo and in tarnwick-cli's output; and the cases where nothing must
// be claimed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/cli_fixture.h"
#include "support/sim_fixture.h"

namespace tarnwick {
namespace {

// The chip's program: every bit position set and cleared, no byte at the erased level,
// and different bytes in the two halves of any address line.
uint8_t Pattern(int a) {
  return static_cast<uint8_t>((a * 37 + 11) % 255);
}

enum class Check { Verify, Blank, ReadTwice };  // ReadTwice: Move then Verify; read --reads 2

// What the chip went through before the check.
enum class Holds { Blank, Program, Locked, HalfErased, Fading, OneByte, Scattered };

void Wear(SimChip& chip, Holds holds) {
  if (holds == Holds::Blank) return;
  std::vector<uint8_t>& cells = chip.contents();
  for (size_t a = 0; a < cells.size(); ++a) cells[a] = Pattern(static_cast<int>(a));
  if (holds == Holds::Locked) chip.SetLockBits(kLockBit2);
  // Under the lamp too short: bits 0, 3 and 6 of the program still read 0.
  if (holds == Holds::HalfErased)
    for (uint8_t& cell : cells) cell |= 0xB6;
  if (holds == Holds::Fading) chip.SetUnstable(0x0003, 0x08, 50);  // 7A; flips in read 2
  if (holds == Holds::OneByte) cells[0x123] = 0x00;                // 44 wanted
  if (holds == Holds::Scattered) {
    cells[0x010] ^= 0x81;
    cells[0x456] ^= 0x24;
    cells[0xABC] ^= 0x10;
  }
}

struct FaultCase {
  const char* name;
  const char* chip;
  std::vector<std::string> faults;  // as --sim-fault takes them
  Holds holds;
  Check check;
  std::vector<std::string> lines;          // summary, bits, cause
  std::vector<std::string> cliLines = {};  // where the CLI's differ
};

#define SEATED(adapter) \
  "check the chip is seated in the " adapter " adapter, pin 1 where the drawing shows it"
#define CONTACT "): check the socket contact"
#define READ_AGAIN ": unstable cells or a poor contact; clean the legs and read again"

// clang-format off
const FaultCase kCases[] = {
    // Pin 36 is P0.3 of the 8751's DIP, where D3 leaves the chip.
    {"StuckDataLine", "87C51H", {"data3=0"}, Holds::Program, Check::Verify,
     {"2042 bytes differ in 1318 runs, first 0000, last 0FFF",
      "Bits read 1 for 0: 0; read 0 for 1: 2042 (D3 x2042)",
      "D3 likely stuck at 0 (pin 36 of the 875X adapter's socket" CONTACT}},
    // The 8748's DB3 (pin 15) carries A3 too: each byte comes from the cell with A3 set.
    {"StuckDataLineOnTheMultiplexedBus", "8748", {"data3=1"}, Holds::Blank, Check::Blank,
     {"1024 bytes differ in 0000-03FF, first 0000",
      "Bits read 1 for 0: 1024 (D3 x1024); read 0 for 1: 0",
      "D3 likely stuck at 1 or open (pin 15 of the 874X adapter's socket, which carries A3 too"
      CONTACT}},
    // Every address below 0800 reads the cell 0800 above it; P2.3 is pin 24.
    {"OpenAddressLine", "87C51H", {"a11=open"}, Holds::Program, Check::Verify,
     {"2048 bytes differ in 0000-07FF, first 0000",
      "Bits read 1 for 0: 4931 (D0 x859 D1 x594 D2 x297 D3 x875 D4 x587 D5 x732 D6 x658 D7 x329);"
      " read 0 for 1: 4931 (D0 x860 D1 x595 D2 x298 D3 x875 D4 x586 D5 x730 D6 x658 D7 x329)",
      "A11 likely stuck at 1 or open (pin 24 of the 875X adapter's socket): the chip answers "
      "every address as if A11 were 1; check the socket contact"}},
    // The read path shows LatchA, 5A since the box was found; 16 bytes of the program
    // are 5A themselves.
    {"NoChip", "87C51H", {"nochip"}, Holds::Program, Check::Verify,
     {"4080 bytes differ in 17 runs, first 0000, last 0FFF",
      "Bits read 1 for 0: 8222 (D1 x2057 D3 x2054 D4 x2055 D6 x2056); "
      "read 0 for 1: 8158 (D0 x2041 D2 x2039 D5 x2040 D7 x2038)",
      "Every byte reads 5A: likely no chip in the socket, or a dead one: " SEATED("875X")}},
    // The 874X's bus keeps the low address the box put on it; 000, 100, 200 and 300
    // read the blank 00.
    {"NoChipOnTheMultiplexedBus", "8748", {"nochip"}, Holds::Blank, Check::Blank,
     {"1020 bytes differ in 4 runs, first 0001, last 03FF",
      "Bits read 1 for 0: 4096 (D0 x512 D1 x512 D2 x512 D3 x512 D4 x512 D5 x512 D6 x512 D7 x512);"
      " read 0 for 1: 0",
      "Every byte reads the low half of its own address: likely no chip in the socket, the bus "
      "keeps the address the box sent; " SEATED("874X")}},
    {"Locked", "87C51H", {}, Holds::Locked, Check::Verify,
     {"4080 bytes differ in 17 runs, first 0000, last 0FFF",
      "Bits read 1 for 0: 0; read 0 for 1: 16320 (D0 x2041 D1 x2039 D2 x2039 D3 x2042 D4 x2041 "
      "D5 x2040 D6 x2040 D7 x2038)",
      "Every byte reads 00: the chip is likely locked (lock bit 2 reads as 00), dead or "
      "missing: " SEATED("875X")}},
    {"HalfErased", "87C51H", {}, Holds::HalfErased, Check::Blank,
     {"3597 bytes differ in 500 runs, first 0000, last 0FFF",
      "Bits read 1 for 0: 0; read 0 for 1: 6165 (D0 x2055 D3 x2054 D6 x2056)",
      "The chip is likely not fully erased: erase it longer under UV light"}},
    {"UnstableCell", "87C51H", {}, Holds::Fading, Check::ReadTwice,
     {"1 byte differs, at 0003", "Bits read 1 for 0: 0; read 0 for 1: 1 (D3 x1)",
      "1 byte read otherwise than in the Move just before" READ_AGAIN},
     {"1 byte unstable in 4096; bits: D3 x1",
      "1 byte read otherwise from one read to the next" READ_AGAIN}},
    {"OneByte", "87C51H", {}, Holds::OneByte, Check::Verify,
     {"1 byte differs, at 0123", "Bits read 1 for 0: 0; read 0 for 1: 2 (D2 x1 D6 x1)"}},
    // Nothing is claimed where there is no pattern ...
    {"ScatteredBytes", "87C51H", {}, Holds::Scattered, Check::Verify,
     {"3 bytes differ in 0010, 0456, 0ABC, first 0010",
      "Bits read 1 for 0: 4 (D2 x1 D4 x1 D5 x1 D7 x1); read 0 for 1: 1 (D0 x1)"}},
    // ... nor where two faults mix theirs.
    {"TwoFaultsAtOnce", "87C51H", {"data3=0", "a11=open"}, Holds::Program, Check::Verify,
     {"3069 bytes differ in 660 runs, first 0000, last 0FFF",
      "Bits read 1 for 0: 4056 (D0 x859 D1 x594 D2 x297 D4 x587 D5 x732 D6 x658 D7 x329); "
      "read 0 for 1: 6098 (D0 x860 D1 x595 D2 x298 D3 x2042 D4 x586 D5 x730 D6 x658 D7 x329)"}},
};
// clang-format on
#undef SEATED
#undef CONTACT
#undef READ_AGAIN

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// --- The window ---

class WindowDiagnosisTest : public SimBenchTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(WindowDiagnosisTest, TheMemoSaysWhatTheFaultLikelyIs) {
  const FaultCase& c = GetParam();
  SimChip& chip = SeatWithShortWaits(c.chip);
  Wear(chip, c.holds);
  SocketFaults faults;
  for (const std::string& fault : c.faults) ASSERT_TRUE(AddFault(fault, faults)) << fault;
  sim.socket.SetFaults(faults);
  Window(0, chip.info().size - 1);
  for (int a = 0; a < chip.info().size; ++a) f.s.Buffer[a] = Pattern(a);

  if (c.check == Check::Blank) {
    f.Click(f.Blank_Chk);
  } else {
    if (c.check == Check::ReadTwice) f.Click(f.Move_Eprom);
    f.Click(f.Verify);
  }
  EXPECT_EQ(f.outcomes.device.diagnosis, c.lines);
  // The sentences on top of the memo, broken to its width, the mismatches under them.
  size_t wrapped = 0;
  for (const std::string& sentence : c.lines)
    for (const std::string& line : WrapForMemo(sentence, 2)) {
      ASSERT_LT(wrapped, f.Memo1.lines().size());
      EXPECT_EQ(f.Memo1.lines()[wrapped++], line);
    }
  ASSERT_LT(wrapped, f.Memo1.lines().size());
  EXPECT_NE(f.Memo1.lines()[wrapped].find("EXPECTED-"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Faults, WindowDiagnosisTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// --- tarnwick-cli ---

class CliDiagnosisTest : public CliTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(CliDiagnosisTest, TheOutputSaysWhatTheFaultLikelyIs) {
  const FaultCase& c = GetParam();
  SimSocket socket;
  socket.Insert(*FindChip(c.chip));
  Wear(*socket.Chip(), c.holds);
  ASSERT_TRUE(socket.Save(Path("bench.sim")));
  std::string program;
  for (int a = 0; a < socket.Chip()->info().size; ++a) program += static_cast<char>(Pattern(a));
  Write("program.bin", program);

  std::vector<std::string> words;
  for (const std::string& fault : c.faults) words.insert(words.end(), {"--sim-fault", fault});
  if (c.check == Check::Verify) words.insert(words.end(), {"verify", Path("program.bin")});
  if (c.check == Check::Blank) words.push_back("blank");
  if (c.check == Check::ReadTwice) words.insert(words.end(), {"read", Path("dump.bin")});
  const CliResult r = Run(Sim(c.chip, words));
  EXPECT_EQ(r.code, kExitChipFailed) << r.err;
  const std::vector<std::string>& lines = c.cliLines.empty() ? c.lines : c.cliLines;
  // After the mismatch lines, before the result.
  const size_t at = r.out.find(Joined(lines));
  ASSERT_NE(at, std::string::npos) << r.out.substr(r.out.size() > 2000 ? r.out.size() - 2000 : 0);
  EXPECT_TRUE(at == 0 || r.out[at - 1] == '\n');
  const std::string after = r.out.substr(at + Joined(lines).size());
  EXPECT_TRUE(after.rfind("Device", 0) == 0) << after;
  // The socket file keeps its own faults, none here.
  EXPECT_FALSE(Socket("bench.sim").Faults().Any());
}

INSTANTIATE_TEST_SUITE_P(Faults, CliDiagnosisTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick
