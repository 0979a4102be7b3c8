// The sound mixer and a voice refill, each beside a memcpy of the same voice samples in the same run.
// Mixing: 8, 16 and 32 looping voices for one second of 44,100 Hz stereo output, with the voices at
// the device's rate and at 22,048 Hz (resampled). Refill: one 32 KB half of a voice.
#include "core/CDHDCache.h"
#include "core/DefManager.h"
#include "core/FileManager.h"
#include "core/VerData.h"
#include "media/CStreamBuf.h"
#include "mkinstall/Installation.h"
#include "mkinstall/SoundFiles.h"
#include "platform/Audio.h"
#include "platform/AudioMixer.h"
#include "platform/platform.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kPeriod = 1024;

// Voices of one second each at rate, holding distinct tones, playing looping into a mixer.
struct Voices {
    platform::AudioMixer mixer;
    std::vector<std::unique_ptr<platform::SoundBuffer>> buffers;
    std::vector<std::vector<int16_t>> samples;

    Voices(int count, int rate) {
        mixer.SetPeriod(kPeriod, platform::kDeviceRate);
        for (int v = 0; v < count; ++v) {
            std::vector<int16_t> s(static_cast<size_t>(rate));
            for (int i = 0; i < rate; ++i)
                s[static_cast<size_t>(i)] = static_cast<int16_t>(3000 * std::sin(0.01 * (v + 1) * i));
            auto b = std::make_unique<platform::SoundBuffer>(mixer, s.size() * 2,
                                                             platform::PcmFormat{rate, 1, 16});
            uint8_t *p1 = nullptr, *p2 = nullptr;
            uint32_t n1 = 0, n2 = 0;
            b->Lock(0, static_cast<uint32_t>(s.size() * 2), &p1, &n1, &p2, &n2);
            std::memcpy(p1, s.data(), n1);
            b->Unlock();
            b->SetVolume(-300);
            b->SetPan((v % 5 - 2) * 1000);
            b->Play(true);
            buffers.push_back(std::move(b));
            samples.push_back(std::move(s));
        }
    }
};

void Mix(benchmark::State& state, int rate) {
    Voices voices(static_cast<int>(state.range(0)), rate);
    std::vector<int16_t> out(2 * kPeriod);
    for (auto _ : state) {
        for (int done = 0; done < platform::kDeviceRate; done += kPeriod) {
            voices.mixer.Mix(out.data(), kPeriod, platform::kDeviceRate);
            benchmark::DoNotOptimize(out.data());
        }
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * rate * 2);
}

void BM_SoundMixEqualRate(benchmark::State& state) {
    Mix(state, platform::kDeviceRate);
}
BENCHMARK(BM_SoundMixEqualRate)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

void BM_SoundMixResampled(benchmark::State& state) {
    Mix(state, CStreamBuf::kRate);
}
BENCHMARK(BM_SoundMixResampled)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

// The baseline: copying the same voices' samples once.
void Copy(benchmark::State& state, int rate) {
    const int count = static_cast<int>(state.range(0));
    std::vector<std::vector<int16_t>> from(static_cast<size_t>(count),
                                           std::vector<int16_t>(static_cast<size_t>(rate), 7));
    std::vector<int16_t> to(static_cast<size_t>(rate));
    for (auto _ : state) {
        for (const auto& v : from) {
            std::memcpy(to.data(), v.data(), v.size() * 2);
            benchmark::DoNotOptimize(to.data());
            benchmark::ClobberMemory();
        }
    }
    state.SetBytesProcessed(state.iterations() * count * rate * 2);
}

void BM_SoundMemcpyEqualRate(benchmark::State& state) {
    Copy(state, platform::kDeviceRate);
}
BENCHMARK(BM_SoundMemcpyEqualRate)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

void BM_SoundMemcpyResampled(benchmark::State& state) {
    Copy(state, CStreamBuf::kRate);
}
BENCHMARK(BM_SoundMemcpyResampled)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);

// A voice over the sample installation's three-second ramp; each iteration moves its play cursor on
// by half a buffer and refills, so exactly one 32 KB half is written.
void BM_SoundVoiceRefill(benchmark::State& state) {
    char pattern[] = "/tmp/qv_soundbench_XXXXXX";
    if (!::mkdtemp(pattern)) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string dir = pattern;
    std::string error;
    if (!mkinstall::WriteInstallation(dir, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    platform::UseBackend(platform::BackendKind::Headless);
    FileManager::startupWithPaths(dir, "");
    CDHDCache::startup();
    CDHDCache::Init();
    platform::AudioResult r = 0;
    auto device = platform::AudioDevice::Open(&r);
    if (!device) {
        state.SkipWithError("no audio device");
    } else {
        CStreamBuf voice(*device);
        voice.Play(mkinstall::SampleSound::kRamp, 0, 0, true, 0);
        uint32_t play = 0;
        for (auto _ : state) {
            voice.Buffer()->GetCurrentPosition(&play, nullptr);
            voice.Buffer()->SetCurrentPosition((play + CStreamBuf::kHalfBytes) % CStreamBuf::kBufferBytes);
            voice.Update();
        }
        state.SetBytesProcessed(state.iterations() * CStreamBuf::kHalfBytes);
    }
    device.reset();
    CDHDCache::shutdown();
    FileManager::shutdown();
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_SoundVoiceRefill)->Unit(benchmark::kMicrosecond);

void BM_SoundMemcpyHalf(benchmark::State& state) {
    std::vector<uint8_t> from(CStreamBuf::kHalfBytes, 3), to(CStreamBuf::kHalfBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * CStreamBuf::kHalfBytes);
}
BENCHMARK(BM_SoundMemcpyHalf)->Unit(benchmark::kMicrosecond);

} // namespace
