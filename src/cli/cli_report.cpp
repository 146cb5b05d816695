#include "cli/cli_report.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <ostream>

#include "app/main_form.h"
#include "devices/device_table.h"
#include "link/vpp.h"

namespace tarnwick {

namespace {

std::string Trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

const char* AdapterText(AdapterPrompt prompt) {
  switch (prompt) {
    case AdapterPrompt::kInstallJumper:
      return "874X, jumper in";
    case AdapterPrompt::kRemoveJumper:
      return "874X, jumper out";
    case AdapterPrompt::kAdapter875X:
      return "875X";
    default:
      return "875X, no prompt";
  }
}

// "Vpp = 12.5" -> "12.5V".
std::string VppText(int32_t code) {
  if (code < 0 || code >= static_cast<int32_t>(std::size(kVppLevels))) return "?";
  const char* caption = kVppLevels[static_cast<size_t>(code)].caption;
  std::string text = caption != nullptr ? caption : "?";
  const size_t eq = text.find("= ");
  if (eq != std::string::npos) text = text.substr(eq + 2);
  return text + "V";
}

}  // namespace

void PrintDeviceList(std::ostream& out) {
  char line[160];
  std::snprintf(line, sizeof line, "%-9s %-5s %-5s %-13s %-6s %-16s %-5s %s\n", "DEVICE", "SIZE",
                "END", "FAMILY", "VPP", "ADAPTER", "ERASE", "LOCK");
  out << line;
  for (int row = 0; row < kDeviceRowCount; ++row) {
    const DeviceEntry& e = kDeviceTable[static_cast<size_t>(row)];
    if (e.caption == nullptr) continue;
    const FamilyTraits& traits = TraitsOf(e.family);
    const std::string family = std::to_string(e.family) + (e.family >= 5 ? " flash" : " EPROM");
    std::snprintf(
        line, sizeof line, "%-9s %-5s %-5s %-13s %-6s %-16s %-5s %s\n", Trimmed(e.caption).c_str(),
        (std::to_string((e.deviceEnd + 1) / 1024) + "K").c_str(), HexText(e.deviceEnd, 4).c_str(),
        family.c_str(), VppText(e.vppCode).c_str(), AdapterText(e.prompt),
        traits.erase ? "yes" : "no", traits.security ? "1-3" : "no");
    out << line;
  }
}

int DeviceRowOf(const std::string& name) {
  const std::string wanted = Trimmed(name);
  if (wanted.empty()) return -1;
  for (int row = 0; row < kDeviceRowCount; ++row) {
    const char* caption = kDeviceTable[static_cast<size_t>(row)].caption;
    if (caption != nullptr && SameName(Trimmed(caption), wanted)) return row;
  }
  return -1;
}

std::string DeviceName(int row) {
  if (row < 0 || row >= kDeviceRowCount) return "-";
  const char* caption = kDeviceTable[static_cast<size_t>(row)].caption;
  return caption != nullptr ? Trimmed(caption) : "-";
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04X", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

void CliProgress::Update(const TMainForm& form) {
  if (mode_ == ProgressMode::None || mode_ == ProgressMode::Auto) return;
  // Only while a pass runs (the idle state resets the counters to the start; erase and
  // lock bits have no pass to show).
  const DeviceOutcome& outcome = form.outcomes.device;
  if (!outcome.running || outcome.pass == DeviceCommand::None) return;
  if (outcome.pass != pass_) {
    // Another pass of the command (the verify after programming) starts afresh.
    Finish();
    pass_ = outcome.pass;
  }
  const int64_t address = form.s.DeviceAddr;
  const int64_t end = form.s.DeviceEnd;
  if (address > end) return;  // past the last byte: the pass is over
  const bool moved = shown_ ? address != last_ : true;
  if (!moved) return;
  const bool report =
      !shown_ || address < last_ || (address >> 8) != (last_ >> 8) || address == end;
  last_ = address;
  if (!report) return;
  shown_ = true;
  if (mode_ == ProgressMode::Json) {
    // One write per line, so a reader never sees half an object.
    // The pass that runs: the verify after programming says so.
    const std::string passes = passes_ > 1 ? ",\"pass\":" + std::to_string(pass_number_) +
                                                 ",\"passes\":" + std::to_string(passes_)
                                           : std::string();
    err_ << ("{\"command\":" + JsonString(DeviceCommandName(outcome.pass)) + passes +
             ",\"address\":" + std::to_string(address) + ",\"end\":" + std::to_string(end) + "}\n")
         << std::flush;
    return;
  }
  const int64_t start = form.s.DeviceStart;
  const int64_t span = std::max<int64_t>(1, end - start + 1);
  const int64_t percent = std::clamp<int64_t>((address - start + 1) * 100 / span, 0, 100);
  char bar[21];
  const int64_t filled = percent / 5;
  for (int i = 0; i < 20; ++i) bar[i] = i < filled ? '#' : '.';
  bar[20] = 0;
  char line[200];
  std::string text = outcome.text;
  if (passes_ > 1) text += " " + std::to_string(pass_number_) + "/" + std::to_string(passes_);
  std::snprintf(line, sizeof line, "\r%-42s [%s] %s %3d%%", text.c_str(), bar,
                HexText(address, 4).c_str(), static_cast<int>(percent));
  err_ << line << std::flush;
  barOpen_ = true;
}

void CliProgress::Finish() {
  if (barOpen_) err_ << '\n';
  barOpen_ = false;
  shown_ = false;
  last_ = -1;
}

void CliProgress::Result(const std::string& text, int exit_code) {
  Finish();
  if (mode_ == ProgressMode::Json)
    err_ << ("{\"result\":" + JsonString(text) + ",\"exit\":" + std::to_string(exit_code) + "}\n")
         << std::flush;
}

std::string LogLine(const LogEntry& e) {
  char stamp[40] = "-";
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) != nullptr)
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S%z", &local);
  // A tab or line break inside a field would split the record.
  auto field = [](std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text.empty() ? std::string("-") : text;
  };
  return std::string(stamp) + '\t' + field(e.device) + '\t' + field(e.command) + '\t' +
         field(e.file) + '\t' + field(e.checksum) + '\t' + field(e.verdict) + '\t' +
         std::to_string(e.exitCode) + '\t' + field(e.crc32) + '\n';
}

