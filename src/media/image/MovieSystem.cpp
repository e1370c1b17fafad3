#include "media/image/MovieSystem.h"

void BuildYuvTables() {}
void PauseAllMovies() {}
void ResumeAllMovies() {}
void ReleaseAllDirectShowMovies() {}
void DrawWindowMovies() {}
int OpenMovie(const char*, int*, int*, int) { return -1; }
