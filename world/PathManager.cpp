#include "world/PathManager.h"

#include "core/QVReport.h"
#include "platform/platform.h"
#include "world/Terrain.h"

#include <cmath>
#include <memory>
#include <new>
#include <vector>

namespace PathManager {
namespace {

constexpr size_t kChunk = 1024;

struct Key {
    int32_t x, y, z;
    bool operator==(const Key& o) const { return x == o.x && y == o.y && z == o.z; }
};

// Open addressing over node pointers; sized for every node a search may create.
class NodeIndex {
  public:
    void Clear() {
        if (count_ == 0) return;
        std::fill(slots_.begin(), slots_.end(), nullptr);
        count_ = 0;
    }
    Node* Find(int x, int y, int z) const {
        if (slots_.empty()) return nullptr;
        for (size_t i = Hash(x, y, z) & mask_;; i = (i + 1) & mask_) {
            Node* n = slots_[i];
            if (!n) return nullptr;
            if (n->x == x && n->y == y && n->z == z) return n;
        }
    }
    void Insert(Node* n) {
        if ((count_ + 1) * 2 > slots_.size()) Grow();
        for (size_t i = Hash(n->x, n->y, n->z) & mask_;; i = (i + 1) & mask_)
            if (!slots_[i]) {
                slots_[i] = n;
                ++count_;
                return;
            }
    }

