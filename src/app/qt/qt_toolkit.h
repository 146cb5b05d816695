// The toolkit services on Qt 6 Widgets: message passes, Timer1, message boxes and the
// file dialogs.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

#include "base/toolkit.h"

class QWidget;

namespace tarnwick {

class TMainForm;
class MainWindowView;

class QtToolkit final : public QObject, public Toolkit {
  Q_OBJECT

 public:
  QtToolkit();
  void Attach(TMainForm& form, MainWindowView& view);

  void ProcessMessages() override;
  void WaitForMessages() override;
  void SetTimer1(bool enabled, int interval_ms) override;
  void ShowMessage(const std::string& text) override;
  void ShowMessageAt(const std::string& text, int left, int top) override;
  void ShowError(const std::string& text) override;
  bool RunOpenDialog(FileDialog& dialog) override;
  bool RunSaveDialog(FileDialog& dialog) override;
  void SetWindowEnabled(bool enabled) override;
  void WindowResized(int width, int height) override;
  void SetFocus(Control& control) override;

  // Qt's file-dialog filter from "Bin|*.Bin|Hex|*.Hex|All|*.*". Patterns are matched
  // without regard to case, as the files people keep have any case.
  static QString DialogFilter(const std::string& filter, QStringList* names);

 private:
  void Box(const std::string& text, bool error, const QPoint* at);
  bool RunDialog(FileDialog& dialog, bool save);

  TMainForm* form_ = nullptr;
  MainWindowView* view_ = nullptr;
  QTimer timer1_;
  std::chrono::steady_clock::time_point lastSync_{};
};

}  // namespace tarnwick
