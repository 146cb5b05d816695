#include "app/qt/socket_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <random>

#include "base/hex_text.h"
#include "sim/sim_box.h"
#include "sim/sim_socket.h"

namespace tarnwick {

namespace {

constexpr const char* kEmptySocket = "(socket empty)";
constexpr int kRefreshMs = 200;
// What one press of "Age the Chip" does: three more cells with one weak bit each.
constexpr int kAgedCells = 3;
constexpr int kAgedPercent = 30;
// Unstable cells listed by name; the rest are counted.
constexpr int kListedUnstable = 4;

QString Hex(int value, int digits) {
  return QString::fromStdString(HexText(value, digits));
}

// The fault lists' entries after "none": each line with each level it can be held at.
constexpr PinLevel kDataLevels[] = {PinLevel::Low, PinLevel::High};
constexpr PinLevel kAddressLevels[] = {PinLevel::Low, PinLevel::High, PinLevel::Open};

QString LevelName(PinLevel level) {
  return level == PinLevel::Low ? "stuck at 0" : level == PinLevel::High ? "stuck at 1" : "open";
}

// The entry of the list for the first faulty line of `lines` (0: none).
template <size_t N, size_t M>
int EntryOf(const std::array<PinLevel, N>& lines, const PinLevel (&levels)[M]) {
  for (size_t line = 0; line < N; ++line)
    for (size_t i = 0; i < M; ++i)
      if (lines[line] == levels[i]) return static_cast<int>(1 + line * M + i);
  return 0;
}

}  // namespace

SocketWindow::SocketWindow(SimBox& box, SimSocket& socket, QWidget* parent)
    : QWidget(parent, Qt::Window), box_(box), socket_(socket) {
  setWindowTitle("Simulated Quillbox II - Socket");
  chip_ = new QComboBox(this);
  chip_->addItem(kEmptySocket);
  for (const ChipInfo& info : kChips) chip_->addItem(info.name);
  checksum_ = new QLabel(this);
  locks_ = new QLabel(this);
  unstable_ = new QLabel(this);
  dataFault_ = new QComboBox(this);
  dataFault_->addItem("none");
  for (int line = 0; line < kDataLines; ++line)
    for (PinLevel level : kDataLevels)
      dataFault_->addItem(QString("D%1 ").arg(line) + LevelName(level));
  addressFault_ = new QComboBox(this);
  addressFault_->addItem("none");
  for (int line = 0; line < kAddressLines; ++line)
    for (PinLevel level : kAddressLevels)
      addressFault_->addItem(QString("A%1 ").arg(line) + LevelName(level));
  noChip_ = new QCheckBox("Chip loose: no pin makes contact", this);
  faults_ = new QLabel(this);
  vpp_ = new QLabel(this);
  latches_ = new QLabel(this);
  latches_->setFont(QFont("DejaVu Sans Mono", 9));
  state_ = new QLabel(this);
  uv_ = new QPushButton("Erase with UV Light", this);
  age_ = new QPushButton("Age the Chip", this);
  age_->setToolTip("A few cells that hold data get a bit that reads flipped now and then");
  stable_ = new QPushButton("Make Cells Stable", this);
  power_ = new QPushButton(this);
  auto* log = new QPushButton("Write Log to File...", this);

  auto* form = new QFormLayout;
  form->addRow("Chip in socket:", chip_);
  form->addRow("Contents checksum:", checksum_);
  form->addRow("Lock bits:", locks_);
  form->addRow("Unstable cells:", unstable_);
  form->addRow("Data line fault:", dataFault_);
  form->addRow("Address line fault:", addressFault_);
  form->addRow("", noChip_);
  form->addRow("Socket faults:", faults_);
  form->addRow("Vpp:", vpp_);
  form->addRow("Latches:", latches_);
  form->addRow("Box:", state_);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(uv_);
  buttons->addWidget(power_);
  buttons->addWidget(log);
  auto* wear = new QHBoxLayout;
  wear->addWidget(age_);
  wear->addWidget(stable_);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(wear);
  layout->addLayout(buttons);

  connect(chip_, &QComboBox::activated, this, &SocketWindow::ChipChosen);
  connect(dataFault_, &QComboBox::activated, this, &SocketWindow::DataFaultChosen);
  connect(addressFault_, &QComboBox::activated, this, &SocketWindow::AddressFaultChosen);
  connect(noChip_, &QCheckBox::toggled, this, &SocketWindow::NoChipToggled);
  connect(uv_, &QPushButton::clicked, this, &SocketWindow::EraseWithUv);
  connect(age_, &QPushButton::clicked, this, &SocketWindow::AgeChip);
  connect(stable_, &QPushButton::clicked, this, &SocketWindow::MakeStable);
  connect(power_, &QPushButton::clicked, this, &SocketWindow::TogglePower);
  connect(log, &QPushButton::clicked, this, &SocketWindow::WriteLog);
  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, &SocketWindow::Refresh);
  timer_->start(kRefreshMs);
  Refresh();
}

