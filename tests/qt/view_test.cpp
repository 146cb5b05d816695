// The real window, built offscreen, against the form it shows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <filesystem>

#include "app/main_form.h"
#include "app/qt/main_window_view.h"
#include "app/qt/qt_toolkit.h"
#include "base/virtual_clock.h"
#include "sim/sim_box.h"
#include "support/fakes.h"
#include "view_fixture.h"

namespace tarnwick {
namespace {

TEST_F(ViewTest, WindowIsNavyWithTheClientAreaOfA743By490Window) {
  EXPECT_EQ(view->centralWidget()->size(), QSize(735, 463));
  EXPECT_EQ(view->centralWidget()->palette().color(QPalette::Window), QColor(0, 0, 128));
}

TEST_F(ViewTest, ControlsSitWhereTheFormPutsThem) {
  auto* program = qobject_cast<QPushButton*>(view->WidgetOf(form->Programm));
  ASSERT_NE(program, nullptr);
  EXPECT_EQ(program->geometry(), QRect(4, 4, 103, 20));
  EXPECT_EQ(program->parentWidget(), view->WidgetOf(form->Panel8));
  EXPECT_EQ(view->WidgetOf(form->Panel8)->geometry(), QRect(8, 4, 111, 68));
  EXPECT_EQ(view->WidgetOf(form->Panel2)->geometry(), QRect(589, 339, 128, 88));
  EXPECT_EQ(view->WidgetOf(form->Start_Buf_Add)->geometry(), QRect(4, 4, 120, 20));
  EXPECT_EQ(view->WidgetOf(form->Quit_Func_But)->geometry(), QRect(136, 8, 103, 20));
  EXPECT_EQ(view->WidgetOf(form->Memo1)->geometry(), QRect(165, 56, 397, 241));
  EXPECT_EQ(program->text(), "&Program Device");
  EXPECT_EQ(view->WidgetOf(form->Quit_Func_But)->toolTip(), "Lets You Stop a Fuction in Process..");
}

TEST_F(ViewTest, HiddenControlsAreHidden) {
  for (Control* c : {&form->Panel1, &form->Device_Box, &form->Help1, &form->Edit_1, &form->Edit_Add,
                     &form->Prg_Type_But, &form->FillBox})
    EXPECT_FALSE(view->WidgetOf(*c)->isVisibleTo(view.get())) << c->name();
  for (Control* c : {&form->Panel8, &form->Programm, &form->Memo1, &form->StaticText3})
    EXPECT_TRUE(view->WidgetOf(*c)->isVisibleTo(view.get())) << c->name();
}

TEST_F(ViewTest, StatusLineFollowsTheColourRuleAndItsText) {
  auto* status = qobject_cast<QLabel*>(view->WidgetOf(form->StaticText3));
  ASSERT_NE(status, nullptr);
  EXPECT_EQ(status->palette().color(QPalette::Window), QColor(255, 255, 0));
  form->s.OpFailed = 1;
  form->shell.EnterIdleState();
  view->SyncFromForm();
  EXPECT_EQ(status->palette().color(QPalette::Window), QColor(255, 0, 0));
  // Green with the text of the command that ends: the colour belongs to the text.
  form->s.OpFailed = 0;
  form->StaticText3.caption = "The Quillbox was Found at 0378";
  form->shell.EnterIdleState();
  view->SyncFromForm();
  EXPECT_EQ(status->palette().color(QPalette::Window), QColor(0, 255, 0));
  EXPECT_EQ(status->text(), "The Quillbox was Found at 0378");
  EXPECT_GE(status->width(), QFontMetrics(status->font()).horizontalAdvance(status->text()))
      << "the status line is sized to its text";
}

// The captions a button can carry in the program's life must fit it.
TEST_F(ViewTest, NoButtonCaptionIsWiderThanItsButton) {
  std::vector<std::pair<Control*, std::string>> captions;
  for (Control* c : form->AllControls())
    if (c->kind() == ControlKind::Button) captions.emplace_back(c, c->caption);
  for (const char* caption : {"Auto Verify Off", "Vpp = 12.75", "Vpp = 12/3"})
    captions.emplace_back(&form->Vpp_But, caption);
  for (const char* caption : {"Intel Hex File", "Motorola Hex File", "Ascii Hex File"})
    captions.emplace_back(&form->File_But, caption);
  captions.emplace_back(&form->Device, "89LS8252");
  captions.emplace_back(&form->Chk_Sum_But, "CheckSum=FFFF");
  captions.emplace_back(&form->Quit_Func_But, "&Quit = FFFFF");
  captions.emplace_back(&form->Scale, "Small Buttons");
  captions.emplace_back(&form->Start_Buf_Add, "Buffer Start=FFFFF");
  captions.emplace_back(&form->Start_Add, "Device Start=FFFFF");
  captions.emplace_back(&form->End_Add, "Device End=FFFFF");
  captions.emplace_back(&form->Offset, "Hex Offset=FFFFF");
  captions.emplace_back(&form->Chg_Pass, "Program Pass=65535");
  captions.emplace_back(&form->Chg_Pulse, "Program Pulse=65535");
  captions.emplace_back(&form->Chg_Delay, "Port Delay=65535");
  captions.emplace_back(&form->Chg_Lpt4, "LPT4=FFFF");
  for (auto& [control, caption] : captions) {
    QWidget* w = view->WidgetOf(*control);
    QString text = QString::fromStdString(caption);
    text.remove('&');
    const int needed = QFontMetrics(w->font()).horizontalAdvance(text) + 4;
    EXPECT_LE(needed, control->width) << control->name() << " \"" << caption << "\"";
  }
}

TEST_F(ViewTest, ClickOnAButtonReachesItsHandlerOnlyWhileEnabled) {
  int clicks = 0;
  form->Edit.OnClick = [&] { ++clicks; };
  auto* edit = qobject_cast<QPushButton*>(view->WidgetOf(form->Edit));
  edit->click();
  EXPECT_EQ(clicks, 1);
  form->shell.EnterBusyState();
  view->SyncFromForm();
  EXPECT_FALSE(edit->isEnabled());
  edit->click();
  EXPECT_EQ(clicks, 1);
}

TEST_F(ViewTest, AMemoOfManyLinesRefreshesWithoutRebuildingText) {
  for (int i = 0; i < 1000; ++i) form->Memo1.InsertFirstLine("line " + std::to_string(i));
  view->SyncFromForm();
  auto* memo = qobject_cast<QListView*>(view->WidgetOf(form->Memo1));
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->model()->rowCount(), 1000);
  EXPECT_EQ(memo->model()->index(0, 0).data().toString(), "line 999");
}

// Every row of the device list and of the small choice lists shows in full, in both
// layouts: the operator must reach "Cancel" and the last chip without scrolling.
TEST_F(ViewTest, EveryRowOfTheListsIsInView) {
  view->show();
  for (int layout = 0; layout < 2; ++layout) {
    for (Control* c : {&form->Device_Box, &form->Security_List, &form->FillBox, &form->File_Type}) {
      c->visible = true;
      view->SyncFromForm();
      QApplication::processEvents();
      auto* list = qobject_cast<QListView*>(view->WidgetOf(*c));
      ASSERT_NE(list, nullptr);
      const int rows = list->model()->rowCount();
      ASSERT_GT(rows, 0) << c->name();
      const QRect last = list->visualRect(list->model()->index(rows - 1, 0));
      EXPECT_LT(last.bottom(), list->viewport()->height()) << c->name() << " layout " << layout;
      EXPECT_FALSE(list->verticalScrollBar()->isVisible()) << c->name() << " layout " << layout;
      c->visible = false;
    }
    form->helpScale.ScaleClick();
  }
  const auto* devices = qobject_cast<QListView*>(view->WidgetOf(form->Device_Box));
  EXPECT_EQ(devices->visualRect(devices->model()->index(1, 0)).top(), 15)
      << "the device list's rows are 15 pixels apart";
}

TEST_F(ViewTest, Screenshot) {
  view->show();
  view->SyncFromForm();
  QApplication::processEvents();
  const QString path = qEnvironmentVariable("TARNWICK_SCREENSHOT");
  if (path.isEmpty()) GTEST_SKIP() << "set TARNWICK_SCREENSHOT to save one";
  EXPECT_TRUE(view->grab().save(path));
}

void SendKey(QWidget* w, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &release);
}

