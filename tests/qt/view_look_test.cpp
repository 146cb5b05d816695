// The window as a person sees it: the real window grabbed offscreen, its pixels and its
// geometry, and what it does with keys and clicks delivered the way a person makes them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QLabel>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <functional>

#include "app/test_panel.h"
#include "view_fixture.h"

namespace tarnwick {
namespace {

class ViewLookTest : public ViewTest {
 protected:
  ViewLookTest() {
    view->show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(view.get()));
  }
  void Sync() {
    view->SyncFromForm();
    QApplication::processEvents();
  }
  // The widget's place in the window's picture.
  QRect InWindow(const Control& c) const {
    const QWidget* w = view->WidgetOf(c);
    return QRect(w->mapTo(view.get(), QPoint(0, 0)), w->size());
  }
  QImage Shot() {
    Sync();
    return view->grab().toImage();
  }
  template <typename T>
  T* Widget(const Control& c) const {
    return qobject_cast<T*>(view->WidgetOf(c));
  }
  QPlainTextEdit* Editor() const { return Widget<QPlainTextEdit>(form->Edit_1); }
  // The middle of text cell (line, column) in the editor's viewport, from the caret
  // places of the laid-out rows.
  QPoint OverCell(int line, int column) const {
    const QTextBlock row = Editor()->document()->findBlockByNumber(line);
    QTextCursor at(row);
    const QRect start = Editor()->cursorRect(at);
    at.movePosition(QTextCursor::EndOfBlock);
    const double pitch = (Editor()->cursorRect(at).left() - start.left()) / 74.0;
    return QPoint(start.left() + static_cast<int>(pitch * (column + 0.5)),
                  start.top() + start.height() / 2);
  }
};

// The darkest grey level inside a rectangle, a few pixels in from its edges, where a
// button's caption is drawn.
int Darkest(const QImage& image, const QRect& r) {
  int darkest = 255;
  for (int y = r.top() + 3; y <= r.bottom() - 3; ++y)
    for (int x = r.left() + 3; x <= r.right() - 3; ++x)
      darkest = std::min(darkest, qGray(image.pixel(x, y)));
  return darkest;
}

// The share of a rectangle's pixels in exactly one colour.
double Share(const QImage& image, const QRect& r, QColor colour) {
  int hits = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) hits += image.pixelColor(x, y) == colour;
  return static_cast<double>(hits) / (r.width() * r.height());
}

struct LookCase {
  const char* what;
  std::function<void(TMainForm&)> enter;
  int live, dead;  // buttons on screen
};

// Black captions on live buttons, grey ones on dead buttons, in the three looks of the
// window and with the test panel open, in both layouts.
TEST_F(ViewLookTest, ButtonsShowWhetherTheyRespond) {
  const auto idle = [](int found) {
    return [found](TMainForm& f) {
      f.shell.EnterBusyState();
      f.s.ProgrammerFound = found;
      f.shell.EnterIdleState();
    };
  };
  const LookCase cases[] = {
      {"idle without a programmer: the ten device buttons dead", idle(0), 13, 10},
      {"idle with the programmer", idle(1), 23, 0},
      {"busy", [](TMainForm& f) { f.shell.EnterBusyState(); }, 0, 23},
      {"test panel open: its six buttons live, all others dead",
       [&](TMainForm& f) {
         idle(0)(f);
         char key = kTestPanelKey;
         f.KeyPress(f.Help_1, key);
       },
       6, 19},
  };
  for (int layout = 0; layout < 2; ++layout) {
    for (const LookCase& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (layout == 1 ? ", large layout" : ""));
      c.enter(*form);
      const QImage shot = Shot();
      int live = 0, dead = 0;
      for (Control* b : form->AllControls()) {
        if (b->kind() != ControlKind::Button || !b->Showing()) continue;
        const int darkest = Darkest(shot, InWindow(*b));
        if (b->enabled) {
          ++live;
          EXPECT_LT(darkest, 60) << b->name() << ": a live button's caption is black";
        } else {
          ++dead;
          EXPECT_GT(darkest, 100) << b->name() << ": a dead button's caption is grey";
          EXPECT_LT(darkest, 160) << b->name() << ": a dead button's caption still shows";
        }
      }
      EXPECT_EQ(live, c.live);
      EXPECT_EQ(dead, c.dead);
      if (form->Panel1.visible) form->testPanel.Quit_TestClick();
    }
    form->helpScale.ScaleClick();
  }
}

