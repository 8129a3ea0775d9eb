// Pen input: the pressure ramp without a tablet, packets read through a
// tablet interface standing in for the system's, and spline smoothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "platform/tablet.h"
#include "support/engine_fixture.h"

namespace {

struct Packet {
    uint32_t status, x, y, pressure;
};

// A tablet with a pressure axis and a queue of packets.
class FakeTablet final : public platform::TabletDriver {
public:
    platform::TabletAxis axis{0, 1023};
    bool hasAxis = true;
    bool opens = true;
    std::deque<Packet> queue;
    platform::TabletContextSettings opened;
    int32_t discarded = 0;
    int32_t closes = 0;
    int32_t queueSize = 0;
    int32_t answerCount = -1;  // >= 0: packets_get answers this count whatever it moved

    uint32_t pressure_axis(platform::TabletAxis& a) override {
        a = axis;
        return hasAxis ? 1 : 0;
    }
    uint32_t default_context(platform::TabletContextSettings& s) override {
        s.buttonDownMask = 0x1F;
        s.buttonUpMask = 0;
        return 1;
    }
    platform::TabletContext open(void*, const platform::TabletContextSettings& s, bool) override {
        opened = s;
        return opens ? 0x51 : 0;
    }
    int32_t close(platform::TabletContext) override { return ++closes; }
    int32_t packets_get(platform::TabletContext, int32_t max, uint8_t* out) override {
        int32_t n = 0;
        for (; n < max && !queue.empty(); ++n) {
            if (out != nullptr) std::memcpy(out + n * 16, &queue.front(), 16);  // little-endian machine
            queue.pop_front();
        }
        if (out == nullptr) discarded += n;
        return answerCount >= 0 ? answerCount : n;
    }
    int32_t queue_size_set(platform::TabletContext, int32_t n) override {
        queueSize = n;
        return 1;
    }
    int32_t client_to_screen(void*, int32_t& x, int32_t& y) override {
        x = 100;
        y = 40;
        return 1;
    }
    int32_t screen_width() override { return 1920; }
    int32_t screen_height() override { return 1080; }
};

class TabletTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        before_ = platform::install_tablet_driver(&tablet_);
    }
    void TearDown() override {
        PTE_CloseTablet();
        platform::install_tablet_driver(before_);
        EngineTest::TearDown();
    }
    FakeTablet tablet_;

private:
    platform::TabletDriver* before_ = nullptr;
};

std::vector<int32_t> reads(int n, int32_t packet = 0) {
    std::vector<int32_t> out;
    for (int i = 0; i < n; ++i) out.push_back(PTE_ReadTabletPressure(packet));
    return out;
}

}  // namespace

// ---- Without a tablet (the system's driver: none on this platform) ----

TEST_F(EngineTest, WithoutTabletPressureRampsAndQueriesAnswerZero) {
    EXPECT_EQ(PTE_InitTablet(nullptr), 0);
    EXPECT_EQ(reads(1), std::vector<int32_t>{100}) << "100 at load, before any reset";
    EXPECT_EQ(PTE_ResetTabletPressure(), 0);
    EXPECT_EQ(reads(7), (std::vector<int32_t>{10, 35, 60, 85, 100, 100, 100}));
    PTE_ResetTabletPressure();
    EXPECT_EQ(reads(2, 5), (std::vector<int32_t>{10, 35})) << "any packet index runs the ramp";
    EXPECT_EQ(PTE_ReadTabletPackets(), 0);
    EXPECT_EQ(PTE_SetTabletOrigin(), 0);
    for (int32_t i : {-1, 0, 1, 255, 256}) {
        EXPECT_EQ(PTE_ReadRawTabletPressure(i), 0) << i;
        EXPECT_EQ(PTE_IsPacketInvert(i), 0) << i;
        EXPECT_EQ(PTE_PacketStatus(i), 0u) << i;
        EXPECT_EQ(PTE_ReadTabletX(i), 0) << i;
        EXPECT_EQ(PTE_ReadTabletY(i), 0) << i;
    }
    PTE_CloseTablet();
}

// ---- With a tablet ----

TEST_F(TabletTest, ContextAsksForScreenPixelsWithYDownward) {
    EXPECT_EQ(PTE_InitTablet(reinterpret_cast<void*>(0x1234)), 1);
    EXPECT_STREQ(tablet_.opened.name, "paintcore tablet context");
    EXPECT_EQ(tablet_.opened.packetData, 0x582u);
    EXPECT_EQ(tablet_.opened.moveMask, 0x582u);
    EXPECT_EQ(tablet_.opened.options, 1u);
    EXPECT_EQ(tablet_.opened.packetMode, 0u);
    EXPECT_EQ(tablet_.opened.buttonUpMask, 0x1Fu) << "button-up mask = the default context's button-down mask";
    EXPECT_EQ(tablet_.opened.outExtentX, 1920);
    EXPECT_EQ(tablet_.opened.outExtentY, -1080);
    EXPECT_EQ(tablet_.queueSize, 256);
    // Opening again closes the context before.
    EXPECT_EQ(PTE_InitTablet(nullptr), 1);
    EXPECT_EQ(tablet_.closes, 1);
}

