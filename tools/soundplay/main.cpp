// soundplay INSTALL_DIR ID [--pan P] [--volume V] [--pitch P] [--seconds S] OUT.wav
#include "core/QVReport.h"
#include "soundplay/SoundPlay.h"

int main(int argc, char** argv) {
    QVReport::startWithoutFile();
    return soundplay::Run(std::vector<std::string>(argv + 1, argv + argc));
}
