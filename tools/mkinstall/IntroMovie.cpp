#include "mkinstall/IntroMovie.h"

#include "mkmovie/MovieWriter.h"
#include "platform/platform.h"

namespace mkinstall {

bool WriteIntroMovie(const std::string& dir, std::string* error) {
    if (!platform::MakeDirectories(dir + "/music")) {
        if (error) *error = "cannot create " + dir + "/music";
        return false;
    }
    moviewriter::Options o;
    o.width = 320;
    o.height = 240;
    o.fps = 60;
    o.frames = 180;
    o.types = {2};
    o.audio = moviewriter::Audio::Ima;
    return moviewriter::WriteMovieFile(dir + "/music/intro.wve", o, error);
}

} // namespace mkinstall
