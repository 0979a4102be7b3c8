// The server-kept configuration files: what is uploaded when, and what a received file does.
#include "core/ServerConfigSync.h"
#include "core/config.h"
#include "platform/platform.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <zlib.h>

namespace {

std::vector<uint8_t> Compress(const std::string& text) {
    uLongf size = compressBound(static_cast<uLong>(text.size()));
    std::vector<uint8_t> out(size);
    compress(out.data(), &size, reinterpret_cast<const Bytef*>(text.data()), static_cast<uLong>(text.size()));
    out.resize(size);
    return out;
}

std::string Inflated(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> out(1 << 20);
    uLongf size = out.size();
    if (uncompress(out.data(), &size, data.data(), static_cast<uLong>(data.size())) != Z_OK) return "<bad>";
    return std::string(out.begin(), out.begin() + static_cast<long>(size));
}

class ServerConfigSyncTest : public qvtest::CleanState {
  protected:
    void SetUp() override {
        qvtest::CleanState::SetUp();
        platform::UseManualClock(1000, 1000);
        ConfigFiles::SetWorkingFolder(dir.path().string());
        CServerConfigSync::ResetForTests();
        CServerConfigSync::SetEnabled(true);
        CServerConfigSync::Services& s = CServerConfigSync::GetServices();
        s.inWorld = [this] { return inWorld; };
        s.send = [this](int slot, const std::vector<uint8_t>& data) { sent.emplace_back(slot, data); };
        s.load = [this](int slot) { loaded.push_back(slot); };
    }
    void TearDown() override {
        CServerConfigSync::ResetForTests();
        ConfigFiles::SetWorkingFolder("");
        qvtest::CleanState::TearDown();
    }
    void WriteCfg(const std::string& text) {
        std::filesystem::create_directories(dir.path() / "Desktop/common");
        dir.write("Desktop/common/qv.cfg", text);
    }
    // One check after the period: the first call marks it due, the next runs it.
    void PeriodicCheck() {
        platform::AdvanceManualClock(CServerConfigSync::kCheckPeriodMs + 1);
        CServerConfigSync::CheckFiles(false);
        CServerConfigSync::CheckFiles(false);
    }
    qvtest::TempDir dir;
    bool inWorld = true;
    std::vector<std::pair<int, std::vector<uint8_t>>> sent;
    std::vector<int> loaded;
};

TEST_F(ServerConfigSyncTest, AChangedFileIsUploadedOnceAtTheNextCheck) {
    WriteCfg("AlwaysRun=on\n");
    CServerConfigSync::CheckFiles(false);
    EXPECT_TRUE(sent.empty()) << "not due yet";
    PeriodicCheck();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].first, 3);
    EXPECT_EQ(Inflated(sent[0].second), "AlwaysRun=on\n");
    EXPECT_EQ(loaded, std::vector<int>{3}) << "the file is read again";
    PeriodicCheck();
    EXPECT_EQ(sent.size(), 1u) << "unchanged: not sent again";
    WriteCfg("AlwaysRun=off\n");
    CServerConfigSync::CheckFiles(true);
    ASSERT_EQ(sent.size(), 2u) << "a forced check runs at once";
    EXPECT_EQ(loaded.size(), 1u) << "a forced check loads nothing";
    inWorld = false;
    WriteCfg("changed again\n");
    CServerConfigSync::CheckFiles(true);
    EXPECT_EQ(sent.size(), 2u) << "outside the world nothing is checked";
}

TEST_F(ServerConfigSyncTest, AFileTooBigToUploadIsLoggedAndNotRetried) {
    qvtest::ReportRecorder report;
    std::string noise;
    uint32_t x = 12345;
    for (int i = 0; i < 20000; ++i)
        noise.push_back(static_cast<char>((x = x * 1103515245 + 12345) >> 24));
    WriteCfg(noise);
    CServerConfigSync::CheckFiles(true);
    EXPECT_TRUE(sent.empty());
    EXPECT_TRUE(report.contains(QVReport::Level::Warning, "not sent to the server"));
    EXPECT_NE(CServerConfigSync::GetChecksum(3), 0u);
}

