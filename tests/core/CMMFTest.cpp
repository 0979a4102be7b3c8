#include "core/CMMF.h"
#include "platform/headless.h"
#include "support/TestSupport.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>

namespace {

class CMMFTest : public qvtest::CleanState {
  protected:
    qvtest::TempDir dir;
};

TEST_F(CMMFTest, MapsAFileAndReadsWithinIt) {
    dir.write("hues.mul", "0123456789");
    CMMF m(dir.file("hues.mul").c_str());
    const uint8_t* view = m.Open(true);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(m.GetSize(), 10);
    char out[16] = {};
    EXPECT_EQ(m.Read(2, 3, out), 3);
    EXPECT_EQ(std::string(out, 3), "234");
    // Reads are bounded by the file: a long read is cut, one past the end copies nothing.
    std::memset(out, '#', sizeof out);
    EXPECT_EQ(m.Read(8, 10, out), 2);
    EXPECT_EQ(std::string(out, 3), "89#");
    EXPECT_EQ(m.Read(10, 1, out), 0);
    EXPECT_EQ(m.Read(-1, 4, out), 0);
}

TEST_F(CMMFTest, EmptyFileIsAnEmptyView) {
    dir.write("verdata.mul", "");
    CMMF m(dir.file("verdata.mul").c_str());
    EXPECT_NE(m.Open(true), nullptr);
    EXPECT_EQ(m.GetSize(), 0);
    char c;
    EXPECT_EQ(m.Read(0, 1, &c), 0);
}

TEST_F(CMMFTest, MissingFileIsNullWithABoxOnlyWhenAsked) {
    CMMF optional(dir.file("stadif0.mul").c_str());
    EXPECT_EQ(optional.Open(false), nullptr);
    EXPECT_TRUE(platform::headless::MessageBoxes().empty());

    CMMF required(dir.file("art.mul").c_str());
    EXPECT_EQ(required.Open(true), nullptr);
    ASSERT_EQ(platform::headless::MessageBoxes().size(), 1u);
    EXPECT_EQ(platform::headless::MessageBoxes()[0].caption, "MMF Error");
    EXPECT_EQ(platform::headless::MessageBoxes()[0].text,
              "Failed to open mmf " + dir.file("art.mul") + ": Error 2.");
}

TEST_F(CMMFTest, CloseThenOpenSeesTheGrownFile) {
    dir.write("verdata.mul", "abc");
    CMMF m(dir.file("verdata.mul").c_str());
    ASSERT_NE(m.Open(false), nullptr);
    EXPECT_EQ(m.GetSize(), 3);
    m.Close();
    std::ofstream(dir.file("verdata.mul"), std::ios::app) << "defgh";
    ASSERT_NE(m.Open(false), nullptr);
    EXPECT_EQ(m.GetSize(), 8);
}

TEST_F(CMMFTest, NullNameIsFatal) {
    qvtest::ReportRecorder rec;
    EXPECT_THROW(CMMF m(nullptr), qvtest::ProcessExit);
}

TEST_F(CMMFTest, WritableMappingCreatesTheFileAtItsSizeAndFlushesOnClose) {
    const std::string path = dir.file("cache0.qv");
    {
        CMMF_Wr w(path.c_str(), 1000);
        uint8_t* view = w.Open();
        ASSERT_NE(view, nullptr);
        view[0] = 0xAB;
        view[999] = 0xCD;
    }
    std::string bytes = dir.read("cache0.qv");
    ASSERT_EQ(bytes.size(), 1000u);
    EXPECT_EQ(static_cast<uint8_t>(bytes[0]), 0xAB);
    EXPECT_EQ(static_cast<uint8_t>(bytes[999]), 0xCD);
}

} // namespace
