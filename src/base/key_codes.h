// The characters the key-press handlers receive for the keys that type no text, as a
// Windows edit control delivers them: every handler and the view use these names.
#pragma once

namespace tarnwick {

inline constexpr char kBackspace = 8;
inline constexpr char kEnter = 13;
inline constexpr char kEscape = 27;

}  // namespace tarnwick
