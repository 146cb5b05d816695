#include <algorithm>
#include <sstream>

#include "link/linux_port.h"

namespace tarnwick {

namespace {

// "parport0" -> 0; anything else (the "default" directory) -> nullopt.
std::optional<int> PortNumber(const std::string& name) {
  static constexpr std::string_view kPrefix = "parport";
  if (name.size() <= kPrefix.size() || name.compare(0, kPrefix.size(), kPrefix) != 0)
    return std::nullopt;
  int number = 0;
  for (size_t i = kPrefix.size(); i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9' || number > 9999) return std::nullopt;
    number = number * 10 + (name[i] - '0');
  }
  return number;
}

bool InIoSpace(long value) {
  return value > 0 && value <= 0xFFFF;
}

}  // namespace

std::vector<ListedPort> ListParallelPorts(LinuxKernel& kernel) {
  std::vector<ListedPort> ports;
  const std::string dir = kParportListing;
  for (const std::string& name : kernel.ListDirectory(dir)) {
    const std::optional<int> number = PortNumber(name);
    if (!number) continue;
    const std::optional<std::string> text = kernel.ReadText(dir + "/" + name + "/base-addr");
    if (!text) continue;
    std::istringstream fields(*text);
    long base = 0;
    long base_hi = 0;
    if (!(fields >> base) || !InIoSpace(base)) continue;
    if (!(fields >> base_hi)) base_hi = 0;
    ListedPort port;
    port.number = *number;
    port.base = static_cast<uint16_t>(base);
    // The ECP registers start at base_hi; the extended control register is the third.
    if (InIoSpace(base_hi) && base_hi + 2 <= 0xFFFF) port.ecr = static_cast<uint16_t>(base_hi + 2);
    ports.push_back(port);
  }
  std::sort(ports.begin(), ports.end(),
            [](const ListedPort& a, const ListedPort& b) { return a.number < b.number; });
  return ports;
}

std::optional<ListedPort> FindListedPort(LinuxKernel& kernel, uint16_t base) {
  for (const ListedPort& port : ListParallelPorts(kernel))
    if (port.base == base) return port;
  return std::nullopt;
}

bool KernelLockedDown(LinuxKernel& kernel) {
  const std::string text = kernel.ReadText(kLockdownFile).value_or("");
  return text.find("[integrity]") != std::string::npos ||
         text.find("[confidentiality]") != std::string::npos;
}

}  // namespace tarnwick
