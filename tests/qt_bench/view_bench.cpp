// The window's cost during a long device command: a verify of a blank 87C58H against a
// buffer with no FF byte lists 32,768 mismatch lines, each on top, in the real view.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTimer>

#include "app/main_form.h"
#include "app/qt/main_window_view.h"
#include "app/qt/qt_toolkit.h"
#include "app/virtual_clock.h"
#include "sim/sim_box.h"
#include "sim/sim_socket.h"

namespace tarnwick {
namespace {

class NoPriority final : public ProcessPriority {
 public:
  bool SetRealTime() override { return true; }
  bool SetNormal() override { return true; }
};

void BM_VerifyBlank87C58HInTheView(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    VirtualClock clock;
    SimBox box(&clock);
    SimSocket socket;
    box.Plug(&socket);
    socket.Insert(*FindChip("87C58H"));
    NoPriority priority;
    QtToolkit toolkit;
    TMainForm form(Services{toolkit, priority, clock, box});
    MainWindowView view(form);
    view.autoStart = false;
    toolkit.Attach(form, view);
    view.show();
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
