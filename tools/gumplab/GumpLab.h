#pragma once
// A bench for the window layer: the client's gump and mouse managers over a still world picture,
// in a real window or headless. Scenes are sets of windows; later windows add their own scenes.
#include <string>

namespace gumplab {

struct Options {
    std::string installDir;
    std::string scene;
    std::string shotPath; // non-empty: run a scripted session headless and write the last frame
    std::string sceneArg; // the "html" scene's file
};

// False with a reason when the scene is unknown or the installation cannot be used.
bool Run(const Options& options, std::string* error);
bool IsKnownScene(const std::string& scene);

} // namespace gumplab
