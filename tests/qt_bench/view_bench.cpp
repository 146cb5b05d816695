// The window's cost during a long device command: a verify of a blank 87C58H against a
// buffer with no FF byte lists 32,768 mismatch lines, each on top, in the real view; and
// the process's memory over a tray of unerased chips blank-checked one after another.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>

#include "app/main_form.h"
#include "app/qt/main_window_view.h"
#include "app/qt/qt_toolkit.h"
#include "app/qt/sim_bench.h"

namespace tarnwick {
namespace {

class NoPriority final : public ProcessPriority {
 public:
  bool SetRealTime() override { return true; }
  bool SetNormal() override { return true; }
};

// The main window on the simulated bench tarnwick-sim runs on, shown offscreen.
struct ShownWindow {
  SimBench bench;
  NoPriority priority;
  QtToolkit toolkit;
  TMainForm form{Services{toolkit, priority, bench.clock, bench.box}};
  MainWindowView view{form};
  ShownWindow() {
    view.autoStart = false;
    toolkit.Attach(form, view);
    view.show();
  }
  // The box found and an 87C58H chosen, its adapter prompt answered at once; the waits
  // as short as the box allows, so the runs are short.
  void Choose87C58H() {
    bench.socket.Insert(*FindChip("87C58H"));
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
      if (QWidget* box = QApplication::activeModalWidget()) box->close();
    });
    answer.start(5);
    form.detect.FindProgrammer();
    form.s.DeviceRow = 12;
    form.devices.SelectDevice();
    form.s.PulseWait = 1;
    form.shell.EnterIdleState();
  }
};

// The process's resident memory in MiB: VmRSS of /proc/self/status (proc(5)).
double ResidentMiB() {
  std::FILE* status = std::fopen("/proc/self/status", "r");
  if (status == nullptr) return -1;
  char line[256];
  long kib = -1;
  while (std::fgets(line, sizeof line, status) != nullptr)
    if (std::sscanf(line, "VmRSS: %ld kB", &kib) == 1) break;
  std::fclose(status);
  return static_cast<double>(kib) / 1024.0;
}

// Four programmed 87C58H blank-checked one after another, each listing 32,768 lines in
// the memo: the memory before the first, after it, and after the fourth. Registered
// first, so no earlier benchmark's freed memory blurs the figures.
void BM_MemoryOfFourFailingBlankChecks(benchmark::State& state) {
  for (auto _ : state) {
    ShownWindow w;
    w.Choose87C58H();
    std::fill(w.bench.socket.Chip()->contents().begin(), w.bench.socket.Chip()->contents().end(),
              0x00);
    QApplication::processEvents();
    const double before = ResidentMiB();
    double after_one = 0;
    bool listed = true;
    for (int check = 1; check <= 4 && listed; ++check) {
      w.form.Click(w.form.Blank_Chk);
      QApplication::processEvents();
      listed = w.form.outcomes.device.mismatches.size() == 32768 &&
               w.form.Memo1.lines().size() > 32768 &&
               w.form.StaticText3.caption == "Device is NOT Erased....";
      if (check == 1) after_one = ResidentMiB();
    }
    if (!listed) {
      state.SkipWithError("a blank check did not list 32768 lines");
      break;
    }
    state.counters["MiB_before"] = before;
    state.counters["MiB_after_32768_lines"] = after_one;
    state.counters["MiB_after_4_checks"] = ResidentMiB();
  }
}
BENCHMARK(BM_MemoryOfFourFailingBlankChecks)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_VerifyBlank87C58HInTheView(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ShownWindow w;
    TMainForm& form = w.form;
    w.Choose87C58H();
    state.ResumeTiming();
    form.Click(form.Verify);
    state.PauseTiming();
    const bool listed =
        form.outcomes.device.mismatches.size() == 32768 && form.Memo1.lines().size() > 32768;
    state.ResumeTiming();
    if (!listed) {
      state.SkipWithError("not 32768 mismatch lines");
      break;
    }
  }
}
BENCHMARK(BM_VerifyBlank87C58HInTheView)->Unit(benchmark::kMillisecond)->Iterations(2);

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// A TimerWait of 100 ms in the real window sleeps in the event loop: the processor
// time it takes, as a share of one core (the programmer waits this way between mode
// changes and after erase pulses).
void BM_TimerWait100InTheView(benchmark::State& state) {
  ShownWindow w;
  TMainForm& form = w.form;
  double cpu = 0;
  for (auto _ : state) {
    const double before = CpuSeconds();
    form.s.WaitMs = 100;
    form.waits.TimerWait();
    cpu += CpuSeconds() - before;
  }
  state.counters["cpu_percent_of_a_core"] =
      100.0 * cpu / (0.1 * static_cast<double>(state.iterations()));
}
BENCHMARK(BM_TimerWait100InTheView)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace
}  // namespace tarnwick

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
