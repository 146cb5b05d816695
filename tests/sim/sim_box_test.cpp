#include "sim/sim_box.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/box_bus.h"

namespace tarnwick {
namespace {

constexpr uint16_t kBase = 0x378;

class SimBoxTest : public ::testing::Test {
 protected:
  SimBoxTest() {
    PortRefusal refusal;
    EXPECT_TRUE(box.Open(kBase, refusal));
  }
  uint8_t StatusWithClock(uint8_t control) {
    bus.Control(control);
    return bus.Status();
  }

  VirtualClock clock;
  SimBox box{&clock};
  BoxDriver bus{box, kBase};
};

TEST_F(SimBoxTest, EachSelectCodeLoadsItsLatchOnTheRisingClock) {
  struct Case {
    BoxLatch latch;
    uint8_t value;
  };
  const Case cases[] = {{BoxLatch::A, 0x11},  {BoxLatch::L9, 0x22}, {BoxLatch::B, 0x33},
                        {BoxLatch::L3, 0x44}, {BoxLatch::L2, 0x55}, {BoxLatch::L1, 0x66}};
  for (const Case& c : cases) bus.Load(c.latch, c.value);
  for (const Case& c : cases) EXPECT_EQ(box.Latch(c.latch), c.value) << static_cast<int>(c.latch);
}

TEST_F(SimBoxTest, OnlyTheRisingEdgeLatchesAndCodesZeroAndEightLoadNothing) {
  box.Write(kBase, 0x5A);
  box.Write(kBase + 2, 0x0E);  // clock already high with the select code: a rising edge
  EXPECT_EQ(box.Latch(BoxLatch::A), 0x5A);
  box.Write(kBase, 0x77);
  box.Write(kBase + 2, 0x0E);  // stays high: no edge
  box.Write(kBase + 2, 0x0A);  // falling edge
  EXPECT_EQ(box.Latch(BoxLatch::A), 0x5A);
  bus.Load(0x00, 0x99);
  bus.Load(0x08, 0x99);
  for (BoxLatch latch :
       {BoxLatch::A, BoxLatch::L9, BoxLatch::B, BoxLatch::L3, BoxLatch::L2, BoxLatch::L1})
    EXPECT_NE(box.Latch(latch), 0x99);
}

TEST_F(SimBoxTest, StatusShowsTheHighNibbleThenTheLowOneWithBusyInverted) {
  bus.Load(BoxLatch::A, 0xA5);
  EXPECT_EQ(StatusWithClock(0x00), 0x27);  // (0xA0 ^ 0x80) | 0x07
  EXPECT_EQ(StatusWithClock(0x04), 0xD7);  // (0x50 ^ 0x80) | 0x07
  EXPECT_EQ(box.StatusReads(), 2u);
}

TEST_F(SimBoxTest, UnpoweredOrAbsentBoxReads7FAndLatchesNothing) {
  box.SetPowered(false);
  bus.Load(BoxLatch::A, 0xA5);
  EXPECT_EQ(box.Latch(BoxLatch::A), 0x00);
  EXPECT_EQ(StatusWithClock(0x00), 0x7F);
  box.SetPowered(true);
  box.SetConnected(false);
  bus.Load(BoxLatch::A, 0xA5);
  EXPECT_EQ(StatusWithClock(0x04), 0x7F);
  EXPECT_EQ(box.Latch(BoxLatch::A), 0x00);
}

TEST_F(SimBoxTest, AnEmptyPortElsewhereReads7F) {
  PortRefusal refusal;
  ASSERT_TRUE(box.Open(0x278, refusal));
  bus.Load(BoxLatch::A, 0xA5);
  EXPECT_EQ(box.Read(0x279), 0x7F);
  EXPECT_EQ(box.Latch(BoxLatch::A), 0x00);
  EXPECT_FALSE(box.Open(0x1234, refusal));
  EXPECT_EQ(refusal.reason, "no printer port here");
  EXPECT_FALSE(refusal.alert);
}

TEST_F(SimBoxTest, RegistersReadBackAndOtherAddressesRead0xFF) {
  EXPECT_EQ(box.Read(kBase + 0x402), 0x15) << "ECR at power-up";
  box.Write(kBase + 0x402, 0x00);
  EXPECT_EQ(box.Read(kBase + 0x402), 0x00);
  box.Write(kBase + 2, 0x0C);
  EXPECT_EQ(box.Read(kBase + 2), 0x0C);
  EXPECT_EQ(box.Read(kBase + 3), 0xFF);
  EXPECT_EQ(box.Log().back(), "Unexpected read at 037B");
}

TEST_F(SimBoxTest, AccessesAfterCloseDoNothing) {
  box.Close();
  const size_t recorded = box.Record().size();
  const int64_t now = clock.NowMicros();
  bus.Load(BoxLatch::A, 0x42);
  EXPECT_EQ(box.Read(kBase + 1), 0xFF);
  EXPECT_EQ(box.Latch(BoxLatch::A), 0x00);
  EXPECT_EQ(box.Record().size(), recorded);
  EXPECT_EQ(clock.NowMicros(), now);
}

TEST_F(SimBoxTest, EveryAccessIsRecordedAndAdvancesTheClock) {
  box.Write(kBase, 0x12);
  box.Read(kBase + 1);  // LatchA is clear at power-up: nibble 0 reads 0x87
  EXPECT_EQ(box.Record(), (std::vector<SimAccess>{{true, 0, 0x12}, {false, 1, 0x87}}));
  EXPECT_EQ(clock.NowMicros(), 2);
  box.SetAccessNanos(2500);
  box.Read(kBase + 2);
  box.Read(kBase + 2);
  EXPECT_EQ(clock.NowMicros(), 7);
}

TEST_F(SimBoxTest, TheRecordCanBeBoundedOrTurnedOff) {
  box.SetRecording(true, 3);
  for (int i = 0; i < 5; ++i) box.Read(kBase + 2);
  EXPECT_EQ(box.Record().size(), 3u);
  EXPECT_EQ(box.Dropped(), 2u);
  box.ClearRecord();
  box.SetRecording(false);
  box.Read(kBase + 2);
  EXPECT_TRUE(box.Record().empty());
}

TEST(SimVpp, LevelsOfTheRegulatorSettings) {
  struct Case {
    uint8_t latch2, latch3;
    int mv;
  };
  const Case cases[] = {{0x0F, 0xB0, 25000},         {0x1F, 0xB0, 21000}, {0xBF, 0xB0, 12750},
                        {0x3F, 0xB0, 12500},         {0x3F, 0x30, 12000}, {0xBF, 0x30, 12000},
                        {0x3F, 0x20, 12000},         {0x3F, 0x00, 3000},  {0x0A, 0xA0, 25000},
                        {0x1A, 0xA0, 21000},         {0xBA, 0xA0, 12500}, {0x3A, 0x20, 12000},
                        {0x3F, 0x10, kVppUndefined},  // parked: no programming level
                        {0x00, 0x00, kVppUndefined}};
  for (const Case& c : cases)
    EXPECT_EQ(VppMillivolts(c.latch2, c.latch3), c.mv) << int(c.latch2) << "," << int(c.latch3);
}

TEST_F(SimBoxTest, LogTellsLatchLoadsAndVppChangesAndGoesToAFile) {
  bus.Load(BoxLatch::L3, 0xB0);
  bus.Load(BoxLatch::L2, 0x3F);
  bus.Load(BoxLatch::L2, 0x3F);
  // Latch2 is still 00 from power-up when Latch3 gets B0: 25 V for a moment.
  EXPECT_EQ(box.Log(), (std::vector<std::string>{"Latch3 := B0", "Vpp 25 V", "Latch2 := 3F",
                                                 "Vpp 12.5 V", "Latch2 := 3F"}));
  const std::string path =
      (std::filesystem::temp_directory_path() / "tarnwick-sim-log-test.txt").string();
  ASSERT_TRUE(box.WriteLog(path));
  std::ifstream in(path);
  std::string first;
  std::getline(in, first);
  EXPECT_EQ(first, "Latch3 := B0");
  std::filesystem::remove(path);
}

// An adapter whose chip drives 0x3C while Latch9 is 0x30.
class DrivingAdapter final : public SimAdapter {
 public:
  void OnLatchLoad(SimBox& box, BoxLatch latch, uint8_t before) override {
    loads.push_back({latch, before, box.Latch(latch)});
  }
  void OnStatusRead(SimBox& box) override { readsSeen = box.StatusReads(); }
  std::optional<uint8_t> DrivenByte(const SimBox& box) const override {
    if (box.Latch(BoxLatch::L9) == 0x30) return 0x3C;
    return std::nullopt;
  }
  struct Loaded {
    BoxLatch latch;
    uint8_t before, after;
    friend bool operator==(const Loaded&, const Loaded&) = default;
  };
  std::vector<Loaded> loads;
  uint64_t readsSeen = 0;
};

TEST_F(SimBoxTest, AdapterDrivesTheReadPathOnlyWhileLatch2Bit3IsHigh) {
  DrivingAdapter adapter;
  box.Plug(&adapter);
  bus.Load(BoxLatch::A, 0xA5);
  bus.Load(BoxLatch::L9, 0x30);
  bus.Load(BoxLatch::L2, 0xB7);  // bit 3 low: detection's value, the chip stays off
  EXPECT_EQ(box.ReadPath(), 0xA5);
  bus.Load(BoxLatch::L2, 0x3F);
  EXPECT_EQ(box.ReadPath(), 0x3C);
  EXPECT_EQ(StatusWithClock(0x00), 0xB7);  // (0x30 ^ 0x80) | 0x07
  EXPECT_EQ(adapter.readsSeen, 1u);
  bus.Load(BoxLatch::L9, 0x10);
  EXPECT_EQ(box.ReadPath(), 0xA5) << "not driving: LatchA shows through";
  ASSERT_EQ(adapter.loads.size(), 5u);
  EXPECT_EQ(adapter.loads[3], (DrivingAdapter::Loaded{BoxLatch::L2, 0xB7, 0x3F}));
}

}  // namespace
}  // namespace tarnwick
