#include "cli/job_commands.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <optional>
#include <ostream>
#include <span>

#include "base/atomic_file.h"
#include "base/hashes.h"
#include "base/hex_text.h"
#include "base/text_lines.h"
#include "cli/cli_report.h"
#include "cli/job_file.h"
#include "cli/job_record.h"
#include "cli/job_session.h"

namespace tarnwick {

namespace {

namespace fs = std::filesystem;

// The options only the job commands take; --csv is the one without a value.
constexpr std::array<const char*, 5> kJobValueOptions{"--steps", "--serial", "--count",
                                                      "--operator", "--prompt"};

struct JobCommandLine {
  std::vector<std::string> words;    // job, the verb, JOB.toml, FILE
  std::vector<std::string> general;  // the options every command takes, as given
  std::optional<std::string> steps, serial, count, operatorName, prompt;
  bool csv = false;
  std::string error;
};

bool IsJobOption(const std::string& name) {
  return std::any_of(kJobValueOptions.begin(), kJobValueOptions.end(),
                     [&](const char* o) { return name == o; });
}

JobCommandLine SplitCommandLine(const std::vector<std::string>& args) {
  JobCommandLine cl;
  bool options_end = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (options_end || arg.size() < 2 || arg[0] != '-') {
      cl.words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_end = true;
      continue;
    }
    const size_t eq = arg.rfind("--", 0) == 0 ? arg.find('=') : std::string::npos;
    const std::string name = arg.substr(0, eq);
    if (name == "--csv") {
      cl.csv = true;
      if (eq != std::string::npos) cl.error = "--csv takes no value";
      continue;
    }
    if (IsJobOption(name)) {
      std::string value;
      if (eq != std::string::npos) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        cl.error = name + " wants a value";
        return cl;
      }
      std::optional<std::string>& slot = name == "--steps"    ? cl.steps
                                         : name == "--serial" ? cl.serial
                                         : name == "--count"  ? cl.count
                                         : name == "--prompt" ? cl.prompt
                                                              : cl.operatorName;
      slot = value;
      continue;
    }
    cl.general.push_back(arg);
    if (eq == std::string::npos && OptionTakesValue(name) && i + 1 < args.size())
      cl.general.push_back(args[++i]);
  }
  return cl;
}

// The usual options, checked as every command checks them, with `command` standing in
// for the job's own words.
std::optional<CliOptions> ParseUsual(const JobCommandLine& cl, std::vector<std::string> command,
                                     const CliStreams& io, int& code) {
  std::vector<std::string> args = cl.general;
  args.insert(args.end(), command.begin(), command.end());
  ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.error.empty()) {
    io.err << "tarnwick-cli: " << parsed.error << "\nTry tarnwick-cli --help.\n";
    code = kExitUsage;
    return std::nullopt;
  }
  if (parsed.options.help || parsed.options.version) {
    io.out << UsageText();
    code = kExitOk;
    return std::nullopt;
  }
  return parsed.options;
}

int Usage(const CliStreams& io, const std::string& text) {
  io.err << "tarnwick-cli: " << text << "\nTry tarnwick-cli --help.\n";
  return kExitUsage;
}

// The option of the usual ones that a job command does not take, or "".
std::string OptionNotTaken(const CliOptions& o, bool run) {
  if (run) {
    if (!o.device.empty()) return "--device";
    if (o.window) return "--window";
    if (o.offset) return "--offset";
    if (o.fill) return "--fill";
    if (o.format) return "--format";
    if (o.fold) return "--fold";
    if (o.newChip) return "--new-chip";
  } else {
    if (o.port) return "--port";
    if (o.sim) return "--sim";
    if (o.progress != ProgressMode::Auto) return "--progress";
  }
  if (o.noVerify) return "--no-verify";
  if (o.confirm) return "--confirm";
  if (!o.logFile.empty()) return "--log";
  return {};
}

