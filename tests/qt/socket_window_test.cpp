// The simulated bench's socket window, offscreen.
#include "app/qt/socket_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QScreen>

#include "app/main_form.h"
#include "app/qt/main_window_view.h"
#include "app/qt/qt_toolkit.h"
#include "base/virtual_clock.h"
#include "link/latches.h"
#include "sim/sim_box.h"
#include "sim/sim_socket.h"
#include "support/fakes.h"

namespace tarnwick {
namespace {

QPushButton* Button(SocketWindow& w, const QString& prefix) {
  for (QPushButton* b : w.findChildren<QPushButton*>())
    if (b->text().startsWith(prefix)) return b;
  return nullptr;
}

class SocketWindowTest : public ::testing::Test {
 protected:
  SocketWindowTest() { box.Plug(&socket); }
  VirtualClock clock;
  SimBox box{&clock};
  SimSocket socket;
};

TEST_F(SocketWindowTest, ChoosingAChipPutsABlankOneInTheSocket) {
  SocketWindow w(box, socket);
  auto* combo = w.findChild<QComboBox*>();
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->count(), 21) << "the empty socket and the 20 chips";
  const int row = combo->findText("87C51H");
  ASSERT_GT(row, 0);
  combo->setCurrentIndex(row);
  emit combo->activated(row);
  ASSERT_NE(socket.Chip(), nullptr);
  EXPECT_STREQ(socket.Chip()->info().name, "87C51H");
  // 4096 bytes of FF sum to F000.
  EXPECT_TRUE(w.Summary().contains("F000 over 4096 bytes")) << w.Summary().toStdString();
  combo->setCurrentIndex(0);
  emit combo->activated(0);
  EXPECT_EQ(socket.Chip(), nullptr);
}

TEST_F(SocketWindowTest, UvLightErasesAnEpromButNotAFlashPart) {
  socket.Insert(*FindChip("87C51H"));
  socket.Chip()->contents()[5] = 0x12;
  socket.Chip()->SetLockBits(3);
  SocketWindow w(box, socket);
  QPushButton* uv = Button(w, "Erase with UV");
  ASSERT_NE(uv, nullptr);
  EXPECT_TRUE(uv->isEnabled());
  uv->click();
  EXPECT_EQ(socket.Chip()->contents()[5], 0xFF);
  EXPECT_EQ(socket.Chip()->LockBits(), 0);
  socket.Insert(*FindChip("89C51"));
  w.Refresh();
  EXPECT_FALSE(uv->isEnabled()) << "flash parts have no window";
}

TEST_F(SocketWindowTest, AgeingTheChipWeakensCellsThatHoldDataUntilMadeStable) {
  socket.Insert(*FindChip("87C51H"));
  for (int a = 0x100; a < 0x110; ++a) socket.Chip()->contents()[static_cast<size_t>(a)] = 0x3C;
  SocketWindow w(box, socket);
  QPushButton* age = Button(w, "Age the Chip");
  QPushButton* stable = Button(w, "Make Cells Stable");
  ASSERT_NE(age, nullptr);
  ASSERT_NE(stable, nullptr);
  EXPECT_FALSE(stable->isEnabled());
  age->click();
  const auto& cells = socket.Chip()->Unstable();
  ASSERT_EQ(cells.size(), 3u);
  for (const auto& [addr, bits] : cells) {
    EXPECT_TRUE(addr >= 0x100 && addr < 0x110) << addr;
    // "0104 D3 30%" in the list of unstable cells.
    int bit = 0;
    while ((bits.mask >> bit & 1) == 0) ++bit;
    const QString shown = QString("%1 D%2 30%").arg(addr, 4, 16, QChar('0')).toUpper().arg(bit);
    EXPECT_TRUE(w.Summary().contains(shown)) << w.Summary().toStdString();
  }
  EXPECT_TRUE(stable->isEnabled());
  stable->click();
  EXPECT_TRUE(socket.Chip()->Unstable().empty());
  EXPECT_FALSE(w.Summary().contains("30%")) << w.Summary().toStdString();
}

TEST_F(SocketWindowTest, PowerPackAndLatchesAreShown) {
  SocketWindow w(box, socket);
  QPushButton* power = Button(w, "Unplug");
  ASSERT_NE(power, nullptr);
  power->click();
  EXPECT_FALSE(box.Live());
  EXPECT_TRUE(w.Summary().contains("power pack unplugged"));
  power->click();
  EXPECT_TRUE(box.Live());
  PortRefusal refusal;
  ASSERT_TRUE(box.Open(0x378, refusal));
  // Latch3 := B0 then Latch2 := 3F: the 12.5 V level.
  for (auto [latch, value] : {std::pair{kLatch3, 0xB0}, std::pair{kLatch2, 0x3F}}) {
    box.Write(0x378, static_cast<uint8_t>(value));
    box.Write(0x37A, latch);
    box.Write(0x37A, static_cast<uint8_t>(latch + 4));
    box.Write(0x37A, 0);
  }
  w.Refresh();
  EXPECT_TRUE(w.Summary().contains("12.50 V")) << w.Summary().toStdString();
  const QString shot = qEnvironmentVariable("TARNWICK_SOCKET_SCREENSHOT");
  if (!shot.isEmpty()) {
    socket.Insert(*FindChip("87C51H"));
    w.Refresh();
    w.show();
    QApplication::processEvents();
    EXPECT_TRUE(w.grab().save(shot));
  }
  EXPECT_TRUE(w.Summary().contains("3=B0 2=3F"));
}

TEST_F(SocketWindowTest, ContactFaultsAreChosenAndShown) {
  socket.Insert(*FindChip("87C51H"));
  SocketWindow w(box, socket);
  auto combos = w.findChildren<QComboBox*>();
  combos.removeFirst();  // the chip's
  const auto choose = [&](const QString& entry) {
    for (QComboBox* combo : combos)
      if (const int i = combo->findText(entry); i >= 0) emit combo->activated(i);
  };
  auto* loose = w.findChild<QCheckBox*>();
  ASSERT_NE(loose, nullptr);
  choose("D3 stuck at 0");
  choose("A11 open");
  loose->setChecked(true);
  choose("D7 stuck at 1");  // one data line at a time from the list
  EXPECT_EQ(FaultTexts(socket.Faults()),
            (std::vector<std::string>{"data7=1", "a11=open", "nochip"}));
  EXPECT_TRUE(w.Summary().contains("\ndata7=1, a11=open, nochip\n")) << w.Summary().toStdString();
  EXPECT_EQ(combos[0]->currentText() + ", " + combos[1]->currentText(), "D7 stuck at 1, A11 open");

  // Faults set elsewhere (the socket file) show in the lists.
  SocketFaults a5;
  ASSERT_TRUE(AddFault("a5=1", a5));
  socket.SetFaults(a5);
  w.Refresh();
  EXPECT_FALSE(loose->isChecked());
  EXPECT_EQ(combos[0]->currentText() + ", " + combos[1]->currentText(), "none, A5 stuck at 1");
}

// The bench goes whole on the screen: on the main window's right where there is room,
// else on its left, below it, above it; on a screen with room on no side, on the right
// pushed onto the screen. A side of the main window slides it onto the screen.
TEST(SocketWindowPlace, BesideTheMainWindowOnTheScreen) {
  const QSize bench(410, 200);  // its frame with a title bar
  struct Case {
    const char* what;
    QRect screen, main;
    QPoint at;
  };
  const QRect wide(0, 0, 1920, 1080), small(0, 0, 1280, 994), laptop(0, 0, 1280, 770);
  const Case cases[] = {
      {"right", wide, QRect(100, 50, 743, 490), QPoint(851, 50)},
      {"left: the main window near the right edge", wide, QRect(1000, 60, 885, 584),
       QPoint(582, 60)},
      {"right, slid up: the main window low on the screen", wide, QRect(100, 950, 743, 490),
       QPoint(851, 880)},
      {"below: a 1280-pixel screen, the main window in the middle", small,
       QRect(268, 252, 743, 490), QPoint(268, 750)},
      {"above: the main window low on a 1280-pixel screen", small, QRect(268, 500, 743, 490),
       QPoint(268, 292)},
      {"below, slid onto the screen: the main window past its left edge", small,
       QRect(-100, 100, 1300, 490), QPoint(0, 598)},
      {"no side has room: right, pushed onto the screen", laptop, QRect(268, 140, 743, 490),
       QPoint(870, 140)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const QPoint at = SocketWindow::PlaceBeside(c.main, bench, c.screen);
    EXPECT_EQ(at, c.at);
    EXPECT_TRUE(c.screen.contains(QRect(at, bench))) << "whole on the screen";
  }
}

// Scaling and moving the main window take the bench along, and keep it on the screen.
TEST_F(SocketWindowTest, FollowsTheMainWindow) {
  QtToolkit toolkit;
  FakePriority priority;
  RecordingPort port;
  TMainForm form(Services{toolkit, priority, clock, port});
  MainWindowView view(form);
  view.autoStart = false;
  toolkit.Attach(form, view);
  view.show();
  SocketWindow bench(box, socket);
  bench.show();
  bench.FollowBeside(&view);
  const QRect screen = view.screen()->availableGeometry();
  auto expect_placed = [&](const char* what) {
    SCOPED_TRACE(what);
    QApplication::processEvents();
    const QRect own = bench.frameGeometry();
    EXPECT_TRUE(screen.contains(own)) << "whole on the screen";
    EXPECT_EQ(own.topLeft(), SocketWindow::PlaceBeside(view.frameGeometry(), own.size(), screen));
  };
  expect_placed("opened");
  qobject_cast<QPushButton*>(view.WidgetOf(form.Scale))->click();
  expect_placed("large layout");
  qobject_cast<QPushButton*>(view.WidgetOf(form.Scale))->click();
  expect_placed("small layout");
  // Room on the left once the main window is moved far enough right.
  view.move(screen.left() + bench.frameGeometry().width() + 20, view.y());
  expect_placed("moved");
  EXPECT_EQ(bench.frameGeometry().right(), view.frameGeometry().left() - 9) << "8 pixels apart";
  EXPECT_FALSE(bench.frameGeometry().intersects(view.frameGeometry()));
}

}  // namespace
}  // namespace tarnwick
