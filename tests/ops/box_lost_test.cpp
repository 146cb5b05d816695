// A box that stops answering, before a command or in the middle of its pass: no command
// may end green on it, and the program takes the box as lost.
#include <gtest/gtest.h>

#include <functional>

#include "link/detect.h"
#include "support/sim_fixture.h"

namespace tarnwick {
namespace {

struct Command {
  const char* name;
  const char* chip;
  std::function<void(TMainForm&)> run;
};

const Command kCommands[] = {
    {"Blank Check", "89C51", [](TMainForm& f) { f.Click(f.Blank_Chk); }},
    {"Verify", "87C51H", [](TMainForm& f) { f.Click(f.Verify); }},
    {"Move", "87C51H", [](TMainForm& f) { f.Click(f.Move_Eprom); }},
    {"Program Compare", "89S8252", [](TMainForm& f) { f.Click(f.Compare); }},
    {"Program", "89C51", [](TMainForm& f) { f.Click(f.Programm); }},
    {"Erase", "89S8252", [](TMainForm& f) { f.Click(f.Erase_But); }},
    {"Program Security", "89C51",
     [](TMainForm& f) {
       f.Click(f.Security);
       f.ListClick(f.Security_List, 0);
     }},
};

class BoxLostTest : public SimBenchTest {};

TEST_F(BoxLostTest, NoCommandEndsGreenOnABoxWithoutPower) {
  for (const bool during : {false, true}) {
    for (const Command& c : kCommands) {
      SCOPED_TRACE(std::string(c.name) + (during ? ", power lost during the pass" : ", before"));
      SimForm bench;
      bench.FindBox();
      TMainForm& form = bench.f();
      bench.SelectRow(SimForm::RowOf(c.chip));
      form.s.DeviceStart = form.s.BufferStart = 0;
      form.s.DeviceEnd = 0x3F;
      form.s.PulseWait = 10;
      // The buffer holds what a blank chip holds, so the reads alone could pass, except
      // for Program and Verify, whose pattern a box without power reads as FF.
      for (int a = 0; a <= 0x3F; ++a) form.s.Buffer[a] = bench.socket.Chip()->info().erased;
      if (std::string(c.name) == "Program" || std::string(c.name) == "Verify")
        for (int a = 0; a <= 0x3F; ++a) form.s.Buffer[a] = static_cast<uint8_t>(a);
      if (during) {
        bench.toolkit.When([&] { return form.StaticText3.colour == colour::Yellow; },
                           [&] { bench.box.SetPowered(false); });
      } else {
        bench.box.SetPowered(false);
      }
      c.run(form);
      EXPECT_EQ(form.StaticText3.colour, colour::Red) << form.StaticText3.caption;
      EXPECT_EQ(form.s.OpFailed, 1);
      EXPECT_FALSE(form.outcomes.device.running);
      // A box that went quiet is never blamed on the chip, whether the pass read FF
      // and would fail or read enough to pass.
      EXPECT_EQ(form.outcomes.device.verdict, Verdict::BoxLost);
      EXPECT_EQ(form.StaticText3.caption, kBoxLostText);
      EXPECT_TRUE(form.outcomes.device.mismatches.empty());
      EXPECT_EQ(form.s.ProgrammerFound, 0);
      EXPECT_FALSE(form.Programm.enabled) << "the device commands are dead";
      EXPECT_FALSE(bench.box.IsOpen()) << "the port was given back";
      ASSERT_FALSE(bench.toolkit.messages.empty());
      EXPECT_EQ(bench.toolkit.messages.back().text, kNotFoundText);
    }
  }
}

TEST_F(BoxLostTest, AClickOnTheStatusLineFindsTheBoxAgain) {
  Seat("87C51H");
  sim.box.SetPowered(false);
  f.Click(f.Blank_Chk);
  ASSERT_EQ(f.s.ProgrammerFound, 0);
  sim.box.SetPowered(true);
  f.Click(f.StaticText3);
  EXPECT_EQ(f.s.ProgrammerFound, 1);
  EXPECT_EQ(f.StaticText3.caption, "The Quillbox was Found at 0378");
  f.Click(f.Blank_Chk);
  EXPECT_EQ(f.StaticText3.caption, "Device is Erased....");
  EXPECT_EQ(f.StaticText3.colour, colour::Lime);
}

}  // namespace
}  // namespace tarnwick
