// Video frames after a valid key frame: byte 0 picks the frame type (and whether pixels are
// doubled), the rest is the frame's payload, decoded into 64 x 48 surfaces.
#include "media/MovieCodec.h"
#include "core/QVReport.h"
#include "mkmovie/MovieWriter.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (QVReport::startWithoutFile(), true);
    static const moviewriter::Bytes key = moviewriter::KeyFramePayload(64, 48, moviewriter::SourcePalette(),
                                                                       moviewriter::SourcePicture(64, 48, 0));
    (void)started;
    if (size < 1) return 0;
    bool doubled = data[0] & 4;
    movie::MovieCodec codec;
    codec.Configure(doubled);
    movie::FrameSurface current, previous;
    current.Create(codec.SurfaceWidth(64), 48);
    previous.Create(codec.SurfaceWidth(64), 48);
    codec.MovieDecodeFrame(key.data(), key.size(), movie::kKeyFrame, current, previous);
    codec.MovieDecodeFrame(data + 1, size - 1, (data[0] & 3) + 1, previous, current);
    codec.MovieDecodeFrame(data + 1, size - 1, movie::kDeltaFrame, current, previous);
    return 0;
}
