#include "app/qt/main_window_view.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFontMetricsF>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <QTimer>

#include "app/main_form.h"
#include "base/key_codes.h"
#include "base/line_edit.h"
#include "buffer/hex_view.h"

namespace tarnwick {

namespace {

QString Text(const std::string& s) {
  return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

QColor ToQColor(Rgb c) {
  return QColor(c.r, c.g, c.b);
}

Key KeyOf(int qt_key) {
  switch (qt_key) {
    case Qt::Key_Left:
      return Key::Left;
    case Qt::Key_Right:
      return Key::Right;
    case Qt::Key_Up:
      return Key::Up;
    case Qt::Key_Down:
      return Key::Down;
    case Qt::Key_Home:
      return Key::Home;
    case Qt::Key_End:
      return Key::End;
    case Qt::Key_PageUp:
      return Key::PageUp;
    case Qt::Key_PageDown:
      return Key::PageDown;
    case Qt::Key_Tab:
      return Key::Tab;
    default:
      return Key::Other;
  }
}

// The character a key press delivers, as the program's handlers see it: kEnter,
// kBackspace, kEscape for those keys; 0 when the key types nothing (Delete, whose text
// some platforms give as 7F, included). Where the control takes control
// characters (the editor's view), Ctrl with a letter types 01 to 1A; elsewhere those
// keys are left to the widget (Ctrl+V still pastes into an entry box).
char CharOf(const QKeyEvent* event, bool control_characters) {
  const int key = event->key();
  if (control_characters && (event->modifiers() & Qt::ControlModifier) && key >= Qt::Key_A &&
      key <= Qt::Key_Z)
    return static_cast<char>(key - Qt::Key_A + 1);
  switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return kEnter;
    case Qt::Key_Backspace:
      return kBackspace;
    case Qt::Key_Escape:
      return kEscape;
    case Qt::Key_Delete:
      return 0;
    default:
      break;
  }
  const QString text = event->text();
  if (text.size() != 1) return 0;
  const char16_t u = text.at(0).unicode();
  return u >= 0x20 && u < 0x100 && u != 0x7F ? static_cast<char>(u) : 0;
}

// Where a character offset of the widget's text lies in its UTF-8 bytes (pasted text
// may hold characters of more than one byte), and back.
int Utf8Offset(const QString& text, int position) {
  return static_cast<int>(text.left(position).toUtf8().size());
}
int CharOffset(const std::string& text, int offset) {
  return static_cast<int>(Text(text.substr(0, static_cast<size_t>(offset))).size());
}

// A character the key-press handler let through, applied to the line edit by the
// program's typing rules; the widget and the form's text then show the result.
void TypeInto(Control& c, QLineEdit* edit, char ch) {
  const QString shown = edit->text();
  LineEditState state{shown.toStdString(), Utf8Offset(shown, edit->cursorPosition())};
  if (edit->hasSelectedText()) {
    state.selectionStart = Utf8Offset(shown, edit->selectionStart());
    state.selectionLength = Utf8Offset(shown, edit->selectionEnd()) - state.selectionStart;
  }
  TypeCharacter(state, ch, c.maxLength, c.upperCase);
  c.text = state.text;
  edit->setText(Text(c.text));
  edit->setCursorPosition(CharOffset(c.text, state.caret));
}

// The system's button face and its greyed text, as the window was drawn on.
constexpr QColor kButtonFace(212, 208, 200);
constexpr QColor kGreyText(128, 128, 128);

// Buttons keep the face colour and black text whatever panel they sit on, and are drawn
// with grey text when disabled, the way the platform greys a dead button. Colours go
// through the palette, not a style sheet: a sheet would paint the disabled state like
// the enabled one and spread from a panel to the label inside it.
QPalette ButtonPalette(QPalette p) {
  for (QPalette::ColorRole role : {QPalette::Button, QPalette::Window})
    p.setColor(role, kButtonFace);
  for (QPalette::ColorRole role : {QPalette::ButtonText, QPalette::WindowText}) {
    p.setColor(QPalette::Active, role, Qt::black);
    p.setColor(QPalette::Inactive, role, Qt::black);
    p.setColor(QPalette::Disabled, role, kGreyText);
  }
  return p;
}

// The editor's rows are 74 characters and must show whole in its view. The stand-in
// for the fixed-pitch face runs a little wider than the 7-pixel pitch the rows were laid out for,
// so it is narrowed, never cut, until a row and the caret fit the width inside the frame.
QFont FitRowFont(QFont font, double available) {
  const QString row(kRowTextLength, QChar('0'));
  for (int stretch = 100; stretch > 50; --stretch) {
    font.setStretch(stretch);
    if (QFontMetricsF(font).horizontalAdvance(row) <= available) break;
  }
  return font;
}

// Pixels between the editor's frame and its text, as in a rich edit control.
constexpr int kEditorMargin = 2;

}  // namespace

// A list box row is as high as the list says, or one line of its font with a pixel
// above and below. Qt's own rows run a pixel or two taller, which pushes the last row
// of the small choice lists ("Cancel") out of view behind a scroll bar.
class RowHeightDelegate final : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(height);
    return size;
  }
  int height = 0;
};