std::string FileNames::Add(const std::string& typed) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(typed, error);
  if (error) full = typed;
  const std::string text = full.lexically_normal().string();
  typed_[text] = typed;
  return text;
}

std::string FileNames::Typed(const std::string& full) const {
  const auto it = typed_.find(full);
  return it != typed_.end() ? it->second : full;
}

std::string FileNames::Restore(std::string text) const {
  // Longest paths first, so one that contains another is put back whole.
  std::vector<std::pair<std::string, std::string>> names(typed_.begin(), typed_.end());
  std::sort(names.begin(), names.end(),
            [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
  for (const auto& [full, typed] : names) {
    for (size_t at = text.find(full); at != std::string::npos;
         at = text.find(full, at + typed.size())) {
      text.replace(at, full.size(), typed);
    }
  }
  return text;
}

std::vector<std::string> MessageLines(const std::string& text, const FileNames& names) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (true) {
    const size_t end = text.find("\r\n", at);
    lines.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 2;
  }
  // "'$G1' is not a valid integer value" / "NAME, line 12" -> "NAME:12: '$G1' is ..."
  if (lines.size() == 2) {
    const std::string& where = lines[1];
    const size_t comma = where.rfind(", line ");
    if (comma != std::string::npos && comma > 0) {
      const std::string number = where.substr(comma + 7);
      if (!number.empty() && std::all_of(number.begin(), number.end(),
                                         [](unsigned char c) { return std::isdigit(c) != 0; }))
        lines = {names.Typed(where.substr(0, comma)) + ":" + number + ": " + lines[0]};
    }
  }
  for (std::string& line : lines) line = names.Restore(line);
  return lines;
}

}  // namespace tarnwick
