#include "support/TestSupport.h"

#include "core/ExitHandlers.h"
#include "platform/headless.h"
#include "platform/platform.h"

#include <atomic>
#include <fstream>
#include <sstream>

namespace qvtest {

ReportRecorder::ReportRecorder() {
    QVReport::setRecorder([this](QVReport::Level level, const std::string& text) {
        lines_.push_back({level, text});
    });
    SetExitFunction([](int code) { throw ProcessExit{code}; });
}

ReportRecorder::~ReportRecorder() {
    QVReport::setRecorder(nullptr);
    SetExitFunction(nullptr);
}

bool ReportRecorder::contains(const std::string& text) const {
    for (const auto& l : lines_)
        if (l.text.find(text) != std::string::npos) return true;
    return false;
}

bool ReportRecorder::contains(QVReport::Level level, const std::string& text) const {
    for (const auto& l : lines_)
        if (l.level == level && l.text.find(text) != std::string::npos) return true;
    return false;
}

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    path_ = std::filesystem::current_path() / ("t" + std::to_string(counter++));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempDir::write(const std::string& name, const std::string& bytes) const {
    std::filesystem::path p = path_ / name;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
}

std::string TempDir::read(const std::string& name) const {
    std::ifstream in(path_ / name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

namespace {
// A relative __FILE__ path ("../../tests/...") names a file below the source tree.
std::filesystem::path InSourceTree(const std::filesystem::path& path) {
    if (path.is_absolute()) return path;
    std::filesystem::path rest;
    bool leading = true;
    for (const auto& part : path) {
        if (leading && (part == ".." || part == ".")) continue;
        leading = false;
        rest /= part;
    }
    return std::filesystem::path(QV_SOURCE_DIR) / rest;
}
} // namespace

void ExpectGoldenPpm(const std::filesystem::path& given, const std::vector<uint8_t>& ppm) {
    const std::filesystem::path path = InSourceTree(given);
    if (platform::GetEnv("QV_UPDATE_GOLDEN") == "1") {
        ASSERT_TRUE(platform::AtomicReplaceFile(path.string(), ppm.data(), ppm.size())) << path;
        std::printf("golden image written: %s\n", path.string().c_str());
        return;
    }
    auto stored = platform::ReadWholeFile(path.string());
    ASSERT_TRUE(stored.has_value()) << path << " is missing; run with QV_UPDATE_GOLDEN=1 to create it";
    EXPECT_TRUE(*stored == ppm) << path.filename() << " differs from its golden image";
}

void CleanState::SetUp() {
    QVReport::resetForTests();
    ClearExitHandlers();
    platform::headless::Reset();
}

void CleanState::TearDown() {
    QVReport::setRecorder(nullptr);
    SetExitFunction(nullptr);
    ClearExitHandlers();
    QVReport::resetForTests();
    platform::headless::Reset();
}

} // namespace qvtest