std::optional<std::string> ImageDigest(const std::string& path) {
  std::string bytes;
  if (!ReadWholeTextFile(path, bytes)) return std::nullopt;
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  return DigestHex(Sha256(std::span(data, bytes.size())));
}

std::string StepsText(const std::vector<JobStep>& steps) {
  std::string text;
  for (const JobStep& step : steps) text += (text.empty() ? "" : ", ") + step.Name();
  return text;
}

// The options of a run that loads the job's image as `program` would.
// The job file, or nullopt after saying on standard error why it cannot be read.
std::optional<JobSpec> ReadJobOrSay(const std::string& job_file, const CliStreams& io) {
  std::string error;
  auto job = ReadJobFile(job_file, error);
  if (!job) io.err << "tarnwick-cli: " << error << '\n';
  return job;
}

CliOptions LoadOptions(const JobSpec& job, const std::string& image) {
  CliOptions o;
  o.command = CliCommand::Program;
  o.commandName = "job";
  o.device = job.device;
  o.window = job.window;
  o.offset = job.offset;
  o.fill = job.fill;
  o.format = job.format;
  o.fold = job.fold;
  o.files = {image};
  return o;
}

int JobNew(const JobCommandLine& cl, const CliStreams& io, const CliHooks& hooks) {
  if (cl.words.size() != 4)
    return Usage(io, "job new wants the job file and the image: job new JOB.toml FILE");
  if (cl.count || cl.operatorName || cl.csv)
    return Usage(io, std::string(cl.csv ? "--csv belongs to job report"
                                        : "--count and --operator belong to job run"));
  const std::string& job_file = cl.words[2];
  const std::string& image = cl.words[3];
  int code = kExitOk;
  const auto o = ParseUsual(cl, {"program", image}, io, code);
  if (!o) return code;
  if (const std::string not_taken = OptionNotTaken(*o, false); !not_taken.empty())
    return Usage(io, not_taken + " belongs to job run or the other commands, not to job new");
  if (o->device.empty())
    return Usage(io, "job new wants the chip: --device NAME (tarnwick-cli devices lists them)");

  JobSpec job;
  const int row = DeviceRowOf(o->device);
  job.device = row >= 0 ? DeviceName(row) : o->device;
  job.window = o->window;
  job.offset = o->offset;
  job.fill = o->fill;
  job.format = o->format;
  job.fold = o->fold;
  job.prompt = cl.prompt.value_or("");
  if (cl.steps) {
    for (size_t at = 0; at <= cl.steps->size();) {
      const size_t comma = std::min(cl.steps->find(',', at), cl.steps->size());
      const std::string name = cl.steps->substr(at, comma - at);
      const auto step = JobStepFromName(name);
      if (!step)
        return Usage(io, "--steps: " + (name.empty() ? std::string("an empty step") : name) +
                             " is no step (erase, blank, program, verify, lock1, lock2, lock3)");
      job.steps.push_back(*step);
      at = comma + 1;
    }
  } else {
    job.steps = DefaultSteps(row);
  }
  if (cl.serial) {
    std::string error;
    job.serial = ParseSerialOption(*cl.serial, error);
    if (!job.serial) return Usage(io, error);
  }
  // The image's name as the job keeps it: from the job's folder.
  std::error_code ec;
  const fs::path folder = fs::absolute(job_file, ec).lexically_normal().parent_path();
  const fs::path full = fs::absolute(image, ec).lexically_normal();
  const fs::path relative = full.lexically_relative(folder);
  job.image = relative.empty() ? full.string() : relative.string();
  if (const auto problem = CheckJob(job)) {
    static constexpr const char* kOption[] = {"--device", "FILE", "--window", "--steps",
                                              "--serial"};
    return Usage(io, std::string(kOption[static_cast<int>(problem->field)]) + ": " + problem->text);
  }
  const auto digest = ImageDigest(image);
  if (!digest) {
    io.err << "tarnwick-cli: " << image << ": the image cannot be read\n";
    return kExitUsage;
  }
  job.imageSha256 = *digest;
  if (fs::exists(job_file, ec)) {
    io.err << "tarnwick-cli: " << job_file
           << " exists already; a job is not written over (remove it first)\n";
    return kExitUsage;
  }
  // The image loads as a run will load it (format, fit, fill), on a box nobody opens:
  // a job that could not run is not written.
  JobRunSettings check;
  check.jobFile = job_file;
  check.job = job;
  check.checkOnly = true;
  CliOptions load = LoadOptions(job, image);
  load.quiet = o->quiet;
  load.progress = ProgressMode::None;
  JobSession session(load, io, hooks, check, nullptr);
  if (const int loaded = session.Run(); loaded != kExitOk) return loaded;

  if (const auto failure = ReplaceFile(job_file, JobFileText(job))) {
    io.err << "tarnwick-cli: " << failure->Verb() << ' ' << job_file << ": "
           << std::strerror(failure->error) << '\n';
    return kExitUsage;
  }
  if (!o->quiet) {
    io.out << "Wrote " << job_file << ": the " << job.device << " from " << image << " (SHA-256 "
           << job.imageSha256.substr(0, 16) << "...), steps " << StepsText(job.steps);
    if (job.serial)
      io.out << "; serial numbers from " << job.serial->first << " at "
             << HexText(job.serial->address, 4);
    io.out << '\n';
  }
  return kExitOk;
}

