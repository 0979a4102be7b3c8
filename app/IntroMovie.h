#pragma once
// The intro: "music\intro.wve" through the movie player, then "music\intro.mpg", each found in the
// installation folder or else on the CD. A key or a mouse button stops the playing movie.
void PlayIntroMovie();
// Called by the movie player between frames: 1 stops the movie.
int IntroMovieMessagePump();
// How many times the pump ran in the current movie.
int IntroMoviePumpCount();