namespace {
int RowHeightForList(const Control& list) {
  return list.itemHeight > 0 ? list.itemHeight : list.font.height + 2;
}
}  // namespace

int LinesModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(control_.lines().size());
}

QVariant LinesModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid()) return {};
  const auto row = static_cast<size_t>(index.row());
  if (row >= control_.lines().size()) return {};
  return Text(control_.lines()[row]);
}

void LinesModel::Refresh() {
  if (revision_ == control_.linesRevision()) return;
  revision_ = control_.linesRevision();
  beginResetModel();
  endResetModel();
}

QFont MainWindowView::FontFor(const Font& font) {
  QFont q;
  if (font.face == kFixedFace) {
    q.setFamily("DejaVu Sans Mono");
    q.setStyleHint(QFont::Monospace);
  } else if (font.face == kCourierFace) {
    q.setFamily("Liberation Mono");
    q.setStyleHint(QFont::Courier);
  } else {
    // Close to the width of the bold 8-point system face the captions were sized for.
    q.setFamily("Liberation Sans Narrow");
    q.setStyleHint(QFont::SansSerif);
  }
  q.setPixelSize(font.height);
  q.setBold(font.bold);
  return q;
}

MainWindowView::MainWindowView(TMainForm& form) : form_(form), client_(new QWidget(this)) {
  setCentralWidget(client_);
  setAcceptDrops(true);
  client_->setAutoFillBackground(true);
  QPalette palette = client_->palette();
  palette.setColor(QPalette::Window, ToQColor(form.Colour));
  client_->setPalette(palette);
  for (Control* c : form.AllControls()) {
    QWidget* parent = c->parent ? byControl_.at(c->parent) : client_;
    QWidget* w = Create(*c, parent);
    byWidget_[w] = c;
    byControl_[c] = w;
  }
  connect(qApp, &QApplication::focusChanged, this, &MainWindowView::OnFocusChanged);
  SyncFromForm();
  // Centred on the screen when it first appears.
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(form.Width / 2, form.Height / 2));
  }
}

