#include "cli/cli_run.h"

#include <ostream>

#include "cli/cli_doctor.h"
#include "cli/cli_options.h"
#include "cli/cli_session.h"
#include "cli/job_commands.h"

namespace tarnwick {

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
