#include "core/CVersionManager.h"

#include "core/QVReport.h"
#include "core/SharedServices.h"

namespace CVersionManager {
namespace {

KindRange g_kinds[KindCount];

void Fill() {
    const uint32_t counts[] = {0x10000, 0x400, 0x800, 0x80, 0x2000, 0x32, 0x1FF6};
    uint32_t base = 0x49248;
    for (int k = Art; k <= Multi; ++k) {
        g_kinds[k] = KindRange{base, counts[k]};
        base += counts[k];
    }
    // The open kinds all begin where the multis end.
    g_kinds[MapBlock] = KindRange{base, 0};
    g_kinds[StaticsBlock] = KindRange{base, 0};
    g_kinds[Spare] = KindRange{base, 0x49248};
}

} // namespace

void startup() {
    QVReport::message("CVersionManager::startup: begin.\n");
    Fill();
}

void shutdown() {}

KindRange GetKind(Kind kind) {
    if (g_kinds[Art].base == 0) Fill();
    if (kind < 0 || kind >= KindCount) return KindRange{0, 0};
    return g_kinds[kind];
}

uint32_t GetId(Kind kind, uint32_t index) {
    return GetKind(kind).base + index;
}

void RecordVersion(uint32_t /*id*/, uint32_t /*version*/) {
    DoNothing();
}

} // namespace CVersionManager
