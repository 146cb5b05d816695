// The reports of a failed search, a failed load and a failed verify as a person sees them: the real
// window started up offscreen, its boxes read and answered with OK, then grabbed and its
// pixels looked at - the status line's colour, the search's log in view and uncovered,
// no line of it cut at the memo's edge - in both layouts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QFileDialog>
#include <QFontMetricsF>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "app/main_form.h"
#include "app/qt/main_window_view.h"
#include "app/qt/qt_toolkit.h"
#include "app/qt/sim_bench.h"
#include "formats/file_commands.h"
#include "link/detect.h"
#include "link/linux_port.h"
#include "sim/socket_faults.h"
#include "support/fake_kernel.h"
#include "support/fakes.h"
#include "support/sim_form.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// The share of a rectangle's pixels in exactly one colour.
double Share(const QImage& image, const QRect& r, QColor colour) {
  int hits = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) hits += image.pixelColor(x, y) == colour;
  return static_cast<double>(hits) / (r.width() * r.height());
}

class ReportLookTest : public ::testing::Test {
 protected:
  ReportLookTest() {
    // One folder per process: ctest runs the tests of this file side by side.
    dir_ = fs::temp_directory_path() / ("tarnwick-report-look-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    old_ = fs::current_path();
    fs::current_path(dir_);
    // The operator reads each box and presses OK; an open dialog gets the file the test
    // names, as if typed into it.
    QObject::connect(&answer_, &QTimer::timeout, [this] {
      QWidget* modal = QApplication::activeModalWidget();
      if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        boxes.push_back(box->text().toStdString());
        box->accept();
      } else if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
        dialogFilter = dialog->selectedNameFilter().toStdString();
        dialog->selectFile(QString::fromStdString(chosenFile));
        QMetaObject::invokeMethod(dialog, "accept");  // its Open button
      }
    });
    answer_.start(10);
  }
  ~ReportLookTest() override {
    answer_.stop();
    view.reset();
    form.reset();
    fs::current_path(old_);
    fs::remove_all(dir_);
  }

  // The window on this port, through the start-up sequence.
  void StartUp(PortIo& port, Clock& clock) {
    view.reset();
    form.reset();
    toolkit = std::make_unique<QtToolkit>();
    form = std::make_unique<TMainForm>(Services{*toolkit, priority, clock, port});
    view = std::make_unique<MainWindowView>(*form);
    view->autoStart = false;
    toolkit->Attach(*form, *view);
    view->show();
    form->Activate();
    Sync();
  }
  void Sync() {
    view->SyncFromForm();
    QApplication::processEvents();
  }
  void Click(Control& c) {
    auto* button = qobject_cast<QPushButton*>(view->WidgetOf(c));
    ASSERT_TRUE(button->isEnabled()) << c.name();
    button->click();
    Sync();
  }
  QRect InWindow(const QWidget* w) const {
    return QRect(w->mapTo(view.get(), QPoint(0, 0)), w->size());
  }
  // The window as a person sees it; saved under TARNWICK_LOOK_SHOTS to look at.
  QImage Shot(const std::string& name) {
    Sync();
    const QImage shot = view->grab().toImage();
    const QString shots = qEnvironmentVariable("TARNWICK_LOOK_SHOTS");
    if (!shots.isEmpty()) shot.save(shots + "/" + QString::fromStdString(name) + ".png");
    return shot;
  }

  // The status line red with its text, in the window's picture.
  void ExpectRedStatus(const QImage& shot, const char* text) {
    auto* status = qobject_cast<QLabel*>(view->WidgetOf(form->StaticText3));
    EXPECT_EQ(status->text(), text);
    EXPECT_GT(Share(shot, InWindow(status), Qt::red), 0.6) << "red behind black text";
    EXPECT_GE(status->width(), QFontMetricsF(status->font()).horizontalAdvance(status->text()))
        << "the whole text shows";
  }

  // Every line of the memo (or its first `top` lines) in view, on top of whatever else
  // the work area holds, and whole: no line wider than the room the list's rows give
  // text, no ink in the last column of pixels inside its frame.
  void ExpectMemoReadable(const QImage& shot, int top = 0) {
    auto* memo = qobject_cast<QListView*>(view->WidgetOf(form->Memo1));
    ASSERT_TRUE(memo->isVisible());
    const int rows = top > 0 ? std::min(top, memo->model()->rowCount()) : memo->model()->rowCount();
    ASSERT_GT(rows, 0);
    const QWidget* inside = memo->viewport();
    // Rows draw their text this far in from each side (QCommonStyle's item text margin).
    const int margin = memo->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, memo) + 1;
    const QFontMetricsF metrics(memo->font());
    for (int row = 0; row < rows; ++row) {
      const QModelIndex index = memo->model()->index(row, 0);
      const QString line = index.data().toString();
      SCOPED_TRACE(line.toStdString());
      EXPECT_LE(metrics.horizontalAdvance(line), inside->width() - 2 * margin)
          << "the line fits its row";
      const QRect place = memo->visualRect(index);
      EXPECT_GE(place.top(), 0);
      EXPECT_LE(place.bottom(), inside->height() - 1) << "the line is in view";
      const QPoint centre = inside->mapTo(view.get(), place.center());
      EXPECT_EQ(view->childAt(centre), inside) << "nothing covers the line";
    }
    const QRect area = InWindow(inside);
    const QColor paper = memo->palette().color(QPalette::Base);
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
      ink += shot.pixelColor(area.right(), y) != paper;
    EXPECT_EQ(ink, 0) << "no text reaches the memo's right edge";
    EXPECT_FALSE(view->WidgetOf(form->Device_Box)->isVisible())
        << "the device list waits for the Device button while no box answers";
  }

  fs::path dir_, old_;
  std::unique_ptr<QtToolkit> toolkit;  // one for each window
  FakePriority priority;
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<MainWindowView> view;
  QTimer answer_;
  std::vector<std::string> boxes;
  std::string chosenFile;
  std::string dialogFilter;  // the file types the open dialog showed
};

