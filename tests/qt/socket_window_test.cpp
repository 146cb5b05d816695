// The simulated bench's socket window, offscreen.
#include "app/qt/socket_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>

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

// The bench goes on the main window's right where the screen has room, else on its left,
// else on its right off the screen's edge; never over the main window.
TEST(SocketWindowPlace, BesideTheMainWindow) {
  const QRect screen(0, 0, 1920, 1080);
  const QSize bench(400, 300);
  EXPECT_EQ(SocketWindow::PlaceBeside(QRect(100, 50, 743, 490), bench, screen), QPoint(851, 50));
  EXPECT_EQ(SocketWindow::PlaceBeside(QRect(1000, 60, 885, 584), bench, screen), QPoint(592, 60));
  EXPECT_EQ(SocketWindow::PlaceBeside(QRect(300, 0, 1400, 900), bench, screen), QPoint(1708, 0));
}

// Scaling and moving the main window take the bench along.
TEST_F(SocketWindowTest, StaysBesideTheMainWindow) {
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
  auto expect_beside = [&](const char* what) {
    SCOPED_TRACE(what);
    QApplication::processEvents();
    const QRect main = view.frameGeometry();
    const QRect own = bench.frameGeometry();
    EXPECT_FALSE(own.intersects(main));
    EXPECT_EQ(own.top(), main.top());
    EXPECT_TRUE(own.left() == main.right() + 9 || own.right() == main.left() - 9)
        << "8 pixels apart";
  };
  expect_beside("opened");
  qobject_cast<QPushButton*>(view.WidgetOf(form.Scale))->click();
  expect_beside("large layout");
  view.move(view.pos() + QPoint(-20, 30));
  expect_beside("moved");
  qobject_cast<QPushButton*>(view.WidgetOf(form.Scale))->click();
  expect_beside("small layout");
}

}  // namespace
}  // namespace tarnwick
