// tarnwick-cli as a function: the command line in, text on the two streams and the exit
// status out. The program's main() is a thin shell around RunCli; the tests and the
// benchmark call it directly.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "cli/job_record.h"
#include "sim/socket_lock.h"

namespace tarnwick {

class SimBox;
class SimSocket;
class LinuxKernel;
class VirtualClock;
class ProcessPriority;

inline constexpr int kExitOk = 0;
inline constexpr int kExitChipFailed = 1;    // not blank, did not verify or program
inline constexpr int kExitUsage = 2;         // usage, file or format errors
inline constexpr int kExitNoProgrammer = 3;  // no box found, or it stopped answering
inline constexpr int kExitSignalBase = 128;  // 130 after Ctrl-C

struct CliStreams {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  bool errIsTerminal = false;  // the progress bar is drawn only there
  // The file descriptor behind `in`, where there is one: the operator's answers are read
  // from it directly, so that a stop signal ends the wait for Enter (the standard
  // streams would retry the read). -1: read `in`.
  int inFd = -1;
};

// One line the operator typed, without its end; false at the end of the input or when a
// stop signal came while waiting.
bool ReadOperatorLine(const CliStreams& io, std::string& line);

// Where the tests and the benchmark reach into a run.
struct CliHooks {
  // The simulated bench, once set up (before the search), and after the command
  // (before the socket is saved).
  std::function<void(SimBox&, SimSocket&)> benchReady;
  std::function<void(SimBox&, SimSocket&)> benchDone;
  // Just before the command's own button is clicked: the box found, the chip chosen,
  // the window set and the file loaded. In a job run, before each step of each chip.
  std::function<void()> beforeCommand;
  // How long a run waits for another run to let go of its socket file.
  int socketWaitMs = kSocketWaitMs;
  // How long a job run waits for another process that holds the job's record.
  int recordWaitMs = kRecordWaitMs;
  // The real-port path over another kernel, clock and priority than the system's.
  LinuxKernel* kernel = nullptr;
  VirtualClock* clock = nullptr;
  ProcessPriority* priority = nullptr;
};

int RunCli(const std::vector<std::string>& args, const CliStreams& io, const CliHooks& hooks = {});

}  // namespace tarnwick
