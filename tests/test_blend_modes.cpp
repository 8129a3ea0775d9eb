#include <gtest/gtest.h>

#include <string>

#include "engine/blend_modes.h"

using engine::blend_mode_from_name;

TEST(BlendModeNames, LookupIsExactAndWhole) {
    struct Case { const char* name; int32_t mode; };
    for (const Case c : {Case{"Normal", 0}, Case{"Multiply", 1}, Case{"multiply", 0}, Case{"Multiply ", 0},
                         Case{" Multiply", 0}, Case{"Texturize3", 19}, Case{"Texturize", 17},
                         Case{"Texturize2", 18}, Case{"Luminance Alpha Invert", 40}, Case{"Luminance Alpha", 39},
                         Case{"Layer Mask", 38}, Case{"Alpha Filter", 21}, Case{"Alpha Smooth Lum5", 35},
                         Case{"Hard Light", 9}, Case{"HardLight", 0}, Case{"", 0}, Case{"Alpha", 0}}) {
        EXPECT_EQ(blend_mode_from_name(c.name), c.mode) << '"' << c.name << '"';
    }
    EXPECT_EQ(blend_mode_from_name(nullptr), 0);
}

TEST(BlendModeNames, EveryNamedModeRoundTrips) {
    int named = 0;
    for (int32_t mode = 0; mode < engine::kBlendModeCount; ++mode) {
        const std::string name = engine::blend_mode_name(mode);
        if (mode == 20) {
            EXPECT_TRUE(name.empty()) << "20 has no name";
            continue;
        }
        ++named;
        EXPECT_EQ(blend_mode_from_name(name.c_str()), mode) << name;
    }
    EXPECT_EQ(named, 40);
    EXPECT_STREQ(engine::blend_mode_name(41), "");
    EXPECT_STREQ(engine::blend_mode_name(-1), "");
}