TEST_F(TabletTest, PressureScalesToOneHundredAndNeverReadsZero) {
    ASSERT_EQ(PTE_InitTablet(nullptr), 1);
    tablet_.queue = {{0, 0, 0, 512}, {0, 0, 0, 1023}, {0, 0, 0, 5}, {0, 0, 0, 0}};
    ASSERT_EQ(PTE_ReadTabletPackets(), 4);
    EXPECT_EQ(PTE_ReadTabletPressure(0), 50) << "512 * 100 / 1023 = 50.05";
    EXPECT_EQ(PTE_ReadTabletPressure(1), 100);
    EXPECT_EQ(PTE_ReadTabletPressure(2), 1) << "5 scales to 0.49: the minimum is 1";
    EXPECT_EQ(PTE_ReadRawTabletPressure(2), 0);
    EXPECT_EQ(PTE_ReadTabletPressure(3), 1);
    EXPECT_EQ(PTE_ReadRawTabletPressure(0), 50);
    // Past the packets the ramp goes on from the last pressure read.
    EXPECT_EQ(reads(3, 4), (std::vector<int32_t>{1, 26, 51}));
    EXPECT_EQ(PTE_ReadTabletPressure(-1), 76) << "a negative index is no packet";
    // Raw reads look at the whole buffer, never past it.
    EXPECT_EQ(PTE_ReadRawTabletPressure(256), 0);
    EXPECT_EQ(PTE_ReadRawTabletPressure(-1), 0);
}

TEST_F(TabletTest, AxisRangeIsUnsignedAndAnEmptyRangeIsNoAxis) {
    tablet_.axis = {-512, 511};
    ASSERT_EQ(PTE_InitTablet(nullptr), 1);
    tablet_.queue = {{0, 0, 0, 512}};
    PTE_ReadTabletPackets();
    EXPECT_EQ(PTE_ReadTabletPressure(0), 50);
    PTE_CloseTablet();

    tablet_.axis = {300, 300};
    EXPECT_EQ(PTE_InitTablet(nullptr), 0);
    EXPECT_EQ(PTE_ReadTabletPackets(), 0) << "no context was opened";
    tablet_.hasAxis = false;
    tablet_.axis = {0, 1023};
    EXPECT_EQ(PTE_InitTablet(nullptr), 0);
    tablet_.hasAxis = true;
    tablet_.opens = false;
    EXPECT_EQ(PTE_InitTablet(nullptr), 0) << "a context that did not open is not a tablet";
}

TEST_F(TabletTest, PacketQueriesStopAtThePacketCount) {
    ASSERT_EQ(PTE_InitTablet(nullptr), 1);
    tablet_.queue = {{0x10, 500, 300, 700}, {0x03, 90, 50, 100}};
    ASSERT_EQ(PTE_ReadTabletPackets(), 2);
    EXPECT_EQ(PTE_IsPacketInvert(0), 1);
    EXPECT_EQ(PTE_IsPacketInvert(1), 0);
    EXPECT_EQ(PTE_PacketStatus(1), 3u);
    EXPECT_EQ(PTE_ReadTabletX(0), 500) << "origin 0 until it is set";
    ASSERT_EQ(PTE_SetTabletOrigin(), 1);
    EXPECT_EQ(PTE_ReadTabletX(0), 400);
    EXPECT_EQ(PTE_ReadTabletY(0), 260);
    EXPECT_EQ(PTE_ReadTabletX(1), -10) << "left of the window";
    EXPECT_EQ(PTE_ReadTabletY(1), 10);
    EXPECT_EQ(PTE_ReadTabletX(2), 0) << "index equal to the count";
    EXPECT_EQ(PTE_PacketStatus(2), 0u);
    EXPECT_EQ(PTE_IsPacketInvert(-1), 0);
    // Each read replaces the buffer.
    EXPECT_EQ(PTE_ReadTabletPackets(), 0);
    EXPECT_EQ(PTE_ReadTabletX(0), 0);
    // A driver that answers more than the buffer holds is held to it.
    tablet_.answerCount = 1000;
    EXPECT_EQ(PTE_ReadTabletPackets(), 256);
}