// The window grows to the large layout and comes back to exactly the size it opened
// with, however often the operator switches; its frame is the platform's.
TEST_F(ViewLookTest, LargeAndSmallFollowTheFormExactly) {
  const QSize client(735, 463);
  ASSERT_EQ(view->centralWidget()->size(), client);
  const QSize frame = view->frameGeometry().size() - client;
  const QPoint corner = view->pos();
  for (int trip = 1; trip <= 3; ++trip) {
    SCOPED_TRACE(trip);
    Widget<QPushButton>(form->Scale)->click();
    Sync();
    EXPECT_EQ(view->centralWidget()->size(), QSize(876, 552));
    EXPECT_EQ(view->frameGeometry().size(), QSize(876, 552) + frame);
    Widget<QPushButton>(form->Scale)->click();
    Sync();
    EXPECT_EQ(view->centralWidget()->size(), client);
    EXPECT_EQ(view->frameGeometry().size(), client + frame);
    EXPECT_EQ(view->pos(), corner) << "the top-left corner stays";
  }
}

// Every panel in its colour at its place, the test panel's label yellow on blue, the
// status line yellow while the panel keeps the window busy.
TEST_F(ViewLookTest, ColoursSitAtTheirPlaces) {
  struct Place {
    Control* control;
    QColor colour;
  };
  char key = kTestPanelKey;
  form->KeyPress(form->Help_1, key);  // shows the blue test panel in the address panel's place
  QImage shot = Shot();
  for (auto [panel, colour] : {Place{&form->Panel8, Qt::red}, Place{&form->Panel7, Qt::green},
                               Place{&form->Panel6, Qt::yellow}, Place{&form->Panel5, Qt::magenta},
                               Place{&form->Panel4, QColor(192, 192, 192)},
                               Place{&form->Panel3, Qt::cyan}, Place{&form->Panel1, Qt::blue}}) {
    // The strip between the panel's bevel and its buttons.
    const QRect r = InWindow(*panel);
    EXPECT_EQ(Share(shot, QRect(r.left() + 2, r.top() + 2, 2, r.height() - 4), colour), 1.0)
        << panel->name();
  }
  const QRect label = InWindow(form->StaticText1).adjusted(1, 1, -1, -1);
  EXPECT_GT(Share(shot, label, Qt::yellow), 0.6) << "the label is yellow";
  EXPECT_EQ(Share(shot, label, Qt::blue), 0.0) << "none of the panel's blue inside it";
  EXPECT_GT(Share(shot, InWindow(form->StaticText3), Qt::yellow), 0.6) << "busy: yellow";
  EXPECT_EQ(shot.pixelColor(123, 300), QColor(0, 0, 128)) << "the window is navy";

  form->testPanel.Quit_TestClick();
  shot = Shot();
  EXPECT_EQ(
      Share(shot, QRect(InWindow(form->Panel2).topLeft() + QPoint(2, 2), QSize(2, 80)), Qt::cyan),
      1.0)
      << "the address panel back in aqua";
}

// A whole row shows in the editor's view in both layouts: with the cursor on the last
// row's last character the view does not scroll sideways, and that character is drawn.
TEST_F(ViewLookTest, EditorRowsShowWholeInTheirView) {
  form->s.Buffer[0xFF] = 'W';
  for (int layout = 0; layout < 2; ++layout) {
    SCOPED_TRACE(layout == 0 ? "normal layout" : "large layout");
    Widget<QPushButton>(form->Edit)->click();
    Sync();
    QPlainTextEdit* editor = Editor();
    QTest::mouseClick(editor->viewport(), Qt::LeftButton, {}, OverCell(15, 73));
    Sync();
    EXPECT_EQ(form->s.AsciiSide, 1);
    EXPECT_EQ(form->s.ViewTop + 16 * form->s.CursorRow + form->s.CursorCol, 0xFF);
    const QTextBlock last = editor->document()->lastBlock();
    const QRect row_start = editor->cursorRect(QTextCursor(last));
    const double row_width = QFontMetricsF(editor->font()).horizontalAdvance(last.text());
    EXPECT_EQ(editor->horizontalScrollBar()->value(), 0);
    EXPECT_GE(row_start.left(), 0) << "the address digits stay in view";
    EXPECT_LE(row_start.left() + row_width, editor->viewport()->width());
    EXPECT_LE(row_start.bottom(), editor->viewport()->height());
    // The "W" in the last cell of the row, in the window's picture.
    QTextCursor w_at(last);
    w_at.setPosition(last.position() + 73);
    const QRect cell(editor->viewport()->mapTo(view.get(), editor->cursorRect(w_at).topLeft()),
                     QSize(static_cast<int>(row_width / 74), row_start.height()));
    EXPECT_LT(Darkest(Shot(), cell.adjusted(-3, -3, 3, 3)), 100) << "the last character is drawn";
    Widget<QPushButton>(form->Scale)->click();
  }
}

