#include "app/qt/run_window.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/main_form.h"
#include "app/qt/main_window_view.h"
#include "app/qt/qt_toolkit.h"
#include "app/qt/sim_bench.h"
#include "app/qt/socket_window.h"
#include "link/linux_port.h"
#include "sim/socket_lock.h"

namespace tarnwick {

namespace {

// The simulated bench's socket is kept beside the configuration file.
constexpr const char* kSocketFile = "Tarnwick.Sim";

int Run(QApplication& app, PortIo& port, ProcessPriority& priority, Clock& clock,
        SimBench* sim = nullptr) {
  QtToolkit toolkit;
  TMainForm form(Services{toolkit, priority, clock, port});
  // Help falls back to the copy beside the program when the current directory has none.
  form.helpScale.helpFallbackDirs = {QCoreApplication::applicationDirPath().toStdString(),
                                     TARNWICK_DATA_DIR, "/usr/share/tarnwick"};
  MainWindowView view(form);
  toolkit.Attach(form, view);
  view.show();
  std::unique_ptr<SocketWindow> bench;
  if (sim != nullptr) {
    SimSocket* socket = &sim->socket;
    bench = std::make_unique<SocketWindow>(sim->box, *socket);
    // Closing the main window ends the program even while the bench is still open.
    bench->setAttribute(Qt::WA_QuitOnClose, false);
    form.devices.OnChipAsked = [socket, &bench](const std::string& caption) {
      socket->EnsureChipFor(caption);
      bench->Refresh();
    };
    bench->show();
    bench->FollowBeside(&view);
  }
  // Some platforms never make the window active; start up anyway.
  QTimer::singleShot(300, &view, [&view] { view.Start(); });
  return app.exec();
}

}  // namespace

int RunWindow(QApplication& app, PortChoice choice) {
  app.setApplicationName("Tarnwick");
  app.setApplicationVersion(TARNWICK_VERSION);
  // The desktop matches the windows to the menu entry that started them by this name,
  // and the installed icon theme holds the icon under the same id.
  app.setDesktopFileName(choice == PortChoice::Hardware ? "org.tarnwick.Tarnwick"
                                                        : "org.tarnwick.TarnwickSim");
  app.setWindowIcon(QIcon::fromTheme("org.tarnwick.Tarnwick"));
  if (choice == PortChoice::Hardware) {
    LinuxPortIo port;
    LinuxPriority priority;
    SteadyClock clock;
    return Run(app, port, priority, clock);
  }
  SimBench sim;
  // The start-up directory, where the settings live too; the file dialogs move the
  // current directory later.
  const std::string socket_file = CurrentDirectory() + "/" + kSocketFile;
  // Held while the window runs, as tarnwick-cli holds its socket file for a run: the
  // two never work on one chip at once.
  SocketFileLock lock;
  SocketFileLock::Wait wait;
  wait.waiting = [] {
    std::fprintf(stderr, "tarnwick-sim: %s is in use by another run; waiting up to %d s\n",
                 kSocketFile, kSocketWaitMs / 1000);
  };
  const SocketFileLock::Outcome taken = lock.Take(socket_file, wait);
  if (taken == SocketFileLock::Outcome::Busy) {
    QMessageBox::critical(nullptr, "Tarnwick",
                          QString("%1 is in use by another run of tarnwick-cli or tarnwick-sim "
                                  "in this folder. Start tarnwick-sim again when it has ended.")
                              .arg(QString::fromStdString(socket_file)));
    return 2;
  }
  // A folder that cannot be written, or a socket file that is no file: the bench starts
  // with an empty socket and keeps nothing, as it always has.
  const bool kept = taken == SocketFileLock::Outcome::Held;
  if (kept && lock.Size() > 0) sim.socket.Load(socket_file);
  UnchangedPriority priority;
  const int result = Run(app, sim.box, priority, sim.clock, &sim);
  if (kept && sim.socket.Save(socket_file)) lock.Saved();
  return result;
}

}  // namespace tarnwick
