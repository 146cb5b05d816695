#include "link/linux_port.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// A fake /proc and /dev under a temporary directory.
class LinuxPortTest : public ::testing::Test {
 protected:
  LinuxPortTest() {
    root = fs::temp_directory_path() /
           ("tarnwick-port-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(root / "proc/sys/dev/parport/default");
    fs::create_directories(root / "dev");
  }
  ~LinuxPortTest() override { fs::remove_all(root); }

  void List(const std::string& dir, const std::string& base_addr) {
    fs::create_directories(root / "proc/sys/dev/parport" / dir);
    std::ofstream(root / "proc/sys/dev/parport" / dir / "base-addr") << base_addr;
  }
  LinuxPortPaths Paths() const {
    LinuxPortPaths paths;
    paths.procRoot = (root / "proc").string();
    paths.devRoot = (root / "dev").string();
    paths.lockdownFile = (root / "lockdown").string();
    paths.directIo = false;
    return paths;
  }

  // Opens 0x378, which must fail, and gives the reason.
  std::string OpenFailure(LinuxPortIo& port) {
    std::string failure = "stale";
    EXPECT_FALSE(port.Open(0x378, failure));
    return failure;
  }

  fs::path root;
};

TEST_F(LinuxPortTest, ListsEveryPortWithItsExtendedControlRegister) {
  List("parport0", "888\t1912\n");     // 0x378, ECP registers at 0x778
  List("parport1", "53248\t53264\n");  // a PCI card: 0xD000, ECR at 0xD012
  List("parport2", "632\t0\n");        // 0x278 without ECR
  const std::vector<ListedPort> expected = {{0, 0x378, 0x77A}, {1, 0xD000, 0xD012}, {2, 0x278, 0}};
  EXPECT_EQ(ListParallelPorts((root / "proc").string()), expected);
}

TEST_F(LinuxPortTest, SkipsEntriesThatAreNotPortsOrNotReadable) {
  List("parport10", "956\n");       // base only: 0x3BC, no ECR
  List("parportX", "888\t1912\n");  // not a port number
  List("parport3", "garbage\n");
  List("parport4", "70000\t0\n");                                  // outside the I/O space
  fs::create_directories(root / "proc/sys/dev/parport/parport5");  // no base-addr
  EXPECT_EQ(ListParallelPorts((root / "proc").string()), (std::vector<ListedPort>{{10, 0x3BC, 0}}));
}

TEST_F(LinuxPortTest, NoParportDirectoryMeansNoPorts) {
  EXPECT_TRUE(ListParallelPorts((root / "nowhere").string()).empty());
}

TEST_F(LinuxPortTest, FindsThePortOfABaseAddress) {
  List("parport0", "888\t1912\n");
  List("parport1", "53248\t53264\n");
  const auto found = FindListedPort((root / "proc").string(), 0xD000);
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(found->number, 1);
  EXPECT_FALSE(FindListedPort((root / "proc").string(), 0x278).has_value());
}

TEST_F(LinuxPortTest, LockdownIsReadFromTheModeInBrackets) {
  const std::string file = (root / "lockdown").string();
  EXPECT_FALSE(KernelLockedDown(file)) << "no lockdown file: no lockdown";
  std::ofstream(file) << "[none] integrity confidentiality\n";
  EXPECT_FALSE(KernelLockedDown(file));
  std::ofstream(file) << "none [integrity] confidentiality\n";
  EXPECT_TRUE(KernelLockedDown(file));
  std::ofstream(file) << "none integrity [confidentiality]\n";
  EXPECT_TRUE(KernelLockedDown(file));
}

TEST_F(LinuxPortTest, LegacyAndListedAddressesArePortAddresses) {
  List("parport1", "53248\t53264\n");
  LinuxPortIo port(Paths());
  for (uint16_t base : {0x278, 0x378, 0x3BC, 0xD000}) EXPECT_TRUE(port.IsPortAddress(base)) << base;
  for (uint16_t base : {0x000, 0x2BC, 0x379, 0x1234})
    EXPECT_FALSE(port.IsPortAddress(base)) << base;
}

TEST_F(LinuxPortTest, AnUnlistedAddressWithoutDirectAccessIsSilentlyNoPort) {
  LinuxPortIo port(Paths());
  EXPECT_EQ(OpenFailure(port), "");
}

TEST_F(LinuxPortTest, AListedPortWithoutDeviceNodeAsksForThePpdevModule) {
  List("parport0", "888\t1912\n");
  LinuxPortIo port(Paths());
  const std::string failure = OpenFailure(port);
  EXPECT_NE(failure.find("/dev/parport0 is missing"), std::string::npos) << failure;
  EXPECT_NE(failure.find("modprobe ppdev"), std::string::npos) << failure;
}

TEST_F(LinuxPortTest, ADeviceNodeThatIsNoPortCannotBeClaimed) {
  List("parport0", "888\t1912\n");
  std::ofstream(root / "dev/parport0") << "";
  LinuxPortIo port(Paths());
  const std::string failure = OpenFailure(port);
  EXPECT_NE(failure.find("could not be claimed"), std::string::npos) << failure;
  EXPECT_FALSE(port.ViaPpdev());
}

TEST_F(LinuxPortTest, AccessesOfAClosedPortDoNothing) {
  LinuxPortIo port(Paths());
  port.Write(0x37A, 0x0C);
  EXPECT_EQ(port.Read(0x379), 0xFF);
  EXPECT_EQ(port.Read(0x77A), 0xFF);
}

}  // namespace
}  // namespace tarnwick
