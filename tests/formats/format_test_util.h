// Helpers shared by the file format tests: buffers with a known fill, and a scratch
// folder that is removed again.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "formats/hex_lines.h"

namespace tarnwick::testing_util {

inline BufferBytes Filled(uint8_t value) {
  BufferBytes b;
  b.fill(value);
  return b;
}

inline BufferBytes RandomBuffer(unsigned seed) {
  BufferBytes b;
  std::mt19937 gen(seed);
  for (auto& v : b) v = static_cast<uint8_t>(gen());
  return b;
}

// The lines of a written file, each checked to end in CR LF, without their ends.
inline std::vector<std::string> CrLfLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    const size_t end = text.find("\r\n", pos);
    EXPECT_NE(end, std::string::npos) << "last line lacks CR LF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(pos, end - pos));
    EXPECT_EQ(lines.back().find_first_of("\r\n"), std::string::npos);
    pos = end + 2;
  }
  return lines;
}

inline std::string ReadFileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFileText(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A fresh folder under the system's temporary folder; removed, and the current
// directory put back, when the test ends.
class ScratchDir {
 public:
  ScratchDir() : cwd_(std::filesystem::current_path()) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("tarnwick-") + (info ? info->name() : "test");
    std::replace(name.begin(), name.end(), '/', '_');
    path_ = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::current_path(cwd_, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path cwd_;
  std::filesystem::path path_;
};

}  // namespace tarnwick::testing_util
