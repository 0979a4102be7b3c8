// Stand-in until the animated tiles are built: patched groups are dropped.
#include "core/QVReport.h"
#include "core/VerData.h"

namespace animCrap {
void ApplyVersionGroup(int group, const VerData::AnimTileRecord (&records)[8]) {
    QVReport::message("animCrap::ApplyVersionGroup: group %d dropped (frame count %d).\n", group,
                      records[0].frameCount);
}
} // namespace animCrap
