#include "base/program_state.h"

#include <gtest/gtest.h>

#include <type_traits>

#include "base/hex_text.h"

namespace tarnwick {
namespace {

// Widths are behaviour: these keep the low 16 bits of what they are given (the entry
// box and device selection tests watch it happen), while addresses and the latch images
// are signed 32-bit and take any value a pass can reach.
template <typename T, typename... Fields>
constexpr bool kAllOf = (std::is_same_v<T, Fields> && ...);
static_assert(kAllOf<uint16_t, decltype(ProgramState::LptBase), decltype(ProgramState::StatusPort),
                     decltype(ProgramState::ControlPort), decltype(ProgramState::Lpt4Address),
                     decltype(ProgramState::LatchByte), decltype(ProgramState::SpeedCount),
                     decltype(ProgramState::PulseWait), decltype(ProgramState::ProgramPulse),
                     decltype(ProgramState::ProgramPass), decltype(ProgramState::PortDelay),
                     decltype(ProgramState::LatchBValue), decltype(ProgramState::CheckSum)>);
static_assert(kAllOf<int32_t, decltype(ProgramState::DeviceAddr), decltype(ProgramState::DeviceEnd),
                     decltype(ProgramState::BufferAddr), decltype(ProgramState::Latch1Value),
                     decltype(ProgramState::Latch2Base), decltype(ProgramState::Latch1Pulse)>);

TEST(ProgramStateTest, CreationValues) {
  ProgramState s;
  EXPECT_EQ(s.VppCode, 1);
  EXPECT_EQ(s.AutoVerifyOn, 1);
  EXPECT_EQ(s.ProgrammerFound, 0);
  EXPECT_EQ(s.DeviceFamily, 0);
  for (uint8_t b : s.Buffer) ASSERT_EQ(b, 0);
}

TEST(HexTextTest, ShowsUpperCaseWithAMinimumOfDigits) {
  EXPECT_EQ(HexText(0, 4), "0000");
  EXPECT_EQ(HexText(0x1a3, 4), "01A3");
  EXPECT_EQ(HexText(0xFFFFF, 4), "FFFFF");
  EXPECT_EQ(HexText(0xA5, 2), "A5");
  EXPECT_EQ(HexText(-1, 4), "FFFFFFFF");
}

TEST(HexTextTest, ConvertsSignedDecimalAndDollarHex) {
  EXPECT_EQ(ConvertInteger("632"), 632);
  EXPECT_EQ(ConvertInteger("  -12"), -12);
  EXPECT_EQ(ConvertInteger("+7"), 7);
  EXPECT_EQ(ConvertInteger("$3BC"), 0x3BC);
  EXPECT_EQ(ConvertInteger("$ffff"), 0xFFFF);
  EXPECT_EQ(ConvertInteger("2147483647"), 2147483647);
  EXPECT_EQ(ConvertInteger("-2147483648"), INT32_MIN);
  EXPECT_EQ(ConvertInteger("$FFFFFFFF"), -1);
  EXPECT_EQ(ConvertHex("1234"), 0x1234);
}

TEST(HexTextTest, RejectsWhatIsNotANumberWithTheStandardMessage) {
  for (const char* bad : {"", " ", "1A", "12 ", "abc", "2147483648", "-2147483649", "$",
                          "$123456789", "--1", "1.5"}) {
    try {
      ConvertInteger(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.what(), std::string("'") + bad + "' is not a valid integer value");
    }
  }
  // Hex fields: the message carries the "$"; no blank or sign is taken after it.
  for (const char* bad : {"G1", "2\r", "", " 1", "-1"}) {
    try {
      ConvertHex(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const ConversionError& e) {
      EXPECT_EQ(e.what(), std::string("'$") + bad + "' is not a valid integer value");
    }
  }
}

TEST(HexTextTest, DigitValuesAndEntryKeys) {
  EXPECT_EQ(HexDigitValue('0'), 0);
  EXPECT_EQ(HexDigitValue('9'), 9);
  EXPECT_EQ(HexDigitValue('a'), 10);
  EXPECT_EQ(HexDigitValue('F'), 15);
  for (char c : std::string("/:@G`g ")) EXPECT_EQ(HexDigitValue(c), -1) << int(c);
  for (char c : std::string("0123456789ABCDEFabcdef\b")) EXPECT_TRUE(IsEntryKey(c)) << c;
  for (char c : std::string("gG \r\x1b-$xZ")) EXPECT_FALSE(IsEntryKey(c)) << int(c);
}

}  // namespace
}  // namespace tarnwick
