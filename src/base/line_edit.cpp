#include "base/line_edit.h"

#include <algorithm>

#include "base/key_codes.h"

namespace tarnwick {

namespace {

bool IsUtf8Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// An offset a widget gave, kept inside the text.
size_t Inside(int offset, size_t size) {
  return std::min(static_cast<size_t>(std::max(offset, 0)), size);
}

// Removes [first, last) and leaves the caret there.
void Erase(LineEditState& edit, size_t first, size_t last) {
  edit.text.erase(first, last - first);
  edit.caret = static_cast<int>(first);
}

}  // namespace

void TypeCharacter(LineEditState& edit, char ch, int maxLength, bool upperCase) {
  if (ch == kEnter || ch == kEscape) return;
  const auto c = static_cast<unsigned char>(ch);
  const bool printable = c >= 0x20 && c < 0x7F;
  if (ch != kBackspace && !printable) return;

  // Offsets from a widget may lie past a text that changed under them.
  const size_t size = edit.text.size();
  const size_t caret = Inside(edit.caret, size);
  const size_t first = Inside(edit.selectionStart, size);
  const size_t last = std::min(first + Inside(edit.selectionLength, size), size);
  edit.caret = static_cast<int>(caret);
  edit.selectionStart = 0;
  edit.selectionLength = 0;

  if (last > first) {
    Erase(edit, first, last);
    if (ch == kBackspace) return;
  } else if (ch == kBackspace) {
    if (caret == 0) return;
    // Pasted text may hold characters of several bytes; they go as one.
    size_t start = caret - 1;
    while (start > 0 && IsUtf8Continuation(edit.text[start])) --start;
    Erase(edit, start, caret);
    return;
  }

  if (maxLength > 0 && edit.text.size() >= static_cast<size_t>(maxLength)) return;
  const char typed = upperCase && ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
  edit.text.insert(static_cast<size_t>(edit.caret), 1, typed);
  ++edit.caret;
}

}  // namespace tarnwick
