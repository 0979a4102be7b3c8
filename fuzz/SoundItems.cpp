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
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string g_root, g_hd;

void RemoveRoot() {
    std::error_code ec;
    std::filesystem::remove_all(g_root, ec);
}

bool Setup() {
    // The data files are rewritten for every input: on a memory file system that costs little.
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
        if (!info.required || row == CDHDCache::kSoundIdx || row == CDHDCache::kSound) continue;
        platform::AtomicReplaceFile(g_hd + "/" + info.name, nullptr, 0);
    }
    FileManager::startupWithPaths(g_hd, "");
    // A slow device: the voices' cursors run at their own rate while little is mixed.
    platform::headless::SetAudioRate(500);
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
    platform::AtomicReplaceFile(g_hd + "/soundidx.mul", data + 3, indexSize);
    platform::AtomicReplaceFile(g_hd + "/sound.mul", data + 3 + indexSize, size - 3 - indexSize);
    CDHDCache::SetHdConfig(CDHDCache::HdConfig::MaxHD);
    CDHDCache::startup();
    CDHDCache::Init();

    const int records = static_cast<int>(indexSize / CDHDCache::kIndexRecordSize);
    const bool loop = options & 1;
    const int pitch = (options & 2) ? 14 : 0;
    for (int id = -1; id <= records && id < 12; ++id)
        SoundManager::PlaySound(id, 0, -(options & 0xF0) * 10, loop, pitch, (options & 4) != 0);
    if (options & 8) SoundManager::PlayAmbientSound(records > 0 ? records - 1 : 0);
    // Refills as the clock runs: every voice writes its halves and drains.
    for (int step = 0; step < 12; ++step) {
        platform::AdvanceManualClock(400);
        SoundManager::Update();
    }
    for (int i = 0; i < SoundManager::kVoiceCount; ++i)
        if (CStreamBuf* v = SoundManager::Voice(i)) v->Release();
    SoundManager::PlayAmbientSound(0);
    SoundManager::Update();
    platform::headless::ClearRecordedAudio();
    CDHDCache::shutdown();
    return 0;
}
