// The movie container from memory: chunk headers, audio headers and data, and the read-ahead as the
// playback loop drives it (frames and blocks consumed in turn), without pictures or a sound thread.
#include "core/QVReport.h"
#include "media/MoviePlay.h"

#include <cstdint>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (QVReport::startWithoutFile(), true);
    (void)started;
    movie::MovieSettings s;
    movie::MovieContext c;
    c.settings = &s;
    // The rings (a megabyte) are made once and lent to each input's context: made per input, their
    // allocation and the sanitizer's shadow work were most of an input's cost.
    static std::unique_ptr<uint8_t[]> videoRing, audioRing;
    c.videoRing = std::move(videoRing);
    c.audioRing = std::move(audioRing);
    struct GiveBack {
        movie::MovieContext& c;
        ~GiveBack() {
            videoRing = std::move(c.videoRing);
            audioRing = std::move(c.audioRing);
        }
    } giveBack{c};
    if (movie::MovieOpen(movie::MovieSource::FromMemory(std::vector<uint8_t>(data, data + size)), &c) != 0)
        return 0;
    for (int pass = 0; pass < 200; ++pass) {
        movie::MovieReadAhead(&c);
        bool any = false;
        if (c.videoQueued.load() > 0) {
            c.videoRead.fetch_add(1);
            c.videoQueued.fetch_sub(1);
            any = true;
        }
        if (c.audioQueued.load() > 0) {
            c.audioRead.fetch_add(1);
            c.audioQueued.fetch_sub(1);
            any = true;
        }
        if (!any && c.lastRead[1] == -1) break;
    }
    return 0;
}
