// The main window on screen: one widget per control of the form, kept in step with the
// form's data, and the operator's input forwarded to the form's event members.
#pragma once

#include <QAbstractListModel>
#include <QMainWindow>
#include <map>
#include <unordered_map>

#include "base/controls.h"
#include "buffer/hex_view.h"

class QListView;
class QPlainTextEdit;

namespace tarnwick {

class TMainForm;
class RowHeightDelegate;

// A memo's or list's lines as a Qt model; the form's deque is the storage, so a list of
// tens of thousands of lines costs nothing to refresh.
class LinesModel final : public QAbstractListModel {
 public:
  explicit LinesModel(const Control& control, QObject* parent)
      : QAbstractListModel(parent), control_(control) {}
  int rowCount(const QModelIndex& parent) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  void Refresh();

 private:
  const Control& control_;
  uint64_t revision_ = ~uint64_t{0};
};

class MainWindowView final : public QMainWindow {
  Q_OBJECT

 public:
  explicit MainWindowView(TMainForm& form);
  ~MainWindowView() override;

  // Brings every widget in step with the form.
  void SyncFromForm();
  QWidget* WidgetOf(const Control& control) const;
  Control* ControlOf(const QWidget* widget) const;
  // The face on this system that stands in for the one the window names.
  static QFont FontFor(const Font& font);
  // The row and text column of the editor's view under a point of its viewport.
  static HexView::Cell CellUnder(const QPlainTextEdit* edit, QPoint at);
  // Runs the start-up sequence once, when the window first becomes active (or, where
  // the platform never activates it, shortly after it was shown).
  void Start();
  // Off: activation does not run the start-up sequence (the view tests drive the form).
  bool autoStart = true;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // A local file dragged onto the window loads as Load would, while Load can be clicked.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct Bound {
    Control* control;
    QWidget* widget;
    LinesModel* model = nullptr;
    RowHeightDelegate* rows = nullptr;  // list boxes: the fixed row height
    uint64_t editRevision = ~uint64_t{0};
    Font fittedFont{"", 0, false, {}};  // rich edit: the font and width its face fits
    int fittedWidth = -1;
  };

  QWidget* Create(Control& control, QWidget* parent);
  void Sync(Bound& bound);
  void SyncRichEdit(Bound& bound, QPlainTextEdit* edit);
  void OnFocusChanged(QWidget* old_widget, QWidget* new_widget);
  // The file a drag carries, when it carries one local file and the window takes it now;
  // empty otherwise.
  QString DroppableFile(const QDropEvent* event) const;
  void AfterEvent();

  TMainForm& form_;
  QWidget* client_;
  std::vector<Bound> bound_;
  std::unordered_map<const QWidget*, Control*> byWidget_;
  std::unordered_map<const Control*, QWidget*> byControl_;
  bool activated_ = false;
};

}  // namespace tarnwick
