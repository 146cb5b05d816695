// The simulated bench beside the main window: which chip sits in the socket, the
// checksum of its contents, its lock bits, its fading cells, the Vpp level and the six
// latches; and what a person at the bench can do: put in another chip or take it out,
// erase an EPROM under the UV lamp, age the chip so a few cells read unreliably (and
// make them sound again), give the socket a bad contact (a data line stuck, an address
// line stuck or open, the chip touching no pin), unplug the power pack, and keep the
// box's log.
#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;

namespace tarnwick {

class SimBox;
class SimSocket;

class SocketWindow final : public QWidget {
  Q_OBJECT

 public:
  SocketWindow(SimBox& box, SimSocket& socket, QWidget* parent = nullptr);
  // Brings the window in step with the box and the socket.
  void Refresh();
  // Text of the view, for tests: one line per item shown.
  QString Summary() const;
  // Keeps this window beside the main window, whatever its size, as it is moved,
  // resized or scaled.
  void FollowBeside(QWidget* main);
  // Where a window of the given frame size goes beside the main window's frame, whole
  // on the screen: on its right where the screen has room, else on its left, below it
  // or above it; where no side has room, on its right pushed onto the screen.
  static QPoint PlaceBeside(const QRect& main_frame, QSize own_frame, const QRect& screen);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void MoveBeside();

  void ChipChosen(int index);
  void EraseWithUv();
  void AgeChip();
  void MakeStable();
  void DataFaultChosen(int index);
  void AddressFaultChosen(int index);
  void NoChipToggled(bool on);
  void TogglePower();
  void WriteLog();

  SimBox& box_;
  SimSocket& socket_;
  QComboBox* chip_;
  QLabel* checksum_;
  QLabel* locks_;
  QLabel* unstable_;
  QComboBox* dataFault_;
  QComboBox* addressFault_;
  QCheckBox* noChip_;
  QLabel* faults_;
  QLabel* vpp_;
  QLabel* latches_;
  QLabel* state_;
  QPushButton* uv_;
  QPushButton* age_;
  QPushButton* stable_;
  QPushButton* power_;
  QTimer* timer_;
  QWidget* main_ = nullptr;
};

}  // namespace tarnwick
