#include "platform/platform.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

using qvtest::TempDir;

TEST(PathsTest, BackslashesBecomeSlashes) {
    EXPECT_EQ(platform::NativePath("MUSIC\\DIGITAL\\CONFIG.TXT"), "MUSIC/DIGITAL/CONFIG.TXT");
    EXPECT_EQ(platform::NativePath("plain/path"), "plain/path");
}

TEST(PathsTest, LookupIgnoresCasePerComponent) {
    TempDir dir;
    dir.write("Music/Digital/config.txt", "x");
    dir.write("Music/Digital/Exact.TXT", "y");
    const std::string root = dir.path().string();
    struct Case {
        std::string asked;
        std::string found; // relative to root; empty = not found
    } cases[] = {
        {"MUSIC\\DIGITAL\\CONFIG.TXT", "Music/Digital/config.txt"},
        {"music/digital/CoNfIg.TxT", "Music/Digital/config.txt"},
        {"Music/Digital/Exact.TXT", "Music/Digital/Exact.TXT"},
        {"MUSIC/DIGITAL", "Music/Digital"},
        {"music/digital/missing.txt", ""},
        {"nothing/config.txt", ""},
    };
    for (const auto& c : cases) {
        auto got = platform::FindPathIgnoringCase(root + "/" + c.asked);
        if (c.found.empty()) {
            EXPECT_FALSE(got.has_value()) << c.asked;
        } else {
            ASSERT_TRUE(got.has_value()) << c.asked;
            EXPECT_EQ(*got, root + "/" + c.found) << c.asked;
        }
    }
}

TEST(PathsTest, ExactNameWinsOverAnotherCase) {
    TempDir dir;
    dir.write("qv.cfg", "lower");
    dir.write("QV.CFG", "upper");
    EXPECT_EQ(*platform::FindPathIgnoringCase(dir.file("QV.CFG")), dir.file("QV.CFG"));
    EXPECT_EQ(*platform::FindPathIgnoringCase(dir.file("qv.cfg")), dir.file("qv.cfg"));
}

