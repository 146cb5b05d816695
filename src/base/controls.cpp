#include "base/controls.h"

namespace tarnwick {

void Control::ClearLines() {
  lines_.clear();
  ++linesRevision_;
}

void Control::AddLine(std::string line) {
  lines_.push_back(std::move(line));
  ++linesRevision_;
}

void Control::InsertFirstLine(std::string line) {
  lines_.push_front(std::move(line));
  ++linesRevision_;
}

void Control::SetLines(std::vector<std::string> lines) {
  lines_.assign(std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
  ++linesRevision_;
}

void Control::SetLine(size_t index, std::string line) {
  if (index >= lines_.size()) return;
  lines_[index] = std::move(line);
  ++linesRevision_;
}

bool Control::Showing() const {
  for (const Control* c = this; c != nullptr; c = c->parent)
    if (!c->visible) return false;
  return true;
}

bool Control::Live() const {
  if (!Showing()) return false;
  for (const Control* c = this; c != nullptr; c = c->parent)
    if (!c->enabled) return false;
  return true;
}

}  // namespace tarnwick