TEST_F(TabletTest, ResetDropsQueuedPacketsAndRestartsTheRamp) {
    ASSERT_EQ(PTE_InitTablet(nullptr), 1);
    tablet_.queue.assign(1500, Packet{0, 0, 0, 400});
    EXPECT_EQ(PTE_ResetTabletPressure(), 1000) << "at most 1000 dropped";
    EXPECT_EQ(tablet_.discarded, 1000);
    EXPECT_EQ(PTE_ReadTabletPressure(0), 10) << "no packet read yet";
    PTE_CloseTablet();
    EXPECT_EQ(tablet_.closes, 1);
    PTE_CloseTablet();
    EXPECT_EQ(tablet_.closes, 1) << "nothing to close twice";
}

// ---- Splines ----

namespace {
std::vector<std::pair<int32_t, int32_t>> spline_points() {
    std::vector<std::pair<int32_t, int32_t>> p;
    for (uint32_t i = 0; i < 100; ++i) p.emplace_back(PTE_GetSplinePointX(i), PTE_GetSplinePointY(i));
    return p;
}
}  // namespace

TEST_F(EngineTest, SplineRunsFromTheFirstPointToTheLast) {
    EXPECT_EQ(PTE_GetSplinePointCount(), 0);
    EXPECT_EQ(PTE_GetSplinePointX(0), 0) << "before the first spline";
    EXPECT_EQ(PTE_GetSplinePointY(99), 0);
    EXPECT_EQ(PTE_CalcSpline3(10, 20, 150, 300, 400, 50, 12345), 1);
    EXPECT_EQ(PTE_GetSplinePointCount(), 100);
    const auto p = spline_points();
    EXPECT_EQ(p.front(), std::make_pair(10, 20));
    EXPECT_EQ(p.back(), std::make_pair(400, 50));
    EXPECT_EQ(PTE_GetSplinePointX(150), 400) << "past the end: the last point";
    EXPECT_EQ(PTE_GetSplinePointY(0xFFFFFFFFu), 50);
    // Smooth: no two neighbours far apart (the curve is about 700 long).
    for (size_t i = 1; i < p.size(); ++i) {
        EXPECT_LT(std::abs(p[i].first - p[i - 1].first) + std::abs(p[i].second - p[i - 1].second), 30) << i;
    }
}

TEST_F(EngineTest, SplinePassesThroughTheMiddlePointSymmetrically) {
    // A symmetric arch: sample i and sample 99 - i mirror each other (x and
    // 200 - x truncate to a sum of 199 unless x is whole), samples 49 and 50
    // lie either side of the middle point, and none rises above it.
    PTE_CalcSpline3(0, 200, 100, 0, 200, 200, 0);
    const auto p = spline_points();
    for (size_t i = 0; i < 50; ++i) {
        EXPECT_GE(p[i].first + p[99 - i].first, 199) << i;
        EXPECT_LE(p[i].first + p[99 - i].first, 200) << i;
        EXPECT_EQ(p[i].second, p[99 - i].second) << i;
    }
    EXPECT_LE(p[49].second, 2) << "close to the middle point";
    EXPECT_GE(p[49].first, 97);
    for (const auto& q : p) EXPECT_GE(q.second, 0) << "no overshoot past the middle point";
}

TEST_F(EngineTest, SplineOverUnevenGapsNeitherLoopsNorOvershoots) {
    // Points on a line, one gap a hundred times the other: the curve stays
    // on the line, moving forward only.
    PTE_CalcSpline3(0, 50, 10, 50, 1000, 50, 0);
    const auto p = spline_points();
    for (size_t i = 0; i < p.size(); ++i) {
        EXPECT_EQ(p[i].second, 50) << i;
        EXPECT_GE(p[i].first, 0) << i;
        EXPECT_LE(p[i].first, 1000) << i;
        if (i > 0) {
            EXPECT_GE(p[i].first, p[i - 1].first) << i;
        }
    }
}

TEST_F(EngineTest, SplineThroughCoincidentAndFarPointsStaysFinite) {
    PTE_CalcSpline3(7, 7, 7, 7, 7, 7, 0);
    for (const auto& q : spline_points()) EXPECT_EQ(q, std::make_pair(7, 7));
    PTE_CalcSpline3(5, 5, 5, 5, 300, 5, 0);
    const auto p = spline_points();
    EXPECT_EQ(p.front(), std::make_pair(5, 5));
    EXPECT_EQ(p.back(), std::make_pair(300, 5));
    for (const auto& q : p) EXPECT_EQ(q.second, 5);
    // Coordinates beyond int32 come back held to its range, not wrapped.
    PTE_CalcSpline3(4000000000u, 0, 4000000000u, 10, 4000000000u, 20, 0);
    EXPECT_EQ(PTE_GetSplinePointX(0), INT32_MAX);
    EXPECT_EQ(PTE_GetSplinePointY(99), 20);
}
