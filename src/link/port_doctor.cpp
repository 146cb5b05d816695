#include "link/port_doctor.h"

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <sstream>

#include "base/hex_text.h"
#include "base/platform.h"
#include "link/linux_port.h"
#include "link/port_doctor_box.h"

namespace tarnwick {

namespace {

// Debian's udev rules give /dev/parportN to this group; the node's own group is used
// wherever it can be read.
constexpr const char* kUsualPortGroup = "lp";
constexpr const char* kUnknownUser = "$USER";

// One port as the kernel's listing shows it (drivers/parport/procfs.c): base-addr, irq
// ("%d", -1 for none), modes (PCSPP,TRISTATE,COMPAT,EPP,ECP,DMA) and devices/active,
// the name of the device that holds the port now, or "none".
struct PortFacts {
  ListedPort port;
  int irq = -1;
  std::string modes;
  std::string active;                // empty when it cannot be read
  std::vector<std::string> devices;  // drivers registered on the port
};

struct Account {
  std::string name;  // from /etc/passwd; empty when the uid has no line there
  uint32_t primaryGid = 0;
};

struct Facts {
  std::set<std::string> modules;
  std::vector<PortFacts> ports;
  LinuxKernel::Credentials who;
  Account account;
  bool rawIo = false;
  bool lockdown = false;
  bool sysNice = false;
  LinuxKernel::Limit rtprio;
  LinuxKernel::Limit nice;
};

std::string Trim(const std::string& text) {
  const size_t start = text.find_first_not_of(" \t\n");
  if (start == std::string::npos) return {};
  return text.substr(start, text.find_last_not_of(" \t\n") - start + 1);
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator)) parts.push_back(part);
  return parts;
}

std::string Join(const std::vector<std::string>& parts, const std::string& separator) {
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : separator) + part;
  return text;
}

std::optional<long> Number(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  char* end = nullptr;
  const long value = std::strtol(t.c_str(), &end, 10);
  if (end == nullptr || *end != '\0') return std::nullopt;
  return value;
}

std::string Hex4(uint16_t value) {
  return HexText(value, 4);
}

// The port's modes in the words of a BIOS set-up page.
std::string ModeWords(const std::string& modes) {
  static constexpr std::pair<const char*, const char*> kNames[] = {
      {"PCSPP", "SPP"}, {"TRISTATE", "PS2"}, {"EPP", "EPP"}, {"ECP", "ECP"}};
  std::vector<std::string> words;
  const std::vector<std::string> listed = Split(Trim(modes), ',');
  for (const auto& [kernel_name, word] : kNames)
    if (std::find(listed.begin(), listed.end(), kernel_name) != listed.end()) words.push_back(word);
  return words.empty() ? "none listed" : Join(words, " ");
}

Facts ReadFacts(LinuxKernel& k) {
  Facts f;
  // Loaded modules as /proc/modules lists them; built-in drivers appear only under
  // /sys/module.
  for (const std::string& line : Split(k.ReadText("/proc/modules").value_or(""), '\n'))
    if (const std::string name = line.substr(0, line.find(' ')); !name.empty())
      f.modules.insert(name);
  for (const std::string& name : k.ListDirectory("/sys/module")) f.modules.insert(name);

  const std::string listing = kParportListing;
  for (const ListedPort& port : ListParallelPorts(k)) {
    PortFacts p;
    p.port = port;
    const std::string dir = listing + "/parport" + std::to_string(port.number);
    p.irq = static_cast<int>(Number(k.ReadText(dir + "/irq").value_or("")).value_or(-1));
    p.modes = k.ReadText(dir + "/modes").value_or("");
    p.active = Trim(k.ReadText(dir + "/devices/active").value_or(""));
    for (const std::string& name : k.ListDirectory(dir + "/devices"))
      if (name != "active") p.devices.push_back(name);
    f.ports.push_back(p);
  }

  f.who = k.ProcessCredentials();
  for (const std::string& line : Split(k.ReadText("/etc/passwd").value_or(""), '\n')) {
    const std::vector<std::string> fields = Split(line, ':');
    if (fields.size() < 4 || Number(fields[2]) != static_cast<long>(f.who.uid)) continue;
    f.account = {fields[0], static_cast<uint32_t>(Number(fields[3]).value_or(0))};
    break;
  }
  f.rawIo = k.HasCapability(CAP_SYS_RAWIO);
  f.lockdown = KernelLockedDown(k);
  f.sysNice = k.HasCapability(CAP_SYS_NICE);
  f.rtprio = k.GetLimit(RLIMIT_RTPRIO);
  f.nice = k.GetLimit(RLIMIT_NICE);
  return f;
}

