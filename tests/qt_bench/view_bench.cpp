// The window's cost during a long device command: a verify of a blank 87C58H against a
// buffer with no FF byte lists 32,768 mismatch lines, each on top, in the real view.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>
#include <ctime>

#include "app/main_form.h"
#include "app/qt/main_window_view.h"
#include "app/qt/qt_toolkit.h"
#include "base/virtual_clock.h"
#include "sim/sim_box.h"
#include "sim/sim_socket.h"

namespace tarnwick {
namespace {

class NoPriority final : public ProcessPriority {
 public:
  bool SetRealTime() override { return true; }
  bool SetNormal() override { return true; }
};

// The main window on the simulated box, shown offscreen.
struct ShownWindow {
  VirtualClock clock;
  SimBox box{&clock};
  SimSocket socket;
  NoPriority priority;
  QtToolkit toolkit;
  TMainForm form{Services{toolkit, priority, clock, box}};
  MainWindowView view{form};
  ShownWindow() {
    box.Plug(&socket);
    view.autoStart = false;
    toolkit.Attach(form, view);
    view.show();
  }
};

void BM_VerifyBlank87C58HInTheView(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ShownWindow w;
    TMainForm& form = w.form;
    w.socket.Insert(*FindChip("87C58H"));
    // The adapter prompt is answered at once.
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
    state.ResumeTiming();
    form.Click(form.Verify);
    state.PauseTiming();
    if (form.Memo1.lines().size() != 32768) state.SkipWithError("not 32768 mismatch lines");
    state.ResumeTiming();
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
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