TEST_F(ViewTest, TypingInTheEntryBoxPassesItsFilter) {
  form->s.ChipEnd = 0xFFFFF;
  form->s.DeviceEnd = 0xFFFF;
  qobject_cast<QPushButton*>(view->WidgetOf(form->Start_Add))->click();
  auto* box = qobject_cast<QLineEdit*>(view->WidgetOf(form->Edit_Add));
  ASSERT_NE(box, nullptr);
  EXPECT_TRUE(box->isVisibleTo(view.get()));
  for (const char* key : {"g", "1", "a", "-"}) SendKey(box, 0, key);
  EXPECT_EQ(box->text(), "1A") << "g and - are discarded, a goes in upper case";
  box->setCursorPosition(1);
  SendKey(box, 0, "b");
  box->setSelection(0, 1);
  SendKey(box, Qt::Key_Backspace, "\b");
  SendKey(box, Qt::Key_Delete, "\x7f");
  EXPECT_EQ(form->Edit_Add.text, "A") << "in at the caret, the selection off, Delete forward";
  SendKey(box, Qt::Key_Return, "\r");
  EXPECT_EQ(form->s.DeviceStart, 0xA);
  EXPECT_EQ(qobject_cast<QPushButton*>(view->WidgetOf(form->Start_Add))->text(),
            "Device Start=000A");
  EXPECT_FALSE(box->isVisibleTo(view.get()));
}

