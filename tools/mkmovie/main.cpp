// mkmovie OUT.wve [--size WxH] [--frames N] [--types 1,2,3,4] [--quality Q] [--exact]
//         [--audio none|pcm|block|ima] [--mono] [--fps F]
// Writes a movie of synthetic pictures and a tone.
#include "mkmovie/MovieWriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

int Usage() {
    std::fprintf(
        stderr, "usage: mkmovie OUT.wve [--size WxH] [--frames N] [--types 1,2,3,4] [--quality Q] [--exact]\n"
                "               [--audio none|pcm|block|ima] [--mono] [--fps F]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') return Usage();
    moviewriter::Options o;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--exact")
            o.exact = true;
        else if (a == "--mono")
            o.mono = true;
        else if (!v)
            return Usage();
        else if (a == "--size" && std::sscanf(v, "%dx%d", &o.width, &o.height) == 2)
            ++i;
        else if (a == "--frames")
            o.frames = std::atoi(argv[++i]);
        else if (a == "--quality")
            o.quality = std::atoi(argv[++i]);
        else if (a == "--fps")
            o.fps = std::atoi(argv[++i]);
        else if (a == "--types") {
            o.types.clear();
            for (const char* p = argv[++i]; *p; ++p)
                if (*p >= '1' && *p <= '4') o.types.push_back(*p - '0');
        } else if (a == "--audio") {
            std::string s = argv[++i];
            if (s == "none")
                o.audio = moviewriter::Audio::None;
            else if (s == "pcm")
                o.audio = moviewriter::Audio::Pcm;
            else if (s == "block")
                o.audio = moviewriter::Audio::Block;
            else if (s == "ima")
                o.audio = moviewriter::Audio::Ima;
            else
                return Usage();
        } else
            return Usage();
    }
    std::string error;
    if (!moviewriter::WriteMovieFile(argv[1], o, &error)) {
        std::fprintf(stderr, "mkmovie: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
