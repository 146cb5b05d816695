// Two small services of the main window: the help text from "Tarnwick.Txt", and the
// switch between the normal and the enlarged (486/408) layout of the whole window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "base/scale.h"

namespace tarnwick {

class TMainForm;
class Control;

// Splits a text file's contents into lines the way the program has always read text:
// CR LF, CR or LF ends a line, Ctrl-Z ends the file. There is always at least one line.

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
