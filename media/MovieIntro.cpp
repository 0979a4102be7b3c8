// The client's entry to the movie player: the intro's settings in a window or full screen.
#include "media/MediaStandIns.h"
#include "media/MoviePlay.h"
#include "media/SoundManager.h"
#include "platform/platform.h"

#include <algorithm>

MovieContext* MoviePlay(const char* fileName, MovieSettings* settings) {
    movie::MovieSettings s;
    if (settings && settings->fullScreen) {
        s.flags = movie::kIntroFullScreenFlags;
        s.screenWidth = 640;
        s.screenHeight = 480;
    } else {
        s.flags = movie::kIntroWindowFlags;
        int width = 640, height = 480;
        if (platform::HasMainWindow()) platform::GetClientSize(width, height);
        s.screenWidth = std::max(1, width);
        s.screenHeight = std::max(1, height);
        s.x = settings ? settings->left : 0;
        s.y = settings ? settings->top : 0;
    }
    s.abort = settings ? settings->messagePump : nullptr;
    s.device = SoundManager::Device();
    movie::MoviePlay(fileName, &s);
    return nullptr;
}

void MovieSetSubtitleMeasureFunction(MovieMeasureFunction function) {
    movie::MovieSetSubtitleMeasureFunction(function);
}
void MovieSetSubtitleDrawFunction(MovieDrawFunction function) {
    movie::MovieSetSubtitleDrawFunction(function);
}
void MovieSetSubtitleSection(LanguageSection* section) {
    movie::MovieSetSubtitleSection(section);
}
