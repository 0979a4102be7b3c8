#include "soundplay/SoundPlay.h"

#include "core/CDHDCache.h"
#include "core/DefManager.h"
#include "core/FileManager.h"
#include "core/Options.h"
#include "core/QVReport.h"
#include "core/VerData.h"
#include "media/CStreamBuf.h"
#include "media/MusicManager.h"
#include "media/SoundManager.h"
#include "media/mp3.h"
#include "platform/headless.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>

namespace soundplay {
namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: soundplay INSTALL_DIR ID [--pan P] [--volume V] [--pitch P] [--seconds S] OUT.wav\n"
                 "       soundplay INSTALL_DIR --song N [--seconds S] OUT.wav\n");
    return 2;
}

bool ParseNumber(const std::string& text, double& out) {
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0';
}

void PutLE(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>(value >> (8 * i));
}

std::string Wav(const std::vector<int16_t>& samples, int rate) {
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::string w = "RIFF";
    PutLE(w, 36 + dataBytes, 4);
    w += "WAVEfmt ";
    PutLE(w, 16, 4);
    PutLE(w, 1, 2);
    PutLE(w, 2, 2);
    PutLE(w, static_cast<uint32_t>(rate), 4);
    PutLE(w, static_cast<uint32_t>(rate * 4), 4);
    PutLE(w, 4, 2);
    PutLE(w, 16, 2);
    w += "data";
    PutLE(w, dataBytes, 4);
    for (int16_t s : samples)
        PutLE(w, static_cast<uint16_t>(s), 2);
    return w;
}

bool WriteRecording(const std::string& path) {
    const std::vector<int16_t> out = platform::headless::RecordedAudio();
    const std::string wav = Wav(out, platform::kDeviceRate);
    if (!platform::AtomicReplaceFile(path, wav.data(), wav.size())) {
        std::fprintf(stderr, "soundplay: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%zu frames at %d Hz written to %s\n", out.size() / 2, platform::kDeviceRate, path.c_str());
    return true;
}

// A song through the music module: the digital player is serviced every 15 ms of the clock, the
// frame step every 100 ms, and the end of a MIDI song arrives as MM_MCINOTIFY.
int PlaySongTo(int song, double seconds, const std::string& out) {
    ::Music = false; // nothing starts by itself
    ::MusicVol = 255;
    MusicManager::CMusicManager();
    MusicManager::EnableMusic(true);
    CreateDigitalMusicPlayer(SoundManager::Device(), false); // serviced here, on the manual clock
    platform::headless::ClearRecordedAudio();
    int status = 0;
    if (MusicManager::PlaySong(song, 1, true) == 0 || !MusicManager::IsPlaying()) {
        std::fprintf(stderr, "soundplay: song %d does not play\n", song);
        status = 1;
    } else {
        const int limitMs = seconds > 0 ? static_cast<int>(seconds * 1000) : 600000;
        bool ended = false;
        for (int t = 0; t < limitMs && !ended; t += 15) {
            platform::AdvanceManualClock(static_cast<uint32_t>(std::min(15, limitMs - t)));
            if (CDigitalMusicPlayer* p = GetDigitalMusicPlayer()) p->ServiceStreams();
            if (t % 100 < 15) MusicManager::Update();
            platform::Message msg;
            while (platform::PeekMessage(msg))
                if (msg.id == platform::MM_MCINOTIFY && seconds <= 0) ended = true;
            if (seconds <= 0 && !MusicManager::IsPlaying()) ended = true;
        }
        if (!WriteRecording(out)) status = 1;
    }
    MusicManager::shutdown();
    return status;
}

} // namespace

int Run(const std::vector<std::string>& args) {
    std::vector<std::string> positional;
    double pan = 0, volume = 0, pitch = 0, seconds = 0, song = -1;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        double* target = a == "--pan"       ? &pan
                         : a == "--volume"  ? &volume
                         : a == "--pitch"   ? &pitch
                         : a == "--seconds" ? &seconds
                         : a == "--song"    ? &song
                                            : nullptr;
        if (target) {
            if (i + 1 >= args.size() || !ParseNumber(args[++i], *target)) return Usage();
        } else if (a.rfind("--", 0) == 0) {
            return Usage();
        } else {
            positional.push_back(a);
        }
    }
    double id = 0;
    const bool songMode = song >= 0;
    if (songMode) positional.insert(positional.begin() + (positional.empty() ? 0 : 1), "0");
    if (positional.size() != 3 || !ParseNumber(positional[1], id) || seconds < 0 || seconds > 600)
        return Usage();

    platform::UseBackend(platform::BackendKind::Headless);
    platform::UseManualClock(0, 0);
    platform::headless::SetAudioRate(platform::kDeviceRate);
    FileManager::startupWithPaths(positional[0], "");
    CDHDCache::startup();
    CDHDCache::Init();
    LoadVersionFile();
    DefManager::startup();
    SoundManager::CSoundManager();
    SoundManager::EnableSound(true);
    SoundManager::SetVolume(255);
    SoundManager::InitDirectSound(0);

    if (songMode) {
        const int status = PlaySongTo(static_cast<int>(song), seconds, positional[2]);
        SoundManager::shutdown();
        DefManager::shutdown();
        CDHDCache::shutdown();
        FileManager::shutdown();
        platform::UseRealClock();
        return status;
    }
    const int voice = SoundManager::PlaySound(static_cast<int>(id), static_cast<int>(pan),
                                              static_cast<int>(volume), false, static_cast<int>(pitch), true);
    int status = 0;
    if (voice < 0) {
        std::fprintf(stderr, "soundplay: sound %d does not play\n", static_cast<int>(id));
        status = 1;
    } else {
        // The main loop refills about every 100 ms; without --seconds play until the voice is free.
        const int limitMs = seconds > 0 ? static_cast<int>(seconds * 1000) : 60000;
        for (int t = 0; t < limitMs; t += 100) {
            platform::AdvanceManualClock(static_cast<uint32_t>(std::min(100, limitMs - t)));
            SoundManager::Update();
            if (seconds <= 0 && SoundManager::Voice(voice)->IsFree()) break;
        }
        const std::vector<int16_t> out = platform::headless::RecordedAudio();
        const std::string wav = Wav(out, platform::kDeviceRate);
        if (!platform::AtomicReplaceFile(positional[2], wav.data(), wav.size())) {
            std::fprintf(stderr, "soundplay: cannot write %s\n", positional[2].c_str());
            status = 1;
        } else {
            std::printf("sound %d on voice %d: %zu frames at %d Hz written to %s\n", static_cast<int>(id),
                        voice, out.size() / 2, platform::kDeviceRate, positional[2].c_str());
        }
    }
    SoundManager::shutdown();
    DefManager::shutdown();
    CDHDCache::shutdown();
    FileManager::shutdown();
    platform::UseRealClock();
    return status;
}

} // namespace soundplay
