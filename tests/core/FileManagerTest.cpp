#include "core/FileManager.h"
#include "DataFixture.h"

#include <fstream>

namespace {

using qvtest::ProcessExit;
using qvtest::TempDir;

class FileManagerTest : public qvtest::DataFixture {
  protected:
    // hd: the installation folder; cd: the CD root, whose "client" folder is the CD path.
    TempDir hdDir, cdDir;
    std::string hd = hdDir.path().string();
    std::string cd = cdDir.path().string();

    std::string ReadLine(std::FILE* f) {
        char line[64] = {};
        if (!std::fgets(line, sizeof line, f)) return "";
        return line;
    }
};

TEST_F(FileManagerTest, StartupFindsTheFoldersAndOrdersTheSearchPaths) {
    PointAt(hd, cd);
    FileManager::startup();
    EXPECT_EQ(FileManager::getHDPath(), hd + "/");
    EXPECT_EQ(FileManager::getCDPath(), cd + "/client/");
    EXPECT_EQ(
        FileManager::searchPaths(),
        (std::vector<std::string>{hd + "/", cd + "/client/", hd + "/tutorial/", cd + "/client/tutorial/"}));
}

TEST_F(FileManagerTest, TheLaterEditionsKeyServesWhenTheFirstIsMissing) {
    PointAt(hd, std::nullopt, FileManager::kLaterInstallKey);
    EXPECT_EQ(FileManager::ReadInstallValue("ExePath"), hd + "/client.exe");
    FileManager::startup();
    EXPECT_EQ(FileManager::getHDPath(), hd + "/");
    // Without a CD only the installation's own folders are searched.
    EXPECT_EQ(FileManager::getCDPath(), "");
    EXPECT_EQ(FileManager::searchPaths(), (std::vector<std::string>{hd + "/", hd + "/tutorial/"}));
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "FileManager::setCDPath: CDPath not set"));
}

TEST_F(FileManagerTest, FolderOfExePathKeepsItsLastSeparator) {
    EXPECT_EQ(FileManager::FolderOfExePath("C:\\Games\\Varnis\\client.exe"), "C:\\Games\\Varnis\\");
    EXPECT_EQ(FileManager::FolderOfExePath("/opt/varnis/client.exe"), "/opt/varnis/");
    EXPECT_EQ(FileManager::FolderOfExePath("client.exe"), "");
}

TEST_F(FileManagerTest, AMissingInstallationEndsTheProcess) {
    EXPECT_THROW(FileManager::startup(), ProcessExit);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Fatal, "does not appear to be installed correctly"));
}

TEST_F(FileManagerTest, AnOverlongCDPathIsDroppedNotOverrun) {
    PointAt(hd, "/" + std::string(1020, 'c'));
    FileManager::startup();
    EXPECT_EQ(FileManager::getCDPath(), "");
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "temp >= MAX_CD_PATH_LENGTH"));
    EXPECT_EQ(FileManager::searchPaths().size(), 2u);
}

TEST_F(FileManagerTest, TheFirstSearchPathHoldingANameWins) {
    struct Case {
        std::vector<std::string> holders; // folders (relative to hd or cd) that hold the file
        std::string expected;
    };
    const std::vector<Case> cases = {
        {{"hd", "cd", "hdtut", "cdtut"}, "hd"},
        {{"cd", "hdtut", "cdtut"}, "cd"}, // only on the CD
        {{"hdtut", "cdtut"}, "hdtut"},
        {{"cdtut"}, "cdtut"},
    };
    PointAt(hd, cd);
    FileManager::startup();
    auto folder = [&](const std::string& which) {
        if (which == "hd") return hd + "/";
        if (which == "cd") return cd + "/client/";
        if (which == "hdtut") return hd + "/tutorial/";
        return cd + "/client/tutorial/";
    };
    int n = 0;
    for (const Case& c : cases) {
        std::string name = "file" + std::to_string(n++) + ".txt";
        for (const std::string& h : c.holders) {
            std::filesystem::create_directories(folder(h));
            std::ofstream(folder(h) + name) << h << "\n";
        }
        std::FILE* f = FileManager::open(name.c_str(), "rb");
        ASSERT_NE(f, nullptr) << name;
        EXPECT_EQ(ReadLine(f), c.expected + "\n") << name;
        EXPECT_EQ(FileManager::actualNameOf(f), folder(c.expected) + name);
        FileManager::close(f);
    }
    EXPECT_EQ(FileManager::open("nowhere.txt", "rb"), nullptr);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, "even by ignoring case"));
}

