#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "sim/sim_socket.h"

namespace tarnwick {
namespace {

class SocketFileTest : public ::testing::Test {
 protected:
  SocketFileTest() {
    dir = std::filesystem::temp_directory_path() /
          ("tarnwick_socket_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
           "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    path = (dir / "Tarnwick.Sim").string();
  }
  ~SocketFileTest() override { std::filesystem::remove_all(dir); }
  void Write(const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::string Read() const {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  std::filesystem::path dir;
  std::string path;
  SimSocket socket;
};

TEST_F(SocketFileTest, ChipContentsLockBitsAndDamageComeBack) {
  SimChip chip(*FindChip("89S8252"));
  chip.contents()[0x0000] = 0x00;
  chip.contents()[0x1234] = 0x5A;
  chip.contents()[0x27FF] = 0x12;
  chip.SetLockBits(kLockBit1 | kLockBit3);
  chip.SetDamaged(true);
  socket.Insert(chip);
  ASSERT_TRUE(socket.Save(path));

  SimSocket again;
  ASSERT_TRUE(again.Load(path));
  ASSERT_NE(again.Chip(), nullptr);
  EXPECT_STREQ(again.Chip()->info().name, "89S8252");
  EXPECT_EQ(again.Chip()->contents(), chip.contents());
  EXPECT_EQ(again.Chip()->LockBits(), kLockBit1 | kLockBit3);
  EXPECT_TRUE(again.Chip()->Damaged());
}

TEST_F(SocketFileTest, TheFileIsShortTextWithOnlyTheProgrammedRows) {
  SimChip chip(*FindChip("8748"));
  chip.contents()[0x21] = 0xAB;
  socket.Insert(chip);
  ASSERT_TRUE(socket.Save(path));
  EXPECT_EQ(Read(),
            "Tarnwick socket 1\nchip 8748\nlock 00\ndamaged 0\n"
            "data 0020 00AB" +
                std::string(60, '0') + "\nend\n");
}

TEST_F(SocketFileTest, AnEmptySocketComesBackEmpty) {
  socket.Insert(*FindChip("87C51H"));
  socket.Remove();
  ASSERT_TRUE(socket.Save(path));
  SimSocket again;
  again.Insert(*FindChip("8741"));
  EXPECT_TRUE(again.Load(path));
  EXPECT_EQ(again.Chip(), nullptr);
}

TEST_F(SocketFileTest, AMissingFileLeavesTheSocketEmpty) {
  socket.Insert(*FindChip("8741"));
  EXPECT_FALSE(socket.Load((dir / "nowhere.sim").string()));
  EXPECT_EQ(socket.Chip(), nullptr);
}

// Faults after a readable chip line seat that chip blank; anything before it, or a chip
// the box does not know, leaves the socket empty.
TEST_F(SocketFileTest, DamagedFilesGiveABlankChipOrAnEmptySocket) {
  const std::string head = "Tarnwick socket 1\nchip 87C52H\nlock 00\ndamaged 0\n";
  const std::string row = "data 0100 " + std::string(64, '0') + "\n";
  struct Case {
    std::string text;
    bool chip;
  };
  const Case cases[] = {
      {head + row, true},                                                // cut short: no end
      {head + row.substr(0, 30), true},                                  // cut inside a row
      {head + "data 0100 " + std::string(63, '0') + "\nend\n", true},    // short row
      {head + "data 0100 " + std::string(62, '0') + "G0\nend\n", true},  // not hex
      {head + "data 2000 " + std::string(64, '0') + "\nend\n", true},    // past the end
      {head + "data 1FF0 " + std::string(64, '0') + "\nend\n", true},    // runs past it
      {head + "data 0101 " + std::string(64, '0') + "\nend\n", true},    // not a row start
      {"Tarnwick socket 1\nchip 87C52H\nlock 08\ndamaged 0\nend\n", true},
      {"Tarnwick socket 1\nchip 87C52H\nlock 00\nend\n", true},
      {"Tarnwick socket 1\nchip 87C52H\nlock 00\ndamaged 2\nend\n", true},
      {"Tarnwick socket 1\nchip 87C5\nlock 00\ndamaged 0\nend\n", false},
      {"Tarnwick socket 4\nchip 87C52H\nend\n", false},
      // Faults of the socket: only in version 3, right after the chip line, each a fault
      // the socket can have.
      {"Tarnwick socket 2\nchip 87C52H\nfault data3=0\nlock 00\ndamaged 0\nend\n", true},
      {"Tarnwick socket 3\nchip 87C52H\nfault data3=open\nlock 00\ndamaged 0\nend\n", true},
      {"Tarnwick socket 3\nchip 87C52H\nfault a15=1\nlock 00\ndamaged 0\nend\n", true},
      {"Tarnwick socket 3\nchip 87C52H\nfault data8=1\nlock 00\ndamaged 0\nend\n", true},
      {"Tarnwick socket 3\nchip 87C52H\nfault a03=1\nlock 00\ndamaged 0\nend\n", true},
      {"Tarnwick socket 3\nchip 87C52H\nlock 00\nfault a3=1\ndamaged 0\nend\n", true},
      {"Tarnwick socket 3\nchip none\nfault nochip\n", false},
      // Unstable cells: only in version 2, inside the chip, with a mask, a chance from
      // 1 to 100 and one line per cell.
      {head + "unstable 0100 08 50\nend\n", true},
      {"Tarnwick socket 2\nchip 87C52H\nlock 00\ndamaged 0\nunstable 2000 08 50\nend\n", true},
      {"Tarnwick socket 2\nchip 87C52H\nlock 00\ndamaged 0\nunstable 0100 00 50\nend\n", true},
      {"Tarnwick socket 2\nchip 87C52H\nlock 00\ndamaged 0\nunstable 0100 08 0\nend\n", true},
      {"Tarnwick socket 2\nchip 87C52H\nlock 00\ndamaged 0\nunstable 0100 08 101\nend\n", true},
      {"Tarnwick socket 2\nchip 87C52H\nlock 00\ndamaged 0\nunstable 0100 08\nend\n", true},
      {"Tarnwick socket 2\nchip 87C52H\nlock 00\ndamaged 0\nunstable 0100 08 5 0\nend\n", true},
      {"Tarnwick socket 2\nchip 87C52H\nlock 00\ndamaged 0\nunstable 0100 08 50\n"
       "unstable 0100 01 50\nend\n",
       true},
      {"Tarnwick socket 1\n", false},
      {"", false},
      {std::string("\x00\xFF\x13garbage\n\n", 12), false},
  };
  for (const Case& c : cases) {
    Write(c.text);
    SimSocket loaded;
    EXPECT_FALSE(loaded.Load(path)) << c.text;
    if (!c.chip) {
      EXPECT_EQ(loaded.Chip(), nullptr) << c.text;
      continue;
    }
    ASSERT_NE(loaded.Chip(), nullptr) << c.text;
    EXPECT_STREQ(loaded.Chip()->info().name, "87C52H");
    EXPECT_EQ(loaded.Chip()->contents(), std::vector<uint8_t>(0x2000, 0xFF)) << c.text;
    EXPECT_EQ(loaded.Chip()->LockBits(), 0);
    EXPECT_TRUE(loaded.Chip()->Unstable().empty());
  }
}

TEST_F(SocketFileTest, UnstableCellsComeBackInAVersionTwoFile) {
  SimChip chip(*FindChip("8748"));
  chip.contents()[0x21] = 0xAB;
  chip.SetUnstable(0x3FF, 0x81, 100);
  chip.SetUnstable(0x021, 0x08, 30);
  socket.Insert(chip);
  ASSERT_TRUE(socket.Save(path));
  EXPECT_EQ(Read(),
            "Tarnwick socket 2\nchip 8748\nlock 00\ndamaged 0\n"
            "unstable 0021 08 30\nunstable 03FF 81 100\n"
            "data 0020 00AB" +
                std::string(60, '0') + "\nend\n");
  SimSocket again;
  ASSERT_TRUE(again.Load(path));
  EXPECT_EQ(again.Chip()->Unstable(), chip.Unstable());
  EXPECT_EQ(again.Chip()->contents(), chip.contents());
}

TEST_F(SocketFileTest, SocketFaultsComeBackInAVersionThreeFile) {
  SocketFaults faults;
  for (const char* text : {"a11=open", "data3=0", "a0=1", "data7=1", "nochip"})
    ASSERT_TRUE(AddFault(text, faults)) << text;
  socket.SetFaults(faults);
  ASSERT_TRUE(socket.Save(path));
  EXPECT_EQ(Read(),
            "Tarnwick socket 3\nchip none\nfault data3=0\nfault data7=1\nfault a0=1\n"
            "fault a11=open\nfault nochip\nend\n");
  SimSocket again;
  ASSERT_TRUE(again.Load(path));
  EXPECT_EQ(again.Faults(), faults);

  // They belong to the socket: a chip put in keeps them company, in the file too.
  socket.Insert(*FindChip("89C52"));
  socket.Chip()->SetUnstable(0x10, 0x02, 40);
  ASSERT_TRUE(socket.Save(path));
  ASSERT_TRUE(again.Load(path));
  EXPECT_EQ(again.Faults(), faults);
  EXPECT_EQ(again.Chip()->Unstable(), socket.Chip()->Unstable());

  // A sound socket is written as before.
  socket.SetFaults({});
  socket.Chip()->ClearUnstable();
  ASSERT_TRUE(socket.Save(path));
  EXPECT_EQ(Read().substr(0, 18), "Tarnwick socket 1\n");
  ASSERT_TRUE(again.Load(path));
  EXPECT_FALSE(again.Faults().Any());
}

TEST_F(SocketFileTest, WindowsLineEndsAreRead) {
  Write("Tarnwick socket 1\r\nchip 8742\r\nlock 00\r\ndamaged 1\r\nend\r\n");
  ASSERT_TRUE(socket.Load(path));
  EXPECT_STREQ(socket.Chip()->info().name, "8742");
  EXPECT_TRUE(socket.Chip()->Damaged());
}

}  // namespace
}  // namespace tarnwick
