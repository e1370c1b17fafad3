#pragma once

// The movie services the media system's start, window procedure and message
// pass call. Least bodies until movies are built: there is no movie to pause,
// resume, release or draw.

void BuildYuvTables();
void PauseAllMovies();
void ResumeAllMovies();
void ReleaseAllDirectShowMovies();
void DrawWindowMovies();

// Opens a movie file for a graph: its handle and frame size, or -1. No
// movie is opened until movies are built.
int OpenMovie(const char* name, int* width, int* height, int extra);
