#include "app/qt/run_window.h"

#include <QApplication>
#include <QTimer>
#include <memory>

#include "app/main_form.h"
#include "app/qt/main_window_view.h"
#include "app/qt/qt_toolkit.h"

namespace tarnwick {

namespace {

// Until the printer-port backends are in: a port with nothing on it.
class EmptyPort final : public PortIo {
 public:
  uint8_t Read(uint16_t) override { return 0x7F; }
  void Write(uint16_t, uint8_t) override {}
  bool Open(uint16_t, std::string&) override { return true; }
  void Close() override {}
};

}  // namespace

int RunWindow(QApplication& app, PortChoice choice) {
  (void)choice;
  app.setApplicationName("Tarnwick");
  EmptyPort port;
  LinuxPriority priority;
  SteadyClock clock;
  QtToolkit toolkit;
  TMainForm form(Services{toolkit, priority, clock, port});
  MainWindowView view(form);
  toolkit.Attach(form, view);
  view.show();
  // Some platforms never make the window active; start up anyway.
  QTimer::singleShot(300, &view, [&view] { view.Start(); });
  return app.exec();
}

}  // namespace tarnwick
