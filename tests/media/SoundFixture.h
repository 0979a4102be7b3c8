#pragma once
// The sound module over the sample installation's sounds, the virtual audio device and the manual
// clock: tests play sounds, let the clock run with the main loop's refills, and compare what the
// device recorded with the sample content.
#include "core/DataFixture.h"
#include "core/Options.h"
#include "core/SharedServices.h"
#include "media/CStreamBuf.h"
#include "media/SoundManager.h"
#include "mkinstall/SoundFiles.h"
#include "platform/headless.h"

#include <vector>

namespace qvtest {

class SoundFixture : public DataFixture {
  protected:
    void SetUp() override {
        DataFixture::SetUp();
        platform::UseManualClock(0xFFFFF000u, 0);
        Install(dir.path().string());
        PointAt(dir.path().string());
        StartData(CDHDCache::HdConfig::MaxHD);
        DefManager::startup();
        SeedRandom(1);
        SoundManager::ResetForTests();
    }

    void TearDown() override {
        SoundManager::ResetForTests();
        ResetOptions();
        platform::UseRealClock();
        DataFixture::TearDown();
    }

    // Starts the module with a device at rate; false when it has no device.
    void Start(int rate) {
        platform::headless::SetAudioRate(rate);
        SoundManager::CSoundManager();
        SoundManager::InitDirectSound(0);
        deviceRate = rate;
    }

    // Lets the clock run for ms, refilling every step ms as the main loop does.
    static void Run(int ms, int step = 50) {
        for (int t = 0; t < ms; t += step) {
            platform::AdvanceManualClock(static_cast<uint32_t>(std::min(step, ms - t)));
            SoundManager::Update();
        }
    }

    // Frames recorded so far.
    static size_t Recorded() { return platform::headless::RecordedAudio().size() / 2; }

    // The recorded frame at which a sound started now on voice v begins: the frames recorded so far
    // plus the write cursor's lead (the voice and the device at the same rate).
    size_t StartFrame(int v) const {
        uint32_t play = 0, write = 0;
        SoundManager::Voice(v)->Buffer()->GetCurrentPosition(&play, &write);
        return Recorded() + ((write + CStreamBuf::kBufferBytes - play) % CStreamBuf::kBufferBytes) / 2;
    }

    static int Volume(int v) { return SoundManager::Voice(v)->Buffer()->GetVolume(); }

    TempDir dir;
    int deviceRate = 0;
};

} // namespace qvtest
