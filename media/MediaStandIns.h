#pragma once
// What the application calls of the movie player (media/MovieIntro.cpp), and the MPEG intro clip,
// which is not built: its stand-in lives in media/stubs/.
#include "render/BlitTarget.h"
#include "render/Rect.h"

#include <cstdint>

class LanguageSection;

struct MovieContext;
struct MovieSettings {
    bool asynchronous = false;
    bool fullScreen = false;
    int (*messagePump)() = nullptr;
    int left = 0; // top-left of the 640 x 480 picture in the window's client area
    int top = 0;
};
MovieContext* MoviePlay(const char* fileName, MovieSettings* settings);
using MovieMeasureFunction = void (*)(const char16_t* text, int* width, int* height, int* third);
using MovieDrawFunction = int (*)(const BlitTarget& target, const char16_t* text, int x, int y,
                                  uint16_t colour, const Rect& clip);
void MovieSetSubtitleMeasureFunction(MovieMeasureFunction function);
void MovieSetSubtitleDrawFunction(MovieDrawFunction function);
void MovieSetSubtitleSection(LanguageSection* section);
struct IntroMpegStream;
// 0 on success; the stream is then the caller's until ReleaseIntroMpeg.
int OpenIntroMpeg(const char* path, IntroMpegStream** stream);
void PlayIntroMpeg(IntroMpegStream* stream);
void ReleaseIntroMpeg(IntroMpegStream* stream);
