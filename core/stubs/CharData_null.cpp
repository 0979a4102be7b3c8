// Stand-in until the character data, filter lists and speech queue are built.
#include "core/QVReport.h"
#include "core/StartupServices.h"

namespace CApp {
void LoadCharData() {
    QVReport::message("CApp::LoadCharData: begin.\n");
}
void LoadSpeechKeywords() {
    QVReport::message("CApp::LoadSpeechKeywords: begin.\n");
}
void FreeSpeechKeywords() {}
void LoadFilterLists() {
    QVReport::message("CApp::LoadFilterLists: begin.\n");
}
void FreeFilterLists() {}
void FlushSpeechQueue() {}
} // namespace CApp