int JobRun(const JobCommandLine& cl, const CliStreams& io, const CliHooks& hooks) {
  if (cl.words.size() != 3) return Usage(io, "job run wants the job file: job run JOB.toml");
  if (cl.steps || cl.serial || cl.prompt || cl.csv)
    return Usage(
        io, "job run takes the steps, serial numbers and prompt from the job; " +
                std::string(cl.csv ? "--csv belongs to job report" : "they belong to job new"));
  int code = kExitOk;
  const auto o = ParseUsual(cl, {"blank"}, io, code);
  if (!o) return code;
  if (const std::string not_taken = OptionNotTaken(*o, true); !not_taken.empty())
    return Usage(io, "job run takes the device, window, fill and image from the job; " + not_taken +
                         " belongs to job new or the other commands");
  std::optional<int64_t> count;
  if (cl.count) {
    int64_t n = 0;
    const char* end = cl.count->data() + cl.count->size();
    if (std::from_chars(cl.count->data(), end, n).ptr != end || cl.count->empty() || n < 1)
      return Usage(io, "--count wants the number of good chips, 1 or more");
    count = n;
  }
  const std::string& job_file = cl.words[2];
  const auto job = ReadJobOrSay(job_file, io);
  if (!job) return kExitUsage;
  // Sealed: the image is the one the job was made with, byte for byte.
  const std::string image = JobImagePath(job_file, job->image);
  const auto digest = ImageDigest(image);
  if (!digest) {
    io.err << "tarnwick-cli: " << image << ": the job's image cannot be read; nothing was done\n";
    return kExitUsage;
  }
  if (*digest != job->imageSha256) {
    io.err << "tarnwick-cli: " << image << " is not the image " << job_file
           << " was sealed with: its SHA-256 is " << *digest << ", the job's " << job->imageSha256
           << "; nothing was done (make the job again with job new if the new image is right)\n";
    return kExitUsage;
  }
  JobRecord record;
  JobRecord::Wait wait;
  wait.timeoutMs = hooks.recordWaitMs;
  const std::string record_path = JobRecordPath(job_file);
  wait.waiting = [&io, record_path, seconds = (wait.timeoutMs + 999) / 1000] {
    io.err << "tarnwick-cli: " << record_path << " is held by another process; waiting up to "
           << seconds << " s\n";
  };
  try {
    record.Open(record_path, true, wait);
    record.Prepare(job->serial);
  } catch (const JobRecordError& e) {
    io.err << "tarnwick-cli: " << e.what() << "; nothing was done\n";
    return kExitUsage;
  }
  JobRunSettings settings;
  settings.jobFile = job_file;
  settings.job = *job;
  settings.count = count;
  settings.operatorName = cl.operatorName.value_or("");
  CliOptions run = LoadOptions(*job, image);
  run.port = o->port;
  run.sim = o->sim;
  run.socketFile = o->socketFile;
  run.quiet = o->quiet;
  run.progress = o->progress;
  JobSession session(run, io, hooks, settings, &record);
  return session.Run();
}

