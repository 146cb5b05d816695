#include "app/qt/qt_toolkit.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>

#include "app/main_form.h"
#include "app/qt/main_window_view.h"

namespace tarnwick {

namespace {
// A command passes messages once per device cycle, thousands of times a second; the
// widgets are brought in step at most this often, so repainting never dominates a pass.
constexpr auto kSyncInterval = std::chrono::milliseconds(15);
constexpr const char* kBoxTitle = "Tarnwick";
}  // namespace

QtToolkit::QtToolkit() {
  timer1_.setSingleShot(true);
  connect(&timer1_, &QTimer::timeout, this, [this] {
    if (form_ == nullptr) return;
    form_->Timer1Fired();
    if (view_ != nullptr) view_->SyncFromForm();
  });
}

void QtToolkit::Attach(TMainForm& form, MainWindowView& view) {
  form_ = &form;
  view_ = &view;
}

void QtToolkit::ProcessMessages() {
  const auto now = std::chrono::steady_clock::now();
  if (view_ != nullptr && now - lastSync_ >= kSyncInterval) {
    lastSync_ = now;
    view_->SyncFromForm();
  }
  QApplication::processEvents(QEventLoop::AllEvents);
}

void QtToolkit::WaitForMessages() {
  // Only a running Timer1 is sure to wake the sleep; without it, one pass as usual.
  if (!timer1_.isActive()) {
    ProcessMessages();
    return;
  }
  // The window shows the latest state before the program sleeps; each pass here
  // follows an event, so this is no busier than the events themselves.
  if (view_ != nullptr) view_->SyncFromForm();
  lastSync_ = std::chrono::steady_clock::now();
  QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void QtToolkit::SetTimer1(bool enabled, int interval_ms) {
  if (enabled && interval_ms > 0)
    timer1_.start(interval_ms);
  else
    timer1_.stop();
}

void QtToolkit::Box(const std::string& text, bool error, const QPoint* at) {
  if (view_ != nullptr) view_->SyncFromForm();
  QMessageBox box(error ? QMessageBox::Critical : QMessageBox::Information,
                  error ? "Error" : kBoxTitle, QString::fromStdString(text), QMessageBox::Ok,
                  view_);
  // The window manager may still place it; the program asks for its spot: the given
  // one, or the middle of the screen.
  box.show();
  if (at != nullptr) {
    box.move(*at);
  } else if (const QScreen* screen = box.screen()) {
    box.move(screen->availableGeometry().center() - box.rect().center());
  }
  box.exec();
  lastSync_ = {};
}

void QtToolkit::ShowMessage(const std::string& text) {
  Box(text, false, nullptr);
}

void QtToolkit::ShowMessageAt(const std::string& text, int left, int top) {
  const QPoint at(left, top);
  Box(text, false, &at);
}

void QtToolkit::ShowError(const std::string& text) {
  Box(text, true, nullptr);
}

QString QtToolkit::DialogFilter(const std::string& filter, QStringList* names) {
  const QStringList parts = QString::fromStdString(filter).split('|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
      patterns << pattern;
      if (pattern.toLower() != pattern) patterns << pattern.toLower();
      if (pattern.toUpper() != pattern) patterns << pattern.toUpper();
    }
    entries << QString("%1 (%2)").arg(parts[i], patterns.join(' '));
  }
  if (names != nullptr) *names = entries;
  return entries.join(";;");
}

bool QtToolkit::RunDialog(FileDialog& dialog, bool save) {
  if (view_ != nullptr) view_->SyncFromForm();
  QStringList names;
  QFileDialog box(view_);
  DialogFilter(dialog.filter, &names);
  box.setNameFilters(names);
  if (dialog.filterIndex >= 1 && dialog.filterIndex <= names.size())
    box.selectNameFilter(names[dialog.filterIndex - 1]);
  QString ext = QString::fromStdString(dialog.defaultExt);
  if (ext.startsWith('.')) ext.remove(0, 1);
  box.setDefaultSuffix(ext);
  box.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  box.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  box.setOption(QFileDialog::DontConfirmOverwrite, !dialog.confirmOverwrite);
  box.setOption(QFileDialog::ReadOnly, false);
  if (!dialog.fileName.empty()) {
    const QFileInfo last(QString::fromStdString(dialog.fileName));
    box.setDirectory(last.absolutePath());
    box.selectFile(last.fileName());
  }
  const bool confirmed = box.exec() == QDialog::Accepted && !box.selectedFiles().isEmpty();
  lastSync_ = {};
  if (!confirmed) return false;
  dialog.fileName = box.selectedFiles().front().toStdString();
  const qsizetype chosen = names.indexOf(box.selectedNameFilter());
  if (chosen >= 0) dialog.filterIndex = static_cast<int>(chosen) + 1;
  return true;
}

bool QtToolkit::RunOpenDialog(FileDialog& dialog) {
  return RunDialog(dialog, false);
}
bool QtToolkit::RunSaveDialog(FileDialog& dialog) {
  return RunDialog(dialog, true);
}

void QtToolkit::SetWindowEnabled(bool enabled) {
  if (view_ != nullptr) view_->centralWidget()->setEnabled(enabled);
}

void QtToolkit::WindowResized(int width, int height) {
  (void)width, (void)height;
  if (view_ != nullptr) view_->SyncFromForm();
}

void QtToolkit::SetFocus(Control& control) {
  if (view_ == nullptr) return;
  view_->SyncFromForm();
  if (QWidget* w = view_->WidgetOf(control)) w->setFocus(Qt::OtherFocusReason);
}

}  // namespace tarnwick