struct Group {
  std::string name;
  std::vector<std::string> members;
};

// The group's line in /etc/group: what a new login of the user will get.
Group GroupOf(LinuxKernel& k, uint32_t gid) {
  for (const std::string& line : Split(k.ReadText("/etc/group").value_or(""), '\n')) {
    const std::vector<std::string> fields = Split(line, ':');
    if (fields.size() < 3 || Number(fields[2]) != static_cast<long>(gid)) continue;
    return {fields[0],
            fields.size() > 3 ? Split(Trim(fields[3]), ',') : std::vector<std::string>{}};
  }
  return {std::to_string(gid), {}};
}

// "crw-rw----" as ls shows it.
std::string ModeText(uint32_t mode) {
  std::string text = S_ISCHR(mode) ? "c" : S_ISDIR(mode) ? "d" : "-";
  const char* letters = "rwx";
  for (int bit = 8; bit >= 0; --bit) text += (mode >> bit) & 1 ? letters[(8 - bit) % 3] : '-';
  return text;
}

// Adds a finding: the first becomes the summary, later ones go before the details.
struct CheckBuilder {
  DoctorCheck c;
  std::vector<std::string> findings;

  explicit CheckBuilder(const char* name) { c.name = name; }
  void Find(CheckVerdict verdict, const std::string& text, std::vector<std::string> fixes = {}) {
    c.verdict = std::max(c.verdict, verdict);
    findings.push_back(text);
    for (std::string& fix : fixes)
      if (std::find(c.fixes.begin(), c.fixes.end(), fix) == c.fixes.end())
        c.fixes.push_back(std::move(fix));
  }
  DoctorCheck Done(const std::string& ok_text) {
    if (findings.empty()) {
      c.summary = ok_text;
    } else {
      c.summary = findings[0];
      c.details.insert(c.details.begin(), findings.begin() + 1, findings.end());
    }
    return c;
  }
};

// What the doctor tried and found, shared by the checks.
struct Run {
  const DoctorSetup& setup;
  Facts facts;
  std::vector<uint16_t> targets;  // addresses tried for the box, in order
  std::vector<PortProbe> probes;
  const PortProbe* found = nullptr;
  int iopermError = 0;  // what a trial ioperm of the first target said, on the direct route

  const PortFacts* Listed(uint16_t base) const {
    for (const PortFacts& p : facts.ports)
      if (p.port.base == base) return &p;
    return nullptr;
  }
  // The listed ports the run is about: the box's, else the ones tried.
  std::vector<const PortFacts*> InQuestion() const {
    std::vector<const PortFacts*> ports;
    if (found != nullptr) {
      if (const PortFacts* p = Listed(found->base)) ports.push_back(p);
      return ports;
    }
    for (uint16_t base : targets)
      if (const PortFacts* p = Listed(base)) ports.push_back(p);
    return ports;
  }
  bool DirectRoute() const { return !targets.empty() && InQuestion().empty(); }
  bool DirectAllowed() const { return iopermError == 0; }
  std::string UserName() const {
    return facts.account.name.empty() ? kUnknownUser : facts.account.name;
  }
};

std::string PortName(const PortFacts& p) {
  return "parport" + std::to_string(p.port.number);
}
std::string NodeOf(const PortFacts& p) {
  return "/dev/" + PortName(p);
}
std::string CliPort(uint16_t base) {
  return HexText(base, 3);
}

