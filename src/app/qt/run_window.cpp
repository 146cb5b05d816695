#include "app/qt/run_window.h"

#include <QApplication>
#include <QTimer>
#include <memory>

#include "app/main_form.h"
#include "app/qt/main_window_view.h"
#include "app/qt/qt_toolkit.h"
#include "app/virtual_clock.h"
#include "link/linux_port.h"
#include "sim/sim_box.h"

namespace tarnwick {

namespace {

// The simulated box has no desktop to starve: its priority requests always succeed
// and change nothing.
class UnchangedPriority final : public ProcessPriority {
 public:
  bool SetRealTime() override { return true; }
  bool SetNormal() override { return true; }
};

int Run(QApplication& app, PortIo& port, ProcessPriority& priority, Clock& clock) {
  QtToolkit toolkit;
  TMainForm form(Services{toolkit, priority, clock, port});
  // Help falls back to the copy beside the program when the current directory has none.
  form.helpScale.helpFallbackDirs = {QCoreApplication::applicationDirPath().toStdString(),
                                     TARNWICK_DATA_DIR, "/usr/share/tarnwick"};
  MainWindowView view(form);
  toolkit.Attach(form, view);
  view.show();
  // Some platforms never make the window active; start up anyway.
  QTimer::singleShot(300, &view, [&view] { view.Start(); });
  return app.exec();
}

}  // namespace

int RunWindow(QApplication& app, PortChoice choice) {
  app.setApplicationName("Tarnwick");
  if (choice == PortChoice::Hardware) {
    LinuxPortIo port;
    LinuxPriority priority;
    SteadyClock clock;
    return Run(app, port, priority, clock);
  }
  VirtualClock clock;
  clock.FollowRealTime(true);
  SimBox box(&clock);
  UnchangedPriority priority;
  return Run(app, box, priority, clock);
}

}  // namespace tarnwick
