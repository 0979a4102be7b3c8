#include "media/MpegReference.h"

#include "media/mpeg/MpegAudioDecoder.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mpg123.h>

namespace qvtest {

namespace {

using Complex = std::complex<double>;

void Fft(std::vector<Complex>& a, bool inverse) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = 2 * M_PI / static_cast<double>(len) * (inverse ? 1 : -1);
        const Complex step(std::cos(angle), std::sin(angle));
        for (size_t i = 0; i < n; i += len) {
            Complex w(1);
            for (size_t k = 0; k < len / 2; ++k) {
                Complex u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
                w *= step;
            }
        }
    }
}

} // namespace

ReferencePcm DecodeWithMpg123(const std::string& path, std::string* error) {
    ReferencePcm out;
    int err = MPG123_OK;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    if (!mh) {
        *error = "mpg123_new failed";
        return out;
    }
    mpg123_param(mh, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0.0);
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_format_none(mh);
    for (long rate : {8000L, 11025L, 12000L, 16000L, 22050L, 24000L, 32000L, 44100L, 48000L})
        mpg123_format(mh, rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_open(mh, path.c_str()) != MPG123_OK) {
        *error = std::string("mpg123_open: ") + mpg123_strerror(mh);
        mpg123_delete(mh);
        return out;
    }
    long rate = 0;
    int channels = 0, encoding = 0;
    mpg123_getformat(mh, &rate, &channels, &encoding);
    std::vector<float> buffer(16384);
    for (;;) {
        size_t done = 0;
        int r = mpg123_read(mh, buffer.data(), buffer.size() * sizeof(float), &done);
        for (size_t i = 0; i < done / sizeof(float); ++i)
            out.samples.push_back(std::clamp(buffer[i] * 32768.0, -32768.0, 32767.0));
        if (r == MPG123_NEW_FORMAT) {
            mpg123_getformat(mh, &rate, &channels, &encoding);
            continue;
        }
        if (r != MPG123_OK) break;
    }
    out.rate = static_cast<int>(rate);
    out.channels = channels;
    mpg123_close(mh);
    mpg123_delete(mh);
    return out;
}

DecodedPcm DecodeWithOurs(const std::vector<uint8_t>& stream, int chunk,
                          CMpegAudioDecoder::Synthesis synthesis) {
    DecodedPcm out;
    CMpegAudioDecoder decoder;
    decoder.setSynthesis(synthesis);
    out.openResult = decoder.Open(stream.data(), stream.size());
    if (out.openResult != 0) return out;
    out.rate = decoder.sampleRate();
    out.channels = decoder.channels();
    std::vector<uint8_t> buffer(static_cast<size_t>(chunk));
    std::vector<uint8_t> bytes;
    for (int n; (n = decoder.Read(buffer.data(), chunk)) > 0;)
        bytes.insert(bytes.end(), buffer.begin(), buffer.begin() + n);
    out.samples.resize(bytes.size() / 2);
    for (size_t i = 0; i < out.samples.size(); ++i)
        out.samples[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    return out;
}

int FindLag(const DecodedPcm& ours, const ReferencePcm& reference, int maxLag) {
    const size_t oc = static_cast<size_t>(ours.channels), rc = static_cast<size_t>(reference.channels);
    if (!oc || !rc) return -1;
    // Short streams: a shorter window, so that every lag has the reference beside it.
    const size_t refTimes = reference.samples.size() / rc;
    if (refTimes <= static_cast<size_t>(maxLag)) return -1;
    const size_t window = std::min(
        {static_cast<size_t>(ours.rate), ours.samples.size() / oc, refTimes - static_cast<size_t>(maxLag)});
    const size_t span = window + static_cast<size_t>(maxLag);
    size_t size = 1;
    while (size < 2 * span)
        size <<= 1;
    // Cross-correlation by FFT: c[lag] = sum over n < window of ours[n] x ref[n + lag].
    std::vector<Complex> a(size), b(size);
    double oursEnergy = 0;
    for (size_t n = 0; n < window; ++n) {
        a[n] = ours.samples[n * oc];
        oursEnergy += a[n].real() * a[n].real();
    }
    for (size_t n = 0; n < span; ++n)
        b[n] = reference.samples[n * rc];
    Fft(a, false);
    Fft(b, false);
    for (size_t i = 0; i < size; ++i)
        b[i] *= std::conj(a[i]);
    Fft(b, true);
    std::vector<double> prefix(span + 1, 0);
    for (size_t n = 0; n < span; ++n)
        prefix[n + 1] = prefix[n] + reference.samples[n * rc] * reference.samples[n * rc];
    int best = -1;
    double bestScore = -2;
    for (int lag = 0; lag <= maxLag; ++lag) {
        double energy = prefix[lag + window] - prefix[lag];
        if (energy <= 0 || oursEnergy <= 0) continue;
        double score = b[lag].real() / static_cast<double>(size) / std::sqrt(energy * oursEnergy);
        if (score > bestScore) bestScore = score, best = lag;
    }
    return best;
}

ErrorStats CompareAtLag(const DecodedPcm& ours, const ReferencePcm& reference, int lag, size_t from,
                        bool (*keep)(size_t)) {
    ErrorStats s;
    const size_t ch = static_cast<size_t>(ours.channels);
    if (ch == 0 || static_cast<size_t>(reference.channels) != ch || lag < 0) return s;
    const size_t oursTimes = ours.samples.size() / ch;
    const size_t refTimes = reference.samples.size() / ch;
    if (refTimes <= static_cast<size_t>(lag)) return s;
    const size_t end = std::min(oursTimes, refTimes - static_cast<size_t>(lag));
    double sum[2] = {0, 0};
    for (size_t t = from; t < end; ++t) {
        if (keep && !keep(t)) continue;
        ++s.compared;
        for (size_t c = 0; c < ch; ++c) {
            double e = ours.samples[t * ch + c] - reference.samples[(t + lag) * ch + c];
            sum[c] += e * e;
            s.max[c] = std::max(s.max[c], std::fabs(e));
        }
    }
    for (size_t c = 0; c < ch && s.compared; ++c)
        s.rms[c] = std::sqrt(sum[c] / static_cast<double>(s.compared));
    return s;
}

int EncodeWithLame(const std::string& wav, const std::string& mp3, int rate, const std::string& options) {
    char khz[16];
    std::snprintf(khz, sizeof khz, "%g", rate / 1000.0);
    return RunQuietly("lame --quiet -t --resample " + std::string(khz) + " " + options + " " + wav + " " +
                      mp3);
}

int RunQuietly(const std::string& command) {
    int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool HaveProgram(const std::string& name) {
    return RunQuietly("command -v " + name) == 0;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace qvtest
