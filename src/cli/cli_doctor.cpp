#include "cli/cli_doctor.h"

#include <memory>
#include <ostream>

#include "base/hex_text.h"
#include "base/platform.h"
#include "cli/cli_report.h"
#include "cli/cli_toolkit.h"
#include "link/linux_kernel.h"
#include "link/port_doctor.h"

namespace tarnwick {

namespace {

constexpr int kNameWidth = 11;
constexpr int kVerdictWidth = 6;
const std::string kIndent(kVerdictWidth + kNameWidth, ' ');

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

int ExitOf(const DoctorReport& report) {
  if (report.stopped && InterruptRequested()) return kExitSignalBase + InterruptSignal();
  switch (report.verdict) {
    case CheckVerdict::Ok:
      return kExitOk;
    case CheckVerdict::Warn:
      return kExitDoctorWarned;
    case CheckVerdict::Fail:
      break;
  }
  return kExitNoProgrammer;
}

// The last line: the whole run in a sentence, with the first thing to do.
std::string Conclusion(const DoctorReport& report) {
  const std::string at = report.boxAt ? " on " + HexText(*report.boxAt, 4) : "";
  if (report.verdict == CheckVerdict::Ok)
    return "every check passed: the Quillbox" + at + " is ready";
  if (report.verdict == CheckVerdict::Warn)
    return "the Quillbox" + at + " can be used; the warnings above say what to mend";
  for (const DoctorCheck& check : report.checks)
    if (check.verdict == CheckVerdict::Fail)
      return "the Quillbox cannot be used yet (" + check.name +
             "); first: " + (check.fixes.empty() ? check.summary : check.fixes.front());
  return "the Quillbox cannot be used yet";
}

void PrintText(const DoctorReport& report, std::ostream& out) {
  for (const DoctorCheck& check : report.checks) {
    out << Padded(VerdictWord(check.verdict), kVerdictWidth) << Padded(check.name, kNameWidth)
        << check.summary << '\n';
    for (const std::string& detail : check.details) out << kIndent << detail << '\n';
    for (const std::string& fix : check.fixes) out << kIndent << "fix: " << fix << '\n';
  }
  out << '\n' << Padded(VerdictWord(report.verdict), kVerdictWidth) << Conclusion(report) << '\n';
}

std::string JsonList(const std::vector<std::string>& items) {
  std::string list;
  for (const std::string& item : items) list += (list.empty() ? "" : ",") + JsonString(item);
  return "[" + list + "]";
}

void PrintJson(const DoctorReport& report, std::ostream& out, int code) {
  out << "{\"checks\":[";
  for (size_t i = 0; i < report.checks.size(); ++i) {
    const DoctorCheck& c = report.checks[i];
    out << (i == 0 ? "" : ",") << "\n  {\"check\":" << JsonString(c.name)
        << ",\"verdict\":" << JsonString(VerdictWord(c.verdict))
        << ",\"summary\":" << JsonString(c.summary) << ",\"details\":" << JsonList(c.details)
        << ",\"fixes\":" << JsonList(c.fixes) << "}";
  }
  out << "],\n \"verdict\":" << JsonString(VerdictWord(report.verdict))
      << ",\"box\":" << (report.boxAt ? JsonString(HexText(*report.boxAt, 4)) : "null")
      << ",\"conclusion\":" << JsonString(Conclusion(report)) << ",\"exit\":" << code << "}\n";
}

}  // namespace

int RunDoctor(const CliOptions& options, const CliStreams& io, const CliHooks& hooks) {
  SteadyClock steady;
  LinuxPriority linux_priority;
  DoctorSetup setup{
      hooks.kernel != nullptr ? *hooks.kernel : SystemKernel(),
      hooks.clock != nullptr ? static_cast<Clock&>(*hooks.clock) : steady,
      hooks.priority != nullptr ? *hooks.priority : static_cast<ProcessPriority&>(linux_priority),
      options.port,
      kDoctorTimingRuns,
      kCalibrationReads,
      [] { return InterruptRequested(); }};
  const DoctorReport report = RunPortDoctor(setup);
  const int code = ExitOf(report);
  if (options.json)
    PrintJson(report, io.out, code);
  else
    PrintText(report, io.out);
  return code;
}

}  // namespace tarnwick
