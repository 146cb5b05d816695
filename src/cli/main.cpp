// tarnwick-cli: the programmer from a shell, for scripts, builds and production runs.
#include <unistd.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "cli/cli_run.h"
#include "cli/cli_toolkit.h"

namespace {

extern "C" void OnSignal(int signal_number) {
  tarnwick::RequestInterrupt(signal_number);
}

// Ctrl-C (and a hang-up or a kill) only raise a flag: the running pass stops at its
// next message pass as it does for the Quit button, the idle state parks the latches,
// and the port is given back before the program ends. No SA_RESTART, so a sleep or a
// wait for Enter ends at once.
void CatchStopSignals() {
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal_number, &action, nullptr);
  // A reader that goes away (| head) must not end the program before the port is
  // released: the write fails instead.
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int main(int argc, char** argv) {
  CatchStopSignals();
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> args(argv + 1, argv + argc);
  const tarnwick::CliStreams io{std::cout, std::cerr, std::cin, isatty(STDERR_FILENO) == 1,
                                STDIN_FILENO};
  const int code = tarnwick::RunCli(args, io);
  std::cout.flush();
  return code;
}
