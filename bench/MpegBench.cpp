// The MPEG-audio decoder on a minute of Layer II (44.1 kHz joint stereo, 192 kbit/s, from twolame)
// and a minute of Layer III (44.1 kHz joint stereo, 128 kbit/s, from lame; both synthesis forms),
// each beside libmpg123 decoding the same bytes to 16 bits in the same run.
#include "media/mpeg/MpegAudioDecoder.h"
#include "mpegwriter/MpegWriter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mpg123.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr double kSeconds = 60;

// A minute encoded in a temporary folder by `command` (IN and OUT are the file names); empty when
// the encoder is missing.
std::vector<uint8_t> Encode(const std::string& command) {
    char pattern[] = "/tmp/qv_mpegbench_XXXXXX";
    std::vector<uint8_t> bytes;
    if (!::mkdtemp(pattern)) return bytes;
    const std::filesystem::path dir(pattern);
    const std::string wav = (dir / "in.wav").string(), out = (dir / "out.mpa").string();
    mpegwriter::WriteWav(wav, mpegwriter::SweepWithBursts(44100, 2, kSeconds, 1), 44100, 2);
    if (std::system((command + " " + wav + " " + out + " >/dev/null 2>&1").c_str()) == 0) {
        std::ifstream in(out, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::filesystem::remove_all(dir);
    return bytes;
}

const std::vector<uint8_t>& Stream() {
    static const std::vector<uint8_t> stream = Encode("twolame --quiet -m j -b 192");
    return stream;
}

const std::vector<uint8_t>& Layer3Stream() {
    static const std::vector<uint8_t> stream = Encode("lame --quiet -t -m j -b 128");
    return stream;
}

void DecodeOurs(benchmark::State& state, const std::vector<uint8_t>& stream,
                CMpegAudioDecoder::Synthesis form) {
    if (stream.empty()) {
        state.SkipWithError("the encoder could not make the stream");
        return;
    }
    std::vector<uint8_t> buffer(131072);
    CMpegAudioDecoder decoder;
    decoder.setSynthesis(form);
    for (auto _ : state) {
        decoder.Open(stream.data(), stream.size());
        int64_t total = 0;
        for (int n; (n = decoder.Read(buffer.data(), static_cast<int>(buffer.size()))) > 0;)
            total += n;
        benchmark::DoNotOptimize(total);
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

void DecodeMpg123(benchmark::State& state, const std::vector<uint8_t>& stream) {
    if (stream.empty()) {
        state.SkipWithError("the encoder could not make the stream");
        return;
    }
    std::vector<uint8_t> buffer(131072);
    int err = MPG123_OK;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_format_none(mh);
    mpg123_format(mh, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    for (auto _ : state) {
        mpg123_open_feed(mh);
        mpg123_feed(mh, stream.data(), stream.size());
        int64_t total = 0;
        for (;;) {
            size_t done = 0;
            int r = mpg123_read(mh, buffer.data(), buffer.size(), &done);
            total += static_cast<int64_t>(done);
            if (r == MPG123_NEW_FORMAT) continue;
            if (r != MPG123_OK) break;
        }
        mpg123_close(mh);
        benchmark::DoNotOptimize(total);
    }
    mpg123_delete(mh);
    state.counters["x_realtime"] =
        benchmark::Counter(kSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_MpegDecodeLayer3MinuteFixed(benchmark::State& state) {
    DecodeOurs(state, Layer3Stream(), CMpegAudioDecoder::Synthesis::Fixed);
}
BENCHMARK(BM_MpegDecodeLayer3MinuteFixed)->Unit(benchmark::kMillisecond);

void BM_MpegDecodeLayer3MinuteFloat(benchmark::State& state) {
    DecodeOurs(state, Layer3Stream(), CMpegAudioDecoder::Synthesis::Float);
}
BENCHMARK(BM_MpegDecodeLayer3MinuteFloat)->Unit(benchmark::kMillisecond);

void BM_Mpg123DecodeLayer3Minute(benchmark::State& state) {
    DecodeMpg123(state, Layer3Stream());
}
BENCHMARK(BM_Mpg123DecodeLayer3Minute)->Unit(benchmark::kMillisecond);

void BM_MpegDecodeLayer2Minute(benchmark::State& state) {
    DecodeOurs(state, Stream(), CMpegAudioDecoder::Synthesis::Fixed);
}
BENCHMARK(BM_MpegDecodeLayer2Minute)->Unit(benchmark::kMillisecond);

void BM_Mpg123DecodeLayer2Minute(benchmark::State& state) {
    DecodeMpg123(state, Stream());
}
BENCHMARK(BM_Mpg123DecodeLayer2Minute)->Unit(benchmark::kMillisecond);

} // namespace