// A command started while the editor is open finds it closed, whether its button was
// reached by its Alt key, which leaves the focus on the view, or clicked after the
// address box was opened; the editor never shows or takes bytes the buffer no longer has.
TEST_F(ViewLookTest, CommandsLeaveTheEditorFirst) {
  Widget<QPushButton>(form->Edit)->click();
  Sync();
  ASSERT_TRUE(Editor()->hasFocus());
  QTest::keyClick(Editor(), Qt::Key_F, Qt::AltModifier);  // "&Fill Buffer"
  ASSERT_TRUE(QTest::qWaitFor([&] { return form->FillBox.visible; }, 2000));
  Sync();
  EXPECT_FALSE(Editor()->isVisible());
  auto* fill = Widget<QListView>(form->FillBox);
  emit fill->clicked(fill->model()->index(1, 0));  // "Fill Buffer With FF"
  ASSERT_EQ(form->s.Buffer[0], 0xFF);
  QWidget* focus = QApplication::focusWidget();
  QTest::keyClick(focus != nullptr ? focus : view.get(), Qt::Key_1, {});
  EXPECT_EQ(form->s.Buffer[0], 0xFF) << "no typing reaches a closed editor";

  Widget<QPushButton>(form->Edit)->click();
  Sync();
  EXPECT_TRUE(Editor()->document()->firstBlock().text().startsWith("000000  FF FF"));
  QTest::mouseClick(Widget<QLabel>(form->Edit_Info), Qt::LeftButton);
  Sync();
  auto* box = view->WidgetOf(form->Chg_Edit_Add);
  ASSERT_TRUE(box->isVisible());
  EXPECT_TRUE(box->hasFocus());
  QTest::mouseClick(Widget<QPushButton>(form->Fill), Qt::LeftButton);
  Sync();
  EXPECT_FALSE(box->isVisible());
  EXPECT_FALSE(Editor()->isVisible()) << "no editor left behind the abandoned box";
  EXPECT_TRUE(fill->isVisible());
}

// Clicks land on the byte under the pointer by the view's geometry, a click under the
// last row on that row's hex side; Ctrl with a letter types a control character on the
// character side.
TEST_F(ViewLookTest, ClicksAndKeysReachTheBytesUnderThem) {
  Widget<QPushButton>(form->Edit)->click();
  Sync();
  // Under byte 3's high digit, in the empty band below the last row.
  const QPoint below(OverCell(15, 8 + 3 * 3).x(), Editor()->viewport()->height() - 3);
  ASSERT_GT(below.y(),
            Editor()->cursorRect(QTextCursor(Editor()->document()->lastBlock())).bottom());
  QTest::mouseClick(Editor()->viewport(), Qt::LeftButton, {}, below);
  EXPECT_EQ(form->s.CursorRow, 15);
  EXPECT_EQ(form->s.CursorCol, 3);
  EXPECT_EQ(form->s.AsciiSide, 0) << "still the hex side";
  QTest::keyClicks(Editor(), "41");
  EXPECT_EQ(form->s.Buffer[0xF3], 0x41);

  QTest::mouseClick(Editor()->viewport(), Qt::LeftButton, {}, OverCell(1, 58));
  EXPECT_EQ(form->s.AsciiSide, 1);
  QTest::keyClick(Editor(), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(Editor(), Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(Editor(), Qt::Key_Return);
  EXPECT_EQ(form->s.Buffer[0x10], 0x01);
  EXPECT_EQ(form->s.Buffer[0x11], 0x1A);
  EXPECT_EQ(form->s.Buffer[0x12], 0x0D);
  Sync();
  EXPECT_TRUE(Editor()->document()->findBlockByNumber(1).text().endsWith("   ................"));
  EXPECT_TRUE(Editor()->document()->findBlockByNumber(1).text().startsWith("000010  01 1A 0D"));
}

}  // namespace
}  // namespace tarnwick
