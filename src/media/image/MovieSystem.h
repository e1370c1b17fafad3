#pragma once

// The movie services the media system's start, window procedure and message
// pass call. Least bodies until movies are built: there is no movie to pause,
// resume, release or draw.

void BuildYuvTables();
void PauseAllMovies();
void ResumeAllMovies();
void ReleaseAllDirectShowMovies();
void DrawWindowMovies();
