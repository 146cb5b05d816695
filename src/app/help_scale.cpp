#include "app/help_scale.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/main_form.h"
#include "base/text_lines.h"

namespace tarnwick {

namespace {

constexpr const char* kHelpFile = "Tarnwick.Txt";

// A value that still holds its enlarged form goes back to the normal value it came
// from; one that was changed while enlarged (a panel resized by device selection) is
// scaled back instead.
int Unscale(int current, int normal) {
  if (current == ScaleValue(normal, kLargeScale, kNormalScale)) return normal;
  return ScaleValue(current, kNormalScale, kLargeScale);
}

}  // namespace

HelpAndScale::HelpAndScale(TMainForm& form) : f_(form) {}

void HelpAndScale::Wire() {
  f_.Help_1.OnClick = [this] { Help_1Click(); };
  f_.Scale.OnClick = [this] { ScaleClick(); };
}

bool HelpAndScale::ReadHelpFile(std::string& contents) const {
  // The current directory first: it is where the operator keeps his files, and a help
  // text there is the one meant for this desk. The installed copy keeps Help working
  // after a file dialog has moved the current directory elsewhere.
  if (ReadWholeTextFile(kHelpFile, contents)) return true;
  for (const std::string& dir : helpFallbackDirs) {
    if (dir.empty()) continue;
    if (ReadWholeTextFile((std::filesystem::path(dir) / kHelpFile).string(), contents)) return true;
  }
  return false;
}

void HelpAndScale::Help_1Click() {
  f_.shell.EnterIdleState();
  f_.Memo1.visible = false;
  std::string contents;
  if (!ReadHelpFile(contents)) return;
  f_.Help1.ClearLines();
  for (Control* c : {&f_.Start_Buf_Add, &f_.Start_Add, &f_.End_Add, &f_.Offset}) c->visible = false;
  std::vector<std::string> lines = SplitTextLines(contents);
  f_.Help1.SetLines(std::move(lines));
  f_.Help1.visible = true;
}

void HelpAndScale::ScaleClick() {
  if (f_.s.LargeLayout == 0) {
    Enlarge();
    f_.s.LargeLayout = 1;
    f_.Scale.caption = "Small Buttons";
  } else {
    Restore();
    f_.s.LargeLayout = 0;
    f_.Scale.caption = "Large Buttons";
  }
  // The window keeps its top-left corner; only its size changes.
  f_.sys.toolkit.WindowResized(f_.Width, f_.Height);
}

void HelpAndScale::Enlarge() {
  auto up = [](int v) { return ScaleValue(v, kLargeScale, kNormalScale); };
  normal_.clear();
  for (Control* c : f_.AllControls()) {
    normal_.push_back({c, c->left, c->top, c->width, c->height, c->font.height, c->itemHeight});
    c->left = up(c->left);
    c->top = up(c->top);
    c->width = up(c->width);
    c->height = up(c->height);
    c->font.height = up(c->font.height);
    c->itemHeight = up(c->itemHeight);  // a fixed-height list's rows grow with its font
  }
  normalWindow_ = {f_.Width, f_.Height, f_.ClientWidth, f_.ClientHeight};
  normalKept_ = true;
  // The frame (border and title bar) keeps its size; the client area grows.
  const int frame_width = f_.Width - f_.ClientWidth;
  const int frame_height = f_.Height - f_.ClientHeight;
  f_.ClientWidth = up(f_.ClientWidth);
  f_.ClientHeight = up(f_.ClientHeight);
  f_.Width = f_.ClientWidth + frame_width;
  f_.Height = f_.ClientHeight + frame_height;
}

void HelpAndScale::Restore() {
  if (!normalKept_) {
    // Enlarged without this service knowing the normal layout: scale back instead.
    auto down = [](int v) { return ScaleValue(v, kNormalScale, kLargeScale); };
    for (Control* c : f_.AllControls()) {
      c->left = down(c->left);
      c->top = down(c->top);
      c->width = down(c->width);
      c->height = down(c->height);
      c->font.height = down(c->font.height);
      c->itemHeight = down(c->itemHeight);
    }
    normalWindow_ = {down(f_.Width), down(f_.Height), down(f_.ClientWidth), down(f_.ClientHeight)};
  }
  for (const Geometry& g : normal_) {
    Control& c = *g.control;
    c.left = Unscale(c.left, g.left);
    c.top = Unscale(c.top, g.top);
    c.width = Unscale(c.width, g.width);
    c.height = Unscale(c.height, g.height);
    c.font.height = Unscale(c.font.height, g.fontHeight);
    c.itemHeight = Unscale(c.itemHeight, g.itemHeight);
  }
  normal_.clear();
  normalKept_ = false;
  f_.Width = normalWindow_.width;
  f_.Height = normalWindow_.height;
  f_.ClientWidth = normalWindow_.clientWidth;
  f_.ClientHeight = normalWindow_.clientHeight;
}

}  // namespace tarnwick
