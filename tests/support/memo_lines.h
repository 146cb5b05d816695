// The memo's list of mismatches, below the summary and likely cause a failed check puts
// on its top.
#pragma once

#include <deque>
#include <string>

#include "app/main_form.h"

namespace tarnwick {

inline std::deque<std::string> ListedLines(const TMainForm& f) {
  size_t skip = 0;
  for (const std::string& sentence : f.outcomes.device.diagnosis)
    skip += WrapForMemo(sentence, 2).size();
  const auto& lines = f.Memo1.lines();
  return {lines.begin() + static_cast<std::ptrdiff_t>(std::min(skip, lines.size())), lines.end()};
}

}  // namespace tarnwick
