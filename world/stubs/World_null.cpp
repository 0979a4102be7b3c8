// Stand-in until the world model is built: no map, no objects, no player object.
#include "core/QVReport.h"
#include "world/CObjectManager.h"
#include "world/WorldStandIns.h"

namespace MapManager {
void startup() {
    QVReport::message("MapManager::startup: begin.\n");
}
} // namespace MapManager

namespace CObjectManager {
void ExpireSavedTexts() {}
void UpdateMovement() {}
// No world list yet: nothing to put on the light or animation list.
void RebuildLightAndAnimationLists() {}
} // namespace CObjectManager

namespace PathManager {
void startup() {
    QVReport::message("PathManager::startup: begin.\n");
}
void shutdown() {
    QVReport::message("PathManager::shutdown: begin.\n");
}
} // namespace PathManager

namespace MradeRunager {
void startup() {
    QVReport::message("MradeRunager::startup: begin.\n");
}
} // namespace MradeRunager

namespace WeatherManager {
void startup() {
    QVReport::message("WeatherManager::startup: begin.\n");
}
void shutdown() {
    QVReport::message("WeatherManager::shutdown: begin.\n");
}
void Update() {}
} // namespace WeatherManager

void UpdatePlayerWalk() {}
void WalkByKey(int, intptr_t) {}

CPlacementPreview::CPlacementPreview() {
    QVReport::message("CPlacementPreview::CPlacementPreview(): begin.\n");
}
CPlacementPreview::~CPlacementPreview() = default;

bool HasPlayerObject() {
    return false;
}
uint32_t GetPlayerObjectSerial() {
    return 0;
}
void SetPlayerObjectSerial(uint32_t) {}
void DeletePlayerObject() {}
void UpdatePlayerStepZ() {}
