// Stand-in until the hue table is built: patched groups are dropped.
#include "core/QVReport.h"
#include "core/VerData.h"

namespace HueManager {
void ApplyVersionGroup(int group, const VerData::HueRecord (&entries)[8]) {
    QVReport::message("HueManager::ApplyVersionGroup: group %d dropped (first colour 0x%04x).\n", group,
                      entries[0].colors[0]);
}
} // namespace HueManager