DoctorCheck DriversCheck(const Run& r) {
  CheckBuilder b("drivers");
  std::vector<std::string> missing;
  // A port already listed has its low-level driver (parport_pc, or parport_serial for
  // some cards); ppdev is needed in any case.
  if (r.facts.ports.empty() && !r.facts.modules.contains("parport_pc"))
    missing.push_back("parport_pc");
  if (!r.facts.modules.contains("ppdev")) missing.push_back("ppdev");
  if (!missing.empty()) {
    const CheckVerdict v = r.found != nullptr ? CheckVerdict::Warn : CheckVerdict::Fail;
    b.Find(v, Join(missing, " and ") + (missing.size() == 1 ? " is" : " are") + " not loaded",
           {"sudo modprobe " + Join(missing, " "),
            "to load them at every boot: printf '" + Join(missing, "\\n") +
                "\\n' | sudo tee /etc/modules-load.d/tarnwick.conf"});
    if (r.found != nullptr)
      b.c.details.push_back(
          "the box answered by direct I/O; through ppdev it needs no root rights");
  }
  return b.Done("parport_pc and ppdev are loaded");
}

DoctorCheck PortsCheck(const Run& r) {
  CheckBuilder b("ports");
  const std::optional<uint16_t> asked = r.setup.port;
  for (const PortFacts& p : r.facts.ports) {
    const bool ecp = p.modes.find("ECP") != std::string::npos;
    b.c.details.push_back(PortName(p) + " at " + Hex4(p.port.base) +
                          (p.port.ecr != 0 && ecp ? ", ECR at " + Hex4(p.port.ecr) : ", no ECR") +
                          ", modes " + ModeWords(p.modes) + ", " +
                          (p.irq >= 0 ? "IRQ " + std::to_string(p.irq) : "no IRQ"));
  }
  if (r.facts.ports.empty()) {
    if (r.found != nullptr)
      return b.Done("the kernel lists no port; the box answered by direct I/O");
    std::vector<std::string> fixes;
    if (!r.facts.modules.contains("parport_pc")) fixes.push_back("sudo modprobe parport_pc");
    fixes.push_back("no port even then: turn the parallel port on in the BIOS set-up");
    fixes.push_back(
        "a PCI or PCIe card: lspci -v shows its I/O ports; try tarnwick-cli doctor --port ADDR");
    b.Find(CheckVerdict::Fail, "the kernel lists no parallel port", fixes);
    return b.Done("");
  }
  std::vector<std::string> listed;
  for (const PortFacts& p : r.facts.ports) listed.push_back(Hex4(p.port.base));
  if (asked && r.Listed(*asked) == nullptr && r.found == nullptr) {
    const CheckVerdict v = IsLegacyPortAddress(*asked) ? CheckVerdict::Warn : CheckVerdict::Fail;
    b.Find(v,
           Hex4(*asked) + " is not a port the kernel lists" +
               (v == CheckVerdict::Fail ? "; Tarnwick does not probe it" : ""),
           {"a port it lists: tarnwick-cli doctor --port " + CliPort(r.facts.ports[0].port.base)});
  }
  // The window's search tries 0278, 0378 and 03BC, and LPT4 from the test panel.
  const bool legacy_listed =
      std::any_of(r.facts.ports.begin(), r.facts.ports.end(),
                  [](const PortFacts& p) { return IsLegacyPortAddress(p.port.base); });
  const PortFacts* card = nullptr;
  if (!asked && r.found != nullptr && !IsLegacyPortAddress(r.found->base))
    card = r.Listed(r.found->base);
  else if (!asked && !legacy_listed)
    card = &r.facts.ports[0];
  if (card != nullptr)
    b.Find(CheckVerdict::Warn,
           "the window's search reaches " + Hex4(card->port.base) +
               " only as LPT4 (a PCI or PCIe card)",
           {"set LPT4 to " + Hex4(card->port.base) +
                " on the test panel (type T on the Help or Vpp button)",
            "tarnwick-cli --port " + CliPort(card->port.base) + " ..."});
  for (const PortFacts* p : r.InQuestion()) {
    if (p->irq >= 0)
      b.Find(CheckVerdict::Warn,
             PortName(*p) + " uses IRQ " + std::to_string(p->irq) +
                 ": the box's ACK line then interrupts the counted waits",
             {"load parport_pc without irq= (see /etc/modprobe.d/), then: sudo rmmod ppdev "
              "parport_pc && sudo modprobe parport_pc ppdev"});
    if (!p->modes.empty() && p->modes.find("PCSPP") == std::string::npos)
      b.Find(CheckVerdict::Warn, PortName(*p) + " does not list standard (SPP) mode",
             {"set the port to SPP, PS2 or ECP in the BIOS set-up"});
  }
  std::string ok = "the kernel lists " + Join(listed, ", ");
  if (const std::vector<const PortFacts*> in = r.InQuestion(); !in.empty()) {
    const uint16_t base = in[0]->port.base;
    ok += "; " +
          (IsLegacyPortAddress(base) ? "the window's search and --port " + CliPort(base)
                                     : "--port " + CliPort(base) + " and LPT4 = " + Hex4(base)) +
          " reach it through " + NodeOf(*in[0]);
  }
  return b.Done(ok);
}

