#include "support/TestSupport.h"

#include "core/ExitHandlers.h"
#include "platform/headless.h"
#include "platform/platform.h"

#include <atomic>
#include <csignal>
#include <fstream>
#include <sstream>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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

void ExpectGoldenPpm(const std::filesystem::path& path, const std::vector<uint8_t>& ppm) {
    if (platform::GetEnv("QV_UPDATE_GOLDEN") == "1") {
        ASSERT_TRUE(platform::AtomicReplaceFile(path.string(), ppm.data(), ppm.size())) << path;
        std::printf("golden image written: %s\n", path.string().c_str());
        return;
    }
    auto stored = platform::ReadWholeFile(path.string());
    ASSERT_TRUE(stored.has_value()) << path << " is missing; run with QV_UPDATE_GOLDEN=1 to create it";
    if (*stored == ppm) return;
    // The picture as drawn, to compare by eye.
    const std::filesystem::path actual =
        std::filesystem::temp_directory_path() / (path.stem().string() + ".actual.ppm");
    platform::AtomicReplaceFile(actual.string(), ppm.data(), ppm.size());
    ADD_FAILURE() << path.filename() << " differs from its golden image; drawn: " << actual;
}

namespace {
constexpr uid_t kPlayerId = 65534; // nobody
}

int RunAsPlayer(const std::function<int()>& body) {
    const bool root = ::geteuid() == 0;
    if (root) ::chmod(std::filesystem::current_path().c_str(), 0711);
    std::fflush(nullptr);
    pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (root && (::setgid(kPlayerId) != 0 || ::setuid(kPlayerId) != 0)) ::_exit(kNoPlayer);
        int result = -1;
        try {
            result = body();
        } catch (const ProcessExit&) {
            result = kChildEnded;
        } catch (...) {
            result = -1;
        }
        ::_exit(result & 0xFF);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void GiveToPlayer(const std::filesystem::path& path) {
    if (::geteuid() != 0) return;
    ASSERT_EQ(::chown(path.c_str(), kPlayerId, kPlayerId), 0) << path;
}

FileSizeLimit::FileSizeLimit(uint64_t bytes) {
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    oldSoft_ = limit.rlim_cur;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

FileSizeLimit::~FileSizeLimit() {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = oldSoft_;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, oldHandler_);
}

ReplacementCounter::ReplacementCounter(const std::filesystem::path& file) : name_(file.filename().string()) {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(fd_, 0);
    if (fd_ < 0) return;
    // Both halves of a move: the kernel folds identical events that follow each other, and a
    // temporary file's leaving keeps two replacements apart.
    EXPECT_GE(::inotify_add_watch(fd_, file.parent_path().c_str(), IN_MOVE), 0);
}

ReplacementCounter::~ReplacementCounter() {
    if (fd_ >= 0) ::close(fd_);
}

int ReplacementCounter::count() {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        ssize_t n = fd_ >= 0 ? ::read(fd_, buffer, sizeof buffer) : -1;
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((event->mask & IN_MOVED_TO) && event->len && name_ == event->name) ++count_;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return count_;
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
