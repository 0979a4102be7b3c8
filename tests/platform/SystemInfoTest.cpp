#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

TEST(SystemInfoTest, CpuInfoDescribesTheFirstProcessorAndCountsAll) {
    const char* x86 = "processor\t: 0\n"
                      "vendor_id\t: GenuineIntel\n"
                      "cpu family\t: 6\n"
                      "model name\t: Some CPU\n"
                      "cpu MHz\t\t: 2893.202\n"
                      "\n"
                      "processor\t: 1\n"
                      "vendor_id\t: GenuineIntel\n"
                      "cpu family\t: 15\n"
                      "cpu MHz\t\t: 800.000\n"
                      "\n";
    platform::ProcessorInfo info = platform::ParseCpuInfo(x86);
    EXPECT_TRUE(info.x86);
    EXPECT_EQ(info.family, 6);
    EXPECT_EQ(info.clockMHz, 2893u);
    EXPECT_EQ(info.count, 2);

    const char* arm = "processor\t: 0\nBogoMIPS\t: 48.00\nCPU implementer\t: 0x41\n\n"
                      "processor\t: 1\nBogoMIPS\t: 48.00\n";
    info = platform::ParseCpuInfo(arm);
    EXPECT_FALSE(info.x86);
    EXPECT_EQ(info.clockMHz, 0u);
    EXPECT_EQ(info.count, 2);

    info = platform::ParseCpuInfo("cpu MHz : nonsense\nno colon line\n");
    EXPECT_EQ(info.count, 0);
    EXPECT_EQ(info.clockMHz, 0u);
}

TEST(SystemInfoTest, MachineFactsAreAvailable) {
    EXPECT_GT(platform::GetProcessorInfo().count, 0);
    EXPECT_GT(platform::TotalPhysicalMemoryBytes(), 0u);
    EXPECT_TRUE(platform::TimeZoneBiasMinutes().has_value());
}

} // namespace
