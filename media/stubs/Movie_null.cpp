// Stand-in until the movie player is built: movies are skipped.
#include "core/QVReport.h"
#include "media/MediaStandIns.h"

MovieContext* MoviePlay(const char* fileName, MovieSettings*) {
    QVReport::message("MoviePlay: no movie player; '%s' skipped.\n", fileName ? fileName : "");
    return nullptr;
}
void MovieSetSubtitleMeasureFunction(MovieMeasureFunction) {}
void MovieSetSubtitleDrawFunction(MovieDrawFunction) {}
void MovieSetSubtitleSection(LanguageSection*) {}

int OpenIntroMpeg(const char* path, IntroMpegStream** stream) {
    QVReport::message("OpenIntroMpeg: no MPEG player; '%s' skipped.\n", path ? path : "");
    if (stream) *stream = nullptr;
    return -1;
}
void PlayIntroMpeg(IntroMpegStream*) {}
void ReleaseIntroMpeg(IntroMpegStream*) {}