TEST_F(ServerConfigSyncTest, ReceivedFilesAreWrittenLoadedAndSentBackUnderTheUploadFlag) {
    const std::string macros = "Macro A\n" + std::string(20000, 'x') + "\n"; // inflates past 8 KiB
    const std::vector<uint8_t> data = Compress(macros);
    CServerConfigSync::SetLoginFlag(1);
    ASSERT_TRUE(CServerConfigSync::ReceiveFile(11, data.data(), data.size()));
    EXPECT_EQ(dir.read("Desktop/common/macros.txt"), macros);
    EXPECT_EQ(loaded, std::vector<int>{11});
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].first, 11);
    EXPECT_EQ(Inflated(sent[0].second), macros);
    EXPECT_EQ(CServerConfigSync::GetChecksum(11),
              CServerConfigSync::Checksum(std::vector<uint8_t>(macros.begin(), macros.end())));

    EXPECT_FALSE(CServerConfigSync::ReceiveFile(4, data.data(), data.size())) << "even slots are ignored";
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Desktop/common/chardata.mul"));
}

TEST_F(ServerConfigSyncTest, CorruptDataKeepsTheLocalFile) {
    WriteCfg("keep me\n");
    qvtest::ReportRecorder report;
    struct Case {
        const char* what;
        std::vector<uint8_t> data;
    };
    std::vector<uint8_t> cut = Compress(std::string(5000, 'q'));
    cut.resize(cut.size() / 2);
    std::vector<uint8_t> bomb = Compress(std::string(CServerConfigSync::kMaxInflated + 10, 'z'));
    const std::vector<Case> cases = {{"garbage", {1, 2, 3, 4, 5}}, {"cut short", cut}, {"too big", bomb}};
    for (const Case& c : cases) {
        EXPECT_FALSE(CServerConfigSync::ReceiveFile(3, c.data.data(), c.data.size())) << c.what;
        EXPECT_EQ(dir.read("Desktop/common/qv.cfg"), "keep me\n") << c.what;
    }
    EXPECT_TRUE(loaded.empty());
    EXPECT_TRUE(report.contains(QVReport::Level::Warning, "is kept"));
}

TEST_F(ServerConfigSyncTest, DataInflatingUpToTheCapIsAcceptedWhole) {
    // Sizes at the inflater's edges: nothing, one byte, around its 16 KB chunk, and the cap itself.
    for (size_t size : {size_t{0}, size_t{1}, size_t{16383}, size_t{16384}, size_t{16385},
                        CServerConfigSync::kMaxInflated}) {
        SCOPED_TRACE(size);
        std::string text;
        while (text.size() < size)
            text += "Key" + std::to_string(text.size() % 977) + "=value\n";
        text.resize(size);
        const std::vector<uint8_t> data = Compress(text);
        loaded.clear();
        ASSERT_TRUE(CServerConfigSync::ReceiveFile(3, data.data(), data.size()));
        EXPECT_EQ(dir.read("Desktop/common/qv.cfg"), text);
        EXPECT_EQ(loaded, std::vector<int>{3});
    }
}

TEST_F(ServerConfigSyncTest, SlotsNameTheirFiles) {
    EXPECT_EQ(CServerConfigSync::GetFilePath(0), "ignore.lst");
    EXPECT_EQ(CServerConfigSync::GetFilePath(3), "Desktop/common/qv.cfg");
    EXPECT_EQ(CServerConfigSync::GetFilePath(9), "Desktop/common/desktop.qvs");
    EXPECT_EQ(CServerConfigSync::GetFilePath(12), "Desktop/common/IGRerror.txt");
    EXPECT_EQ(CServerConfigSync::GetFilePath(-1), "");
}

} // namespace
