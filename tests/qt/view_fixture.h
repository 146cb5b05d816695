// The real main window, built offscreen over a recording port, against the form it
// shows; the tests drive the form and look at the widgets.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/main_form.h"
#include "app/qt/main_window_view.h"
#include "app/qt/qt_toolkit.h"
#include "base/virtual_clock.h"
#include "support/fakes.h"

namespace tarnwick {

class ViewTest : public ::testing::Test {
 protected:
  ViewTest() {
    form = std::make_unique<TMainForm>(Services{toolkit, priority, clock, port});
    view = std::make_unique<MainWindowView>(*form);
    view->autoStart = false;
    toolkit.Attach(*form, *view);
  }
  QtToolkit toolkit;
  FakePriority priority;
  VirtualClock clock;
  RecordingPort port;
  std::unique_ptr<TMainForm> form;
  std::unique_ptr<MainWindowView> view;
};

}  // namespace tarnwick
