// Stand-in until patches are read: no version file.
#include "core/QVReport.h"
#include "core/StartupServices.h"

void LoadVersionFile() {
    QVReport::message("LoadVersionFile: begin.\n");
}
