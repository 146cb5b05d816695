// Controls as data. Each control of the main window is a small object with the
// properties the program uses; handlers change them and the view shows them. Tests
// assert on captions, colours and flags without a display.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace tarnwick {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The standard 16-colour palette names the window uses.
namespace colour {
inline constexpr Rgb Black{0, 0, 0};
inline constexpr Rgb Red{255, 0, 0};
inline constexpr Rgb Lime{0, 255, 0};
inline constexpr Rgb Yellow{255, 255, 0};
inline constexpr Rgb Fuchsia{255, 0, 255};
inline constexpr Rgb Aqua{0, 255, 255};
inline constexpr Rgb Blue{0, 0, 255};
inline constexpr Rgb Silver{192, 192, 192};
inline constexpr Rgb Navy{0, 0, 128};
inline constexpr Rgb White{255, 255, 255};
}  // namespace colour

enum class ControlKind { Panel, Button, StaticText, Memo, ListBox, LineEdit, RichEdit };

enum class Border { None, Raised, Sunken };

// Face names are the ones the window was drawn with; the view maps each to a font that
// exists on the system.
inline constexpr const char* kSansFace = "MS Sans Serif";
inline constexpr const char* kFixedFace = "Fixedsys";
inline constexpr const char* kCourierFace = "Courier New";

struct Font {
  std::string face = kSansFace;
  int height = 12;  // character height in pixels
  bool bold = true;
  Rgb colour = colour::Black;
  friend bool operator==(const Font&, const Font&) = default;
};

// Keys delivered to key-down handlers (the text ones arrive as characters instead).
enum class Key { Other, Left, Right, Up, Down, Home, End, PageUp, PageDown, Tab };

class Control {
 public:
  Control(std::string name, ControlKind kind) : name_(std::move(name)), kind_(kind) {}
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& name() const { return name_; }
  ControlKind kind() const { return kind_; }

  Control* parent = nullptr;  // the panel a button sits in; null for the window itself
  int left = 0, top = 0, width = 0, height = 0;
  Font font;
  Rgb colour = colour::Silver;  // background
  bool hasColour = false;       // false: the system's face colour
  Border border = Border::None;
  std::string caption;  // buttons, panels and static texts; '&' marks the accelerator
  std::string hint;     // tooltip
  bool enabled = true;
  bool visible = true;
  bool autoSize = false;   // static texts sized to their text
  bool upperCase = false;  // edits
  int maxLength = 0;       // edits, 0 = no limit
  bool readOnly = false;   // rich edit
  bool scrollBar = false;  // memos: vertical scroll bar
  int itemHeight = 0;      // list boxes
  std::string text;        // one-line edits
  int itemIndex = -1;      // list boxes: the selected row

  // Memos, list items and the rich edit's lines. Changing them goes through these
  // members so the view can tell cheaply whether it must refresh (a verify may list
  // tens of thousands of lines, one at a time, on top).
  const std::deque<std::string>& lines() const { return lines_; }
  void ClearLines();
  void AddLine(std::string line);
  void InsertFirstLine(std::string line);
  void SetLines(std::vector<std::string> lines);
  void SetLine(size_t index, std::string line);
  uint64_t linesRevision() const { return linesRevision_; }
  // At most this many lines (0: no limit). Past it the oldest lines are dropped (the
  // last ones of lines inserted on top, the first ones of lines added below), and one
  // line where they were says how many.
  size_t maxLines = 0;
  int64_t droppedLines() const { return dropped_; }

  // Rich edit caret, in lines and characters.
  int caretLine = 0;
  int caretColumn = 0;

  // Event handlers, wired by the subsystems that own them.
  std::function<void()> OnClick;
  std::function<void(char&)> OnKeyPress;  // may set the character to 0 to discard it
  std::function<void(Key)> OnKeyDown;
  std::function<void(Key)> OnKeyUp;
  std::function<void()> OnMouseDown;        // after the view has put the caret where clicked
  std::function<void(Control* to)> OnExit;  // focus left the control (for `to`, if any)

  // Visible on screen: this and every parent panel visible.
  bool Showing() const;
  // Accepts input: enabled and showing, and every parent panel enabled.
  bool Live() const;

 private:
  std::string name_;
  ControlKind kind_;
  void DropOldest(bool at_end);

  std::deque<std::string> lines_;
  uint64_t linesRevision_ = 0;
  int64_t dropped_ = 0;
  bool droppedAtEnd_ = false;  // where the line that counts them stands
};

// The line that stands for the lines a memo dropped.
std::string DroppedLinesText(int64_t count);

// Characters of Memo1's fixed-pitch face that fit on one of its lines.
inline constexpr size_t kMemoColumns = 48;

// A text as memo lines no wider than kMemoColumns, broken at blanks where it can be;
// the lines after the first are indented by `indent` blanks.
std::vector<std::string> WrapForMemo(const std::string& text, size_t indent = 0);

// The open and save dialogs, as data: the program sets their options and reads the
// chosen file name; the toolkit runs them.
struct FileDialog {
  std::string filter;  // "Bin|*.Bin|Hex|*.Hex|All|*.*"
  std::string defaultExt;
  int filterIndex = 1;  // 1-based, as the filter lists them
  std::string fileName;
  bool mustExist = false;
  bool confirmOverwrite = false;
};

}  // namespace tarnwick