TEST_F(ViewTest, TheEditorTakesDigitsTypedOnItsView) {
  view->show();
  qobject_cast<QPushButton*>(view->WidgetOf(form->Edit))->click();
  auto* editor = qobject_cast<QPlainTextEdit*>(view->WidgetOf(form->Edit_1));
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isVisible());
  EXPECT_EQ(editor->document()->blockCount(), 16);
  EXPECT_EQ(editor->textCursor().positionInBlock(), 8) << "on the high digit of byte 0";
  SendKey(editor, Qt::Key_4, "4");
  SendKey(editor, Qt::Key_1, "1");
  EXPECT_EQ(form->s.Buffer[0], 0x41);
  EXPECT_TRUE(editor->document()->firstBlock().text().startsWith("000000  41 00"));
  EXPECT_EQ(editor->textCursor().positionInBlock(), 11) << "on to the next byte";
}

// The real window on the simulated box, through the start-up sequence, in an empty
// directory: it finds the box and asks for a device.
TEST(ViewStartupTest, StartsUpOnTheSimulatedBox) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "tarnwick-view-startup";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  {
    VirtualClock clock;
    SimBox box(&clock);
    FakePriority priority;
    QtToolkit toolkit;
    TMainForm form(Services{toolkit, priority, clock, box});
    MainWindowView view(form);
    toolkit.Attach(form, view);
    view.show();
    view.Start();
    QElapsedTimer waited;
    waited.start();
    while (!form.Activated() && waited.elapsed() < 5000) QApplication::processEvents();
    QApplication::processEvents();
    view.SyncFromForm();
    EXPECT_EQ(qobject_cast<QLabel*>(view.WidgetOf(form.StaticText3))->text(),
              "The Quillbox was Found at 0378");
    EXPECT_TRUE(view.WidgetOf(form.Device_Box)->isVisible());
    EXPECT_TRUE(view.WidgetOf(form.Programm)->isEnabled());
    const QString path = qEnvironmentVariable("TARNWICK_STARTUP_SCREENSHOT");
    if (!path.isEmpty()) {
      EXPECT_TRUE(view.grab().save(path));
    }
    form.Close();
    EXPECT_TRUE(fs::exists(dir / "Tarnwick.Cfg"));
  }
  fs::current_path(old);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tarnwick
