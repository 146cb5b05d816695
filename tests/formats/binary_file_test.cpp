#include "formats/binary_file.h"

#include <gtest/gtest.h>

#include <vector>

#include "formats/format_test_util.h"

namespace tarnwick {
namespace {

using testing_util::Filled;

TEST(BinaryPlaceTest, AFileLandsAtBufferStart) {
  BufferBytes b = Filled(0xEE);
  std::vector<uint8_t> file(4096);
  for (size_t i = 0; i < file.size(); ++i) file[i] = static_cast<uint8_t>(i * 7);
  LoadResult r;
  PlaceBinary(file, 0x1000, b, r);
  for (int a = 0; a < kBufferSize; ++a) {
    const int want = a >= 0x1000 && a < 0x2000 ? static_cast<uint8_t>((a - 0x1000) * 7) : 0xEE;
    ASSERT_EQ(b[a], want) << std::hex << a;
  }
  EXPECT_EQ(r.stored, 4096);
  EXPECT_EQ(r.leftOut, 0);
}

TEST(BinaryPlaceTest, WhatDoesNotFitIsLeftOut) {
  struct Case {
    int64_t at;
    size_t size;
    int64_t stored;
  };
  const Case cases[] = {
      {0xFFF0, 32, 16}, {0x10000, 8, 0}, {0xFFFFF, 8, 0}, {0, 0x10001, 0x10000}, {-4, 8, 4},
  };
  for (const Case& c : cases) {
    BufferBytes b = Filled(0xEE);
    const std::vector<uint8_t> file(c.size, 0x11);
    LoadResult r;
    PlaceBinary(file, c.at, b, r);
    EXPECT_EQ(r.stored, c.stored) << c.at;
    EXPECT_EQ(r.leftOut, static_cast<int64_t>(c.size) - c.stored) << c.at;
    EXPECT_EQ(std::count(b.begin(), b.end(), 0x11), c.stored) << c.at;
  }
}

TEST(BinarySaveTest, SizesFromDeviceEndAndWordMode) {
  const BufferBytes b = testing_util::RandomBuffer(3);
  struct Case {
    int32_t deviceEnd, wordMode;
    size_t size;
  };
  const Case cases[] = {
      {0x0FFF, 0, 4096},     {0x0105, 0, 262},     {0x0FFF, 1, 8192},    {0x0FFF, 2, 8192},
      {0xFFFFF, 0, 0x10000}, {0x7FFF, 1, 0x10000}, {0xFFFF, 1, 0x10000}, {-1, 0, 0},
  };
  for (const Case& c : cases) {
    const auto image = BinarySaveImage(b, c.deviceEnd, c.wordMode);
    EXPECT_EQ(image.size(), c.size) << std::hex << c.deviceEnd;
    EXPECT_EQ(image.data(), b.data()) << "always from 0000";
  }
}

}  // namespace
}  // namespace tarnwick
