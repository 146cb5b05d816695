// Builds the main window over the chosen port and runs the event loop until it closes.
#pragma once

class QApplication;

namespace tarnwick {

enum class PortChoice { Hardware, Simulated };

int RunWindow(QApplication& app, PortChoice choice);

}  // namespace tarnwick
