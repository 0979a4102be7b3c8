// Stand-in until Layer III is built: its frames decode as silence.
#include "media/mpeg/MpegAudioDecoder.h"

#include <cstring>

int CMpegAudioDecoder::DecodeLayer3(int16_t* pcm) {
    std::memset(pcm, 0, kFrameSamples * sizeof(int16_t));
    return 0;
}
