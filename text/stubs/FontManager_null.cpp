// Stand-in until the bitmap fonts are built: a patched font is dropped.
#include "core/QVReport.h"
#include "core/VerData.h"

namespace FontManager {
void ApplyVersionFont(int slot, std::vector<VerData::FontGlyph> glyphs) {
    QVReport::message("FontManager::ApplyVersionFont: font %d of %zu glyphs dropped.\n", slot, glyphs.size());
}
} // namespace FontManager