void SocketWindow::Refresh() {
  const SimChip* chip = socket_.Chip();
  const QString name = chip ? QString(chip->info().name) : QString(kEmptySocket);
  if (chip_->currentText() != name) chip_->setCurrentText(name);
  if (chip != nullptr) {
    uint16_t sum = 0;
    for (uint8_t b : chip->contents()) sum = static_cast<uint16_t>(sum + b);
    checksum_->setText(Hex(sum, 4) + QString(" over %1 bytes").arg(chip->contents().size()) +
                       (chip->Damaged() ? "  DAMAGED by over-voltage" : ""));
    const uint8_t locks = chip->LockBits();
    QStringList set;
    for (int bit = 0; bit < 3; ++bit)
      if (locks & (1 << bit)) set << QString::number(bit + 1);
    locks_->setText(set.isEmpty() ? "none" : set.join(", "));
    QStringList cells;
    for (const auto& [addr, bits] : chip->Unstable()) {
      if (cells.size() == kListedUnstable) {
        cells << QString("%1 more").arg(chip->Unstable().size() - kListedUnstable);
        break;
      }
      QStringList lines;
      for (int bit = 0; bit < 8; ++bit)
        if ((bits.mask >> bit & 1) != 0) lines << QString("D%1").arg(bit);
      cells << QString("%1 %2 %3%").arg(Hex(addr, 4), lines.join("+")).arg(bits.percent);
    }
    unstable_->setText(cells.isEmpty() ? "none" : cells.join(", "));
  } else {
    checksum_->setText("-");
    locks_->setText("-");
    unstable_->setText("-");
  }
  const SocketFaults& faults = socket_.Faults();
  dataFault_->setCurrentIndex(EntryOf(faults.data, kDataLevels));
  addressFault_->setCurrentIndex(EntryOf(faults.address, kAddressLevels));
  if (noChip_->isChecked() != faults.noChip) noChip_->setChecked(faults.noChip);
  QStringList texts;
  for (const std::string& text : FaultTexts(faults)) texts << QString::fromStdString(text);
  faults_->setText(texts.isEmpty() ? "none" : texts.join(", "));
  uv_->setEnabled(chip != nullptr && !chip->info().flash);
  age_->setEnabled(chip != nullptr && chip->Unstable().size() < kMaxUnstableCells);
  stable_->setEnabled(chip != nullptr && !chip->Unstable().empty());
  const int mv = box_.VppMillivolts();
  vpp_->setText(mv == kVppUndefined ? "undefined (no programming)"
                                    : QString::number(mv / 1000.0, 'f', 2) + " V");
  latches_->setText(QString("A=%1 9=%2 B=%3 3=%4 2=%5 1=%6")
                        .arg(Hex(box_.Latch(BoxLatch::A), 2), Hex(box_.Latch(BoxLatch::L9), 2),
                             Hex(box_.Latch(BoxLatch::B), 2), Hex(box_.Latch(BoxLatch::L3), 2),
                             Hex(box_.Latch(BoxLatch::L2), 2), Hex(box_.Latch(BoxLatch::L1), 2)));
  state_->setText(box_.Live() ? QString("powered, on port %1").arg(Hex(box_.BoxBase(), 4))
                              : "power pack unplugged");
  power_->setText(box_.Live() ? "Unplug Power Pack" : "Plug In Power Pack");
}

void SocketWindow::FollowBeside(QWidget* main) {
  if (main_ != nullptr) main_->removeEventFilter(this);
  main_ = main;
  main_->installEventFilter(this);
  MoveBeside();
}

