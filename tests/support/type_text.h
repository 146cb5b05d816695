// Typing into a one-line edit the way the view does: each character goes through the
// form's key-press handling first, and what survives is applied by the same routine
// the window uses, with the caret at the end of the text.
#pragma once

#include <string_view>
#include <utility>

#include "app/main_form.h"
#include "base/line_edit.h"

namespace tarnwick {

inline void TypeInto(TMainForm& form, Control& edit, std::string_view keys) {
  for (char key : keys) {
    char ch = key;
    form.KeyPress(edit, ch);
    if (ch == 0) continue;
    LineEditState state{edit.text, static_cast<int>(edit.text.size())};
    TypeCharacter(state, ch, edit.maxLength, edit.upperCase);
    edit.text = std::move(state.text);
  }
}

inline void PressEnter(TMainForm& form, Control& edit) {
  TypeInto(form, edit, "\r");
}

}  // namespace tarnwick
