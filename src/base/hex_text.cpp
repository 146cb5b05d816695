#include "base/hex_text.h"

#include <cctype>
#include <cstdio>

#include "base/key_codes.h"

namespace tarnwick {

std::string LowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

ConversionError::ConversionError(std::string_view text)
    : std::runtime_error("conversion error"), message_(NotValidIntegerMessage(text)), text_(text) {}

std::string NotValidIntegerMessage(std::string_view text) {
  std::string message = "'";
  message.append(text);
  message += "' is not a valid integer value";
  return message;
}

std::string HexText(int64_t value, int min_digits) {
  char digits[24];
  const auto bits =
      static_cast<unsigned long long>(value < 0 ? static_cast<uint32_t>(value) : value);
  std::snprintf(digits, sizeof digits, "%0*llX", min_digits, bits);
  return digits;
}

int32_t ConvertInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  }
  if (i == text.size()) throw ConversionError(text);
  // Decimal must fit the signed range; hexadecimal may use all 32 bits, so $FFFFFFFF is -1.
  const uint64_t limit = base == 16 ? 0xFFFFFFFFull : (negative ? 0x80000000ull : 0x7FFFFFFFull);
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0 || digit >= base) throw ConversionError(text);
    magnitude = magnitude * base + static_cast<uint64_t>(digit);
    if (magnitude > limit) throw ConversionError(text);
  }
  const auto bits = static_cast<uint32_t>(negative ? 0u - magnitude : magnitude);
  return static_cast<int32_t>(bits);
}

int32_t ConvertHex(std::string_view text) {
  std::string prefixed = "$";
  prefixed.append(text);
  return ConvertInteger(prefixed);
}

bool IsEntryKey(char c) {
  return c == kBackspace || HexDigitValue(c) >= 0;
}

}  // namespace tarnwick
