#include "cli/cli_run.h"

#include <unistd.h>

#include <cerrno>
#include <istream>
#include <ostream>

#include "base/stop_flag.h"
#include "cli/cli_doctor.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/job_commands.h"

namespace tarnwick {

bool ReadOperatorLine(const CliStreams& io, std::string& line) {
  line.clear();
  if (io.inFd < 0) return static_cast<bool>(std::getline(io.in, line)) && !InterruptRequested();
  // A byte at a time: what follows the line stays for the next prompt.
  for (char c;;) {
    const ssize_t n = ::read(io.inFd, &c, 1);
    if (n < 0 && errno == EINTR && !InterruptRequested()) continue;
    if (n <= 0 || InterruptRequested()) return false;
    if (c == '\n') return true;
    line += c;
  }
}

int RunCli(const std::vector<std::string>& args, const CliStreams& io, const CliHooks& hooks) {
  if (IsJobCommand(args)) return RunJob(args, io, hooks);
  const ParsedCommandLine parsed = ParseCommandLine(args);
  if (!parsed.error.empty()) {
    io.err << "tarnwick-cli: " << parsed.error << "\nTry tarnwick-cli --help.\n";
    return kExitUsage;
  }
  const CliOptions& o = parsed.options;
  if (o.command == CliCommand::Doctor && !o.help && !o.version) return RunDoctor(o, io, hooks);
  CliSession session(parsed.options, io, hooks);
  return session.Run();
}

}  // namespace tarnwick
