// Program and verify a whole 87C58H (32 KiB) on the simulated box, once through the
// window's handlers directly and once through tarnwick-cli: the difference is what the
// command-line layer costs (its start-up, option parsing and progress output).
//
// The box is given a port of 400 µs per access, so the speed measurement arrives at the
// shortest wait unit (PulseWait 1) on both paths and the time is the program's work, not
// counted waits that a real port would need.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_run.h"
#include "support/sim_form.h"

extern char** environ;

namespace tarnwick {
namespace {

constexpr int64_t kSlowPortNanos = 400000;

std::string ImageFile() {
  static const std::string path = [] {
    const std::string name = (std::filesystem::temp_directory_path() /
                              ("tarnwick-bench-" + std::to_string(getpid()) + ".bin"))
                                 .string();
    std::ofstream out(name, std::ios::binary);
    for (int i = 0; i < 0x8000; ++i) out.put(static_cast<char>(i * 13 + (i >> 8)));
    return name;
  }();
  return path;
}

void BM_ProgramVerify87C58HThroughTheWindow(benchmark::State& state) {
  const std::string image = ImageFile();
  for (auto _ : state) {
    SimForm sim;
    sim.box.SetAccessNanos(kSlowPortNanos);
    sim.box.SetRecording(false);
    TMainForm& f = sim.f();
    sim.FindBox();
    sim.box.SetRecording(false);
    f.devices.OnChipAsked = [&sim](const std::string& c) { sim.socket.EnsureChipFor(c); };
    f.Click(f.Device);
    f.ListClick(f.Device_Box, SimForm::RowOf("87C58H"));
    f.Click(f.File_But);
    f.ListClick(f.File_Type, 0);
    sim.toolkit.dialogAnswers = {image};
    f.Click(f.Load_But);
    f.Click(f.Programm);
    if (f.StaticText3.caption != "Device Verified to Buffer....")
      state.SkipWithError(f.StaticText3.caption.c_str());
    f.link.ClosePort();
  }
}
BENCHMARK(BM_ProgramVerify87C58HThroughTheWindow)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ProgramVerify87C58HThroughTheCommandLine(benchmark::State& state) {
  const std::string image = ImageFile();
  CliHooks hooks;
  hooks.benchReady = [](SimBox& box, SimSocket&) { box.SetAccessNanos(kSlowPortNanos); };
  for (auto _ : state) {
    std::ostringstream out, err;
    std::istringstream in;
    const CliStreams io{out, err, in, false};
    const int code =
        RunCli({"--sim", "--device", "87C58H", "--progress", "json", "program", image}, io, hooks);
    if (code != kExitOk) state.SkipWithError(err.str().c_str());
  }
}
BENCHMARK(BM_ProgramVerify87C58HThroughTheCommandLine)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// What the process adds on top: starting tarnwick-cli and letting it end.
void BM_CommandLineProcessStart(benchmark::State& state) {
  for (auto _ : state) {
    pid_t child = 0;
    char* argv[] = {const_cast<char*>("tarnwick-cli"), const_cast<char*>("--version"), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (posix_spawn(&child, TARNWICK_CLI_PATH, &actions, nullptr, argv, environ) != 0)
      state.SkipWithError("tarnwick-cli did not start");
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(child, &status, 0);
  }
}
BENCHMARK(BM_CommandLineProcessStart)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnwick
