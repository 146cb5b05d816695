// The real window on the simulated bench, driven through its widgets: the modal boxes
// are answered as a person would, the timer is Qt's, messages pass through Qt's loop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <filesystem>

#include "app/main_form.h"
#include "app/qt/main_window_view.h"
#include "app/qt/qt_toolkit.h"
#include "app/qt/sim_bench.h"
#include "base/virtual_clock.h"
#include "sim/sim_box.h"
#include "sim/sim_socket.h"
#include "support/fakes.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

class SimWindowTest : public ::testing::Test {
 protected:
  SimWindowTest() {
    // One folder per process: ctest runs the tests of this file side by side.
    dir_ = fs::temp_directory_path() / ("tarnwick-sim-window-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    old_ = fs::current_path();
    fs::current_path(dir_);
    box.Plug(&socket);
    form = std::make_unique<TMainForm>(Services{toolkit, priority, clock, box});
    view = std::make_unique<MainWindowView>(*form);
    view->autoStart = false;
    toolkit.Attach(*form, *view);
    form->devices.OnChipAsked = [this](const std::string& c) { socket.EnsureChipFor(c); };
    // The operator reads each box and presses OK.
    QObject::connect(&answer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        boxes.push_back(box->text().toStdString());
        box->accept();
      }
    });
    answer_.start(10);
    view->show();
  }
  ~SimWindowTest() override {
    answer_.stop();
    view.reset();
    form.reset();
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  void StartUp() {
    form->Activate();
    view->SyncFromForm();
  }
  void ChooseRow(int row) {
    auto* list = qobject_cast<QListView*>(view->WidgetOf(form->Device_Box));
    ASSERT_TRUE(list->isVisible());
    emit list->clicked(list->model()->index(row, 0));
  }
  QString Status() const {
    return qobject_cast<QLabel*>(view->WidgetOf(form->StaticText3))->text();
  }
  void Press(Control& button) {
    auto* b = qobject_cast<QPushButton*>(view->WidgetOf(button));
    ASSERT_TRUE(b->isEnabled()) << button.name();
    b->click();
  }

  fs::path dir_, old_;
  VirtualClock clock;
  SimBox box{&clock};
  SimSocket socket;
  FakePriority priority;
  QtToolkit toolkit;
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<MainWindowView> view;
  QTimer answer_;
  std::vector<std::string> boxes;
};

TEST_F(SimWindowTest, ChooseAnEpromProgramItAndReadItBack) {
  StartUp();
  EXPECT_EQ(Status(), "The Quillbox was Found at 0378");
  ChooseRow(9);  // 87C51H
  EXPECT_EQ(boxes, std::vector<std::string>{""}) << "the 875X adapter prompt";
  ASSERT_NE(socket.Chip(), nullptr);
  EXPECT_STREQ(socket.Chip()->info().name, "87C51H");

  // A small window keeps the test short; the real pulse counts run unchanged.
  form->s.DeviceEnd = 0x3F;
  form->window.ApplyWindow();
  for (int a = 0; a < 0x40; ++a) form->s.Buffer[a] = static_cast<uint8_t>(a * 7 + 1);
  Press(form->Programm);
  EXPECT_EQ(Status(), "Device Verified to Buffer....");
  for (int a = 0; a < 0x40; ++a)
    ASSERT_EQ(socket.Chip()->contents()[a], static_cast<uint8_t>(a * 7 + 1)) << a;

  std::fill(form->s.Buffer.begin(), form->s.Buffer.end(), 0);
  Press(form->Move_Eprom);
  EXPECT_EQ(Status(), "Device Has Been Moved to Buffer....");
  EXPECT_EQ(form->s.Buffer[0x3F], static_cast<uint8_t>(0x3F * 7 + 1));

  Press(form->Blank_Chk);
  EXPECT_EQ(Status(), "Device is NOT Erased....");
  EXPECT_EQ(form->StaticText3.colour, colour::Red);
}

TEST_F(SimWindowTest, QuitStopsAVerifyThroughTheWindow) {
  StartUp();
  ChooseRow(12);
  ASSERT_NE(socket.Chip(), nullptr);  // 87C58H, 32 KiB
  // Quit is pressed a little while after the verify has begun.
  QTimer::singleShot(
      50, [this] { qobject_cast<QPushButton*>(view->WidgetOf(form->Quit_Func_But))->click(); });
  Press(form->Verify);
  EXPECT_LT(form->s.DeviceAddr, 0x7FFF) << "stopped before the end";
  EXPECT_EQ(form->Quit_Func_But.enabled, true);
  EXPECT_EQ(Status(), "Device Did NOT Verify to Buffer....") << "a blank chip against 00";
}

// tarnwick-sim's own bench keeps the box's log but no record of single accesses: the
// waits of one blank check of a 32 KiB chip read the port millions of times, and a tray
// of failing checks held gigabytes of them.
TEST(SimBenchTest, KeepsTheBoxLogButNoRecordOfAccesses) {
  SimBench bench;
  QtToolkit toolkit;
  FakePriority priority;
  TMainForm form(Services{toolkit, priority, bench.clock, bench.box});
  form.detect.FindProgrammer();
  ASSERT_EQ(form.s.ProgrammerFound, 1);
  EXPECT_FALSE(bench.box.Log().empty()) << "the loop-back test's latch loads are noted";
  EXPECT_EQ(bench.box.RecordedCount(), 0u);
}

}  // namespace
}  // namespace tarnwick