struct SearchCase {
  const char* what;
  std::function<void(SimBench&, FakeKernel&)> setUp;
  bool kernel;     // reached through the Linux backend over the model of the kernel
  bool powerPack;  // the failure box sends the operator to the power pack
};

// A search that finds no box leaves its log readable under a red status line, whatever
// the reason: the box's power pack pulled (every loop-back fails), no printer port on
// the machine at all, or ports the user may not open; the failure box blames the power
// pack only where a port opened.
TEST_F(ReportLookTest, AFailedSearchLeavesItsLogReadable) {
  const SearchCase cases[] = {
      {"the power pack pulled", [](SimBench& b, FakeKernel&) { b.box.SetPowered(false); }, false,
       true},
      {"no printer port, no I/O ports", [](SimBench&, FakeKernel& k) { k.iopermErrno = ENOSYS; },
       true, false},
      {"the port listed, the user not in group lp",
       [](SimBench&, FakeKernel& k) {
         k.ListPort({.number = 0, .base = 0x378, .baseHi = 0x778, .openErrno = EACCES});
         k.iopermErrno = EPERM;
       },
       true, false},
  };
  int shot_number = 0;
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.what);
    ++shot_number;
    SimBench bench;
    FakeKernel kernel(bench.clock);
    LinuxPortIo linux_port(kernel);
    c.setUp(bench, kernel);
    boxes.clear();
    StartUp(c.kernel ? static_cast<PortIo&>(linux_port) : bench.box, bench.clock);
    ASSERT_EQ(form->s.ProgrammerFound, 0);
    ASSERT_FALSE(boxes.empty());
    EXPECT_NE(boxes.back().find("Can Not Be"), std::string::npos) << boxes.back();
    EXPECT_EQ(boxes.back().find("Power Pack") != std::string::npos, c.powerPack) << boxes.back();
    for (int layout = 0; layout < 2; ++layout) {
      SCOPED_TRACE(layout == 0 ? "normal layout" : "large layout");
      const QImage shot =
          Shot("search-" + std::to_string(shot_number) + "-" + std::to_string(layout));
      ExpectRedStatus(shot, kNotFoundStatus);
      ExpectMemoReadable(shot);
      Click(form->Scale);
    }
    view.reset();
    form.reset();
  }
}