DoctorCheck HolderCheck(const Run& r) {
  CheckBuilder b("holder");
  const std::vector<const PortFacts*> ports = r.InQuestion();
  if (ports.empty()) return b.Done("no port the kernel lists is in use here, so none is held");
  for (const PortFacts* p : ports) {
    const std::string name = PortName(*p);
    std::vector<std::string> others;
    for (const std::string& device : p->devices)
      if (device != p->active) others.push_back(device);
    if (!others.empty())
      b.c.details.push_back(name + ": also registered " + Join(others, ", ") +
                            " (each takes the port only while it works)");
    if (p->active.empty() || p->active == "none") continue;
    if (p->active == "lp")
      b.Find(CheckVerdict::Fail, name + " is held by lp, the printer driver",
             {"a print job may be running: sudo systemctl stop cups", "sudo rmmod lp",
              "to keep lp from coming back: remove it from /etc/modules"});
    else if (p->active.rfind("ppdev", 0) == 0)
      b.Find(CheckVerdict::Fail,
             name + " is held by another program through " + NodeOf(*p) + " (a second Tarnwick?)",
             {"sudo fuser -v " + NodeOf(*p) + " names it; end it"});
    else
      b.Find(CheckVerdict::Fail, name + " is held by " + p->active,
             {"sudo rmmod " + p->active + ", if that driver is not needed"});
  }
  return b.Done("nothing holds " + PortName(*ports[0]) + " (the kernel's active device: none)");
}

