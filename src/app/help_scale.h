// Two small services of the main window: the help text from "Tarnwick.Txt", and the
// switch between the normal and the enlarged (486/408) layout of the whole window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

class TMainForm;
class Control;

// Splits a text file's contents into lines the way the program has always read text:
// CR LF, CR or LF ends a line, Ctrl-Z ends the file. There is always at least one line.

// Rounds value * numerator / denominator to the nearest integer, halves away from zero.
int ScaleValue(int value, int numerator, int denominator);

inline constexpr int kLargeScale = 486;
inline constexpr int kNormalScale = 408;

class HelpAndScale {
 public:
  explicit HelpAndScale(TMainForm& form);
  void Wire();

  void Help_1Click();
  void ScaleClick();

  // Folders searched for "Tarnwick.Txt" when the current directory has none: the
  // program's own folder (set at start-up) and the installed copy.
  std::vector<std::string> helpFallbackDirs{"/usr/share/tarnwick"};

 private:
  // Geometry and font of one control in the normal layout, kept while the window is
  // enlarged so that going back restores it exactly.
  struct Geometry {
    Control* control;
    int left, top, width, height, fontHeight, itemHeight;
  };
  struct WindowSize {
    int width, height, clientWidth, clientHeight;
  };

  bool ReadHelpFile(std::string& contents) const;
  void Enlarge();
  void Restore();

  TMainForm& f_;
  std::vector<Geometry> normal_;
  WindowSize normalWindow_{};
  bool normalKept_ = false;
};

}  // namespace tarnwick
