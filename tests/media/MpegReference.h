#pragma once
// Support of the MPEG-audio tests: libmpg123 as the reference decoder, our decoder over a whole
// stream, the lag between the two, error statistics, and the encoder runs.
#include "media/mpeg/MpegAudioDecoder.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qvtest {

struct ReferencePcm {
    int rate = 0;
    int channels = 0;
    std::vector<double> samples; // interleaved; float output x 32768 limited to 16 bits
};

// libmpg123 with gapless off (every sample from frame 1), float output; empty on failure.
ReferencePcm DecodeWithMpg123(const std::string& path, std::string* error);

struct DecodedPcm {
    int openResult = -1;
    int rate = 0;
    int channels = 0;
    std::vector<int16_t> samples;
};
// Our decoder over the whole stream in reads of `chunk` bytes.
DecodedPcm DecodeWithOurs(const std::vector<uint8_t>& stream, int chunk = 131072,
                          CMpegAudioDecoder::Synthesis synthesis = CMpegAudioDecoder::Synthesis::Fixed);

// The lag (0..maxLag) at which the reference best matches ours, by normalised cross-correlation
// of the first channel over the first second: ours[n] ~ reference[n + lag].
int FindLag(const DecodedPcm& ours, const ReferencePcm& reference, int maxLag = 2304);

struct ErrorStats {
    double rms[2] = {0, 0};
    double max[2] = {0, 0};
    size_t compared = 0; // sample times
};
// Over our sample times from `from` on, only those whose position n satisfies keep(n) when given.
ErrorStats CompareAtLag(const DecodedPcm& ours, const ReferencePcm& reference, int lag, size_t from = 0,
                        bool (*keep)(size_t) = nullptr);

// lame with the given options at the input's rate (--resample, or lame lowers it at low bitrates),
// without the tag frame (-t); its exit status.
int EncodeWithLame(const std::string& wav, const std::string& mp3, int rate, const std::string& options);

// Runs a shell command quietly; its exit status.
int RunQuietly(const std::string& command);
bool HaveProgram(const std::string& name);
std::vector<uint8_t> ReadBytes(const std::string& path);

} // namespace qvtest
