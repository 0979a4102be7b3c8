// Video frames: byte 0 picks the frame type (and whether pixels are doubled). Palette frames: the
// rest is the frame's payload, decoded after a valid key frame into 64 x 48 surfaces. DCT frames
// (types 3 and 4): a 32 x 32 frame whose header takes its quality and flags from bytes 1 and 2, so
// that every input reaches the macroblocks, decoded again after a DCT frame of the writer.
#include "media/MovieCodec.h"
#include "core/QVReport.h"
#include "mkmovie/MovieWriter.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (QVReport::startWithoutFile(), true);
    static const moviewriter::Bytes key = moviewriter::KeyFramePayload(64, 48, moviewriter::SourcePalette(),
                                                                       moviewriter::SourcePicture(64, 48, 0));
    static const moviewriter::Bytes dct =
        moviewriter::DctFramePayload(4, 32, 32, 90, false, moviewriter::SourceRgb(32, 32, 1), nullptr);
    (void)started;
    if (size < 1) return 0;
    bool doubled = data[0] & 4;
    int type = (data[0] & 3) + 1;
    // One codec per pixel width, its tables built once; the key frame below resets its pictures.
    static movie::MovieCodec* const codecs = [] {
        auto* c = new movie::MovieCodec[2];
        c[1].Configure(true);
        return c;
    }();
    movie::MovieCodec& codec = codecs[doubled ? 1 : 0];
    static movie::FrameSurface current, previous;
    if (type >= movie::kDctFrame && size >= 3) { // DCT frames do not use the palette pictures
        current.Create(codec.SurfaceWidth(32), 32);
        previous.Create(codec.SurfaceWidth(32), 32);
        moviewriter::Bytes frame = {32, 0, 32, 0, data[1], 0, 0, data[2]};
        frame.insert(frame.end(), data + 3, data + size);
        codec.MovieDecodeFrame(frame.data(), frame.size(), type, previous, current);
        codec.MovieDecodeFrame(dct.data(), dct.size(), movie::kDctFrame2, current, previous);
        codec.MovieDecodeFrame(frame.data(), frame.size(), type, previous, current);
        return 0;
    }
    current.Create(codec.SurfaceWidth(64), 48);
    previous.Create(codec.SurfaceWidth(64), 48);
    codec.MovieDecodeFrame(key.data(), key.size(), movie::kKeyFrame, current, previous);
    codec.MovieDecodeFrame(data + 1, size - 1, type, previous, current);
    codec.MovieDecodeFrame(data + 1, size - 1, movie::kDeltaFrame, current, previous);
    return 0;
}
