#include "core/MemoryManager.h"

#include "core/QVReport.h"

#include <bit>
#include <cstdlib>
#include <vector>

namespace {

bool g_started = false;
CPointerRegistry* g_registry = nullptr;

// Open addressing with linear probing and backward-shift removal: tracking an object allocates
// nothing, which matters because draw items are tracked and released by the thousand per view jump.
class PointerTable {
  public:
    const uint32_t* Find(const void* key) const {
        if (slots_.empty()) return nullptr;
        for (size_t i = Home(key);; i = (i + 1) & mask_) {
            if (!slots_[i].key) return nullptr;
            if (slots_[i].key == key) return slots_[i].word;
        }
    }

    void Set(const void* key, const uint32_t* word) {
        if ((count_ + 1) * 2 > slots_.size()) Grow();
        size_t i = Home(key);
        while (slots_[i].key && slots_[i].key != key)
            i = (i + 1) & mask_;
        if (!slots_[i].key) ++count_;
        slots_[i] = {key, word};
    }

    void Erase(const void* key) {
        if (slots_.empty()) return;
        size_t i = Home(key);
        while (slots_[i].key != key) {
            if (!slots_[i].key) return;
            i = (i + 1) & mask_;
        }
        // Pull later members of the run back over the hole so that no search stops short of them.
        for (size_t j = (i + 1) & mask_; slots_[j].key; j = (j + 1) & mask_) {
            const size_t home = Home(slots_[j].key);
            if (((j - home) & mask_) >= ((j - i) & mask_)) {
                slots_[i] = slots_[j];
                i = j;
            }
        }
        slots_[i] = {};
        --count_;
    }

    size_t size() const { return count_; }

  private:
    struct Slot {
        const void* key = nullptr;
        const uint32_t* word = nullptr;
    };

    size_t Home(const void* key) const {
        return static_cast<size_t>((reinterpret_cast<uintptr_t>(key) >> 3) * 0x9E3779B97F4A7C15ull >> shift_);
    }

    void Grow() {
        std::vector<Slot> old = std::move(slots_);
        const size_t size = old.empty() ? 1024 : old.size() * 2;
        slots_.assign(size, Slot{});
        mask_ = size - 1;
        shift_ = 64 - std::countr_zero(size);
        count_ = 0;
        for (const Slot& s : old)
            if (s.key) Set(s.key, s.word);
    }

    std::vector<Slot> slots_;
    size_t mask_ = 0;
    int shift_ = 64;
    size_t count_ = 0;
};

struct LiveSet {
    std::mutex mutex;
    PointerTable objects;
};

LiveSet& Live() {
    static LiveSet* set = new LiveSet; // never destroyed: objects may die during static destruction
    return *set;
}

bool IsFreedFill(const void* p) {
    return p == MemoryManager::FREED_POINTER;
}

} // namespace

namespace MemoryManager {

void start() {
    QVReport::message("MemoryManager::start\n");
    if (!g_started) {
        g_started = true;
        QVReport::message("MemoryManager::started\n");
    }
}

void shutdown() {
    QVReport::message("MemoryManager::shutdown: stopping...\n");
    if (!g_started) return;
    QVReport::message("MemoryManager::report:\n");
    QVReport::message(" MemoryManager__OVERLOAD_GLOBAL_NEW_AND_DELETE not defined. nothing to report.\n");
    g_started = false;
    QVReport::message("MemoryManager::stopped.\n");
}

bool isStarted() {
    return g_started;
}

void* GetMem(int size, const char* /*label*/) {
    if (size < 0) {
        QVReport::error("MemoryManager::GetMem: size <= 0\n");
        return nullptr; // a negative size is a caller's arithmetic gone wrong: never ask the heap
    }
    if (size == 0) QVReport::error("MemoryManager::GetMem: size <= 0\n");
    void* m = std::malloc(size > 0 ? static_cast<size_t>(size) : 1);
    if (!m) QVReport::fatal("MemoryManager::GetMem: m == 0\n");
    return m;
}

void FreeMem(void* p) {
    if (!p || IsFreedFill(p)) return;
    std::free(p);
}

bool validateRawPointer(const void* p, uint32_t validationCode, const char* fileName, int line) {
    if (!fileName) fileName = "";
    if (!p) {
        QVReport::warning("MemoryManager::validateRawPointer: p == 0, from file '%s', line '%d'\n", fileName,
                          line);
        return false;
    }
    if (IsFreedFill(p)) {
        QVReport::warning("MemoryManager::validateRawPointer: p == 0xdddddddd, from file '%s', line '%d'\n",
                          fileName, line);
        return false;
    }
    if (validationCode != VALID_OBJECT_BIT_PATTERN) {
        QVReport::warning("MemoryManager::validateRawPointer: validation_code != "
                          "MemoryManager::VALID_OBJECT_BIT_PATTERN, from file '%s', line '%d'\n",
                          fileName, line);
        return false;
    }
    return true;
}

bool IsValidObject(const void* p, const char* fileName, int line) {
    const uint32_t* word = CPointerRegistry::ValidityWordOf(p);
    if (!word) {
        if (CPointerRegistry::instance()) return false; // quiet while the registry exists
        // Without it, report as the raw check would: a dead object's word reads as 0.
        return validateRawPointer(p, p ? 0u : VALID_OBJECT_BIT_PATTERN, fileName, line);
    }
    return validateRawPointer(p, *word, fileName, line);
}

} // namespace MemoryManager

CPointerRegistry* CPointerRegistry::instance() {
    return g_registry;
}

void CPointerRegistry::create() {
    if (!g_registry) g_registry = new CPointerRegistry();
}

void CPointerRegistry::destroy() {
    if (!g_registry) return;
    g_registry->Clear();
    delete g_registry;
    g_registry = nullptr;
}

void CPointerRegistry::Clear() {
    // The live set belongs to the objects themselves; the start-up object keeps no list of its own.
}

void CPointerRegistry::Track(const void* object, const uint32_t* validityWord) {
    std::lock_guard<std::mutex> lock(Live().mutex);
    Live().objects.Set(object, validityWord);
}

void CPointerRegistry::Untrack(const void* object) {
    std::lock_guard<std::mutex> lock(Live().mutex);
    Live().objects.Erase(object);
}

bool CPointerRegistry::IsValid(const void* p) {
    return ValidityWordOf(p) != nullptr;
}

const uint32_t* CPointerRegistry::ValidityWordOf(const void* p) {
    if (!p || IsFreedFill(p)) return nullptr;
    std::lock_guard<std::mutex> lock(Live().mutex);
    return Live().objects.Find(p);
}

size_t CPointerRegistry::LiveCount() {
    std::lock_guard<std::mutex> lock(Live().mutex);
    return Live().objects.size();
}

CTrackedObject::CTrackedObject() {
    CPointerRegistry::Track(this, &validity_);
}

CTrackedObject::CTrackedObject(const CTrackedObject&) : CTrackedObject() {}

CTrackedObject::~CTrackedObject() {
    validity_ = 0;
    CPointerRegistry::Untrack(this);
}

void CTrackedObject::Retire() {
    validity_ = 0;
    CPointerRegistry::Untrack(this);
}

void CTrackedObject::Revive() {
    validity_ = MemoryManager::VALID_OBJECT_BIT_PATTERN;
    CPointerRegistry::Track(this, &validity_);
}
