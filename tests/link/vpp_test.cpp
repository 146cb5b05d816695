#include <gtest/gtest.h>

#include "support/box_bus.h"
#include "support/form_fixture.h"

namespace tarnwick {
namespace {

constexpr uint16_t kBase = 0x378;

class VppTest : public FormTest {
 protected:
  VppTest() {
    f.s.LptBase = kBase;
    f.s.StatusPort = kBase + 1;
    f.s.ControlPort = kBase + 2;
    f.s.ProgrammerFound = 1;
  }
  // The latch loads the box saw.
  std::vector<BoxLoad> Loads() const {
    std::vector<BoxLoad> loads;
    BoxDecoder decoder;
    for (const PortAccess& a : h.port.accesses)
      if (a.write)
        if (const std::optional<BoxLoad> load = decoder.Write(a.address - kBase, a.value))
          loads.push_back(*load);
    return loads;
  }
};

struct VppCase {
  int code;
  uint8_t latch2, latch3;
  const char* caption;  // nullptr: caption stays
};

// Worked out from the level table of the programming-voltage design.
constexpr VppCase kVppCases[] = {
    {0, 0x3F, 0x30, nullptr},       {1, 0x0F, 0xB0, "Vpp = 25"},   {2, 0x1F, 0xB0, "Vpp = 21"},
    {3, 0xBF, 0xB0, "Vpp = 12.75"}, {4, 0x3F, 0x30, "Vpp = 12"},   {5, 0x3F, 0x30, "Vpp = 5"},
    {6, 0xBF, 0xB0, "Vpp = 12.75"}, {7, 0x3F, 0xB0, "Vpp = 12.5"}, {8, 0xBF, 0x30, "Vpp = 12"},
    {9, 0x3F, 0x20, "Vpp = 12/3"},  {10, 0x3F, 0x00, "Vpp = 3"},   {11, 0x3F, 0x30, "Vpp = 12"},
    {12, 0x3F, 0x30, nullptr},      {-1, 0x3F, 0x30, nullptr},
};

TEST_F(VppTest, EachCodeSendsLatch3ThenLatch2AndSetsTheCaption) {
  for (const VppCase& c : kVppCases) {
    h.port.accesses.clear();
    f.Vpp_But.caption = "before";
    f.s.VppCode = c.code;
    f.vpp.ApplyVpp();
    EXPECT_EQ(f.s.Latch2Base, c.latch2) << c.code;
    EXPECT_EQ(f.s.Latch3Base, c.latch3) << c.code;
    EXPECT_EQ(f.Vpp_But.caption, c.caption ? c.caption : "before") << c.code;
    const std::vector<BoxLoad> expected = {{BoxLatch::L3, c.latch3}, {BoxLatch::L2, c.latch2}};
    EXPECT_EQ(Loads(), expected) << c.code;
  }
}

TEST_F(VppTest, WithoutProgrammerOnlyTheCaptionsAndBytesChange) {
  f.s.ProgrammerFound = 0;
  f.s.VppCode = 2;
  f.vpp.ApplyVpp();
  EXPECT_EQ(f.Vpp_But.caption, "Vpp = 21");
  EXPECT_EQ(f.s.Latch2Base, 0x1F);
  f.s.TestVppStep = 4;
  f.vpp.Test_VppClick();
  EXPECT_EQ(f.Test_Vpp.caption, "Vpp = 25");
  EXPECT_EQ(f.s.Latch2Base, 0x0F);
  EXPECT_TRUE(h.port.accesses.empty());
}

TEST_F(VppTest, VppButtonStepsTheHighVoltagesOfThe874XAnd8751) {
  f.s.DeviceFamily = 2;  // 8748
  f.s.VppCode = 1;
  std::vector<std::string> captions;
  for (int i = 0; i < 3; ++i) {
    f.Click(f.Vpp_But);
    captions.push_back(f.Vpp_But.caption);
  }
  EXPECT_EQ(captions, (std::vector<std::string>{"Vpp = 21", "Vpp = 12.75", "Vpp = 25"}));
  EXPECT_EQ(f.s.VppCode, 1);
}

TEST_F(VppTest, VppButtonKeepsOtherCodesAndOtherFamilies) {
  f.s.DeviceFamily = 4;  // 87C52H
  f.s.VppCode = 7;
  f.devices.Vpp_ButClick();
  EXPECT_EQ(f.s.VppCode, 7);
  EXPECT_EQ(f.Vpp_But.caption, "Vpp = 12.5");
  EXPECT_EQ(Loads().size(), 2u) << "the level is sent again";

  f.s.DeviceFamily = 3;
  f.s.VppCode = 4;
  f.devices.Vpp_ButClick();
  EXPECT_EQ(f.s.VppCode, 4);
}

TEST_F(VppTest, FourTestClicksFromStepFourWalkTheTestLevels) {
  f.s.TestVppStep = 4;
  std::vector<std::string> captions;
  for (int i = 0; i < 4; ++i) {
    f.vpp.Test_VppClick();
    captions.push_back(f.Test_Vpp.caption);
  }
  EXPECT_EQ(captions, (std::vector<std::string>{"Vpp = 25", "Vpp = 21", "Vpp = 12.5", "Vpp = 12"}));
  const std::vector<BoxLoad> expected = {
      {BoxLatch::L3, 0xA0}, {BoxLatch::L2, 0x0A}, {BoxLatch::L3, 0xA0}, {BoxLatch::L2, 0x1A},
      {BoxLatch::L3, 0xA0}, {BoxLatch::L2, 0xBA}, {BoxLatch::L3, 0x20}, {BoxLatch::L2, 0x3A}};
  EXPECT_EQ(Loads(), expected);
  EXPECT_EQ(f.s.TestVppStep, 4);
}

TEST_F(VppTest, TestStepOutsideTheCycleKeepsCaptionAndSendsTheBaseBytes) {
  f.s.TestVppStep = 0;
  f.Test_Vpp.caption = "Vpp = 12V";
  f.vpp.Test_VppClick();
  EXPECT_EQ(f.s.TestVppStep, 0);
  EXPECT_EQ(f.Test_Vpp.caption, "Vpp = 12V");
  EXPECT_EQ(Loads(), (std::vector<BoxLoad>{{BoxLatch::L3, 0x20}, {BoxLatch::L2, 0x3A}}));
}

}  // namespace
}  // namespace tarnwick
