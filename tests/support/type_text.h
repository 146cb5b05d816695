// Typing into a one-line edit the way the view does: each character goes through the
// form's key-press handling first; what survives lands in the text (upper-cased where
// the edit says so, up to its length limit), backspace takes the last character off,
// and Enter only reaches the handler.
#pragma once

#include <cctype>
#include <string_view>

#include "app/main_form.h"

namespace tarnwick {

inline void TypeInto(TMainForm& form, Control& edit, std::string_view keys) {
  for (char key : keys) {
    char ch = key;
    form.KeyPress(edit, ch);
    if (ch == 0 || ch == 13) continue;
    if (ch == 8) {
      if (!edit.text.empty()) edit.text.pop_back();
      continue;
    }
    if (edit.maxLength > 0 && static_cast<int>(edit.text.size()) >= edit.maxLength) continue;
    edit.text +=
        edit.upperCase ? static_cast<char>(std::toupper(static_cast<unsigned char>(ch))) : ch;
  }
}

inline void PressEnter(TMainForm& form, Control& edit) {
  TypeInto(form, edit, "\r");
}

}  // namespace tarnwick
