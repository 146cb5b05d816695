// What a production job adds to each chip beyond the device commands themselves: the
// same chips (erase, blank check, program, verify of a 256-byte window of an 89C51)
// once through the window's handlers and once through `tarnwick-cli job run`, which
// also takes the chip's row and serial number from the record, writes the number into
// the buffer, prints the chip's lines and records its result. The time reported is the
// difference per chip. A second benchmark times the record's two transactions alone
// (each flushed to the disk, in the temporary folder).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/cli_run.h"
#include "cli/job_record.h"
#include "support/sim_form.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

constexpr int kChips = 20;

struct BenchFolder {
  fs::path dir = fs::temp_directory_path() / ("tarnwick-job-bench-" + std::to_string(getpid()));
  BenchFolder() {
    fs::create_directories(dir);
    std::ofstream image(dir / "fw.bin", std::ios::binary);
    for (int i = 0; i < 0x100; ++i) image.put(static_cast<char>(i * 13 + 7));
  }
  ~BenchFolder() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  std::string operator/(const char* name) const { return (dir / name).string(); }
};

int Cli(const std::vector<std::string>& args, const std::string& input) {
  std::ostringstream out, err;
  std::istringstream in(input);
  const CliStreams io{out, err, in, false};
  return RunCli(args, io);
}

double SecondsSince(std::chrono::steady_clock::time_point t0) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The job's chips, start-up included.
double JobRun(const BenchFolder& folder) {
  fs::remove(folder / "job.db");
  const auto t0 = std::chrono::steady_clock::now();
  const int code = Cli({"job", "run", folder / "job.toml", "--sim", "--progress", "none"},
                       std::string(kChips, '\n'));
  const double seconds = SecondsSince(t0);
  return code == kExitOk ? seconds : -1;
}

// The same chips with the window's buttons, start-up included.
double ThroughTheWindow(const BenchFolder& folder) {
  const auto t0 = std::chrono::steady_clock::now();
  SimForm sim;
  sim.box.SetRecording(false);
  TMainForm& f = sim.f();
  sim.FindBox();
  sim.box.SetRecording(false);
  f.devices.OnChipAsked = [&sim](const std::string& c) { sim.socket.EnsureChipFor(c); };
  f.Click(f.Device);
  f.ListClick(f.Device_Box, SimForm::RowOf("89C51"));
  f.s.DeviceEnd = 0xFF;
  f.Click(f.File_But);
  f.ListClick(f.File_Type, 0);
  sim.toolkit.dialogAnswers = {folder / "fw.bin"};
  f.Click(f.Load_But);
  if (f.s.AutoVerifyOn == 1) f.Click(f.Auto_Verify);
  for (int chip = 0; chip < kChips; ++chip) {
    sim.socket.Insert(sim.socket.Chip()->info());  // a new blank chip
    for (Control* button : {&f.Erase_But, &f.Blank_Chk, &f.Programm, &f.Verify}) f.Click(*button);
    if (f.outcomes.device.verdict != Verdict::Success) return -1;
  }
  f.link.ClosePort();
  return SecondsSince(t0);
}

void BM_JobMachineryPerChip(benchmark::State& state) {
  const BenchFolder folder;
  if (Cli({"--device", "89C51", "--window", "0:0:FF", "--serial", "F0:4:le:1", "job", "new",
           folder / "job.toml", folder / "fw.bin"},
          "") != kExitOk)
    state.SkipWithError("job new failed");
  for (auto _ : state) {
    const double job = JobRun(folder);
    const double window = ThroughTheWindow(folder);
    if (job < 0 || window < 0) {
      state.SkipWithError("a chip failed");
      break;
    }
    state.SetIterationTime(std::max(0.0, job - window) / kChips);
    state.counters["job_ms_per_chip"] = job * 1000 / kChips;
    state.counters["commands_ms_per_chip"] = window * 1000 / kChips;
  }
}
BENCHMARK(BM_JobMachineryPerChip)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_RecordClaimAndFinish(benchmark::State& state) {
  const BenchFolder folder;
  JobRecord record;
  record.Open(folder / "bench.db", true, {});
  SerialRule rule;
  rule.length = 4;
  rule.first = 1;
  record.Prepare(rule);
  const RecordStation station{"host", "sim", "", std::string(64, '0')};
  ChipResult result;
  result.kind = ChipResult::Kind::Pass;
  result.steps = "erase,blank,program,verify";
  for (auto _ : state) record.Finish(record.Claim(station), result, true);
}
BENCHMARK(BM_RecordClaimAndFinish)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarnwick
