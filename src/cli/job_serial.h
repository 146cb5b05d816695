// The serial number rule of a production job: where in the chip each chip's number
// goes, in how many bytes, in which encoding, and how the numbers run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {

enum class SerialEncoding {
  LittleEndian,  // "le": binary, the lowest byte first
  BigEndian,     // "be": binary, the highest byte first
  Bcd,           // "bcd": packed BCD, two digits a byte, the highest digits first
  AsciiDecimal,  // "ascii-dec": decimal digits, zero-padded, the highest first
  AsciiHex,      // "ascii-hex": upper-case hexadecimal digits, zero-padded
};

struct SerialRule {
  int32_t address = 0;  // chip address of the first byte
  int length = 0;       // bytes
  SerialEncoding encoding = SerialEncoding::LittleEndian;
  int64_t first = 0;
  int64_t step = 1;
  bool reuseFailed = true;  // a failed chip's number goes to the next chip
  friend bool operator==(const SerialRule&, const SerialRule&) = default;
};

// "le", "be", "bcd", "ascii-dec", "ascii-hex".
const char* EncodingName(SerialEncoding encoding);
std::optional<SerialEncoding> EncodingFromName(const std::string& name);

// The longest field an encoding takes, in bytes.
int MaxSerialLength(SerialEncoding encoding);

// The largest number the field holds (every number up to INT64_MAX where it holds more).
int64_t LargestSerial(SerialEncoding encoding, int length);

// The bytes of `number` in the field; nullopt when it does not fit (or is negative).
std::optional<std::vector<uint8_t>> EncodeSerial(SerialEncoding encoding, int length,
                                                 int64_t number);

// Why the rule cannot be used as it stands (length, numbers that do not fit), or "".
std::string SerialRuleProblem(const SerialRule& rule);

// --serial ADDR:LENGTH:ENCODING:FIRST[:STEP[:reuse|skip]]; an error text in `error`.
std::optional<SerialRule> ParseSerialOption(const std::string& text, std::string& error);

}  // namespace tarnwick
