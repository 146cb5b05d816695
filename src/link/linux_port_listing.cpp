#include <algorithm>
#include <filesystem>
#include <fstream>

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

std::vector<ListedPort> ListParallelPorts(const std::string& proc_root) {
  namespace fs = std::filesystem;
  std::vector<ListedPort> ports;
  std::error_code error;
  const fs::path dir = fs::path(proc_root) / "sys/dev/parport";
  for (const fs::directory_entry& entry : fs::directory_iterator(dir, error)) {
    const std::optional<int> number = PortNumber(entry.path().filename().string());
    if (!number) continue;
    std::ifstream file(entry.path() / "base-addr");
    long base = 0;
    long base_hi = 0;
    if (!(file >> base) || !InIoSpace(base)) continue;
    if (!(file >> base_hi)) base_hi = 0;
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

std::optional<ListedPort> FindListedPort(const std::string& proc_root, uint16_t base) {
  for (const ListedPort& port : ListParallelPorts(proc_root))
    if (port.base == base) return port;
  return std::nullopt;
}

bool KernelLockedDown(const std::string& lockdown_file) {
  std::ifstream file(lockdown_file);
  std::string text;
  std::getline(file, text);
  return text.find("[integrity]") != std::string::npos ||
         text.find("[confidentiality]") != std::string::npos;
}

}  // namespace tarnwick
