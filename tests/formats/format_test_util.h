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

using HexReader = LoadResult (*)(std::string_view, const HexLoadParams&, BufferBytes&);

// A run of bytes expected at an address of the buffer.
struct PlacedRun {
  int32_t at;
  std::vector<uint8_t> bytes;
};

// One file read into a buffer of EE: where its bytes land, the addresses shown while it
// loads, and how many bytes were stored or left out.
struct LoadCase {
  const char* what;
  std::string text;
  int32_t mask, offset;
  std::vector<PlacedRun> runs;
  std::vector<int32_t> shown;
  int64_t stored, leftOut;
};
// A row of a LoadCase table, written as a call so that each row stays compact.
inline LoadCase Row(const char* what, std::string text, int32_t mask, int32_t offset,
                    std::vector<PlacedRun> runs, std::vector<int32_t> shown, int64_t stored,
                    int64_t leftOut) {
  return {what, std::move(text), mask, offset, std::move(runs), std::move(shown), stored, leftOut};
}

// A buffer of EE that one format's reader loads into, with the addresses it showed.
template <HexReader Reader, int32_t kDefaultMask>
class HexReadFixture : public ::testing::Test {
 protected:
  LoadResult LoadWith(const std::string& text, HexLoadParams p) {
    p.progress = [this](int32_t a) { shown.push_back(a); };
    return Reader(text, p, buffer);
  }
  LoadResult Load(const std::string& text, int32_t mask = kDefaultMask, int32_t offset = 0) {
    HexLoadParams p;
    p.mask = mask;
    p.hexOffset = offset;
    return LoadWith(text, p);
  }
  void Reset() {
    buffer = Filled(0xEE);
    shown.clear();
  }
  void ExpectLoads(const LoadCase& c) {
    SCOPED_TRACE(c.what);
    Reset();
    const LoadResult r = Load(c.text, c.mask, c.offset);
    BufferBytes want = Filled(0xEE);
    for (const PlacedRun& run : c.runs)
      std::copy(run.bytes.begin(), run.bytes.end(), &want[run.at]);
    EXPECT_TRUE(buffer == want) << "first difference at " << std::hex
                                << std::mismatch(buffer.begin(), buffer.end(), want.begin()).first -
                                       buffer.begin();
    EXPECT_EQ(shown, c.shown);
    EXPECT_EQ(r.stored, c.stored);
    EXPECT_EQ(r.leftOut, c.leftOut);
    EXPECT_TRUE(r.badChecksums.empty());
  }
  BufferBytes buffer = Filled(0xEE);
  std::vector<int32_t> shown;
};

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
