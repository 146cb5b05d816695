#include "base/line_edit.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

TEST(LineEditTest, TypedCharactersChangeTextAndCaret) {
  struct Case {
    LineEditState before;
    char ch;
    int maxLength;
    bool upperCase;
    std::string text;
    int caret;
  };
  const Case cases[] = {
      {{"1A", 1}, 'b', 0, true, "1BA", 2},       // in at the caret, upper-cased
      {{"12", 2}, '3', 2, true, "12", 2},        // at the length limit
      {{"12", 2, 0, 1}, 'f', 2, true, "F2", 1},  // over a selection, even at the limit
      {{"123", 2}, '\b', 0, true, "13", 1},
      {{"12", 0}, '\b', 0, true, "12", 0},
      {{"1234", 4, 1, 2}, '\b', 0, true, "14", 1},
      {{"1\xC3\xA9", 3}, '\b', 0, true, "1", 1},  // a pasted two-byte character goes whole
      {{"12", 9}, '3', 0, true, "123", 3},        // a caret past a text that shrank
      {{"12", 1}, '\r', 0, true, "12", 1},
      {{"12", 1}, '\x1b', 0, true, "12", 1},
      {{"12", 1}, '\x7f', 0, true, "12", 1},
  };
  for (const Case& c : cases) {
    LineEditState edit = c.before;
    TypeCharacter(edit, c.ch, c.maxLength, c.upperCase);
    EXPECT_EQ(edit.text, c.text) << c.before.text << " + " << int(c.ch);
    EXPECT_EQ(edit.caret, c.caret) << c.before.text << " + " << int(c.ch);
  }
}

}  // namespace
}  // namespace tarnwick