DoctorCheck AccessCheck(const Run& r) {
  CheckBuilder b("access");
  LinuxKernel& k = r.setup.kernel;
  const std::vector<const PortFacts*> ports = r.InQuestion();
  if (ports.empty()) {
    if (r.DirectRoute() && (r.found != nullptr || r.DirectAllowed()))
      return b.Done("not needed: the port is reached by direct I/O, not through /dev/parportN");
    if (r.targets.empty())
      b.Find(CheckVerdict::Fail, "no port to open (see ports)");
    else
      b.Find(CheckVerdict::Fail, "no /dev/parportN: the kernel lists no port here",
             {"sudo modprobe parport_pc ppdev"});
    return b.Done("");
  }
  std::string ok;
  for (const PortFacts* p : ports) {
    const std::string node = NodeOf(*p);
    const std::optional<LinuxKernel::FileStatus> st = k.Stat(node);
    if (!st) {
      b.Find(CheckVerdict::Fail, node + " does not exist",
             {"sudo modprobe ppdev (udev then makes " + node + ")"});
      continue;
    }
    const Group group = GroupOf(k, st->gid);
    b.c.details.push_back(node + ": " + ModeText(st->mode) + ", group " + group.name);
    const int fd = k.Open(node);  // ppdev's open only allocates; the claim comes later
    if (fd >= 0) {
      k.Close(fd);
      if (ok.empty()) ok = "you can open " + node;
      continue;
    }
    const int error = -fd;
    const LinuxKernel::Credentials& who = r.facts.who;
    const bool in_now = who.gid == st->gid || std::find(who.groups.begin(), who.groups.end(),
                                                        st->gid) != who.groups.end();
    const std::string user = r.UserName();
    const bool in_account =
        (!r.facts.account.name.empty() && r.facts.account.primaryGid == st->gid) ||
        std::find(group.members.begin(), group.members.end(), user) != group.members.end();
    if (error == EACCES || error == EPERM) {
      if (!in_now && in_account)
        b.Find(CheckVerdict::Fail,
               "you are in group " + group.name + ", but this login began before you were added",
               {"log out and in again (a new terminal is not enough)",
                "for this shell only: newgrp " + group.name});
      else if (!in_now)
        b.Find(CheckVerdict::Fail,
               "you are not in group " + group.name + ", which may open " + node,
               {"sudo usermod -aG " + group.name + " " + user, "then log out and in again"});
      else
        b.Find(CheckVerdict::Fail,
               node + " does not let group " + group.name + " read and write it",
               {"sudo chmod g+rw " + node});
    } else if (error == ENOENT || error == ENXIO || error == ENODEV) {
      b.Find(CheckVerdict::Fail, node + " has no driver behind it", {"sudo modprobe ppdev"});
    } else {
      b.Find(CheckVerdict::Fail, node + ": " + std::strerror(error));
    }
  }
  return b.Done(ok);
}

DoctorCheck DirectIoCheck(const Run& r) {
  CheckBuilder b("direct-io");
  const Facts& f = r.facts;
  const std::string state = f.lockdown ? "forbidden by kernel lockdown (Secure Boot)"
                            : f.rawIo  ? "permitted (CAP_SYS_RAWIO, no kernel lockdown)"
                                       : "refused (it needs root or CAP_SYS_RAWIO)";
  if (r.targets.empty()) return b.Done("not needed: no port to reach (see ports)");
  if (!r.DirectRoute()) {
    b.c.details.push_back("direct I/O for a port the kernel does not list: " + state);
    return b.Done(
        "not needed: a port the kernel lists is reached through /dev/parportN only, never by "
        "direct I/O");
  }
  const std::string ppdev = "use ppdev instead: sudo modprobe parport_pc ppdev";
  if (r.iopermError == EPERM && f.lockdown)
    b.Find(CheckVerdict::Fail, "direct I/O is forbidden by kernel lockdown (Secure Boot)",
           {ppdev, "or turn Secure Boot off in the firmware set-up (mokutil --sb-state shows it)"});
  else if (r.iopermError == EPERM)
    b.Find(CheckVerdict::Fail, "direct I/O needs root or CAP_SYS_RAWIO",
           {ppdev,
            "or give the program the right: sudo setcap cap_sys_rawio+ep $(command -v tarnwick)"});
  else if (r.iopermError != 0)
    // ENOSYS, EINVAL: no I/O ports to grant, as in many virtual machines and on PCs
    // that are not x86.
    b.Find(CheckVerdict::Fail,
           std::string("this machine grants no I/O ports (ioperm: ") +
               std::strerror(r.iopermError) + ")",
           {ppdev, "a virtual machine: pass the parallel port through to it"});
  return b.Done("direct I/O is " + state);
}