TEST_F(FileManagerTest, NamesAreFoundIgnoringCaseWithBackslashes) {
    PointAt(hd);
    hdDir.write("Desktop/Acct One/QV.CFG", "x=1\n");
    FileManager::startup();
    std::FILE* f = FileManager::open("desktop\\acct one\\qv.cfg", "r");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(FileManager::actualNameOf(f), hd + "/Desktop/Acct One/QV.CFG");
    EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, "('fuzzy find')"));
    FileManager::close(f);
    // The name given is the one the table remembers, and a second open goes straight to the file.
    recorder->clear();
    f = FileManager::open("DESKTOP/Acct One/qv.cfg", "r");
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(recorder->contains("fuzzy find"));
    FileManager::close(f);
}

TEST_F(FileManagerTest, ReopeningHandsOutIndependentHandles) {
    PointAt(hd);
    hdDir.write("hues.mul", "first\nsecond\n");
    FileManager::startup();
    std::FILE* a = FileManager::open("hues.mul", "rb");
    ASSERT_NE(a, nullptr);
    std::FILE* b = FileManager::open("HUES.MUL", "rb");
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_TRUE(recorder->contains("FileManager::open: file 'hues.mul' now open 2 times."));
    // The first holder's handle still works and keeps its own position.
    EXPECT_EQ(ReadLine(a), "first\n");
    EXPECT_EQ(ReadLine(b), "first\n");
    EXPECT_EQ(ReadLine(a), "second\n");

    std::vector<FileManager::OpenFileInfo> files = FileManager::openFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].timesOpened, 2);
    EXPECT_EQ(files[0].openHandles, 2);
    EXPECT_EQ(files[0].size, 13);
    FileManager::close(a);
    FileManager::close(b);
    EXPECT_EQ(FileManager::openFiles()[0].openHandles, 0);

    recorder->clear();
    FileManager::close(nullptr);
    EXPECT_TRUE(recorder->lines().empty());
    FileManager::close(a); // already closed: only a warning
    EXPECT_TRUE(recorder->contains(QVReport::Level::Warning, "trying to close unopened or unknown file"));
}

// A file that was opened before and is gone now (removed while the client runs) is missing, not
// the end of the client.
TEST_F(FileManagerTest, AFileThatCannotBeOpenedAgainIsMissing) {
    PointAt(hd);
    hdDir.write("hues.mul", "first\n");
    FileManager::startup();
    std::FILE* a = FileManager::open("hues.mul", "rb");
    ASSERT_NE(a, nullptr);
    FileManager::close(a);
    std::filesystem::remove(hdDir.path() / "hues.mul");
    std::FILE* again = nullptr;
    ASSERT_NO_THROW(again = FileManager::open("hues.mul", "rb"));
    EXPECT_EQ(again, nullptr);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "was opened before, but cannot be opened again"));
    std::vector<uint8_t> bytes;
    EXPECT_EQ(FileManager::load("hues.mul", bytes, true), 0);

    // Back in place, it opens through its entry again.
    hdDir.write("hues.mul", "first\n");
    std::FILE* back = FileManager::open("hues.mul", "rb");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(ReadLine(back), "first\n");
    FileManager::close(back);
}

TEST_F(FileManagerTest, ReadsAreCountedAndAShortReadWarns) {
    PointAt(hd);
    hdDir.write("data.bin", "0123456789");
    FileManager::startup();
    std::FILE* f = FileManager::open("data.bin", "rb");
    char buffer[16];
    EXPECT_EQ(FileManager::read(buffer, 1, 4, f), 4u);
    EXPECT_EQ(FileManager::read(buffer, 1, 16, f), 6u);
    EXPECT_TRUE(
        recorder->contains(QVReport::Level::Warning, "FileManager::read: items_read(6) != count(16)"));
    EXPECT_EQ(FileManager::openFiles()[0].numreads, 2);
    FileManager::close(f);
}

