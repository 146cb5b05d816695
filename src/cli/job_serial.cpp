#include "cli/job_serial.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

#include "cli/cli_options.h"

namespace tarnwick {

namespace {

constexpr int64_t kInt64Max = std::numeric_limits<int64_t>::max();

struct EncodingRow {
  SerialEncoding encoding;
  const char* name;
  int base;       // the number's base: 256 for binary, 100 for packed BCD, 10 or 16 for text
  int maxLength;  // the most bytes that still hold numbers below 2^63
};

constexpr std::array<EncodingRow, 5> kEncodings{{
    {SerialEncoding::LittleEndian, "le", 256, 8},
    {SerialEncoding::BigEndian, "be", 256, 8},
    {SerialEncoding::Bcd, "bcd", 100, 9},
    {SerialEncoding::AsciiDecimal, "ascii-dec", 10, 19},
    {SerialEncoding::AsciiHex, "ascii-hex", 16, 16},
}};

const EncodingRow& RowOf(SerialEncoding encoding) {
  for (const EncodingRow& row : kEncodings)
    if (row.encoding == encoding) return row;
  return kEncodings[0];
}

// A whole decimal number, or hexadecimal after 0x.
std::optional<int64_t> ParseNumber(const std::string& text) {
  int base = 10;
  std::string digits = text;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits = digits.substr(2);
    base = 16;
  }
  int64_t value = 0;
  const char* end = digits.data() + digits.size();
  const auto [at, error] = std::from_chars(digits.data(), end, value, base);
  if (digits.empty() || error != std::errc() || at != end) return std::nullopt;
  return value;
}

}  // namespace

const char* EncodingName(SerialEncoding encoding) {
  return RowOf(encoding).name;
}

std::optional<SerialEncoding> EncodingFromName(const std::string& name) {
  for (const EncodingRow& row : kEncodings)
    if (name == row.name) return row.encoding;
  return std::nullopt;
}

int MaxSerialLength(SerialEncoding encoding) {
  return RowOf(encoding).maxLength;
}

int64_t LargestSerial(SerialEncoding encoding, int length) {
  const int64_t base = RowOf(encoding).base;
  int64_t largest = 0;  // base^length - 1, computed digit by digit so it cannot overflow
  for (int i = 0; i < length; ++i) {
    if (largest > (kInt64Max - (base - 1)) / base) return kInt64Max;
    largest = largest * base + (base - 1);
  }
  return largest;
}

std::optional<std::vector<uint8_t>> EncodeSerial(SerialEncoding encoding, int length,
                                                 int64_t number) {
  if (length < 1 || length > MaxSerialLength(encoding) || number < 0 ||
      number > LargestSerial(encoding, length))
    return std::nullopt;
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  const int base = RowOf(encoding).base;
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  // Digits (bytes, digit pairs or characters) from the lowest, placed from the end.
  uint64_t rest = static_cast<uint64_t>(number);
  for (int i = length - 1; i >= 0; --i) {
    const auto digit = static_cast<unsigned>(rest % static_cast<uint64_t>(base));
    rest /= static_cast<uint64_t>(base);
    uint8_t byte = 0;
    switch (encoding) {
      case SerialEncoding::LittleEndian:
      case SerialEncoding::BigEndian:
        byte = static_cast<uint8_t>(digit);
        break;
      case SerialEncoding::Bcd:
        byte = static_cast<uint8_t>((digit / 10) << 4 | digit % 10);
        break;
      case SerialEncoding::AsciiDecimal:
      case SerialEncoding::AsciiHex:
        byte = static_cast<uint8_t>(kHexDigits[digit]);
        break;
    }
    bytes[static_cast<size_t>(i)] = byte;
  }
  if (encoding == SerialEncoding::LittleEndian) std::reverse(bytes.begin(), bytes.end());
  return bytes;
}

std::string SerialRuleProblem(const SerialRule& rule) {
  const std::string name = EncodingName(rule.encoding);
  const int longest = MaxSerialLength(rule.encoding);
  if (rule.length < 1 || rule.length > longest)
    return "the length of a " + name + " serial number is 1 to " + std::to_string(longest) +
           " bytes, not " + std::to_string(rule.length);
  if (rule.first < 0) return "the first serial number is negative";
  if (rule.step < 1) return "the step between serial numbers is 1 or more";
  const int64_t largest = LargestSerial(rule.encoding, rule.length);
  if (rule.first > largest)
    return "the first serial number " + std::to_string(rule.first) + " does not fit in " +
           std::to_string(rule.length) + " bytes of " + name + " (at most " +
           std::to_string(largest) + ")";
  return {};
}

std::optional<SerialRule> ParseSerialOption(const std::string& text, std::string& error) {
  std::vector<std::string> fields;
  for (size_t at = 0;;) {
    const size_t colon = text.find(':', at);
    fields.push_back(text.substr(at, colon == std::string::npos ? colon : colon - at));
    if (colon == std::string::npos) break;
    at = colon + 1;
  }
  error = "--serial wants ADDR:LENGTH:ENCODING:FIRST[:STEP[:reuse|skip]], such as 0FF0:4:le:1000";
  if (fields.size() < 4 || fields.size() > 6) return std::nullopt;
  SerialRule rule;
  const auto address = ParseHexOption(fields[0], 4);
  const auto length = ParseNumber(fields[1]);
  const auto encoding = EncodingFromName(fields[2]);
  const auto first = ParseNumber(fields[3]);
  if (!address || !length || !first) return std::nullopt;
  if (!encoding) {
    error = "--serial: the encoding is le, be, bcd, ascii-dec or ascii-hex, not " + fields[2];
    return std::nullopt;
  }
  rule.address = *address;
  rule.length = static_cast<int>(std::min<int64_t>(*length, 1000));
  rule.encoding = *encoding;
  rule.first = *first;
  if (fields.size() > 4) {
    const auto step = ParseNumber(fields[4]);
    if (!step) return std::nullopt;
    rule.step = *step;
  }
  if (fields.size() > 5) {
    if (fields[5] != "reuse" && fields[5] != "skip") {
      error = "--serial: a failed chip's number is reuse (given to the next chip) or skip";
      return std::nullopt;
    }
    rule.reuseFailed = fields[5] == "reuse";
  }
  error = SerialRuleProblem(rule);
  if (!error.empty()) {
    error = "--serial: " + error;
    return std::nullopt;
  }
  return rule;
}

}  // namespace tarnwick