QWidget* MainWindowView::Create(Control& c, QWidget* parent) {
  QWidget* w = nullptr;
  LinesModel* model = nullptr;
  RowHeightDelegate* rows = nullptr;
  switch (c.kind()) {
    case ControlKind::Panel: {
      auto* frame = new QFrame(parent);
      frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
      frame->setLineWidth(1);
      frame->setAutoFillBackground(true);
      w = frame;
      break;
    }
    case ControlKind::Button: {
      auto* button = new QPushButton(parent);
      button->setPalette(ButtonPalette(button->palette()));
      connect(button, &QPushButton::clicked, this, [this, &c] {
        form_.Click(c);
        AfterEvent();
      });
      w = button;
      break;
    }
    case ControlKind::StaticText: {
      auto* label = new QLabel(parent);
      label->setTextFormat(Qt::PlainText);
      label->setAutoFillBackground(true);
      label->setMargin(0);
      w = label;
      break;
    }
    case ControlKind::Memo:
    case ControlKind::ListBox: {
      auto* view = new QListView(parent);
      model = new LinesModel(c, view);
      view->setModel(model);
      view->setUniformItemSizes(true);
      view->setEditTriggers(QAbstractItemView::NoEditTriggers);
      view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      if (c.kind() == ControlKind::Memo) {
        view->setSelectionMode(QAbstractItemView::NoSelection);
        view->setFocusPolicy(Qt::NoFocus);
        if (!c.scrollBar) view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      } else {
        rows = new RowHeightDelegate(view);
        view->setItemDelegate(rows);
        connect(view, &QListView::clicked, this, [this, &c](const QModelIndex& index) {
          form_.ListClick(c, index.row());
          AfterEvent();
        });
      }
      w = view;
      break;
    }
    case ControlKind::LineEdit: {
      auto* edit = new QLineEdit(parent);
      connect(edit, &QLineEdit::textEdited, this,
              [&c](const QString& text) { c.text = text.toStdString(); });
      w = edit;
      break;
    }
    case ControlKind::RichEdit: {
      auto* edit = new QPlainTextEdit(parent);
      edit->setReadOnly(true);
      edit->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
      edit->setLineWrapMode(QPlainTextEdit::NoWrap);
      edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
      edit->setUndoRedoEnabled(false);
      edit->document()->setDocumentMargin(kEditorMargin);
      edit->viewport()->installEventFilter(this);
      byWidget_[edit->viewport()] = &c;
      w = edit;
      break;
    }
  }
  w->installEventFilter(this);
  bound_.push_back({&c, w, model, rows});
  return w;
}

MainWindowView::~MainWindowView() {
  disconnect(qApp, nullptr, this, nullptr);
}

void MainWindowView::SyncFromForm() {
  setWindowTitle(Text(form_.Caption));
  // The window may be made larger; the controls keep their places. The large layout
  // changes the size the window asks for.
  const QSize client(form_.ClientWidth, form_.ClientHeight);
  if (client_->minimumSize() != client) {
    client_->setMinimumSize(client);
    // The window's own minimum is set too: left to its layout, it would keep the larger
    // size until the layout's next pass and hold the window at the large layout's size.
    setMinimumSize(client);
    resize(client);
  }
  client_->setEnabled(form_.Enabled);
  for (Bound& b : bound_) Sync(b);
}

