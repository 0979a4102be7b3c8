#pragma once
// Shared helpers of the test programs.
#include "core/QVReport.h"

#include <filesystem>
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

// Resets the report module, the exit handlers and the headless platform for a test.
class CleanState : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
};

} // namespace qvtest
