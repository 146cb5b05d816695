// tarnwick-cli doctor: the checks of the way to the box, printed one line each (or as
// one JSON document with --json), and the exit status they come to.
#pragma once

#include "cli/cli_options.h"
#include "cli/cli_run.h"

namespace tarnwick {

// 0 every check ok, 1 warnings only, 3 the box cannot be used (kExitNoProgrammer).
inline constexpr int kExitDoctorWarned = 1;

int RunDoctor(const CliOptions& options, const CliStreams& io, const CliHooks& hooks);

}  // namespace tarnwick
