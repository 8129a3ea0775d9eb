#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/engine_state.h"
#include "io/host_services.h"
#include "paintcore.h"
#include "support/temp_dir.h"

TEST(HostServices, MegabytesFromByteCounts) {
    struct Case { uint64_t bytes; uint32_t mb; };
    for (const Case c : {Case{8ull << 30, 8192}, Case{0, 0}, Case{(1ull << 20) - 1, 0}, Case{1ull << 20, 1},
                         Case{(5ull << 32) + (3ull << 20) + 12345, (5u << 12) | 3u},
                         Case{1ull << 47, 1u << 27}}) {
        EXPECT_EQ(host::megabytes(c.bytes), c.mb) << c.bytes;
    }
}

TEST(HostServices, LiveFiguresAreConsistent) {
    const int32_t total = PTE_GetTotalPhyMemory();
    EXPECT_GT(total, 0);
    EXPECT_LE(PTE_GetAvailPhyMemory(), total);
    EXPECT_LE(PTE_GetAvailPgMemory(), PTE_GetTotalPgMemory());
    EXPECT_LE(PTE_GetAvailVirMemory(), PTE_GetTotalVirMemory());
    EXPECT_GT(PTE_GetAvailVirMemory(), 0);
}

TEST(HostServices, FolderAndGrid) {
    const std::string dir = PTE_GetDirInfo();
    EXPECT_FALSE(dir.empty());
    EXPECT_LE(dir.size(), 260u);
    EXPECT_TRUE(std::filesystem::is_directory(dir)) << dir;
    PTE_SetGridSpacing(17);
    PTE_SetGrid(-3);
}

TEST(HostServices, DisplayChangeIsReportedOnce) {
    engine::state().displayChanged = 1;
    EXPECT_EQ(PTE_IsDisplayChanged(), 1);
    EXPECT_EQ(PTE_IsDisplayChanged(), 0);
}

TEST(HostServices, RenameRefusesExistingTargetAndMissingSource) {
    const TempDir dir("rename");
    const std::string a = dir.path("a.txt"), b = dir.path("b.txt"), c = dir.path("c.txt");
    std::ofstream(a) << "first";
    std::ofstream(b) << "second";
    EXPECT_EQ(PTE_RenameFile(a.c_str(), b.c_str()), 0) << "an existing target is never replaced";
    std::string text;
    std::ifstream(b) >> text;
    EXPECT_EQ(text, "second");
    EXPECT_EQ(PTE_RenameFile(a.c_str(), c.c_str()), 1);
    EXPECT_FALSE(std::filesystem::exists(a));
    std::ifstream(c) >> text;
    EXPECT_EQ(text, "first");
    EXPECT_EQ(PTE_RenameFile(a.c_str(), dir.path("d.txt").c_str()), 0) << "missing source";
    EXPECT_EQ(PTE_RenameFile(nullptr, c.c_str()), 0);
    EXPECT_EQ(PTE_RenameFile(c.c_str(), nullptr), 0);
    EXPECT_TRUE(std::filesystem::exists(c));
}
