#include "render/FrameServices.h"

namespace {
FrameServices g_services;
}

void SetFrameServices(const FrameServices& services) {
    g_services = services;
}

const FrameServices& GetFrameServices() {
    return g_services;
}
