// tarnwick-cli doctor on modelled systems: the kernel's model with the simulated box on
// its bus, each system with one thing wrong between the user and the box.
#include "cli/cli_doctor.h"

#include <linux/capability.h>
#include <sys/resource.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>

#include "cli_fixture.h"
#include "link/detect.h"
#include "sim/sim_box.h"
#include "support/fake_kernel.h"
#include "support/fakes.h"

namespace tarnwick {
namespace {

constexpr const char* kPasswd =
    "root:x:0:0:root:/root:/bin/bash\nann:x:1000:1000:Ann:/home/ann:/bin/bash\n";
constexpr const char* kGroupsWithAnnInLp = "root:x:0:\nlp:x:7:ann\nann:x:1000:\n";
constexpr const char* kGroupsWithoutAnn = "root:x:0:\nlp:x:7:\nann:x:1000:\n";

// One wire of the cable broken. An open status input reads as a high pin (the port
// pulls its inputs up); BUSY is inverted by the port, so its register bit then reads 0.
// An open data wire leaves the box's latch input high.
class BrokenWire final : public PortIo {
 public:
  enum Kind { Status, Data };
  BrokenWire(SimBox& box, Kind kind, int bit) : box_(box), kind_(kind), bit_(bit) {}
  uint8_t Read(uint16_t address) override {
    uint8_t value = box_.Read(address);
    if (kind_ == Status && address == box_.BoxBase() + 1)
      value = bit_ == 7 ? value & 0x7F : value | (1 << bit_);
    return value;
  }
  void Write(uint16_t address, uint8_t value) override {
    if (kind_ == Data && address == box_.BoxBase()) value |= 1 << bit_;
    box_.Write(address, value);
  }
  bool Open(uint16_t base, PortRefusal& refusal) override { return box_.Open(base, refusal); }
  void Close() override { box_.Close(); }

 private:
  SimBox& box_;
  Kind kind_;
  int bit_;
};

// Another device busy on the port's bus: in every other stretch of `block` status reads
// each read takes 0.5 µs longer.
class BusyBus final : public PortIo {
 public:
  BusyBus(SimBox& box, VirtualClock& clock, int64_t block)
      : box_(box), clock_(clock), block_(block) {}
  uint8_t Read(uint16_t address) override {
    if (address == box_.BoxBase() + 1 && (statusReads_++ / block_) % 2 == 1) {
      pendingNanos_ += 500;
      clock_.Advance(pendingNanos_ / 1000);
      pendingNanos_ %= 1000;
    }
    return box_.Read(address);
  }
  void Write(uint16_t address, uint8_t value) override { box_.Write(address, value); }
  bool Open(uint16_t base, PortRefusal& refusal) override { return box_.Open(base, refusal); }
  void Close() override { box_.Close(); }

 private:
  SimBox& box_;
  VirtualClock& clock_;
  int64_t block_;
  int64_t statusReads_ = 0;
  int64_t pendingNanos_ = 0;
};

// A Debian desktop as it should be: the drivers loaded, parport0 at 0378 with its ECR
// at 077A and no IRQ, ann in group lp with an rtprio limit, the box on the cable.
struct DoctorBench {
  VirtualClock clock;
  FakeKernel kernel{clock};
  SimBox box{&clock};
  FakePriority priority;
  FakeKernel::Port port{
      .number = 0, .base = 0x378, .baseHi = 0x778, .modes = "PCSPP,TRISTATE,COMPAT,EPP,ECP"};
  bool listed = true;
  std::unique_ptr<PortIo> cable;  // between the port and the box, when broken

