// Interoperation with srecord's srec_cat: files it writes load into the buffer they
// describe, and files this program writes pass srec_cat's checksum tests and describe
// the same bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "formats/ascii_hex.h"
#include "formats/format_test_util.h"
#include "formats/intel_hex.h"
#include "formats/motorola_hex.h"

namespace tarnwick {
namespace {

using testing_util::Filled;
using testing_util::HexReader;
using testing_util::ReadFileText;
using testing_util::ScratchDir;
using testing_util::WriteFileText;

std::string Quoted(const std::filesystem::path& p) {
  return "'" + p.string() + "'";
}

bool Shell(const std::string& command) {
  return std::system((command + " 2>/dev/null").c_str()) == 0;
}

class SrecordTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v srec_cat >/dev/null 2>&1") != 0)
      GTEST_SKIP() << "srec_cat (Debian package srecord) is not installed";
  }
  std::string BufferBytesText(const BufferBytes& b, size_t n) {
    return std::string(reinterpret_cast<const char*>(b.data()), n);
  }
  LoadResult Read(LoadResult (*reader)(std::string_view, const HexLoadParams&, BufferBytes&),
                  const std::filesystem::path& file, int32_t mask, BufferBytes& into) {
    HexLoadParams p;
    p.mask = mask;
    return reader(ReadFileText(file), p, into);
  }
  ScratchDir dir;
};

TEST_F(SrecordTest, IntelFilesFromSrecCatLoad) {
  const BufferBytes original = testing_util::RandomBuffer(21);
  WriteFileText(dir / "in.bin", BufferBytesText(original, kBufferSize));
  ASSERT_TRUE(Shell("srec_cat " + Quoted(dir / "in.bin") + " -binary -o " + Quoted(dir / "a.hex") +
                    " -intel"));
  BufferBytes back = Filled(0);
  const LoadResult r = Read(ReadIntelHex, dir / "a.hex", 0xFFFF, back);
  EXPECT_EQ(back, original);
  EXPECT_TRUE(r.badChecksums.empty());
}

TEST_F(SrecordTest, IntelLinearAddressesFromSrecCatFoldOntoTheChip) {
  const BufferBytes original = testing_util::RandomBuffer(22);
  WriteFileText(dir / "in.bin", BufferBytesText(original, 0x1000));
  // The same 4 KiB placed at 10000: the file carries a type-04 record.
  ASSERT_TRUE(Shell("srec_cat " + Quoted(dir / "in.bin") + " -binary -offset 0x10000 -o " +
                    Quoted(dir / "a.hex") + " -intel"));
  BufferBytes back = Filled(0);
  Read(ReadIntelHex, dir / "a.hex", 0x0FFF, back);
  EXPECT_TRUE(std::equal(back.begin(), back.begin() + 0x1000, original.begin()));
  BufferBytes none = Filled(0);
  const LoadResult r = Read(ReadIntelHex, dir / "a.hex", 0xFFFFF, none);
  EXPECT_EQ(r.leftOut, 0x1000);
  EXPECT_EQ(none, Filled(0));
}

TEST_F(SrecordTest, MotorolaFilesFromSrecCatLoadWhateverTheAddressSize) {
  const BufferBytes original = testing_util::RandomBuffer(23);
  WriteFileText(dir / "in.bin", BufferBytesText(original, kBufferSize));
  for (const char* length : {"2", "3", "4"}) {
    const auto file = dir / (std::string("a") + length + ".srec");
    ASSERT_TRUE(Shell("srec_cat " + Quoted(dir / "in.bin") + " -binary -o " + Quoted(file) +
                      " -motorola -address-length=" + length));
    BufferBytes back = Filled(0);
    const LoadResult r = Read(ReadMotorolaHex, file, 0xFFFF, back);
    EXPECT_EQ(back, original) << "address length " << length;
    EXPECT_TRUE(r.badChecksums.empty());
  }
}

// The line numbers of the lines that start with `prefix`.
std::vector<int> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<int> numbers;
  std::istringstream in(text);
  std::string line;
  for (int n = 1; std::getline(in, line); ++n)
    if (line.rfind(prefix, 0) == 0) numbers.push_back(n);
  return numbers;
}

