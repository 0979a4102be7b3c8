// Sound items as the sound module plays them: the index records and item bytes of "soundidx.mul"
// and "sound.mul" through PlaySound's checks and a voice's fills and refills on the virtual device.
// Input: byte 0 the play options, bytes 1-2 the index length, then the index, then the data.
#include "core/CDHDCache.h"
#include "core/FileManager.h"
#include "core/QVReport.h"
#include "media/CStreamBuf.h"
#include "media/SoundManager.h"
#include "platform/Audio.h"
#include "platform/headless.h"
#include "platform/platform.h"

#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string g_root, g_hd;

void RemoveRoot() {
    std::error_code ec;
    std::filesystem::remove_all(g_root, ec);
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) std::abort();
    for (size_t done = 0; done < size;) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n <= 0) std::abort();
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

bool Setup() {
    // The sound pair is rewritten in place for every input, on a memory file system.
    std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/qv-fuzz-sound-XXXXXX"
                                                                    : "/tmp/qv-fuzz-sound-XXXXXX";
    const char* root = ::mkdtemp(pattern.data());
    if (!root) std::abort();
    char here[4096];
    if (!::getcwd(here, sizeof here) || ::chdir(root) != 0) std::abort();
    QVReport::start();
    if (::chdir(here) != 0) std::abort();
    g_root = root;
    std::atexit(RemoveRoot);
    g_hd = std::string(root) + "/hd";
    platform::MakeDirectories(g_hd);
    ::setenv("QV_DATA_DIR", (std::string(root) + "/data").c_str(), 1);
    platform::UseBackend(platform::BackendKind::Headless);
    platform::UseManualClock(0, 0);
    for (int row = 0; row < CDHDCache::kRowCount; ++row) {
        const CDHDCache::CacheFileInfo& info = CDHDCache::GetFileInfo(row);
        // Every other row exists, empty: a missing one costs a folder scan per input.
        if (row == CDHDCache::kSoundIdx || row == CDHDCache::kSound) continue;
        platform::AtomicReplaceFile(g_hd + "/" + info.name, nullptr, 0);
    }
    FileManager::startupWithPaths(g_hd, "");
    // A slow device: the voices' cursors run at their own rate while little is mixed.
    // 100 frames a second: mixing is per device frame and costs most of an input at higher rates.
    platform::headless::SetAudioRate(100);
    // Mixing runs once per device period for every playing voice, silent or not: 100 ms periods
    // mix a tenth as often as the device's usual 10 ms.
    platform::headless::SetAudioPeriod(100);
    SoundManager::CSoundManager();
    SoundManager::EnableSound(true);
    SoundManager::InitDirectSound(0);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = Setup();
    (void)ready;
    if (size < 3) return 0;
    const uint8_t options = data[0];
    size_t indexSize = static_cast<size_t>(data[1] | data[2] << 8);
    if (indexSize > size - 3) indexSize = size - 3;
    WriteFile(g_hd + "/soundidx.mul", data + 3, indexSize);
    WriteFile(g_hd + "/sound.mul", data + 3 + indexSize, size - 3 - indexSize);
    // The rows are opened once; an input re-opens only the sound pair it wrote.
    static bool s_opened = false;
    if (!s_opened) {
        s_opened = true;
        CDHDCache::SetHdConfig(CDHDCache::HdConfig::MaxHD);
        CDHDCache::startup();
        CDHDCache::Init();
    } else {
        CDHDCache::Reopen({CDHDCache::kSoundIdx, CDHDCache::kSound});
    }

    const int records = static_cast<int>(indexSize / CDHDCache::kIndexRecordSize);
    const bool loop = options & 1;
    const int pitch = (options & 2) ? 14 : 0;
    // Up to seven sounds at once: every playing voice is mixed each 10 ms of the clock.
    for (int id = -1; id <= records && id < 6; ++id)
        SoundManager::PlaySound(id, 0, -(options & 0xF0) * 10, loop, pitch, (options & 4) != 0);
    if (options & 8) SoundManager::PlayAmbientSound(records > 0 ? records - 1 : 0);
    // Refills as the clock runs: every voice writes its halves and drains.
    // 2.4 s: three refills of a voice's halves (0.74 s each at 22,050 Hz) and the end of a short sound.
    for (int step = 0; step < 6; ++step) {
        platform::AdvanceManualClock(400);
        SoundManager::Update();
    }
    for (int i = 0; i < SoundManager::kVoiceCount; ++i)
        if (CStreamBuf* v = SoundManager::Voice(i)) v->Release();
    SoundManager::PlayAmbientSound(0);
    SoundManager::Update();
    platform::headless::ClearRecordedAudio();
    return 0;
}
