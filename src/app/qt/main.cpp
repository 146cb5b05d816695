// tarnwick: the programmer on the PC's real printer ports.
#include <QApplication>

#include "app/qt/run_window.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return tarnwick::RunWindow(app, tarnwick::PortChoice::Hardware);
}
