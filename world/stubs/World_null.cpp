// Stand-in until the object movement pass and weather are built.
#include "core/QVReport.h"
#include "world/CObjectManager.h"
#include "world/WorldStandIns.h"

namespace CObjectManager {
void UpdateMovement() {}
} // namespace CObjectManager

namespace WeatherManager {
void startup() {
    QVReport::message("WeatherManager::startup: begin.\n");
}
void shutdown() {
    QVReport::message("WeatherManager::shutdown: begin.\n");
}
void Update() {}
} // namespace WeatherManager
