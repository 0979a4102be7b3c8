// "music\intro.mpg" is not played: the client has no MPEG video player.
#include "core/QVReport.h"
#include "media/MediaStandIns.h"

int OpenIntroMpeg(const char* path, IntroMpegStream** stream) {
    QVReport::message("OpenIntroMpeg: no MPEG player; '%s' skipped.\n", path ? path : "");
    if (stream) *stream = nullptr;
    return -1;
}
void PlayIntroMpeg(IntroMpegStream*) {}
void ReleaseIntroMpeg(IntroMpegStream*) {}
