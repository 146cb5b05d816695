#include "base/text_lines.h"

#include <algorithm>
#include <cstdio>

#include "base/stop_flag.h"

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

bool ReadWholeTextFile(const std::string& path, std::string& contents, size_t maxBytes) {
  // Read with stdio, which reports a failed read (a folder of that name, an I/O error)
  // as an error; the library's stream buffers throw from inside the iterator instead.
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) return false;
  contents.clear();
  char block[4096];
  size_t got = 0;
  bool failed = false;
  while (!failed && (got = std::fread(block, 1, sizeof block, in)) > 0) {
    contents.append(block, got);
    // A device that never ends is cut off at the size; a pipe that trickles, by Ctrl-C.
    failed = contents.size() > maxBytes || InterruptRequested();
  }
  failed = failed || std::ferror(in) != 0;
  std::fclose(in);
  if (failed) contents.clear();
  return !failed;
}

}  // namespace tarnwick
