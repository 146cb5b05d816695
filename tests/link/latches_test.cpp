#include <gtest/gtest.h>

#include "support/form_fixture.h"

namespace tarnwick {
namespace {

constexpr uint16_t kBase = 0x378;
constexpr uint16_t kStatus = 0x379;
constexpr uint16_t kControl = 0x37A;
constexpr uint16_t kEcr = 0x77A;

PortAccess W(uint16_t address, uint8_t value) {
  return {true, address, value};
}
PortAccess R(uint16_t address, uint8_t value) {
  return {false, address, value};
}

// The register writes of one strobe of the latch with select value x.
std::vector<PortAccess> StrobeOf(uint8_t data, uint8_t x) {
  const auto hi = static_cast<uint8_t>(x + 4);
  return {W(kBase, data),  W(kControl, x),  W(kControl, x), W(kControl, x), W(kControl, hi),
          W(kControl, hi), W(kControl, hi), W(kControl, x), W(kControl, 0)};
}

class LatchTest : public FormTest {
 protected:
  LatchTest() {
    f.s.LptBase = kBase;
    f.s.StatusPort = kStatus;
    f.s.ControlPort = kControl;
  }
  uint8_t LastControl() const { return h.port.WritesTo(kControl).back(); }
};

TEST_F(LatchTest, StrobeSendsTheLowByteAndClocksTheSelectedLatch) {
  f.s.LatchByte = 0x1A5;
  f.link.StrobeLatch2();
  EXPECT_EQ(h.port.accesses, StrobeOf(0xA5, 0x02));
}

TEST_F(LatchTest, EachStrobeUsesItsOwnSelectValue) {
  struct Case {
    void (Link::*strobe)();
    uint8_t select;
  };
  const Case cases[] = {{&Link::StrobeLatchA, 0x0A}, {&Link::StrobeLatch9, 0x09},
                        {&Link::StrobeLatchB, 0x0B}, {&Link::StrobeLatch3, 0x03},
                        {&Link::StrobeLatch2, 0x02}, {&Link::StrobeLatch1, 0x01}};
  for (const Case& c : cases) {
    h.port.accesses.clear();
    f.s.LatchByte = 0x5C;
    (f.link.*c.strobe)();
    EXPECT_EQ(h.port.accesses, StrobeOf(0x5C, c.select)) << int(c.select);
  }
}

TEST_F(LatchTest, LoadSetsLatchByteThenStrobes) {
  f.link.Load(kLatch9, 0x1234);
  EXPECT_EQ(f.s.LatchByte, 0x1234);
  EXPECT_EQ(h.port.accesses, StrobeOf(0x34, 0x09));
}

TEST_F(LatchTest, ReadNibblesTakesElevenWritesAndTwoReads) {
  h.port.statusScript = {0x2F, 0xD0};
  f.link.ReadNibbles();
  const std::vector<PortAccess> expected = {
      W(kControl, 0),   W(kControl, 0),   W(kControl, 0), W(kControl, 0), W(kControl, 0),
      R(kStatus, 0x2F), W(kControl, 4),   W(kControl, 4), W(kControl, 4), W(kControl, 4),
      W(kControl, 4),   R(kStatus, 0xD0), W(kControl, 0)};
  EXPECT_EQ(h.port.accesses, expected);
  EXPECT_EQ(f.s.ReadByte, 0xA5);
}

TEST_F(LatchTest, ReadNibblesInvertsBusyAndIgnoresTheLowStatusBits) {
  struct Case {
    uint8_t first, second, byte;
  };
  const Case cases[] = {{0x2F, 0xD0, 0xA5},
                        {0xFF, 0xFF, 0x77},
                        {0x7F, 0x7F, 0xFF},
                        {0x80, 0x80, 0x00},
                        {0x07, 0xF8, 0x87}};
  for (const Case& c : cases) {
    h.port = RecordingPort{};  // the script starts over
    h.port.statusScript = {c.first, c.second};
    f.s.ReadByte = 0x3C;
    f.link.ReadNibbles();
    EXPECT_EQ(f.s.ReadByte, c.byte) << int(c.first) << "," << int(c.second);
  }
}

TEST_F(LatchTest, ControlRestsAtZeroAfterStrobeAndRead) {
  f.link.StrobeLatchB();
  EXPECT_EQ(LastControl(), 0x00);
  f.link.ReadNibbles();
  EXPECT_EQ(LastControl(), 0x00);
}

TEST_F(LatchTest, ParkLoadsTheIdleValuesInOrderAndRestsAtC) {
  f.s.ProgrammerFound = 1;
  f.link.ParkLatches();
  std::vector<PortAccess> expected;
  for (auto [data, x] :
       {std::pair{0x3F, 0x02}, {0x62, 0x01}, {0x20, 0x0B}, {0x00, 0x09}, {0x10, 0x03}}) {
    auto strobe = StrobeOf(static_cast<uint8_t>(data), static_cast<uint8_t>(x));
    expected.insert(expected.end(), strobe.begin(), strobe.end());
  }
  for (uint8_t v : {0x08, 0x08, 0x08, 0x0C, 0x0C, 0x0C}) expected.push_back(W(kControl, v));
  EXPECT_EQ(h.port.accesses, expected);
}

TEST_F(LatchTest, ParkWithoutProgrammerWritesNothing) {
  f.s.ProgrammerFound = 0;
  f.link.ParkLatches();
  EXPECT_TRUE(h.port.accesses.empty());
}

TEST_F(LatchTest, OpenSavesTheExtendedControlRegisterAndSelectsStandardMode) {
  f.s.ProgrammerFound = 1;
  h.port.statusScript = {0x35};  // what the ECR reads
  PortRefusal refusal;
  EXPECT_TRUE(f.link.OpenPort(refusal));
  EXPECT_EQ(h.port.opens, 1);
  EXPECT_EQ(h.port.accesses, (std::vector<PortAccess>{R(kEcr, 0x35), W(kEcr, 0x00)}));
  EXPECT_EQ(f.s.SavedEcr, 0x35);
  EXPECT_EQ(f.s.ProgrammerFound, 1);
  EXPECT_TRUE(h.toolkit.messages.empty());
}

// The link says why; the search logs every refused address, and a box only where the
// port is there but this user may not have it.
TEST_F(LatchTest, ARefusedOpenTouchesNoRegisterAndTheSearchSaysWhy) {
  const PortRefusal refusals[] = {{"/dev/parport0: join group lp", true},
                                  {"no printer port here", false}};
  for (const PortRefusal& refusal : refusals) {
    h.toolkit.messages.clear();
    h.port.refuseOpen = true;
    h.port.refusal = refusal;
    f.detect.ProbePort();
    EXPECT_EQ(f.s.ProgrammerFound, 0);
    EXPECT_TRUE(h.port.accesses.empty());
    EXPECT_EQ(h.toolkit.messages.size(), refusal.alert ? 1u : 0u);
    if (refusal.alert) {
      EXPECT_EQ(h.toolkit.messages[0].text, "Error: " + refusal.reason);
    }
    EXPECT_EQ(f.Memo1.lines().back(), "Port-0378 - " + refusal.reason);
  }
}

TEST_F(LatchTest, CloseSwitchesVppOffParksAndRestoresTheEcrBeforeGivingThePortBack) {
  f.s.SavedEcr = 0x35;
  f.link.ClosePort();
  std::vector<PortAccess> expected = StrobeOf(0x00, 0x03);
  for (uint8_t v : {0x08, 0x08, 0x08, 0x0C, 0x0C, 0x0C}) expected.push_back(W(kControl, v));
  expected.push_back(W(kEcr, 0x35));
  EXPECT_EQ(h.port.accesses, expected);
  EXPECT_EQ(h.port.closes, 1);
  EXPECT_EQ(LastControl(), 0x0C);
}

TEST_F(LatchTest, ReadStatusAndReadControlCountReads) {
  f.link.ReadStatus(0);
  f.link.ReadStatus(-3);
  EXPECT_TRUE(h.port.accesses.empty());
  f.link.ReadStatus(3);
  f.link.ReadControl(2);
  EXPECT_EQ(h.port.accesses,
            (std::vector<PortAccess>{R(kStatus, 0x7F), R(kStatus, 0x7F), R(kStatus, 0x7F),
                                     R(kControl, 0x7F), R(kControl, 0x7F)}));
}

}  // namespace
}  // namespace tarnwick
