#include "mkinstall/Installation.h"

#include "mkinstall/AnimFiles.h"
#include "mkinstall/ArtFiles.h"
#include "mkinstall/ConfigFiles.h"
#include "mkinstall/CreationFiles.h"
#include "mkinstall/CreditsFiles.h"
#include "mkinstall/DataFiles.h"
#include "mkinstall/FrontEndArts.h"
#include "mkinstall/IntroMovie.h"
#include "mkinstall/Landscape.h"
#include "mkinstall/LightFiles.h"
#include "mkinstall/MusicFiles.h"
#include "mkinstall/SoundFiles.h"
#include "mkinstall/TextFiles.h"
#include "mkinstall/WorldFiles.h"
#include "mkinstall/Yard.h"

#include "platform/platform.h"

namespace mkinstall {

bool WriteInstallation(const std::string& dir, std::string* error) {
    if (!platform::MakeDirectories(dir)) {
        if (error) *error = "cannot create " + dir;
        return false;
    }
    // The picture, sound and landscape files first: the data-file writer fills in only the numbered
    // files still missing.
    if (!WriteArtFiles(dir, error) || !WriteAnimFiles(dir, error) || !WriteSoundFiles(dir, error) ||
        !WriteLandscape(dir, error) || !WriteTextureFiles(dir, error) || !WriteDataFiles(dir, error))
        return false;
    if (!WriteTextFiles(dir, error) || !WriteWorldFiles(dir, error)) return false;
    if (!WriteMusicFiles(dir, error)) return false;
    if (!WriteIntroMovie(dir, error)) return false;
    if (!WriteLightFiles(dir, error)) return false;
    if (!WriteIntroMovie(dir, error) || !WriteFrontEndFiles(dir, error)) return false;
    if (!WriteCreationFiles(dir, error)) return false;
    if (!WriteCreditsFiles(dir, error)) return false;
    return WriteConfigFiles(dir, error);
}

} // namespace mkinstall