  DoctorBench() {
    kernel.modules = {"parport", "parport_pc", "ppdev"};
    kernel.iopermErrno = EPERM;
    kernel.files["/etc/passwd"] = kPasswd;
    kernel.files["/etc/group"] = kGroupsWithAnnInLp;
    kernel.limits[RLIMIT_RTPRIO] = {95, 95};
    box.SetRecording(false);
  }
  void Root() {
    kernel.credentials = {.uid = 0, .euid = 0, .gid = 0, .groups = {0}};
    kernel.capabilities = {CAP_SYS_RAWIO, CAP_SYS_NICE};
    kernel.iopermErrno = 0;
  }
  void NoDrivers() {
    kernel.modules.clear();
    listed = false;
  }
  void Wire() {
    if (listed) kernel.ListPort(port);
    box.SetBoxBase(port.base);
    kernel.AttachBus(port.base, cable ? *cable : static_cast<PortIo&>(box));
  }
};

struct Case {
  const char* name;
  std::vector<std::string> args;
  std::function<void(DoctorBench&)> setUp;
  const char* verdicts;  // drivers ports holder access direct-io priority box timing
  int code;
  std::vector<std::string> lines;  // each printed as a line, indent aside
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    const size_t start = line.find_first_not_of(' ');
    lines.push_back(start == std::string::npos ? "" : line.substr(start));
  }
  return lines;
}

// The first word of each check's line.
std::string Verdicts(const std::string& text) {
  std::string words;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line) && !line.empty();)
    if (line[0] != ' ') words += (words.empty() ? "" : " ") + line.substr(0, line.find(' '));
  return words;
}

class DoctorTest : public CliTest {};

