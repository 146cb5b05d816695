#include "base/controls.h"

#include <algorithm>

namespace tarnwick {

std::string DroppedLinesText(int64_t count) {
  return "... " + std::to_string(count) + " Older Lines Dropped";
}

void Control::ClearLines() {
  lines_.clear();
  dropped_ = 0;
  ++linesRevision_;
}

void Control::AddLine(std::string line) {
  lines_.push_back(std::move(line));
  if (maxLines > 0 && lines_.size() > maxLines) DropOldest(false);
  ++linesRevision_;
}

void Control::InsertFirstLine(std::string line) {
  lines_.push_front(std::move(line));
  if (maxLines > 0 && lines_.size() > maxLines) DropOldest(true);
  ++linesRevision_;
}

void Control::DropOldest(bool at_end) {
  // The count's own line goes first, then as many of the oldest as keep the limit with
  // a fresh count in their place.
  if (dropped_ > 0) {
    if (droppedAtEnd_)
      lines_.pop_back();
    else
      lines_.pop_front();
  }
  while (lines_.size() >= maxLines && !lines_.empty()) {
    if (at_end)
      lines_.pop_back();
    else
      lines_.pop_front();
    ++dropped_;
  }
  droppedAtEnd_ = at_end;
  if (at_end)
    lines_.push_back(DroppedLinesText(dropped_));
  else
    lines_.push_front(DroppedLinesText(dropped_));
}

void Control::SetLines(std::vector<std::string> lines) {
  lines_.assign(std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
  dropped_ = 0;
  ++linesRevision_;
}

void Control::SetLine(size_t index, std::string line) {
  if (index >= lines_.size()) return;
  lines_[index] = std::move(line);
  ++linesRevision_;
}

std::vector<std::string> WrapForMemo(const std::string& text, size_t indent) {
  indent = std::min(indent, kMemoColumns / 2);
  std::vector<std::string> lines;
  std::string rest = text;
  std::string lead;
  while (lead.size() + rest.size() > kMemoColumns) {
    const size_t room = kMemoColumns - lead.size();
    // The last blank that leaves a line of at least half the room; else a hard break.
    size_t cut = rest.rfind(' ', room);
    if (cut == std::string::npos || cut < room / 2) cut = room;
    lines.push_back(lead + rest.substr(0, cut));
    rest.erase(0, cut);
    while (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
    lead.assign(indent, ' ');
  }
  if (!rest.empty() || lines.empty()) lines.push_back(lead + rest);
  return lines;
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
