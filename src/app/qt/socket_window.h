// The simulated bench beside the main window: which chip sits in the socket, the
// checksum of its contents, its lock bits, the Vpp level and the six latches; and what
// a person at the bench can do: put in another chip or take it out, erase an EPROM
// under the UV lamp, unplug the power pack, and keep the box's log.
#pragma once

#include <QWidget>

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

 private:
  void ChipChosen(int index);
  void EraseWithUv();
  void TogglePower();
  void WriteLog();

  SimBox& box_;
  SimSocket& socket_;
  QComboBox* chip_;
  QLabel* checksum_;
  QLabel* locks_;
  QLabel* vpp_;
  QLabel* latches_;
  QLabel* state_;
  QPushButton* uv_;
  QPushButton* power_;
  QTimer* timer_;
};

}  // namespace tarnwick