TEST(AtomicReplaceTest, WritesAndReplacesWholeFiles) {
    TempDir dir;
    const std::string path = dir.file("qv.cfg");
    ASSERT_TRUE(platform::AtomicReplaceFile(path, "first", 5));
    EXPECT_EQ(dir.read("qv.cfg"), "first");
    ASSERT_TRUE(platform::AtomicReplaceFile(path, "second text", 11));
    EXPECT_EQ(dir.read("qv.cfg"), "second text");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(AtomicReplaceTest, AFailedWriteLeavesTheOldFileWhole) {
    TempDir dir;
    dir.write("macros.txt", "old macros\n");
    {
        platform::AtomicFileWriter writer(dir.file("macros.txt"));
        ASSERT_TRUE(writer.IsOpen());
        std::fputs("half of the new", writer.File());
        // The producer fails here: the writer goes away without Commit.
    }
    EXPECT_EQ(dir.read("macros.txt"), "old macros\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(AtomicReplaceTest, UnwritableFolderFailsWithoutTouchingTheFile) {
    EXPECT_FALSE(platform::AtomicReplaceFile("/proc/qv-no-such-folder/file", "x", 1));
}

TEST(AtomicReplaceTest, KeepsThePermissionsOfTheReplacedFile) {
    TempDir dir;
    dir.write("chardata.mul", "a");
    ::chmod(dir.file("chardata.mul").c_str(), 0600);
    ASSERT_TRUE(platform::AtomicReplaceFile(dir.file("chardata.mul"), "b", 1));
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("chardata.mul").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(FileMappingTest, MapsContentEmptyAndMissingFiles) {
    TempDir dir;
    dir.write("art.mul", "ABCDEF");
    dir.write("empty.mul", "");
    platform::FileMapping m;
    ASSERT_TRUE(m.OpenRead(dir.file("art.mul")));
    ASSERT_EQ(m.Size(), 6u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.Data()), 6), "ABCDEF");

    platform::FileMapping empty;
    ASSERT_TRUE(empty.OpenRead(dir.file("empty.mul")));
    EXPECT_NE(empty.Data(), nullptr);
    EXPECT_EQ(empty.Size(), 0u);

    platform::FileMapping missing;
    int error = 0;
    EXPECT_FALSE(missing.OpenRead(dir.file("missing.mul"), &error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_FALSE(missing.IsOpen());
}

TEST(FileMappingTest, ReadWriteMappingCreatesSizesAndPersists) {
    TempDir dir;
    const std::string path = dir.file("cache0.qv");
    {
        platform::FileMapping m;
        ASSERT_TRUE(m.OpenReadWrite(path, 4096));
        ASSERT_EQ(m.Size(), 4096u);
        EXPECT_EQ(m.Data()[4095], 0);
        m.Data()[10] = 0x5A;
        EXPECT_TRUE(m.Flush());
    }
    EXPECT_EQ(*platform::FileSize(path), 4096u);
    platform::FileMapping again;
    ASSERT_TRUE(again.OpenRead(path));
    EXPECT_EQ(again.Data()[10], 0x5A);
}

} // namespace

namespace {

// What a store learns before it rewrites a file: only "no such file" lets it start from nothing.
TEST(ReadFileContentsTest, TellsAMissingFileFromOneThatCannotBeRead) {
    TempDir dir;
    dir.write("qv.cfg", "AcctID=me\r\n");
    dir.write("file", "x");
    std::filesystem::create_directories(dir.path() / "folder");
    struct Case {
        const char* what;
        std::string path;
        platform::ReadStatus status;
        int error;
    } cases[] = {
        {"a file", dir.file("qv.cfg"), platform::ReadStatus::Read, 0},
        {"no such file", dir.file("none.cfg"), platform::ReadStatus::Missing, ENOENT},
        {"no such folder", dir.file("none/qv.cfg"), platform::ReadStatus::Missing, ENOENT},
        {"a folder in place of the file", dir.file("folder"), platform::ReadStatus::Failed, EISDIR},
        {"a file in place of a folder", dir.file("file/qv.cfg"), platform::ReadStatus::Failed, ENOTDIR},
    };
    for (const Case& c : cases) {
        platform::FileContents contents = platform::ReadFileContents(c.path);
        EXPECT_EQ(contents.status, c.status) << c.what;
        EXPECT_EQ(contents.error, c.error) << c.what;
        EXPECT_EQ(contents.bytes.empty(), c.status != platform::ReadStatus::Read) << c.what;
    }
    EXPECT_FALSE(platform::ReadWholeFile(dir.file("folder")).has_value());

    // Permission bits do not stop root; an ordinary user is stopped by them.
    dir.write("locked.cfg", "AcctID=me\r\n");
    ::chmod(dir.file("locked.cfg").c_str(), 0000);
    int result = qvtest::RunAsPlayer([&] {
        platform::FileContents contents = platform::ReadFileContents(dir.file("locked.cfg"));
        return contents.status == platform::ReadStatus::Failed && contents.error == EACCES ? 0 : 1;
    });
    if (result == qvtest::kNoPlayer) GTEST_SKIP() << "cannot become an ordinary user";
    EXPECT_EQ(result, 0);
}

TEST(AtomicReplaceTest, AReadOnlyFileIsNotReplaced) {
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);
    dir.write("qv.cfg", "AcctID=me\r\n");
    qvtest::GiveToPlayer(dir.file("qv.cfg"));
    ::chmod(dir.file("qv.cfg").c_str(), 0444);
    int result =
        qvtest::RunAsPlayer([&] { return platform::AtomicReplaceFile(dir.file("qv.cfg"), "x", 1) ? 1 : 0; });
    if (result == qvtest::kNoPlayer) GTEST_SKIP() << "cannot become an ordinary user";
    EXPECT_EQ(result, 0);
    EXPECT_EQ(dir.read("qv.cfg"), "AcctID=me\r\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

} // namespace
