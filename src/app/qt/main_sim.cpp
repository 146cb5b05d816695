// tarnwick-sim: the program on the simulated Quillbox, for people without the box.
#include <QApplication>

#include "app/qt/run_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return tarnwick::RunWindow(app, tarnwick::PortChoice::Simulated);
}
