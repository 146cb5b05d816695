#include <gtest/gtest.h>

#include "link/detect.h"
#include "sim/sim_box.h"
#include "support/form_fixture.h"

namespace tarnwick {
namespace {

// The form on an open simulated port at 0x378 with the box found.
class CalibrationTest : public ::testing::Test {
 protected:
  CalibrationTest() {
    box.AttachClock(&h.clock);
    box.SetRecording(false);
    f.s.LptBase = 0x378;
    f.s.StatusPort = 0x379;
    f.s.ControlPort = 0x37A;
    f.s.ProgrammerFound = 1;
    PortRefusal refusal;
    f.link.OpenPort(refusal);
  }
  SimBox box;
  HeadlessForm h{&box};
  TMainForm& f = h.f();
};

TEST_F(CalibrationTest, HalfASecondForTheReadsGives400) {
  f.detect.CalibrateSpeed();
  EXPECT_EQ(f.s.SpeedCount, 400);
  EXPECT_EQ(f.Memo1.lines().size(), 2u);
  EXPECT_EQ(h.priority.realTimeCalls, 1);
  EXPECT_FALSE(h.priority.realTime) << "normal priority again afterwards";
  EXPECT_TRUE(h.toolkit.messages.empty());
}

TEST_F(CalibrationTest, TheCountFollowsTheTimeOfAReadWithinSixteenBits) {
  struct Case {
    int64_t accessNanos;
    uint16_t speedCount;
  };
  const Case cases[] = {
      {2500, 160},  // a quarter second more
      // 500,000 reads in 500 µs would be 400,000 reads per 0.4 ms; cut to 16 bits that
      // would read 6784 and every wait would be sixty times too short.
      {1, 0xFFFF},
      {1000000, 1},  // 1 ms a read: 500 s for the measurement, still measured once
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.accessNanos);
    f.Memo1.ClearLines();
    box.SetAccessNanos(c.accessNanos);
    f.detect.CalibrateSpeed();
    EXPECT_EQ(f.s.SpeedCount, c.speedCount);
    EXPECT_EQ(f.Memo1.lines().size(), 2u);
  }
}

TEST_F(CalibrationTest, MeasuresTheControlRegisterAtRealTimePriority) {
  box.SetRecording(true);
  uint64_t controlReads = 0;
  bool realTimeWhileReading = false;
  h.toolkit.When([] { return true; }, [&] { realTimeWhileReading = h.priority.realTime; });
  f.detect.CalibrateSpeed();
  for (const SimAccess& a : box.Record())
    if (!a.write && a.offset == 2) ++controlReads;
  EXPECT_EQ(controlReads, 500000u);
  EXPECT_TRUE(realTimeWhileReading);
}

TEST_F(CalibrationTest, RefusedPriorityIsReportedAndTheMeasurementGoesOn) {
  h.priority.refuseRealTime = true;
  h.priority.refuseNormal = true;
  f.detect.CalibrateSpeed();
  ASSERT_EQ(h.toolkit.messages.size(), 2u);
  EXPECT_EQ(h.toolkit.messages[0].text, "Error Setting Priority Class...");
  EXPECT_EQ(h.toolkit.messages[1].text, "Error Setting Priority Class...");
  EXPECT_EQ(f.s.SpeedCount, 400);
}

// A port whose reads take no time at all on the clock.
class InstantPort final : public PortIo {
 public:
  uint8_t Read(uint16_t) override {
    ++reads;
    return 0xFF;
  }
  void Write(uint16_t, uint8_t) override {}
  bool Open(uint16_t, PortRefusal&) override { return true; }
  void Close() override {}
  int64_t reads = 0;
};

TEST(CalibrationLimit, AClockThatNeverMovesEndsTheRepetitionWithAMessage) {
  InstantPort port;
  HeadlessForm h(&port);
  TMainForm& f = h.f();
  f.s.ProgrammerFound = 0;
  f.detect.CalibrateSpeed();
  EXPECT_EQ(port.reads, 500000 + 5000000 + 50000000);
  EXPECT_EQ(f.s.SpeedCount, 0xFFFF);
  EXPECT_EQ(f.Memo1.lines().size(), 7u);
  EXPECT_EQ(f.Memo1.lines().back(), "System speed could not be measured...");
  ASSERT_EQ(h.toolkit.messages.size(), 1u);
}

class WaitTest : public FormTest {
 protected:
  WaitTest() {
    f.s.StatusPort = 0x379;
    f.s.ControlPort = 0x37A;
    h.toolkit.passes = 0;  // count from here, after the window's creation
  }
  size_t StatusReads() const {
    size_t n = 0;
    for (const PortAccess& a : h.port.accesses) n += !a.write && a.address == 0x379;
    return n;
  }
};

TEST_F(WaitTest, ScaledWaitReadsTheProductThenPassesMessagesOnce) {
  struct Case {
    uint16_t speed, pulse;
    size_t reads;
  };
  // 400 x 400 does not fit 16 bits: the product is formed wider.
  const Case cases[] = {{3, 7, 21}, {400, 400, 160000}, {400, 0, 0}, {0, 9, 0}};
  for (const Case& c : cases) {
    h.port.accesses.clear();
    f.s.SpeedCount = c.speed;
    f.s.PulseWait = c.pulse;
    const int passes = h.toolkit.passes;
    f.waits.ScaledWait();
    EXPECT_EQ(StatusReads(), c.reads) << c.speed << "x" << c.pulse;
    EXPECT_EQ(h.port.accesses.size(), c.reads) << "nothing but status reads";
    EXPECT_EQ(h.toolkit.passes, passes + 1);
  }
}

TEST_F(WaitTest, ShortWaitReadsFiveTimesPulseWaitAndPassesNoMessages) {
  f.s.PulseWait = 7;
  f.waits.ShortWait();
  EXPECT_EQ(StatusReads(), 35u);
  f.s.PulseWait = 0;
  f.waits.ShortWait();
  EXPECT_EQ(StatusReads(), 35u);
  EXPECT_EQ(h.toolkit.passes, 0);
}

TEST_F(WaitTest, StepWaitReadsPulseWaitThenPassesMessagesOnce) {
  f.s.PulseWait = 7;
  f.waits.StepWait();
  EXPECT_EQ(StatusReads(), 7u);
  EXPECT_EQ(h.toolkit.passes, 1);
}

TEST_F(WaitTest, TimerWaitOfZeroStartsNoTimerAndPassesThreeTimes) {
  f.s.WaitMs = 0;
  f.waits.TimerWait();
  EXPECT_EQ(h.toolkit.passes, 3);
  EXPECT_FALSE(f.Timer1Enabled);
  EXPECT_EQ(h.clock.NowMicros(), 0);
}

TEST_F(WaitTest, TimerWaitLastsItsMillisecondsOnTimer1) {
  f.s.WaitMs = 100;
  f.waits.TimerWait();
  EXPECT_EQ(f.s.WaitMs, 0);
  EXPECT_EQ(f.Timer1Interval, 100);
  EXPECT_FALSE(f.Timer1Enabled);
  EXPECT_EQ(h.clock.NowMicros(), 100000);
}

TEST_F(WaitTest, TimerWaitEndsWhenTheWindowCloses) {
  f.s.WaitMs = 100;
  h.toolkit.At(1, [&] { f.Close(); });
  f.waits.TimerWait();
  EXPECT_TRUE(f.Closed());
}

TEST_F(WaitTest, QuitTakesEffectInsideAWait) {
  f.Quit_Func_But.enabled = true;
  f.s.PulseWait = 1;
  h.toolkit.At(1, [&] { f.Click(f.Quit_Func_But); });
  f.waits.StepWait();
  EXPECT_EQ(f.s.StopCount, 5);
}

}  // namespace
}  // namespace tarnwick
