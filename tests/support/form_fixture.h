// A main window on the headless toolkit, with a recording port and a fake priority.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/main_form.h"
#include "support/fakes.h"
#include "support/headless_toolkit.h"

namespace tarnwick {

struct HeadlessForm {
  VirtualClock clock;
  HeadlessToolkit toolkit{clock};
  FakePriority priority;
  RecordingPort port;
  std::unique_ptr<TMainForm> form;

  explicit HeadlessForm(PortIo* custom_port = nullptr) {
    form = std::make_unique<TMainForm>(
        Services{toolkit, priority, clock, custom_port ? *custom_port : port});
    toolkit.Attach(*form);
  }
  TMainForm& f() { return *form; }
};

class FormTest : public ::testing::Test {
 protected:
  HeadlessForm h;
  TMainForm& f = h.f();
};

}  // namespace tarnwick