TEST_F(FileManagerTest, LoadRespectsTheCallersBuffer) {
    PointAt(hd);
    hdDir.write("ten.bin", "0123456789");
    hdDir.write("empty.bin", "");
    FileManager::startup();

    char small[4] = {};
    EXPECT_EQ(FileManager::load("ten.bin", small, sizeof small), 0);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "the buffer only 4"));
    char big[16] = {};
    EXPECT_EQ(FileManager::load("ten.bin", big, sizeof big), 10);
    EXPECT_EQ(std::string(big, 10), "0123456789");

    std::vector<uint8_t> bytes;
    EXPECT_EQ(FileManager::load("ten.bin", bytes), 10);
    EXPECT_EQ(bytes.size(), 10u);

    recorder->clear();
    EXPECT_EQ(FileManager::load("empty.bin", bytes), 0);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Error, "FileManager::load: len=0."));
    EXPECT_TRUE(
        recorder->contains(QVReport::Level::Warning, "FileManager::load: failed to load 'empty.bin'."));
    recorder->clear();
    EXPECT_EQ(FileManager::load("empty.bin", bytes, true), 0);
    EXPECT_FALSE(recorder->contains(QVReport::Level::Error, "len="));
    EXPECT_EQ(FileManager::load("missing.bin", bytes), 0);
    for (const FileManager::OpenFileInfo& f : FileManager::openFiles())
        EXPECT_EQ(f.openHandles, 0) << f.givenName;
}

TEST_F(FileManagerTest, FullNamesInTheFolders) {
    PointAt(hd);
    FileManager::startup();
    EXPECT_EQ(FileManager::get_HDpath("art.mul"), hd + "/art.mul");
    EXPECT_EQ(FileManager::get_HDpath("music\\intro.wve"), hd + "/music/intro.wve");
    // No CD: every CD file is simply not there.
    EXPECT_EQ(FileManager::get_CDpath("art.mul"), std::nullopt);
    FileManager::shutdown();
    PointAt(hd, cd);
    FileManager::startup();
    EXPECT_EQ(FileManager::get_CDpath("art.mul"), cd + "/client/art.mul");
}

TEST_F(FileManagerTest, AnyEntryPointStartsTheModuleOnDemand) {
    PointAt(hd);
    EXPECT_EQ(FileManager::getHDPath(), hd + "/");
    EXPECT_TRUE(
        recorder->contains(QVReport::Level::Warning, "FileManager::getHDPath: had to startup FileManager"));
    EXPECT_TRUE(FileManager::isStarted());
}

TEST_F(FileManagerTest, TheTenthSearchPathIsRefused) {
    PointAt(hd, cd);
    FileManager::startup();
    for (int i = 0; i < 5; ++i)
        FileManager::addSearchPath(hd + "/extra" + std::to_string(i), true, true);
    EXPECT_THROW(FileManager::addSearchPath(hd + "/one-too-many", true, true), ProcessExit);
    EXPECT_TRUE(recorder->contains(QVReport::Level::Fatal, "numSearchPaths >= MAX_SEARCH_PATHS"));
}

TEST_F(FileManagerTest, ShutdownReportsAndClosesEveryFile) {
    PointAt(hd);
    hdDir.write("kept.txt", "x");
    FileManager::startup();
    ASSERT_NE(FileManager::open("kept.txt", "rb"), nullptr); // never closed by its caller
    FileManager::shutdown();
    EXPECT_TRUE(recorder->contains("open timesOpened"));
    EXPECT_TRUE(recorder->contains("  yes           1            1        0             kept.txt"));
    EXPECT_FALSE(FileManager::isStarted());
    EXPECT_TRUE(FileManager::openFiles().empty());
}

} // namespace
