#pragma once
// The "generic" and "popup" scenes of gumplab: a generic gump from a recorded 0xB0 packet (its
// replies printed), and an object's context menu with a "more" button.
#include <functional>
#include <string>

namespace gumplab {

// False with a reason when the file is not a generic gump packet.
bool BuildGenericScene(const std::string& file, std::string* error);
void BuildPopupScene();
// The headless sessions behind --shot; frames runs that many frames.
void GenericScript(const std::function<void(int)>& frames);
void PopupScript(const std::function<void(int)>& frames);
// Forgets what the scenes bound (the reply printer, the menu's state).
void EndServerWindowScenes();

} // namespace gumplab