QPoint SocketWindow::PlaceBeside(const QRect& main_frame, QSize own_frame, const QRect& screen) {
  constexpr int kGap = 8;
  // Slid along the side it sits on so that it stays on the screen, where it is small
  // enough to.
  const auto on_screen_x = [&](int x) {
    return std::max(screen.left(), std::min(x, screen.right() + 1 - own_frame.width()));
  };
  const auto on_screen_y = [&](int y) {
    return std::max(screen.top(), std::min(y, screen.bottom() + 1 - own_frame.height()));
  };
  const QPoint sides[] = {
      {main_frame.right() + 1 + kGap, on_screen_y(main_frame.top())},                  // right
      {main_frame.left() - kGap - own_frame.width(), on_screen_y(main_frame.top())},   // left
      {on_screen_x(main_frame.left()), main_frame.bottom() + 1 + kGap},                // below
      {on_screen_x(main_frame.left()), main_frame.top() - kGap - own_frame.height()},  // above
  };
  for (const QPoint& at : sides)
    if (screen.contains(QRect(at, own_frame))) return at;
  // No side has room (a small screen): on the right, pushed onto the screen over the
  // main window's right edge, where no control sits above the address panel.
  return {on_screen_x(sides[0].x()), sides[0].y()};
}

void SocketWindow::MoveBeside() {
  if (main_ == nullptr) return;
  const QScreen* screen = main_->screen();
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect();
  // Before it is first shown the window has no frame yet; its size stands in.
  const QSize own = isVisible() ? frameGeometry().size() : sizeHint().expandedTo(size());
  const QPoint frame_at = PlaceBeside(main_->frameGeometry(), own, area);
  // move() places the frame's top-left corner.
  if (frameGeometry().topLeft() != frame_at) move(frame_at);
}

bool SocketWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == main_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                           event->type() == QEvent::Show))
    MoveBeside();
  return QWidget::eventFilter(watched, event);
}

QString SocketWindow::Summary() const {
  return QStringList{chip_->currentText(), checksum_->text(), locks_->text(),   unstable_->text(),
                     faults_->text(),      vpp_->text(),      latches_->text(), state_->text()}
      .join('\n');
}

void SocketWindow::ChipChosen(int index) {
  if (index <= 0) {
    socket_.Remove();
  } else if (const ChipInfo* info = FindChip(chip_->itemText(index).toStdString())) {
    socket_.Insert(*info);
  }
  Refresh();
}

void SocketWindow::EraseWithUv() {
  SimChip* chip = socket_.Chip();
  if (chip == nullptr || chip->info().flash) return;
  // Ultraviolet light clears every cell and the lock bits of a windowed EPROM; the
  // flash parts have no window and erase only electrically.
  chip->Erase();
  Refresh();
}

void SocketWindow::AgeChip() {
  SimChip* chip = socket_.Chip();
  if (chip == nullptr) return;
  // Which cells fade is the chip's fortune, not a test's: a new pick each time.
  chip->Age(std::random_device{}(), kAgedCells, kAgedPercent);
  Refresh();
}

void SocketWindow::MakeStable() {
  if (SimChip* chip = socket_.Chip()) chip->ClearUnstable();
  Refresh();
}

void SocketWindow::DataFaultChosen(int index) {
  // One data line at a time from here; the socket file may keep more.
  SocketFaults faults = socket_.Faults();
  faults.data.fill(PinLevel::Sound);
  constexpr int kLevels = std::size(kDataLevels);
  if (index > 0)
    faults.data[static_cast<size_t>((index - 1) / kLevels)] = kDataLevels[(index - 1) % kLevels];
  socket_.SetFaults(faults);
  Refresh();
}

void SocketWindow::AddressFaultChosen(int index) {
  SocketFaults faults = socket_.Faults();
  faults.address.fill(PinLevel::Sound);
  constexpr int kLevels = std::size(kAddressLevels);
  if (index > 0)
    faults.address[static_cast<size_t>((index - 1) / kLevels)] =
        kAddressLevels[(index - 1) % kLevels];
  socket_.SetFaults(faults);
  Refresh();
}

void SocketWindow::NoChipToggled(bool on) {
  SocketFaults faults = socket_.Faults();
  if (faults.noChip == on) return;
  faults.noChip = on;
  socket_.SetFaults(faults);
  Refresh();
}

void SocketWindow::TogglePower() {
  box_.SetPowered(!box_.Live());
  Refresh();
}

void SocketWindow::WriteLog() {
  const QString path =
      QFileDialog::getSaveFileName(this, "Write the box's log", "quillbox-log.txt");
  if (path.isEmpty()) return;
  if (!box_.WriteLog(path.toStdString()))
    QMessageBox::warning(this, "Tarnwick", "The log could not be written to " + path);
}

}  // namespace tarnwick
