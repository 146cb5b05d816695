#include "app/text_lines.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace tarnwick {

std::vector<std::string> SplitTextLines(std::string_view contents) {
  const size_t end = std::min(contents.find(kCtrlZ), contents.size());
  std::vector<std::string> lines;
  size_t pos = 0;
  do {
    size_t stop = pos;
    while (stop < end && contents[stop] != '\r' && contents[stop] != '\n') ++stop;
    lines.emplace_back(contents.substr(pos, stop - pos));
    pos = stop;
    if (pos < end && contents[pos] == '\r') ++pos;
    if (pos < end && contents[pos] == '\n') ++pos;  // LF alone, or the LF of CR LF
  } while (pos < end);
  return lines;
}

bool ReadWholeTextFile(const std::string& path, std::string& contents) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace tarnwick
