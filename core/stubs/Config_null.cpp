// Stand-in until the configuration files are read: the options keep their defaults.
#include "core/QVReport.h"
#include "core/StartupServices.h"

namespace CApp {
void readConfig(const char* fileName, bool) {
    QVReport::message("CApp::readConfig: begin. file '%s'\n", fileName ? fileName : "");
}
} // namespace CApp

void saveConfigDirective(const char* key, const char* value) {
    QVReport::message("saveConfigDirective: %s=%s\n", key ? key : "", value ? value : "");
}

void SaveConfigOptions() {}

const char* GetLoginServerFile() {
    return "";
}
