#include "gumps/GumpWorld.h"

GumpWorldServices& GumpWorld() {
    static GumpWorldServices services = WorldBoundGumpServices();
    return services;
}

void ResetGumpWorld() {
    GumpWorld() = GumpWorldServices{};
}

GumpSlots& GumpSlotTable() {
    static GumpSlots slots;
    return slots;
}

void ResetGumpSlots() {
    GumpSlotTable() = GumpSlots{};
}
