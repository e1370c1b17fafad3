#pragma once

#include <cstdint>

#include "foundation/FileLayer.h"
#include "media/image/GraphImage.h"

struct TheoraDecoder;
struct MovieRecord;

// Receives each new frame of a movie: the graph that shows it copies the
// frame image into its pixels.
using MovieFrameCallback = int (*)(MovieRecord* movie, void* user);

constexpr int kMovieSlots = 100;
constexpr int kMovieHandleType = 3;

struct MovieRecord {
  int checkNumber;
  int playType;
  int theora;
  TheoraDecoder* decoder;
  int64_t startTime;
  FileHandle file;
  int soundTrack;  // sound handle, -1 when the file has none
  int sampleRect[4];
  int64_t timePerFrame;
  int64_t lastPresentCount;
  int64_t lastUpdateTime;
  int systemMemory;
  int width, height;
  int alphaLayout;
  int wasPlaying, paused, newFrame;
  int surfaceKind;
  int64_t savedPosition;
  int temporaryFile;
  char fileName[260];
  GraphImage ownFrame;
  GraphImage* frame;  // what frame copiers read: the decoder's image for Theora movies
  MovieFrameCallback callback;
  void* callbackUser;
};

struct MovieTable {
  MovieRecord* movies[kMovieSlots];
  int count;
  int checkCounter;
};
extern MovieTable gMovieTable;

// The movie services the media system's start, window procedure and message
// pass call.
int BuildYuvTables();
int PauseAllMovies();
int ResumeAllMovies();
int ReleaseAllDirectShowMovies();
int ReopenAllDirectShowMovies();
int DrawWindowMovies();

// Opens a movie file: its handle (frame size reported), or -1.
int OpenMovie(const char* name, int* width, int* height, int surfaceKind);
int OpenDirectShowMovie(void* directDraw, MovieRecord* movie, const char* name, int* width, int* height,
                        int surfaceKind);
int DeleteMovieHandle(int movie);
MovieRecord* GetMovieRecord(int movie);
int SetMovieFrameCallback(int movie, MovieFrameCallback callback, void* user);
int AdvanceMovieFrame(int movie, int unused);
int DrawMovieToWindow(int x, int y, int scale, int movie, int shown);
int PauseMovieHandle(int movie, int keep);
int RestoreMovieSurfaces(int movie);