  private:
    static size_t Hash(int x, int y, int z) {
        uint64_t h = static_cast<uint32_t>(x) * 0x9E3779B97F4A7C15ull;
        h ^= static_cast<uint32_t>(y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
        h ^= static_cast<uint32_t>(z + 128) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
        return static_cast<size_t>(h ^ (h >> 29));
    }
    void Grow() {
        std::vector<Node*> old;
        old.swap(slots_);
        slots_.assign(old.empty() ? 4096 : old.size() * 2, nullptr);
        mask_ = slots_.size() - 1;
        count_ = 0;
        for (Node* n : old)
            if (n) Insert(n);
    }
    std::vector<Node*> slots_;
    size_t mask_ = 0;
    size_t count_ = 0;
};

struct State {
    std::vector<std::unique_ptr<Node[]>> chunks;
    size_t used = 0; // nodes handed out from the chunks
    uint32_t sequence = 0;
    std::vector<Node*> heap;
    NodeIndex index;
    int expanded = 0;
    StepTest stepTest = CanWalkOnto;
    bool started = false;
};

State& S() {
    static State s;
    return s;
}

Node* NewNode() {
    State& s = S();
    const size_t chunk = s.used / kChunk;
    if (chunk >= s.chunks.size()) {
        Node* block = new (std::nothrow) Node[kChunk];
        if (!block) {
            platform::ShowMessageBox("Failed to calloc memory.", "Oops.", platform::BoxIcon::Error);
            return nullptr;
        }
        s.chunks.emplace_back(block);
    }
    Node* n = &s.chunks[chunk][s.used % kChunk];
    *n = Node{};
    n->sequence = ++s.sequence;
    ++s.used;
    return n;
}

// Whether a comes out of the heap before b: smaller f, and the newer node on a tie.
bool Before(const Node* a, const Node* b) {
    if (a->f != b->f) return a->f < b->f;
    return a->sequence > b->sequence;
}

void Place(size_t i, Node* n) {
    S().heap[i] = n;
    n->heapIndex = static_cast<int32_t>(i);
}

void SiftUp(size_t i) {
    auto& heap = S().heap;
    Node* n = heap[i];
    while (i > 0) {
        const size_t parent = (i - 1) / 2;
        if (!Before(n, heap[parent])) break;
        Place(i, heap[parent]);
        i = parent;
    }
    Place(i, n);
}

void SiftDown(size_t i) {
    auto& heap = S().heap;
    Node* n = heap[i];
    const size_t size = heap.size();
    for (;;) {
        size_t child = 2 * i + 1;
        if (child >= size) break;
        if (child + 1 < size && Before(heap[child + 1], heap[child])) ++child;
        if (!Before(heap[child], n)) break;
        Place(i, heap[child]);
        i = child;
    }
    Place(i, n);
}

void Push(Node* n) {
    S().heap.push_back(n);
    SiftUp(S().heap.size() - 1);
}

Node* Pop() {
    auto& heap = S().heap;
    if (heap.empty()) return nullptr;
    Node* top = heap.front();
    Node* last = heap.back();
    heap.pop_back();
    if (!heap.empty()) {
        Place(0, last);
        SiftDown(0);
    }
    top->heapIndex = -1;
    return top;
}

float Straight(int x, int y, int z, int gx, int gy, int gz) {
    const float dx = static_cast<float>(x - gx), dy = static_cast<float>(y - gy),
                dz = static_cast<float>(z - gz);
    return std::sqrt(dz * dz + dy * dy + dx * dx);
}

void AddSuccessor(Node* parent, Node* child) {
    for (Node*& slot : parent->successors) {
        if (slot == child) return;
        if (!slot) {
            slot = child;
            return;
        }
    }
}

void PropagateCost(Node* from) {
    std::vector<Node*> stack{from};
    while (!stack.empty()) {
        Node* n = stack.back();
        stack.pop_back();
        const float g = std::floor(n->g) + 1;
        for (Node* s : n->successors) {
            if (!s || s->g <= g) continue;
            s->g = g;
            s->parent = n;
            s->f = g + s->h;
            if (s->heapIndex >= 0) SiftUp(static_cast<size_t>(s->heapIndex));
            stack.push_back(s);
        }
    }
}

// False when no node could be made: the search ends without a path.
bool AddOrRelaxNode(Node* parent, int x, int y, int z, int gx, int gy, int gz) {
    const float g = std::floor(parent->g) + 1;
    if (Node* n = S().index.Find(x, y, z)) {
        AddSuccessor(parent, n);
        if (g < n->g) {
            n->g = g;
            n->parent = parent;
            n->f = g + n->h;
            if (n->heapIndex >= 0)
                SiftUp(static_cast<size_t>(n->heapIndex)); // a better f moves it forward
            else
                PropagateCost(n);
        }
        return true;
    }
    Node* n = NewNode();
    if (!n) return false;
    n->x = x;
    n->y = y;
    n->z = z;
    n->parent = parent;
    n->g = g;
    n->h = Straight(x, y, z, gx, gy, gz);
    n->f = g + n->h;
    S().index.Insert(n);
    Push(n);
    AddSuccessor(parent, n);
    return true;
}

bool ExpandNode(Node* n, int gx, int gy, int gz) {
    // A diagonal step needs the two straight steps beside it, which this node tests anyway: each
    // straight step is tested once and the diagonal ones reuse the answers, as CanStepDiagonal
    // would find them (the step test reads the world and changes nothing). The world's own test
    // reads the node's cell once for all eight steps.
    const StepTest custom = S().stepTest;
    const bool world = custom == CanWalkOnto;
    StandingCell from;
    if (world) CollectStandingCell(from, n->x, n->y, PlayerMovementType());
    auto test = [&](int i, int& z) {
        const int x = n->x + Terrain::kDirX[i], y = n->y + Terrain::kDirY[i];
        return world ? CanWalkOntoFrom(from, x, y, n->z, i, z) : custom(x, y, n->z, i, z);
    };
    bool ok[8];
    int z[8] = {};
    for (int i = 0; i < 8; i += 2)
        ok[i] = test(i, z[i]);
    for (int i = 1; i < 8; i += 2) {
        const int left = (i - 1) & 7, right = (i + 1) & 7;
        ok[i] = ok[left] && ok[right] && test(i, z[i]);
        if (ok[i]) z[i] = z[right];
    }
    for (int i = 0; i < 8; ++i)
        if (ok[i] && !AddOrRelaxNode(n, n->x + Terrain::kDirX[i], n->y + Terrain::kDirY[i], z[i], gx, gy, gz))
            return false;
    return true;
}

} // namespace

void SetStepTest(StepTest test) {
    S().stepTest = test ? test : CanWalkOnto;
}

void startup() {
    QVReport::message("PathManager::startup: begin.\n");
    S().started = true;
}

void shutdown() {
    QVReport::message("PathManager::shutdown: begin.\n");
    FreeLists();
    S().chunks.clear();
    S().started = false;
}

bool CanStepDiagonal(int x, int y, int z, int direction, int& newZ) {
    const StepTest test = S().stepTest;
    const int d = direction & 7, left = (d - 1) & 7, right = (d + 1) & 7;
    return test(x + Terrain::kDirX[d], y + Terrain::kDirY[d], z, d, newZ) &&
           test(x + Terrain::kDirX[left], y + Terrain::kDirY[left], z, left, newZ) &&
           test(x + Terrain::kDirX[right], y + Terrain::kDirY[right], z, right, newZ);
}

void FreeLists() {
    State& s = S();
    s.heap.clear();
    s.index.Clear();
    s.used = 0; // the chunks are kept for the next search
    s.expanded = 0;
}

int ExpandedCount() {
    return S().expanded;
}

Node* FindPath(int fromX, int fromY, int fromZ, int toX, int toY, int toZ, int maximum, int range) {
    State& s = S();
    FreeLists();
    Node* start = NewNode();
    if (!start) return nullptr;
    start->x = fromX;
    start->y = fromY;
    start->z = fromZ;
    start->h = Straight(fromX, fromY, fromZ, toX, toY, toZ);
    start->f = start->h;
    s.index.Insert(start);
    Push(start);
    for (;;) {
        Node* n = Pop();
        if (!n) return nullptr;
        if (++s.expanded > maximum || s.expanded > kMaxExpansions) return nullptr;
        if (std::abs(toX - n->x) <= range && std::abs(toY - n->y) <= range && std::abs(toZ - n->z) <= 8)
            return n;
        if (!ExpandNode(n, toX, toY, toZ)) return nullptr;
    }
}

} // namespace PathManager
