// The Linux backend over the model of the kernel: what it finds in the parport listing,
// and what the search tells a person for every way a PC can lack a usable port.
#include "link/linux_port.h"

#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <thread>

#include "link/detect.h"
#include "support/sim_form.h"

namespace tarnwick {
namespace {

class ListingTest : public ::testing::Test {
 protected:
  VirtualClock clock;
  FakeKernel kernel{clock};
};

TEST_F(ListingTest, ListsEveryPortWithItsExtendedControlRegisterAndSkipsTheRest) {
  kernel.ListPort({.number = 0, .base = 0x378, .baseHi = 0x778});
  kernel.ListPort({.number = 1, .base = 0xD000, .baseHi = 0xD010});  // a PCI card
  kernel.ListPort({.number = 2, .base = 0x278});                     // no ECR
  const std::string dir = "/proc/sys/dev/parport/";
  kernel.files[dir + "parport10/base-addr"] = "956\n";  // base only: 0x3BC
  kernel.files[dir + "parportX/base-addr"] = "888\t1912\n";
  kernel.files[dir + "parport3/base-addr"] = "garbage\n";
  kernel.files[dir + "parport4/base-addr"] = "70000\t0\n";  // outside the I/O space
  kernel.files[dir + "parport5/irq"] = "-1\n";              // no base-addr
  kernel.files[dir + "default/timeslice"] = "200\n";
  const std::vector<ListedPort> expected = {
      {0, 0x378, 0x77A}, {1, 0xD000, 0xD012}, {2, 0x278, 0}, {10, 0x3BC, 0}};
  EXPECT_EQ(ListParallelPorts(kernel), expected);
  ASSERT_TRUE(FindListedPort(kernel, 0xD000).has_value());
  EXPECT_EQ(FindListedPort(kernel, 0xD000)->number, 1);
  EXPECT_FALSE(FindListedPort(kernel, 0x2BC).has_value());

  LinuxPortIo port(kernel);
  for (uint16_t base : {0x278, 0x378, 0x3BC, 0xD000}) EXPECT_TRUE(port.IsPortAddress(base)) << base;
  for (uint16_t base : {0x000, 0x2BC, 0x379, 0x1234})
    EXPECT_FALSE(port.IsPortAddress(base)) << base;
}

TEST_F(ListingTest, LockdownIsReadFromTheModeInBrackets) {
  EXPECT_FALSE(KernelLockedDown(kernel)) << "no lockdown file: no lockdown";
  kernel.lockdown = "[none] integrity confidentiality\n";
  EXPECT_FALSE(KernelLockedDown(kernel));
  kernel.lockdown = "none [integrity] confidentiality\n";
  EXPECT_TRUE(KernelLockedDown(kernel));
  kernel.lockdown = "none integrity [confidentiality]\n";
  EXPECT_TRUE(KernelLockedDown(kernel));
}

TEST_F(ListingTest, AccessesOfAClosedPortReachNothing) {
  LinuxPortIo port(kernel);
  port.Write(0x37A, 0x0C);
  EXPECT_EQ(port.Read(0x379), 0xFF);
  EXPECT_EQ(port.Read(0x77A), 0xFF);
  EXPECT_EQ(kernel.Syscalls(), 0);
}

// The search on a PC where the box is on 0x378 but the port cannot be had. The memo
// tells why for each of the four tries (0278, 0378, 03BC, and LPT4 at 0278 again).
TEST(PortRefusalTest, EachTryThatCannotOpenSaysWhyAndNoneHangs) {
  const std::string kBusy =
      "/dev/parport0: another program holds the port (a printer daemon or a second Tarnwick)";
  const std::string kNoRawIo =
      "no printer port listed by the kernel (sudo modprobe parport_pc ppdev); direct I/O needs "
      "root or CAP_SYS_RAWIO";
  struct Case {
    const char* name;
    std::function<void(FakeKernel&)> setUp;
    std::string at378;
    std::string elsewhere;
    bool box;  // the "Error:" box for 0378
  };
  auto listed = [](int open_errno, bool held) {
    return [=](FakeKernel& k) {
      k.ListPort({.number = 0,
                  .base = 0x378,
                  .baseHi = 0x778,
                  .openErrno = open_errno,
                  .heldByOther = held});
      k.iopermErrno = EPERM;
    };
  };
  auto unlisted = [](int ioperm_errno, std::string lockdown) {
    return [=](FakeKernel& k) {
      k.iopermErrno = ioperm_errno;
      k.lockdown = lockdown;
    };
  };
  const Case cases[] = {
      {"not in group lp", listed(EACCES, false),
       "/dev/parport0: Permission denied - add yourself to the group lp and log in again",
       "no printer port here", true},
      {"ppdev not loaded", listed(ENOENT, false),
       "/dev/parport0: No such file or directory - load the ppdev module (sudo modprobe ppdev)",
       "no printer port here", true},
      {"held by another program", listed(0, true), kBusy, "no printer port here", false},
      {"no port listed, no CAP_SYS_RAWIO", unlisted(EPERM, ""), kNoRawIo, kNoRawIo, false},
      {"no port listed, lockdown", unlisted(EPERM, "none [integrity] confidentiality"),
       "no printer port listed by the kernel (sudo modprobe parport_pc ppdev); kernel lockdown "
       "forbids direct I/O",
       "", false},
      {"no I/O ports (ENOSYS)", unlisted(ENOSYS, ""),
       "no printer port here (direct I/O: Function not implemented)", "", false},
      {"no I/O ports (EINVAL)", unlisted(EINVAL, ""),
       "no printer port here (direct I/O: Invalid argument)", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimForm sim(Backend::Direct);
    c.setUp(sim.kernel);
    TMainForm& f = sim.f();
    f.s.Lpt4Address = 0x278;  // as start-up sets it
    const int64_t start = sim.clock.NowMicros();
    f.detect.FindProgrammer();
    const int64_t elapsed = sim.clock.NowMicros() - start;

    const std::string elsewhere = c.elsewhere.empty() ? c.at378 : c.elsewhere;
    EXPECT_EQ(SearchLogLines(f.outcomes.search),
              (std::vector<std::string>{"Port-0278 - " + elsewhere, "Port-0378 - " + c.at378,
                                        "Port-03BC - " + elsewhere, "Port-0278 - " + elsewhere}));
    // The memo shows the same words, each line within the memo's width, and stays in
    // view with a red status line.
    std::string shown;
    for (const std::string& line : f.Memo1.lines()) {
      EXPECT_LE(line.size(), kMemoColumns) << line;
      shown += (line.rfind("            ", 0) == 0 ? " " + line.substr(12) : "\n" + line);
    }
    std::string words;
    for (const std::string& line : SearchLogLines(f.outcomes.search)) words += "\n" + line;
    EXPECT_EQ(shown.substr(0, words.size()), words);
    EXPECT_TRUE(f.Memo1.visible);
    EXPECT_EQ(f.StaticText3.caption, kNotFoundStatus);
    EXPECT_EQ(f.s.ProgrammerFound, 0);
    ASSERT_EQ(sim.toolkit.messages.size(), c.box ? 2u : 1u);
    if (c.box) {
      EXPECT_EQ(sim.toolkit.messages[0].text, "Error: " + c.at378);
    }
    EXPECT_TRUE(sim.toolkit.messages.back().placed) << "the Can Not Be Found box";
    // No port opened anywhere: the box does not send the operator to the power pack.
    EXPECT_EQ(sim.toolkit.messages.back().text, kNoPortText);
    // A held port costs the claim's two seconds; nothing else waits.
    EXPECT_LE(elapsed, kClaimTimeoutMs * 1000 + 100000);
    EXPECT_EQ(sim.kernel.OpenDescriptors(), 0);
    EXPECT_EQ(sim.box.Opens(), 1) << "only the kernel's wiring of the box";
  }
}

// As root, with the box on 0378: a port the kernel lists that cannot be had through
// ppdev belongs to someone else, and is not driven by direct I/O instead.
TEST(PortRefusalTest, AListedPortThatCannotBeClaimedIsNeverDrivenDirectly) {
  for (const bool held : {true, false}) {
    SimForm sim(Backend::Direct);  // every ioperm granted
    sim.kernel.ListPort({.number = 0,
                         .base = 0x378,
                         .baseHi = 0x778,
                         .openErrno = held ? 0 : EACCES,
                         .heldByOther = held});
    TMainForm& f = sim.f();
    f.s.Lpt4Address = 0x278;
    f.detect.FindProgrammer();
    EXPECT_EQ(f.s.ProgrammerFound, 0);
    const std::string says = held ? "another program holds the port (a printer daemon or a "
                                    "second Tarnwick)"
                                  : "Permission denied - add yourself to the group lp and log "
                                    "in again";
    const std::vector<std::string> log = SearchLogLines(f.outcomes.search);
    EXPECT_NE(std::find(log.begin(), log.end(), "Port-0378 - /dev/parport0: " + says), log.end());
    for (uint16_t address : {0x378, 0x379, 0x37A, 0x77A})
      EXPECT_FALSE(sim.kernel.everGranted.contains(address)) << held << " " << address;
  }
}

// The claim's bound on the real kernel: the alarm must end a call blocked on this thread
// with EINTR, even while another thread runs (as the toolkit's do), and must leave
// nothing behind that could kill the process later.
TEST(SystemKernelTest, TheAlarmInterruptsABlockedCallOnThisThread) {
  int pipe_ends[2];
  ASSERT_EQ(::pipe(pipe_ends), 0);
  std::atomic<bool> stop{false};
  std::thread other([&] {
    while (!stop) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  });
  SystemKernel().ArmAlarm(50);
  char byte = 0;
  const ssize_t got = ::read(pipe_ends[0], &byte, 1);  // nothing is ever written
  const int error = errno;
  SystemKernel().DisarmAlarm();
  stop = true;
  other.join();
  EXPECT_EQ(got, -1);
  EXPECT_EQ(error, EINTR);
  SystemKernel().DisarmAlarm();  // twice is harmless
  ::close(pipe_ends[0]);
  ::close(pipe_ends[1]);
}

// On the real kernel, in a child process so the tests keep their own rights: after the
// drop the process has no CAP_SYS_RAWIO and ioperm refuses a new grant.
TEST(SystemKernelTest, DroppingRawIoLeavesNoWayToGrantPorts) {
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (SystemKernel().DropRawIo() != 0) ::_exit(2);
    __user_cap_header_struct header{};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0) ::_exit(3);
    const uint32_t bit = 1u << (CAP_SYS_RAWIO % 32);
    if ((data[CAP_SYS_RAWIO / 32].permitted | data[CAP_SYS_RAWIO / 32].effective) & bit) ::_exit(4);
    if (SystemKernel().Ioperm(0x80, 1, true) != -EPERM &&
        SystemKernel().Ioperm(0x80, 1, true) != -ENOSYS)
      ::_exit(5);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace tarnwick