int JobReport(const JobCommandLine& cl, const CliStreams& io, const CliHooks& hooks) {
  if (cl.words.size() != 3) return Usage(io, "job report wants the job file: job report JOB.toml");
  if (!cl.general.empty() || cl.steps || cl.serial || cl.count || cl.operatorName || cl.prompt)
    return Usage(io, "job report takes --csv and nothing else");
  const std::string& job_file = cl.words[2];
  const auto job = ReadJobOrSay(job_file, io);
  if (!job) return kExitUsage;
  JobRecord record;
  JobRecord::Wait wait;
  wait.timeoutMs = hooks.recordWaitMs;
  RecordCounts counts;
  try {
    if (!record.Open(JobRecordPath(job_file), false, wait)) {
      if (cl.csv) {
        io.out << kRecordCsvHeader << '\n';
      } else {
        io.out << job_file << ": the " << job->device << " from " << job->image
               << "; no chip recorded yet (" << JobRecordPath(job_file) << ")\n";
        io.out << "passed 0  failed 0  total 0\n";
      }
      return kExitOk;
    }
    if (cl.csv) {
      record.WriteCsv(io.out);
      return kExitOk;
    }
    counts = record.Counts();
  } catch (const JobRecordError& e) {
    io.err << "tarnwick-cli: " << e.what() << '\n';
    return kExitUsage;
  }
  io.out << job_file << ": the " << job->device << " from " << job->image << ", record "
         << record.Path() << '\n';
  io.out << "passed " << counts.passed << "  failed " << counts.failed << "  total "
         << counts.passed + counts.failed << '\n';
  if (counts.unfinished > 0)
    io.out << "unfinished " << counts.unfinished
           << " (a chip in a socket now, or a run that ended before its result)\n";
  if (counts.nextSerial) {
    io.out << "serial numbers: ";
    if (counts.lowestSerial)
      io.out << counts.lowestSerial.value() << " to " << counts.highestSerial.value()
             << " on the chips that passed; ";
    io.out << "next " << *counts.nextSerial;
    if (!counts.returnedSerials.empty()) {
      io.out << "; given back for the next chips:";
      for (int64_t n : counts.returnedSerials) io.out << ' ' << n;
    }
    io.out << '\n';
  }
  return kExitOk;
}

}  // namespace

bool IsJobCommand(const std::vector<std::string>& args) {
  const JobCommandLine cl = SplitCommandLine(args);
  return !cl.words.empty() && cl.words[0] == "job";
}

int RunJob(const std::vector<std::string>& args, const CliStreams& io, const CliHooks& hooks) {
  const JobCommandLine cl = SplitCommandLine(args);
  if (!cl.error.empty()) return Usage(io, cl.error);
  const std::string verb = cl.words.size() > 1 ? cl.words[1] : "";
  if (verb == "new") return JobNew(cl, io, hooks);
  if (verb == "run") return JobRun(cl, io, hooks);
  if (verb == "report") return JobReport(cl, io, hooks);
  if (std::find(cl.general.begin(), cl.general.end(), "--help") != cl.general.end()) {
    io.out << UsageText();
    return kExitOk;
  }
  return Usage(io, "job wants new, run or report");
}

}  // namespace tarnwick
