#include "app/IntroMovie.h"

#include "app/AppServices.h"
#include "app/MainWindow.h"
#include "app/StartupServices.h"
#include "platform/platform.h"

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;

int g_pumpCount = 0;

// The file as it exists on disk (letter case and separators resolved), or "".
std::string Openable(const std::string& path) {
    std::optional<std::string> found = platform::FindPathIgnoringCase(platform::NativePath(path));
    return found && !platform::IsDirectory(*found) ? *found : std::string();
}

// The file in the installation folder, else on the CD; "" when neither has it.
std::string FindIntroFile(const char* name) {
    std::string hd = Openable(FileManager::get_HDpath(name));
    if (!hd.empty()) return hd;
    std::optional<std::string> cd = FileManager::get_CDpath(name); // none without a CD folder
    return cd ? Openable(*cd) : std::string();
}

void ClearToBlack() {
    static const std::vector<uint16_t> black(static_cast<size_t>(kPictureWidth) * kPictureHeight, 0);
    platform::PresentFrame(black.data(), kPictureWidth, kPictureHeight, 0);
}

bool StopsMovie(const platform::Message& msg) {
    switch (msg.id) {
    case platform::WM_KEYDOWN:
    case platform::WM_LBUTTONDOWN:
    case platform::WM_RBUTTONDOWN:
        return true;
    case platform::WM_SYSCOMMAND:
        return (msg.wParam & 0xFFF0) == platform::SC_RESTORE;
    default:
        return false;
    }
}

} // namespace

int IntroMovieMessagePump() {
    if (++g_pumpCount == 2) ClearToBlack();
    platform::Message msg;
    if (!platform::PeekMessage(msg)) return 0;
    if (StopsMovie(msg)) return 1;
    if (msg.id == platform::WM_QUIT) {
        // The main loop must still see the quit: put it back and end the movie.
        platform::PostQuitMessage(static_cast<int>(msg.wParam));
        return 1;
    }
    if (msg.id == platform::WM_PAINT) ClearToBlack();
    platform::DispatchMessage(msg);
    return 0;
}

int IntroMoviePumpCount() {
    return g_pumpCount;
}

void PlayIntroMovie() {
    if (!platform::HasMainWindow() || platform::IsWindowMinimized()) return;
    std::string wve = FindIntroFile("music\\intro.wve");
    std::string mpg = FindIntroFile("music\\intro.mpg");
    if (wve.empty() && mpg.empty()) return;

    MovieSettings settings;
    settings.asynchronous = false;
    settings.messagePump = IntroMovieMessagePump;
    settings.fullScreen = IsFullScreenMode();
    if (!settings.fullScreen) {
        int width = 0, height = 0;
        platform::GetClientSize(width, height);
        settings.left = (width - kPictureWidth) / 2;
        settings.top = (height - kPictureHeight) / 2;
    }

    AppServices& s = Services();
    SetMovieFlag(true);
    s.setSoftwareCursor(false);
    bool musicWasOn = s.musicEnabled();
    s.enableMusic(false);
    g_pumpCount = 0;

    LanguageSection* subtitles = LanguageManager::loadSection("intro", nullptr, "intro", false, false, false);
    MovieSetSubtitleMeasureFunction(UnicodeCalcInfo);
    MovieSetSubtitleDrawFunction(UnicodeDrawString);
    MovieSetSubtitleSection(subtitles);

    if (!wve.empty()) s.moviePlay(wve.c_str(), &settings);
    if (!mpg.empty()) {
        IntroMpegStream* stream = nullptr;
        if (s.openIntroMpeg(mpg.c_str(), &stream) == 0 && stream) {
            s.playIntroMpeg(stream);
            s.releaseIntroMpeg(stream);
        }
    }

    s.setSoftwareCursor(true);
    SetMovieFlag(false);
    if (musicWasOn) s.enableMusic(true);
}
