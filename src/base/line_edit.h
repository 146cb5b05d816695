// What a typed character does to a one-line edit, apart from any widget: the view hands
// each character its key-press handler let through to TypeCharacter and shows the
// result, so the window and the headless tests type by the same rules.
#pragma once

#include <string>

namespace tarnwick {

// A one-line edit's text with its caret and selected run, as byte offsets into text.
struct LineEditState {
  std::string text;
  int caret = 0;
  int selectionStart = 0;
  int selectionLength = 0;  // 0: nothing selected
};

// Applies one character:
// - Enter and Escape change nothing: the key-press handler has acted on them.
// - Backspace removes the selection, or else the character before the caret.
// - A printable character replaces the selection, or else goes in at the caret;
//   upper-cased where the edit asks for it, and only while the text is shorter than
//   maxLength (0: no limit). Other control characters change nothing.
// The caret ends after the change and nothing stays selected.
void TypeCharacter(LineEditState& edit, char ch, int maxLength, bool upperCase);

}  // namespace tarnwick