void MainWindowView::Sync(Bound& b) {
  Control& c = *b.control;
  QWidget* w = b.widget;
  const QRect geometry(c.left, c.top, c.width, c.height);
  if (c.kind() == ControlKind::RichEdit) {
    // Only a new face, size or width needs a new fit.
    if (b.fittedFont != c.font || b.fittedWidth != c.width) {
      b.fittedFont = c.font;
      b.fittedWidth = c.width;
      const auto* edit = static_cast<QPlainTextEdit*>(w);
      const double inside =
          c.width - 2 * edit->frameWidth() - 2 * kEditorMargin - edit->cursorWidth();
      w->setFont(FitRowFont(FontFor(c.font), inside));
    }
  } else if (const QFont font = FontFor(c.font); w->font() != font) {
    w->setFont(font);
  }
  if (w->isEnabled() != c.enabled) w->setEnabled(c.enabled);
  if (w->toolTip() != Text(c.hint)) w->setToolTip(Text(c.hint));

  switch (c.kind()) {
    case ControlKind::Panel: {
      if (w->palette().color(QPalette::Window) != ToQColor(c.colour)) {
        QPalette p = w->palette();
        p.setColor(QPalette::Window, ToQColor(c.colour));
        w->setPalette(p);
      }
      break;
    }
    case ControlKind::Button: {
      auto* button = static_cast<QPushButton*>(w);
      if (button->text() != Text(c.caption)) button->setText(Text(c.caption));
      break;
    }
    case ControlKind::StaticText: {
      auto* label = static_cast<QLabel*>(w);
      if (label->text() != Text(c.caption)) label->setText(Text(c.caption));
      QPalette p = label->palette();
      const QColor back = c.hasColour ? ToQColor(c.colour) : kButtonFace;
      if (p.color(QPalette::Window) != back ||
          p.color(QPalette::WindowText) != ToQColor(c.font.colour)) {
        p.setColor(QPalette::Window, back);
        p.setColor(QPalette::WindowText, ToQColor(c.font.colour));
        label->setPalette(p);
      }
      // Setting a frame style repaints even when it is unchanged, and a window that
      // repaints on every pass never lets a waiting event loop sleep.
      const int frame =
          c.border == Border::Sunken ? (QFrame::Panel | QFrame::Sunken) : QFrame::NoFrame;
      if (label->frameStyle() != frame) label->setFrameStyle(frame);
      break;
    }
    case ControlKind::Memo:
    case ControlKind::ListBox: {
      auto* view = static_cast<QListView*>(w);
      b.model->Refresh();
      if (b.rows != nullptr && b.rows->height != RowHeightForList(c)) {
        b.rows->height = RowHeightForList(c);
        view->doItemsLayout();
      }
      if (c.kind() == ControlKind::ListBox) {
        const QModelIndex current = view->currentIndex();
        if (c.itemIndex < 0 && current.isValid()) view->setCurrentIndex({});
        if (c.itemIndex >= 0 && current.row() != c.itemIndex)
          view->setCurrentIndex(b.model->index(c.itemIndex));
      }
      break;
    }
    case ControlKind::LineEdit: {
      auto* edit = static_cast<QLineEdit*>(w);
      if (edit->maxLength() != (c.maxLength > 0 ? c.maxLength : 32767))
        edit->setMaxLength(c.maxLength > 0 ? c.maxLength : 32767);
      if (edit->text() != Text(c.text)) edit->setText(Text(c.text));
      break;
    }
    case ControlKind::RichEdit:
      SyncRichEdit(b, static_cast<QPlainTextEdit*>(w));
      break;
  }

  if (c.kind() == ControlKind::StaticText && c.autoSize) {
    const QSize hint = static_cast<QLabel*>(w)->sizeHint();
    const QRect sized(c.left, c.top, hint.width(), std::max(c.height, hint.height()));
    if (w->geometry() != sized) w->setGeometry(sized);
  } else if (w->geometry() != geometry) {
    w->setGeometry(geometry);
  }
  if (w->isVisibleTo(w->parentWidget()) != c.visible) w->setVisible(c.visible);
}

void MainWindowView::SyncRichEdit(Bound& b, QPlainTextEdit* edit) {
  Control& c = *b.control;
  if (b.editRevision != c.linesRevision()) {
    b.editRevision = c.linesRevision();
    QStringList rows;
    for (const std::string& line : c.lines())
      rows << QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
    edit->setPlainText(rows.join('\n'));
  }
  QTextCursor cursor = edit->textCursor();
  const QTextBlock block = edit->document()->findBlockByNumber(c.caretLine);
  if (block.isValid()) {
    const int position = block.position() + std::min(c.caretColumn, block.length() - 1);
    if (cursor.position() != position || cursor.hasSelection()) {
      cursor.setPosition(position);
      edit->setTextCursor(cursor);
    }
  }
}

HexView::Cell MainWindowView::CellUnder(const QPlainTextEdit* edit, QPoint at) {
  // The first row's first character and the pitch of the laid-out text, measured
  // from the view's own caret positions; the rows are equal, fixed-pitch lines.
  const QTextBlock first = edit->document()->firstBlock();
  QTextCursor cursor(first);
  const QRect origin = edit->cursorRect(cursor);
  cursor.setPosition(first.position() + std::max(first.length() - 1, 0));
  const int characters = std::max(first.length() - 1, 1);
  const double pitch =
      static_cast<double>(edit->cursorRect(cursor).left() - origin.left()) / characters;
  const QTextBlock second = first.next();
  const int line = second.isValid() ? edit->cursorRect(QTextCursor(second)).top() - origin.top()
                                    : origin.height();
  return HexView::CellAt(at.x() - origin.left(), at.y() - origin.top(), pitch, line);
}

QWidget* MainWindowView::WidgetOf(const Control& control) const {
  auto it = byControl_.find(&control);
  return it == byControl_.end() ? nullptr : it->second;
}

Control* MainWindowView::ControlOf(const QWidget* widget) const {
  auto it = byWidget_.find(widget);
  return it == byWidget_.end() ? nullptr : it->second;
}

