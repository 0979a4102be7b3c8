#include "platform/platform.h"
#include "support/TestSupport.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST(AtomicReplaceTest, PrivateFilesAreTheUsersAloneAndNoModeIsWidened) {
    using platform::FileAccess;
    struct Case {
        const char* what;
        FileAccess access;
        int existingMode; // -1: no file yet
        unsigned expected;
    } cases[] = {
        {"a new private file", FileAccess::Private, -1, 0600},
        {"a private file that others could read", FileAccess::Private, 0644, 0600},
        {"a private file kept private", FileAccess::Private, 0600, 0600},
        {"a private file the user narrowed further", FileAccess::Private, 0200, 0200},
        {"a new shared file", FileAccess::Shared, -1, 0644},
        {"a shared file keeps its narrower mode", FileAccess::Shared, 0600, 0600},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string path = dir.file("qv.cfg");
        if (c.existingMode >= 0) {
            dir.write("qv.cfg", "old");
            ASSERT_EQ(::chmod(path.c_str(), static_cast<mode_t>(c.existingMode)), 0);
        }
        // Twice: the first save makes or replaces the file, the second rewrites what it made.
        for (int save = 0; save < 2; ++save) {
            ASSERT_TRUE(platform::AtomicReplaceFile(path, "AcctPassword=secret", 19, c.access)) << c.what;
            struct stat st {};
            ASSERT_EQ(::stat(path.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, c.expected) << c.what << ", save " << save + 1;
        }
    }
}

TEST(StaleTemporariesTest, RemovesWhatDeadWritersLeftAndNothingElse) {
    TempDir dir;
    // A save under way (started first: a writer sweeps its folder as it starts) keeps its file.
    platform::AtomicFileWriter live(dir.file("chardata.mul"));
    ASSERT_TRUE(live.IsOpen());
    std::fputs("new", live.File());
    dir.write("qv.cfg", "kept");
    dir.write("qv.cfg.tmp-Ab3xYz", "half a save");       // a writer killed midway
    dir.write("registry.ini.tmp-000000", "half a save"); // another store's
    dir.write("notes.tmp-abc", "not ours: the suffix is not six letters");
    dir.write("notes.tmp-ab_def", "not ours: not letters and digits");
    std::filesystem::create_directory(dir.path() / "folder.tmp-abcdef");

    EXPECT_EQ(platform::RemoveStaleTemporaries(dir.path().string()), 2u);
    std::set<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        left.insert(e.path().filename().string());
    EXPECT_EQ(left.count("qv.cfg.tmp-Ab3xYz") + left.count("registry.ini.tmp-000000"), 0u);
    EXPECT_EQ(left.count("qv.cfg") + left.count("notes.tmp-abc") + left.count("notes.tmp-ab_def") +
                  left.count("folder.tmp-abcdef"),
              4u);
    EXPECT_EQ(left.size(), 5u) << "the live writer's temporary stays";
    ASSERT_TRUE(live.Commit());
    EXPECT_EQ(dir.read("chardata.mul"), "new");
}

TEST(StaleTemporariesTest, AKilledWriterLeavesNoLockAndTheNextSweepTakesItsFile) {
    TempDir dir;
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::AtomicFileWriter writer(dir.file("qv.cfg"));
        std::fputs("half", writer.File());
        std::fflush(writer.File());
        (void)!::write(ready[1], "r", 1);
        ::pause(); // killed here, in the middle of the save
        ::_exit(0);
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    // While the writer lives, its temporary is not stale.
    EXPECT_EQ(platform::RemoveStaleTemporaries(dir.path().string()), 0u);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(platform::RemoveStaleTemporaries(dir.path().string()), 1u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0);
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
