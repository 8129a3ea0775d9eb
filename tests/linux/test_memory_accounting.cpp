// The memory status and system colours as Linux reports them.
#include <gtest/gtest.h>

#include <string>

#include "io/host_services.h"
#include "paintcore.h"
#include "platform/linux/memory_accounting.h"

TEST(LinuxHostServices, MemoryStatusFromKernelAccounting) {
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

TEST(LinuxHostServices, ButtonColoursAreTheClassicOnes) {
    EXPECT_EQ(PTE_GetWindowBackgroundColor(), 0x00F0F0F0u);
    EXPECT_EQ(PTE_GetWindowTextColor(), 0u);
}
