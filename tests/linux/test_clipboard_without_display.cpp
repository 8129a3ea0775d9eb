// The clipboard of a process without a display: it lives inside the
// process, and there is no screen to capture.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "support/engine_fixture.h"

using Bytes = std::vector<uint8_t>;

TEST_F(EngineTest, WithoutDisplayTheClipboardLivesInTheProcess) {
    unsetenv("DISPLAY");
    make_image(6, 4);
    PTE_ToClipboard();
    EXPECT_EQ(PTE_IsClipboardOwner(), 0) << "no other program can read it";
    ASSERT_EQ(PTE_FromClipboard(), 1);
    EXPECT_EQ(PTE_GetNewRGBAWidth(), 6);
    Bytes got(6 * 4 * 4);
    PTE_GetNewRGBA32(got.data());
    EXPECT_EQ(got, Bytes(got.size(), 255));
    EXPECT_EQ(PTE_ScreenCapture(), 0);
    EXPECT_EQ(PTE_GetNewRGBAWidth(), 6);
}
