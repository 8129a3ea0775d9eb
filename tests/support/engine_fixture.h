// A fresh engine for every test: the one process-wide state is reset before
// and released after each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/engine_state.h"
#include "paintcore.h"

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { reset_engine(); }
    void TearDown() override { reset_engine(); }

    static void reset_engine();
    static engine::EngineState& st() { return engine::state(); }

    // An image of w x h with a background (slot 1) and `upper` transparent
    // layers above it, the background current.
    static void make_image(int32_t w, int32_t h, int upper = 0, int32_t tip = 64);

    // Pixel (x, y) of a slot, channel c.
    static uint16_t px(int32_t slot, int32_t x, int32_t y, int c);
    static void set_px(int32_t slot, int32_t x, int32_t y, uint16_t r, uint16_t g, uint16_t b, uint16_t a);
};
