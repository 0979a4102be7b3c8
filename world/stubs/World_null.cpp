// Stand-in until the map, walking, paths and weather are built.
#include "core/QVReport.h"
#include "world/CObjectManager.h"
#include "world/WorldStandIns.h"

namespace MapManager {
void startup() {
    QVReport::message("MapManager::startup: begin.\n");
}
} // namespace MapManager

namespace CObjectManager {
void UpdateMovement() {}
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

void UpdatePlayerStepZ() {}
