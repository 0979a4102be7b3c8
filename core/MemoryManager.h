#pragma once
// Raw pixel and frame memory, and the check that a kept pointer still names a live object.
#include <cstdint>
#include <mutex>

namespace MemoryManager {

constexpr uint32_t VALID_OBJECT_BIT_PATTERN = 0xFEEDBEEF;
// The fill of freed memory; a pointer with this value counts as null.
inline const void* const FREED_POINTER = reinterpret_cast<const void*>(static_cast<uintptr_t>(0xDDDDDDDDu));

void start();
void shutdown();
bool isStarted();

// A block of size bytes (uninitialised). The label names the owner for readers of the calling
// code. A negative size is refused (null); running out of memory is fatal.
void* GetMem(int size, const char* label);
void FreeMem(void* p);

// Accepts p when it is neither null nor the freed fill and its validity word is the live pattern.
bool validateRawPointer(const void* p, uint32_t validationCode, const char* fileName, int line);

// The whole check for a kept pointer: liveness is decided by the registry of live objects first,
// and only a live object's validity word is read. Null and freed pointers are dropped quietly
// while the registry object exists.
bool IsValidObject(const void* p, const char* fileName, int line);

} // namespace MemoryManager

// The set of live validated objects. Every CTrackedObject adds itself on construction and leaves
// on destruction, so a pointer is checked without reading freed memory.
class CPointerRegistry {
  public:
    // The start-up object: while it exists, failed checks of null and dead pointers are quiet.
    static CPointerRegistry* instance();
    static void create();
    static void destroy(); // the exit handler: Clear, then delete

    void Clear();

    // Live-object set; always present, whether or not the start-up object exists.
    static void Track(const void* object, const uint32_t* validityWord);
    static void Untrack(const void* object);
    static bool IsValid(const void* p); // p is a live tracked object
    static const uint32_t* ValidityWordOf(const void* p);
    static size_t LiveCount();

  private:
    CPointerRegistry() = default;
};

// Base of every object whose pointers are kept and checked (gumps, draw items): holds the
// validity word while alive and registers itself.
class CTrackedObject {
  public:
    CTrackedObject();
    CTrackedObject(const CTrackedObject&);
    CTrackedObject& operator=(const CTrackedObject&) { return *this; }
    virtual ~CTrackedObject();
    uint32_t validityWord() const { return validity_; }

  protected:
    // Pooled objects outlive their use: a released one leaves the live set and a re-used one joins
    // it again, so a kept pointer to a released object is judged dead.
    void Retire();
    void Revive();
    // For tests of damaged objects: an overwritten word must be caught.
    void setValidityWordForTests(uint32_t w) { validity_ = w; }

  private:
    uint32_t validity_ = MemoryManager::VALID_OBJECT_BIT_PATTERN;
};

// The pointer check at a call site, with the caller's file and line.
#define QV_VALID_OBJECT(p) MemoryManager::IsValidObject((p), __FILE__, __LINE__)
