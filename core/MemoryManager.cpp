#include "core/MemoryManager.h"

#include "core/QVReport.h"

#include <cstdlib>

namespace {

bool g_started = false;
CPointerRegistry* g_registry = nullptr;

struct LiveSet {
    std::mutex mutex;
    std::unordered_map<const void*, const uint32_t*> objects;
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
    Live().objects[object] = validityWord;
}

void CPointerRegistry::Untrack(const void* object) {
    std::lock_guard<std::mutex> lock(Live().mutex);
    Live().objects.erase(object);
}

bool CPointerRegistry::IsValid(const void* p) {
    return ValidityWordOf(p) != nullptr;
}

const uint32_t* CPointerRegistry::ValidityWordOf(const void* p) {
    if (!p || IsFreedFill(p)) return nullptr;
    std::lock_guard<std::mutex> lock(Live().mutex);
    auto it = Live().objects.find(p);
    return it == Live().objects.end() ? nullptr : it->second;
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
