// `tarnwick-cli job new|run|report`: production jobs from the command line.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_run.h"

namespace tarnwick {

// Whether the command line's command is `job` (options may stand before it).
bool IsJobCommand(const std::vector<std::string>& args);

int RunJob(const std::vector<std::string>& args, const CliStreams& io, const CliHooks& hooks);

}  // namespace tarnwick