bool MainWindowView::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  Control* c = widget ? ControlOf(widget) : nullptr;
  if (c == nullptr) return QMainWindow::eventFilter(watched, event);

  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (c->kind() == ControlKind::RichEdit) form_.KeyDown(*c, KeyOf(key->key()));
      char ch = CharOf(key, c->kind() == ControlKind::RichEdit);
      if (ch == 0) {
        AfterEvent();
        return false;
      }
      form_.KeyPress(*c, ch);
      AfterEvent();
      if (c->kind() == ControlKind::LineEdit) {
        if (ch != 0) TypeInto(*c, static_cast<QLineEdit*>(WidgetOf(*c)), ch);
        return true;
      }
      return ch == 0;
    }
    case QEvent::KeyRelease:
      if (c->kind() == ControlKind::RichEdit && !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
        form_.KeyUp(*c, KeyOf(static_cast<QKeyEvent*>(event)->key()));
        AfterEvent();
      }
      return false;
    case QEvent::MouseButtonPress:
      if (c->kind() == ControlKind::RichEdit && watched != WidgetOf(*c)) {
        auto* edit = static_cast<QPlainTextEdit*>(WidgetOf(*c));
        const HexView::Cell cell =
            CellUnder(edit, static_cast<QMouseEvent*>(event)->position().toPoint());
        edit->setFocus(Qt::MouseFocusReason);
        form_.MouseDown(*c, cell.line, cell.column);
        AfterEvent();
        return true;
      }
      return false;
    case QEvent::MouseButtonRelease:
      if (c->kind() == ControlKind::StaticText) {
        form_.Click(*c);
        AfterEvent();
        return true;
      }
      return false;
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
      // A file dropped over an entry box or the editor loads like one dropped anywhere
      // else on the window, or not at all; its name never lands there as typed text.
      auto* drop = static_cast<QDropEvent*>(event);
      if (drop->mimeData() == nullptr || !drop->mimeData()->hasUrls()) return false;
      if (event->type() == QEvent::Drop)
        dropEvent(drop);
      else if (DroppableFile(drop).isEmpty())
        drop->ignore();
      else
        drop->acceptProposedAction();
      return true;
    }
    default:
      return false;
  }
}

QString MainWindowView::DroppableFile(const QDropEvent* event) const {
  const QMimeData* mime = event->mimeData();
  if (mime == nullptr || !mime->hasUrls() || !form_.Enabled || !form_.Load_But.Live()) return {};
  // One file: the buffer holds one, and which of several would load is anyone's guess.
  const QList<QUrl> urls = mime->urls();
  if (urls.size() != 1 || !urls.front().isLocalFile()) return {};
  return urls.front().toLocalFile();
}

void MainWindowView::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppableFile(event).isEmpty())
    event->ignore();
  else
    event->acceptProposedAction();
}

void MainWindowView::dragMoveEvent(QDragMoveEvent* event) {
  if (DroppableFile(event).isEmpty())
    event->ignore();
  else
    event->acceptProposedAction();
}

void MainWindowView::dropEvent(QDropEvent* event) {
  const QString path = DroppableFile(event);
  if (path.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  form_.FileDropped(QFile::encodeName(path).toStdString());
  AfterEvent();
}

void MainWindowView::OnFocusChanged(QWidget* old_widget, QWidget* new_widget) {
  // Only moves between controls of this window count: a message box taking the focus
  // does not close the editor.
  if (new_widget == nullptr || new_widget->window() != this) return;
  Control* from = old_widget ? ControlOf(old_widget) : nullptr;
  Control* to = ControlOf(new_widget);
  if (from == to) return;
  form_.FocusMoved(from, to);
  AfterEvent();
}

void MainWindowView::AfterEvent() {
  SyncFromForm();
}

void MainWindowView::closeEvent(QCloseEvent* event) {
  form_.Close();
  event->accept();
}

void MainWindowView::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (autoStart && event->type() == QEvent::ActivationChange && isActiveWindow()) Start();
}

void MainWindowView::Start() {
  if (activated_) return;
  activated_ = true;
  // Let the window paint before the start-up sequence runs.
  QTimer::singleShot(0, this, [this] {
    form_.Activate();
    SyncFromForm();
  });
}

}  // namespace tarnwick