TEST_F(SrecordTest, TwoImagesJoinedByMistakeListTheRecordsWhoseDataDiffer) {
  // The second image repeats 0100..017F of the first and differs in every byte from
  // 0180 to 01FF; srec_cat's own records are 32 bytes long.
  const BufferBytes first = testing_util::RandomBuffer(27);
  std::string second = BufferBytesText(first, 0x200).substr(0x100);
  for (size_t i = 0x80; i < 0x100; ++i) second[i] = static_cast<char>(second[i] ^ 0xFF);
  WriteFileText(dir / "a.bin", BufferBytesText(first, 0x200));
  WriteFileText(dir / "b.bin", second);
  struct Format {
    const char* flag;
    HexReader reader;
    const char* recordAt;  // the start of a 32-byte data record, before its address
  } formats[] = {{"-intel", ReadIntelHex, ":20"}, {"-motorola", ReadMotorolaHex, "S123"}};
  for (const Format& format : formats) {
    SCOPED_TRACE(format.flag);
    const auto a = dir / "a.txt", b = dir / "b.txt";
    // The first without its end record, so that a load reads on into the second.
    ASSERT_TRUE(Shell("srec_cat " + Quoted(dir / "a.bin") + " -binary -o " + Quoted(a) + " " +
                      format.flag + " -disable=footer"));
    ASSERT_TRUE(Shell("srec_cat " + Quoted(dir / "b.bin") + " -binary -offset 0x100 -o " +
                      Quoted(b) + " " + format.flag));
    EXPECT_FALSE(Shell("srec_cat " + Quoted(a) + " " + format.flag + " " + Quoted(b) + " " +
                       format.flag + " -o /dev/null -binary"))
        << "srec_cat refuses the pair";
    const std::string joined = ReadFileText(a) + ReadFileText(b);
    std::vector<Overlap> want;
    for (int32_t at = 0x180; at < 0x200; at += 0x20) {
      const auto lines = LinesStartingWith(joined, format.recordAt + HexText(at, 4));
      ASSERT_EQ(lines.size(), 2u);
      want.push_back({lines[0], lines[1], at, at + 0x1F});
    }
    BufferBytes back = Filled(0);
    WriteFileText(dir / "joined.txt", joined);
    const LoadResult r = Read(format.reader, dir / "joined.txt", 0xFFFF, back);
    EXPECT_EQ(r.overlaps, want);
    EXPECT_EQ(BufferBytesText(back, 0x200), BufferBytesText(first, 0x100) + second);
  }
}

// Converts a file this program wrote back to binary with srec_cat, which refuses
// records with wrong checksums.
std::string Convert(const ScratchDir& dir, const std::string& text, const char* format) {
  WriteFileText(dir / "ours.txt", text);
  std::filesystem::remove(dir / "back.bin");
  if (!Shell("srec_cat " + Quoted(dir / "ours.txt") + " " + format + " -o " +
             Quoted(dir / "back.bin") + " -binary"))
    return "srec_cat refused the file";
  return ReadFileText(dir / "back.bin");
}

TEST_F(SrecordTest, WrittenIntelFilesPassSrecCat) {
  const BufferBytes original = testing_util::RandomBuffer(24);
  EXPECT_EQ(Convert(dir, WriteIntelHex(original, 0xFFFF), "-intel"),
            BufferBytesText(original, kBufferSize));
  // Whole records: a limit of 0105 covers 0000 to 010F.
  EXPECT_EQ(Convert(dir, WriteIntelHex(original, 0x0105), "-intel"),
            BufferBytesText(original, 0x110));
}

TEST_F(SrecordTest, WrittenMotorolaFilesPassSrecCat) {
  const BufferBytes original = testing_util::RandomBuffer(25);
  EXPECT_EQ(Convert(dir, WriteMotorolaHex(original, 0xFFFF), "-motorola"),
            BufferBytesText(original, kBufferSize));
  EXPECT_EQ(Convert(dir, WriteMotorolaHex(original, 0x0105), "-motorola"),
            BufferBytesText(original, 0x106));
}

TEST_F(SrecordTest, SrecCatReallyChecksTheChecksums) {
  std::string text = WriteMotorolaHex(Filled(0), 0x0F);
  text[text.find("\r\n") - 1] ^= 1;  // last digit of the first record's checksum
  EXPECT_EQ(Convert(dir, text, "-motorola"), "srec_cat refused the file");
}

TEST_F(SrecordTest, AsciiHexMatchesSrecCatsBinaryOutputByteForByte) {
  // srec_cat has no bare-pair format; compare through its binary output instead.
  const BufferBytes original = testing_util::RandomBuffer(26);
  const std::string from_srec = Convert(dir, WriteIntelHex(original, 0x0FFF), "-intel");
  BufferBytes back = Filled(0);
  ReadAsciiHex(WriteAsciiHex(original, 0x0FFF), HexLoadParams{}, back);
  EXPECT_EQ(BufferBytesText(back, 0x1000), from_srec);
}

}  // namespace
}  // namespace tarnwick