// An Intel Hex file loaded with the file type on Motorola stores nothing: the box names
// the file and the format it was read as, the status line is red, and the file is not
// shown as loaded; in both layouts. The open dialog offered the names S-record files go
// by.
TEST_F(ReportLookTest, AWrongFormatLoadEndsRed) {
  SimBench bench;
  StartUp(bench.box, bench.clock);
  ASSERT_EQ(form->s.ProgrammerFound, 1);
  chosenFile = (dir_ / "blink.ihx").string();
  // 02 00 0C at 0000: LJMP 000C; checksum 100h - (03+02+0C) = EF.
  std::ofstream(chosenFile) << ":0300000002000CEF\n:00000001FF\n";
  Click(form->File_But);
  auto* types = qobject_cast<QListView*>(view->WidgetOf(form->File_Type));
  ASSERT_TRUE(types->isVisible());
  emit types->clicked(types->model()->index(2, 0));  // "Motorola Hex"
  Sync();
  ASSERT_EQ(form->File_But.caption, "Motorola Hex File");
  boxes.clear();
  const auto before = form->s.Buffer;
  Click(form->Load_But);
  EXPECT_EQ(boxes, std::vector<std::string>{"No Motorola S-records in " + chosenFile +
                                            ": is it another format?"});
  EXPECT_TRUE(form->s.Buffer == before) << "nothing stored";
  for (const char* pattern : {"*.hex", "*.s19", "*.s28", "*.s37", "*.srec", "*.mot"})
    EXPECT_NE(dialogFilter.find(pattern), std::string::npos)
        << dialogFilter << ": the names S-record files go by";
  for (int layout = 0; layout < 2; ++layout) {
    SCOPED_TRACE(layout == 0 ? "normal layout" : "large layout");
    const QImage shot = Shot("load-" + std::to_string(layout));
    ExpectRedStatus(shot, kLoadFailedText);
    EXPECT_EQ(qobject_cast<QLabel*>(view->WidgetOf(form->StaticText4))->text(),
              "Last File Loaded in Buffer=No File Loaded");
    Click(form->Scale);
  }
}

// A verify failed by a data line stuck in the socket: the summary and the likely cause
// stand whole on top of the memo, above the mismatch lines, under a red status line.
TEST_F(ReportLookTest, AFailedVerifyNamesTheStuckLineOnTopOfTheMemo) {
  SimBench bench;
  StartUp(bench.box, bench.clock);
  ASSERT_EQ(form->s.ProgrammerFound, 1);
  form->devices.OnChipAsked = [&bench](const std::string& c) { bench.socket.EnsureChipFor(c); };
  auto* devices = qobject_cast<QListView*>(view->WidgetOf(form->Device_Box));
  ASSERT_TRUE(devices->isVisible());
  emit devices->clicked(devices->model()->index(SimForm::RowOf("87C51H"), 0));
  Sync();
  form->s.DeviceEnd = 0x3F;
  std::fill(bench.socket.Chip()->contents().begin(), bench.socket.Chip()->contents().end(), 0x00);
  std::fill(form->s.Buffer.begin(), form->s.Buffer.end(), 0x00);
  SocketFaults faults;
  faults.data[3] = PinLevel::High;
  bench.socket.SetFaults(faults);
  Click(form->Verify);
  ASSERT_EQ(form->outcomes.device.mismatches.size(), 0x40u);
  const std::vector<std::string>& diagnosis = form->outcomes.device.diagnosis;
  ASSERT_FALSE(diagnosis.empty());
  EXPECT_NE(diagnosis.back().find("D3 likely stuck at 1"), std::string::npos) << diagnosis.back();
  auto* memo = qobject_cast<QListView*>(view->WidgetOf(form->Memo1));
  const int top = 6;  // the summary, the bits and the cause, wrapped to the memo's width
  for (int layout = 0; layout < 2; ++layout) {
    SCOPED_TRACE(layout == 0 ? "normal layout" : "large layout");
    const QImage shot = Shot("verify-" + std::to_string(layout));
    ExpectRedStatus(shot, "Device Did NOT Verify to Buffer....");
    ExpectMemoReadable(shot, top);
    EXPECT_EQ(memo->model()->index(0, 0).data().toString().toStdString(), diagnosis.front());
    QString shown;
    for (int row = 0; row < top; ++row)
      shown += memo->model()->index(row, 0).data().toString().trimmed() + " ";
    EXPECT_TRUE(shown.contains("pin 36 of the 875X")) << shown.toStdString();
    Click(form->Scale);
  }
}

}  // namespace
}  // namespace tarnwick
