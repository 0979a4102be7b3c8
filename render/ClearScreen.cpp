#include "render/ClearScreen.h"

#include "core/SharedServices.h"
#include "render/BackBuffer.h"
#include "render/GraphicManager.h"

#include <cstring>

int ClearScreenBuffer() {
    uint16_t* pixels = BackBuffer::Pixels();
    if (pixels)
        std::memset(pixels, 0,
                    static_cast<size_t>(BackBuffer::Width()) * BackBuffer::Height() * sizeof(uint16_t));
    return 0;
}

void ClearViewBuffer() {
    ClearRingArea(BackBuffer::Pixels(), BackBuffer::Width(), BackBuffer::Height(), BackBuffer::RingOffset(),
                  GraphicManager::GetScreenWidth(), GraphicManager::GetScreenHeight());
}
