#pragma once
// Shared helpers of the test programs.
#include "core/QVReport.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace qvtest {

// Thrown by the test exit function in place of ending the process.
struct ProcessExit {
    int code;
};

// Records every report line while alive; installs an exit function that throws ProcessExit.
class ReportRecorder {
  public:
    ReportRecorder();
    ~ReportRecorder();
    struct Line {
        QVReport::Level level;
        std::string text;
    };
    const std::vector<Line>& lines() const { return lines_; }
    bool contains(const std::string& text) const;
    bool contains(QVReport::Level level, const std::string& text) const;
    void clear() { lines_.clear(); }

  private:
    std::vector<Line> lines_;
};

// A fresh folder below the test program's folder, removed at the end of the test.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }
    void write(const std::string& name, const std::string& bytes) const;
    std::string read(const std::string& name) const;

  private:
    std::filesystem::path path_;
};

// Compares PPM bytes exactly with a stored golden image; with QV_UPDATE_GOLDEN=1 writes it instead.
void ExpectGoldenPpm(const std::filesystem::path& path, const std::vector<uint8_t>& ppm);

// Failures root meets as well, for the stores' tests (the tests run as root, and permission bits
// do not stop root).
//
// RunAsPlayer runs body in a child process as an ordinary user ("nobody" when the tests run as
// root, so permission bits count) and gives back body's result; kChildEnded when the child ended
// through the exit function (a fatal report), kNoPlayer when it could not become that user, -1 when
// it died otherwise. The test program's folder is opened for the player to pass through.
constexpr int kChildEnded = 90;
constexpr int kNoPlayer = 91;
int RunAsPlayer(const std::function<int()>& body);
// Hands a file or folder to the user RunAsPlayer becomes (nothing when not root).
void GiveToPlayer(const std::filesystem::path& path);

// While alive, no file of the process grows past this many bytes (RLIMIT_FSIZE, with SIGXFSZ
// ignored so writes fail with EFBIG instead): a full disk.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  private:
    uint64_t oldSoft_ = 0;
    void (*oldHandler_)(int) = nullptr;
};

// Counts the times a file is put in place by a rename (how AtomicReplaceFile writes), through
// inotify on its folder: one count per save, whatever the save wrote.
class ReplacementCounter {
  public:
    explicit ReplacementCounter(const std::filesystem::path& file);
    ~ReplacementCounter();
    ReplacementCounter(const ReplacementCounter&) = delete;
    ReplacementCounter& operator=(const ReplacementCounter&) = delete;
    int count(); // since construction

  private:
    int fd_ = -1;
    std::string name_;
    int count_ = 0;
};

// Resets the report module, the exit handlers and the headless platform for a test.
class CleanState : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

} // namespace qvtest