DoctorCheck PriorityCheck(const Run& r) {
  CheckBuilder b("priority");
  const Facts& f = r.facts;
  const std::string want = std::to_string(kRealTimePriority);
  if (f.sysNice) return b.Done("real-time priority is available (CAP_SYS_NICE)");
  if (f.rtprio.soft >= static_cast<uint64_t>(kRealTimePriority))
    return b.Done("real-time priority is available (RLIMIT_RTPRIO " +
                  std::to_string(f.rtprio.soft) + ")");
  // Without it the program takes the lowest nice value RLIMIT_NICE allows (20 - limit).
  const uint64_t nice_limit = std::min<uint64_t>(f.nice.soft, 40);
  const std::string fallback = nice_limit > 0
                                   ? "nice " + std::to_string(20 - static_cast<int>(nice_limit))
                                   : "the priority it was started with";
  std::vector<std::string> fixes;
  if (f.rtprio.hard >= static_cast<uint64_t>(kRealTimePriority))
    fixes.push_back("in the shell that starts Tarnwick: ulimit -r " + want);
  fixes.push_back("add the line '" + r.UserName() + " - rtprio " + want +
                  "' to /etc/security/limits.d/tarnwick.conf, then log out and in again");
  b.Find(CheckVerdict::Warn,
         "no real-time priority (RLIMIT_RTPRIO " + std::to_string(f.rtprio.soft) +
             ", no CAP_SYS_NICE): Tarnwick falls back to " + fallback,
         fixes);
  b.c.details.push_back("programming pulses may stretch while the desktop is busy");
  return b.Done("");
}

// Where to look for the box: --port alone; else every port the kernel lists, the
// search's addresses first; else the search's addresses by direct I/O.
std::vector<uint16_t> Targets(const DoctorSetup& setup, LinuxPortIo& port, const Facts& f) {
  if (setup.port) {
    if (port.IsPortAddress(*setup.port)) return {*setup.port};
    return {};
  }
  std::vector<uint16_t> targets;
  for (uint16_t base : kLegacyPortAddresses)
    if (f.ports.empty() || std::any_of(f.ports.begin(), f.ports.end(),
                                       [&](const PortFacts& p) { return p.port.base == base; }))
      targets.push_back(base);
  for (const PortFacts& p : f.ports)
    if (!IsLegacyPortAddress(p.port.base)) targets.push_back(p.port.base);
  return targets;
}

}  // namespace

const char* VerdictWord(CheckVerdict verdict) {
  switch (verdict) {
    case CheckVerdict::Ok:
      return "ok";
    case CheckVerdict::Warn:
      return "warn";
    case CheckVerdict::Fail:
      return "FAIL";
  }
  return "FAIL";
}

DoctorReport RunPortDoctor(const DoctorSetup& setup) {
  Run r{setup, ReadFacts(setup.kernel), {}, {}, nullptr};
  DoctorReport report;
  LinuxPortIo port(setup.kernel);
  r.targets = Targets(setup, port, r.facts);
  if (r.DirectRoute()) {
    // The trial grant says what the rights and the lockdown file cannot: whether this
    // machine has I/O ports at all.
    r.iopermError = -setup.kernel.Ioperm(r.targets[0], 3, true);
    if (r.iopermError == 0) setup.kernel.Ioperm(r.targets[0], 3, false);
  }
  for (uint16_t base : r.targets) {
    if (setup.stopRequested && setup.stopRequested()) {
      report.stopped = true;
      break;
    }
    r.probes.push_back(ProbeForDoctor(port, base, setup));
    if (r.probes.back().AllFollow()) break;
  }
  for (const PortProbe& probe : r.probes)
    if (probe.AllFollow()) r.found = &probe;
  if (r.found != nullptr) report.boxAt = r.found->base;
  if (setup.stopRequested && setup.stopRequested()) report.stopped = true;

  report.checks = {DriversCheck(r),  PortsCheck(r),    HolderCheck(r),     AccessCheck(r),
                   DirectIoCheck(r), PriorityCheck(r), BoxCheck(r.probes), TimingCheck(r.found)};
  for (const DoctorCheck& check : report.checks)
    report.verdict = std::max(report.verdict, check.verdict);
  return report;
}

}  // namespace tarnwick
