#include "world/SerialIndex.h"

#include "world/objects.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace SerialIndex {
namespace {

// Per serial, ascending by joining order: the back joined last, so it is nearest the list head.
// The answer is kept beside the key, so a lookup reads no more than the table's node.
struct Bucket {
    CDynamicObj* newest = nullptr;
    std::vector<CDynamicObj*> objects;
};

struct State {
    std::unordered_map<uint32_t, Bucket> buckets;
    uint64_t sequence = 0;
};

State& S() {
    static State* s = new State; // objects may leave during static destruction
    return *s;
}

bool Earlier(const CDynamicObj* a, const CDynamicObj* b) {
    return a->allSequence < b->allSequence;
}

void Insert(CDynamicObj* object, uint32_t serial) {
    Bucket& b = S().buckets[serial];
    b.objects.insert(std::upper_bound(b.objects.begin(), b.objects.end(), object, Earlier), object);
    b.newest = b.objects.back();
}

void Erase(CDynamicObj* object, uint32_t serial) {
    auto it = S().buckets.find(serial);
    if (it == S().buckets.end()) return;
    Bucket& b = it->second;
    b.objects.erase(std::remove(b.objects.begin(), b.objects.end(), object), b.objects.end());
    if (b.objects.empty())
        S().buckets.erase(it);
    else
        b.newest = b.objects.back();
}

} // namespace

void Add(CDynamicObj* object) {
    object->allSequence = ++S().sequence;
    Insert(object, object->serial);
}

void Remove(CDynamicObj* object) {
    Erase(object, object->serial);
}

void Rekey(CDynamicObj* object, uint32_t oldSerial) {
    if (!AllObjectsList::IsLinked(object)) return;
    Erase(object, oldSerial);
    Insert(object, object->serial);
}

CDynamicObj* Find(uint32_t serial) {
    auto it = S().buckets.find(serial);
    return it == S().buckets.end() ? nullptr : it->second.newest;
}

void Clear() {
    S().buckets.clear();
}

size_t Size() {
    size_t n = 0;
    for (const auto& [serial, bucket] : S().buckets)
        n += bucket.objects.size();
    return n;
}

} // namespace SerialIndex
