#pragma once
// soundplay INSTALL_DIR ID [--pan P] [--volume V] [--pitch P] [--seconds S] OUT.wav: plays one
// sound of an installation through SoundManager and the mixer on the virtual audio device, with the
// main loop's refills, and writes what the device played (44,100 Hz stereo, 16-bit WAV).
// soundplay INSTALL_DIR --song N [--seconds S] OUT.wav: the same for a song through MusicManager
// (digital when the installation lists it, else MIDI), until it ends or for S seconds.
#include <string>
#include <vector>

namespace soundplay {

// The program: 0 when the file was written, 1 when the sound did not play, 2 for bad arguments.
int Run(const std::vector<std::string>& args);

} // namespace soundplay
