// The one way to show numbers to the operator and the one way to read them back.
//
// Shown numbers are upper-case hexadecimal with a minimum number of digits (more when
// the value needs them). Typed or stored numbers are converted as signed 32-bit
// integers: leading blanks are skipped, a sign may lead, and a "$" prefix selects
// hexadecimal digits. Anything else raises ConversionError, whose text is the
// standard message the window shows.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarnwick {

class ConversionError : public std::runtime_error {
 public:
  explicit ConversionError(std::string_view text);
  const std::string& text() const { return text_; }
  // The whole message, also where the text holds a NUL byte that what() would end at.
  const std::string& message() const { return message_; }
  const char* what() const noexcept override { return message_.c_str(); }

 protected:
  std::string message_;

 private:
  std::string text_;
};

// "'%s' is not a valid integer value" with text in place of %s.
std::string NotValidIntegerMessage(std::string_view text);

// Upper-case hexadecimal, at least min_digits digits. Negative values show as their
// 32-bit two's complement.
std::string HexText(int64_t value, int min_digits);

// The text with A-Z as a-z: hexadecimal digits as checksum tools print them, file
// name extensions compared without case.
std::string LowerCase(std::string text);

// The value of one hexadecimal digit (either case), -1 for any other character.
int HexDigitValue(char c);

// Converts text as a signed 32-bit integer (see above); throws ConversionError.
int32_t ConvertInteger(std::string_view text);

// Hexadecimal text: the text is prefixed with "$" and converted as above. The error
// text therefore carries the "$".
int32_t ConvertHex(std::string_view text);

// The characters the entry boxes admit by typing: hex digits and Backspace.
bool IsEntryKey(char c);

}  // namespace tarnwick
