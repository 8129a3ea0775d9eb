#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "engine/engine_state.h"
#include "io/host_services.h"
#include "paintcore.h"
#include "platform/system.h"

TEST(HostServices, MegabytesFromByteCounts) {
    struct Case { uint64_t bytes; uint32_t mb; };
    for (const Case c : {Case{8ull << 30, 8192}, Case{0, 0}, Case{(1ull << 20) - 1, 0}, Case{1ull << 20, 1},
                         Case{(5ull << 32) + (3ull << 20) + 12345, (5u << 12) | 3u},
                         Case{1ull << 47, 1u << 27}}) {
        EXPECT_EQ(host::megabytes(c.bytes), c.mb) << c.bytes;
    }
}

TEST(HostServices, MemoryStatusFromKernelAccounting) {
    const std::string meminfo =
        "MemTotal:       24000000 kB\nMemFree:          100 kB\nMemAvailable:   20000000 kB\n"
        "SwapTotal:            0 kB\nCommitLimit:    12000000 kB\nCommitted_AS:    2000000 kB\n";
    const std::string self = "Name:\ttest\nVmPeak:\t  9000 kB\nVmSize:\t    4096 kB\n";
    const platform::MemoryStatus m = platform::parse_memory_status(meminfo, self, 1ull << 47);
    EXPECT_EQ(m.totalPhys, 24000000ull * 1024);
    EXPECT_EQ(m.availPhys, 20000000ull * 1024);
    EXPECT_EQ(m.totalPageFile, 12000000ull * 1024);
    EXPECT_EQ(m.availPageFile, 10000000ull * 1024);
    EXPECT_EQ(m.availVirtual, (1ull << 47) - 4096ull * 1024) << "VmSize, not VmPeak";
    EXPECT_EQ(host::megabytes(m.totalPhys), 23437u);

    // Over-committed: nothing available rather than a wrapped figure.
    const platform::MemoryStatus over =
        platform::parse_memory_status("CommitLimit: 10 kB\nCommitted_AS: 20 kB\nMemFree: 8 kB\n", "", 1024);
    EXPECT_EQ(over.availPageFile, 0u);
    EXPECT_EQ(over.availPhys, 8u * 1024) << "free memory stands in when available is not reported";
}

TEST(HostServices, LiveFiguresAreConsistent) {
    const int32_t total = PTE_GetTotalPhyMemory();
    EXPECT_GT(total, 0);
    EXPECT_LE(PTE_GetAvailPhyMemory(), total);
    EXPECT_LE(PTE_GetAvailPgMemory(), PTE_GetTotalPgMemory());
    EXPECT_LE(PTE_GetAvailVirMemory(), PTE_GetTotalVirMemory());
    EXPECT_GT(PTE_GetAvailVirMemory(), 0);
}

TEST(HostServices, ColoursFolderAndGrid) {
    EXPECT_EQ(PTE_GetWindowBackgroundColor(), 0x00F0F0F0u);
    EXPECT_EQ(PTE_GetWindowTextColor(), 0u);
    const std::string dir = PTE_GetDirInfo();
    EXPECT_FALSE(dir.empty());
    EXPECT_LE(dir.size(), 260u);
    EXPECT_EQ(access(dir.c_str(), F_OK), 0) << dir;
    PTE_SetGridSpacing(17);
    PTE_SetGrid(-3);
}

TEST(HostServices, DisplayChangeIsReportedOnce) {
    engine::state().displayChanged = 1;
    EXPECT_EQ(PTE_IsDisplayChanged(), 1);
    EXPECT_EQ(PTE_IsDisplayChanged(), 0);
}

TEST(HostServices, RenameRefusesExistingTargetAndMissingSource) {
    char dir_template[] = "/tmp/paintcore-rename-XXXXXX";
    ASSERT_NE(mkdtemp(dir_template), nullptr);
    const std::string dir = dir_template;
    const std::string a = dir + "/a.txt", b = dir + "/b.txt", c = dir + "/c.txt";
    std::ofstream(a) << "first";
    std::ofstream(b) << "second";
    EXPECT_EQ(PTE_RenameFile(a.c_str(), b.c_str()), 0) << "an existing target is never replaced";
    std::string text;
    std::ifstream(b) >> text;
    EXPECT_EQ(text, "second");
    EXPECT_EQ(PTE_RenameFile(a.c_str(), c.c_str()), 1);
    EXPECT_NE(access(a.c_str(), F_OK), 0);
    EXPECT_EQ(access(c.c_str(), F_OK), 0);
    EXPECT_EQ(PTE_RenameFile(a.c_str(), (dir + "/d.txt").c_str()), 0) << "missing source";
    EXPECT_EQ(PTE_RenameFile(nullptr, c.c_str()), 0);
    std::remove(b.c_str());
    std::remove(c.c_str());
    rmdir(dir.c_str());
}
