#pragma once
// The world model: the functions of this folder that others call and that are not built yet. Their stand-ins
// live in world/stubs/; each goes away, with its declaration here, when its code arrives.
#include <cstdint>

namespace MapManager {
void startup();
}
namespace PathManager {
void startup();
void shutdown();
} // namespace PathManager
namespace MradeRunager {
void startup();
}
namespace WeatherManager {
void startup();
void shutdown();
void Update();
} // namespace WeatherManager
void UpdatePlayerWalk();
void WalkByKey(int direction, intptr_t keyData);
class CPlacementPreview {
  public:
    CPlacementPreview();
    ~CPlacementPreview();
};
// The player object (pPlayerObject): whether it exists, its serial, and its deletion at exit.
bool HasPlayerObject();
uint32_t GetPlayerObjectSerial();
void SetPlayerObjectSerial(uint32_t serial);
void DeletePlayerObject();
// The player's CMobile::UpdateStepZ: the step height again, which re-centres the view.
void UpdatePlayerStepZ();