TEST_F(DoctorTest, EachModelledSystemGivesItsLinesAndExitStatus) {
  const Case cases[] = {
      {"all well",
       {"doctor"},
       [](DoctorBench&) {},
       "ok ok ok ok ok ok ok ok",
       kExitOk,
       {"ok    drivers    parport_pc and ppdev are loaded",
        "ok    ports      the kernel lists 0378; the window's search and --port 378 reach it "
        "through /dev/parport0",
        "parport0 at 0378, ECR at 077A, modes SPP PS2 EPP ECP, no IRQ",
        "ok    access     you can open /dev/parport0", "/dev/parport0: crw-rw----, group lp",
        "ok    direct-io  not needed: a port the kernel lists is reached through /dev/parportN "
        "only, never by direct I/O",
        "ok    box        the Quillbox answers on 0378 through ppdev, every line follows",
        "status line PE, pin 12, follows data bits 5 and 1 (pins 7 and 3)",
        "status line BUSY, pin 11, follows data bits 7 and 3 (pins 9 and 5)",
        "ok    every check passed: the Quillbox on 0378 is ready"}},
      {"no modules",
       {"doctor"},
       [](DoctorBench& b) { b.NoDrivers(); },
       "FAIL FAIL ok FAIL FAIL ok FAIL FAIL",
       kExitNoProgrammer,
       {"FAIL  drivers    parport_pc and ppdev are not loaded",
        "fix: sudo modprobe parport_pc ppdev", "FAIL  ports      the kernel lists no parallel port",
        "FAIL  direct-io  direct I/O needs root or CAP_SYS_RAWIO",
        "FAIL  the Quillbox cannot be used yet (drivers); first: sudo modprobe parport_pc ppdev"}},
      {"not in group lp",
       {"doctor"},
       [](DoctorBench& b) {
         b.kernel.credentials.groups = {1000};
         b.kernel.files["/etc/group"] = kGroupsWithoutAnn;
       },
       "ok ok ok FAIL ok ok FAIL FAIL",
       kExitNoProgrammer,
       {"FAIL  access     you are not in group lp, which may open /dev/parport0",
        "fix: sudo usermod -aG lp ann", "fix: then log out and in again"}},
      {"in group lp, not logged in again",
       {"doctor"},
       [](DoctorBench& b) { b.kernel.credentials.groups = {1000}; },
       "ok ok ok FAIL ok ok FAIL FAIL",
       kExitNoProgrammer,
       {"FAIL  access     you are in group lp, but this login began before you were added",
        "fix: log out and in again (a new terminal is not enough)",
        "fix: for this shell only: newgrp lp"}},
      {"port held by lp",
       {"doctor"},
       [](DoctorBench& b) { b.port.holder = "lp"; },
       "ok ok FAIL ok ok ok FAIL FAIL",
       kExitNoProgrammer,
       {"FAIL  holder     parport0 is held by lp, the printer driver", "fix: sudo rmmod lp"}},
      {"lockdown, an address the kernel does not list",
       {"doctor", "--port", "378"},
       [](DoctorBench& b) {
         b.NoDrivers();
         b.Root();
         b.kernel.lockdown = "none [integrity] confidentiality\n";
         b.kernel.iopermErrno = EPERM;
       },
       "FAIL FAIL ok FAIL FAIL ok FAIL FAIL",
       kExitNoProgrammer,
       {"FAIL  direct-io  direct I/O is forbidden by kernel lockdown (Secure Boot)",
        "fix: use ppdev instead: sudo modprobe parport_pc ppdev"}},
      {"--port at no printer port's address",
       {"doctor", "--port", "1234"},
       [](DoctorBench&) {},
       "ok FAIL ok FAIL ok ok FAIL FAIL",
       kExitNoProgrammer,
       {"FAIL  ports      1234 is not a port the kernel lists; Tarnwick does not probe it",
        "fix: a port it lists: tarnwick-cli doctor --port 378", "FAIL  box        no port to try"}},
      {"no real-time priority",
       {"doctor"},
       [](DoctorBench& b) { b.kernel.limits.clear(); },
       "ok ok ok ok ok warn ok ok",
       kExitDoctorWarned,
       {"warn  priority   no real-time priority (RLIMIT_RTPRIO 0, no CAP_SYS_NICE): Tarnwick "
        "falls back to the priority it was started with",
        "fix: add the line 'ann - rtprio 10' to /etc/security/limits.d/tarnwick.conf, then log "
        "out and in again",
        "warn  the Quillbox on 0378 can be used; the warnings above say what to mend"}},
      {"a PCIe card at D800, its ECR at E802, named with --port",
       {"doctor", "--port", "D800"},
       [](DoctorBench& b) {
         b.port = {.number = 0, .base = 0xD800, .baseHi = 0xE800, .modes = "PCSPP,TRISTATE,ECP"};
       },
       "ok ok ok ok ok ok ok ok",
       kExitOk,
       {"parport0 at D800, ECR at E802, modes SPP PS2 ECP, no IRQ",
        "ok    ports      the kernel lists D800; --port D800 and LPT4 = D800 reach it through "
        "/dev/parport0",
        "ok    box        the Quillbox answers on D800 through ppdev, every line follows"}},
      {"the same card, found by the search",
       {"doctor"},
       [](DoctorBench& b) {
         b.port = {.number = 0, .base = 0xD800, .baseHi = 0xE800, .modes = "PCSPP,TRISTATE,ECP"};
       },
       "ok warn ok ok ok ok ok ok",
       kExitDoctorWarned,
       {"warn  ports      the window's search reaches D800 only as LPT4 (a PCI or PCIe card)",
        "fix: set LPT4 to D800 on the test panel (type T on the Help or Vpp button)"}},
      {"status line PE open",
       {"doctor"},
       [](DoctorBench& b) { b.cable = std::make_unique<BrokenWire>(b.box, BrokenWire::Status, 5); },
       "ok ok ok ok ok ok FAIL FAIL",
       kExitNoProgrammer,
       {"FAIL  box        the Quillbox answers on 0378, but not on every line",
        "status line PE, pin 12, does not follow data bits 5 and 1 (pins 7 and 3); it stays "
        "at 1: check the cable at pin 12",
        "status line ACK, pin 10, follows data bits 6 and 2 (pins 8 and 4)",
        "fix: check the cable at pin 12 (PE)"}},
      {"status line BUSY open",
       {"doctor"},
       [](DoctorBench& b) { b.cable = std::make_unique<BrokenWire>(b.box, BrokenWire::Status, 7); },
       "ok ok ok ok ok ok FAIL FAIL",
       kExitNoProgrammer,
       {"status line BUSY, pin 11, does not follow data bits 7 and 3 (pins 9 and 5); it stays "
        "at 1: check the cable at pin 11"}},
      {"data line D5 open",
       {"doctor"},
       [](DoctorBench& b) { b.cable = std::make_unique<BrokenWire>(b.box, BrokenWire::Data, 5); },
       "ok ok ok ok ok ok FAIL FAIL",
       kExitNoProgrammer,
       {"status line PE, pin 12, does not follow data bit 5 (pin 7): check the cable at pin 7",
        "fix: check the cable at pin 7 (D5)"}},
      {"no power pack",
       {"doctor"},
       [](DoctorBench& b) { b.box.SetPowered(false); },
       "ok ok ok ok ok ok FAIL FAIL",
       kExitNoProgrammer,
       {"FAIL  box        no box answers on 0378", "0378: no answer (A5 came back as FF, 5A as FF)",
        "fix: plug in the box's power pack: without power every pattern comes back as FF"}},
      {"timing spread",
       {"doctor"},
       [](DoctorBench& b) {
         b.cable = std::make_unique<BusyBus>(b.box, b.clock, kCalibrationReads);
       },
       "ok ok ok ok ok ok ok warn",
       kExitDoctorWarned,
       {"fix: another program busy on the port's bus (a printer daemon, a disk or sound card "
        "behind the same bridge): end it and run doctor again"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DoctorBench bench;
    c.setUp(bench);
    bench.Wire();
    CliHooks hooks;
    hooks.kernel = &bench.kernel;
    hooks.clock = &bench.clock;
    hooks.priority = &bench.priority;
    const CliResult r = Run(c.args, hooks);
    EXPECT_EQ(Verdicts(r.out), c.verdicts) << r.out;
    EXPECT_EQ(r.code, c.code) << r.out;
    const std::vector<std::string> printed = Lines(r.out);
    for (const std::string& line : c.lines)
      EXPECT_NE(std::find(printed.begin(), printed.end(), line), printed.end())
          << "missing: " << line << "\n"
          << r.out;
    EXPECT_EQ(bench.kernel.OpenDescriptors(), 0) << "every claim given back";
  }
}

TEST_F(DoctorTest, JsonCarriesTheSameChecksAndUsageErrorsEndAtTwo) {
  DoctorBench bench;
  bench.NoDrivers();
  bench.Wire();
  CliHooks hooks;
  hooks.kernel = &bench.kernel;
  hooks.clock = &bench.clock;
  hooks.priority = &bench.priority;
  const CliResult r = Run({"doctor", "--json"}, hooks);
  EXPECT_EQ(r.code, kExitNoProgrammer);
  EXPECT_EQ(r.out.rfind("{\"checks\":[", 0), 0u) << r.out;
  EXPECT_NE(
      r.out.find("{\"check\":\"drivers\",\"verdict\":\"FAIL\",\"summary\":\"parport_pc "
                 "and ppdev are not loaded\",\"details\":[],\"fixes\":[\"sudo modprobe "
                 "parport_pc ppdev\",\"to load them at every boot: printf 'parport_pc\\\\nppdev"),
      std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"verdict\":\"FAIL\",\"box\":null,"), std::string::npos) << r.out;
  EXPECT_TRUE(r.out.ends_with("\"exit\":3}\n")) << r.out;

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--sim", "doctor"}, {"--json", "detect"}, {"doctor", "now"}}) {
    const CliResult usage = Run(args, hooks);
    EXPECT_EQ(usage.code, kExitUsage) << args[0] << " " << args[1];
    EXPECT_EQ(usage.out, "");
  }
}

}  // namespace
}  // namespace tarnwick
