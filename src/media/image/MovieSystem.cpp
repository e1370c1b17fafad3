#include "media/image/MovieSystem.h"

#include <cstring>

#include "foundation/Log.h"
#include "foundation/TrackedHeap.h"
#include "media/image/MovieText.h"
#include "media/image/TheoraDecoder.h"
#include "media/sound/PublicSound.h"
#include "media/sound/SoundSystem.h"

MovieTable gMovieTable;

namespace {

int SlotOf(int movie) { return movie & 0xFFFF; }

void ReleaseRecord(int slot) {
  MovieRecord* m = gMovieTable.movies[slot];
  FreeGraphImage(&m->ownFrame);
  TrackedFree(m);
  gMovieTable.movies[slot] = nullptr;
}

}  // namespace

MovieRecord* GetMovieRecord(int movie) {
  if (movie < 0 || ((movie >> 27) & 0xF) != kMovieHandleType) return nullptr;
  const int slot = SlotOf(movie);
  if (slot >= kMovieSlots) return nullptr;
  MovieRecord* m = gMovieTable.movies[slot];
  if (m == nullptr || m->checkNumber != ((movie >> 16) & 0x7FF)) return nullptr;
  return m;
}

int OpenDirectShowMovie(void*, MovieRecord* movie, const char*, int*, int*, int) {
  // There is no filter graph on this platform: the first step fails.
  movie->frame = &movie->ownFrame;
  movie->newFrame = 0;
  LogWriteFormat(kTxtFilterGraphFailed);
  return -1;
}

int OpenMovie(const char* name, int* width, int* height, int surfaceKind) {
  MovieTable& t = gMovieTable;
  int slot = 0;
  while (slot < kMovieSlots && t.movies[slot] != nullptr) ++slot;
  if (slot == kMovieSlots) return -1;
  auto* m = static_cast<MovieRecord*>(TrackedAllocZeroed(sizeof(MovieRecord), __FILE__, __LINE__));
  if (m == nullptr) return LogWrite(kTxtMovieRecordFailed);
  m->soundTrack = -1;
  m->file = FileLayerOpen(name, 0, 0, 0);
  if (m->file != 0) m->decoder = OpenTheoraDecoder(&gFileLayer, m->file, 10);
  if (m->decoder == nullptr && m->file != 0) {
    FileLayerClose(m->file);
    m->file = 0;
  }
  if (m->decoder != nullptr) {
    const int kind = GetSoundLoadKind();
    gMovieTrackFlag = 1;
    SetSoundLoadKind(3);
    m->soundTrack = LoadSoundFile(name, 1, -1);
    gMovieTrackFlag = 0;
    SetSoundLoadKind(kind);
    TheoraInfo info;
    QueryTheoraInfo(m->decoder, &info);
    m->width = info.width;
    m->height = info.height;
    if (width != nullptr) *width = info.width;
    if (height != nullptr) *height = info.height;
    m->theora = 1;
    m->surfaceKind = 0;
    m->frame = GetTheoraFrameImage(m->decoder);
  } else {
    m->temporaryFile = 0;
    if (OpenDirectShowMovie(nullptr, m, name, width, height, surfaceKind) < 0) {
      TrackedFree(m);
      return LogWriteFormat(kTxtMovieOpenFailed);
    }
  }
  m->paused = 1;
  m->wasPlaying = 0;
  m->playType = 1;
  m->lastPresentCount = -1;
  m->lastUpdateTime = -1;
  m->checkNumber = t.checkCounter;
  t.checkCounter = (t.checkCounter + 1) & 0x7FF;
  t.movies[slot] = m;
  ++t.count;
  return slot | (m->checkNumber | 0x1800) << 16;
}

int DeleteMovieHandle(int movie) {
  MovieRecord* m = GetMovieRecord(movie);
  if (m == nullptr) return -1;
  if (m->theora != 0) {
    // The decode thread reads the file: it is stopped before the file closes.
    CloseTheoraDecoder(m->decoder);
    m->decoder = nullptr;
    FileLayerClose(m->file);
    DeleteSoundHandle(m->soundTrack);
  }
  ReleaseRecord(SlotOf(movie));
  --gMovieTable.count;
  return 0;
}

int SetMovieFrameCallback(int movie, MovieFrameCallback callback, void* user) {
  MovieRecord* m = GetMovieRecord(movie);
  if (m == nullptr) return -1;
  m->callback = callback;
  m->callbackUser = user;
  return 0;
}

int AdvanceMovieFrame(int movie, int) {
  MovieRecord* m = GetMovieRecord(movie);
  if (m == nullptr || m->theora == 0) return 0;
  // Movies stay paused: the decoder keeps its frame and the graph receives it again.
  if (m->callback != nullptr) m->callback(m, m->callbackUser);
  m->newFrame = 1;
  return 0;
}

int DrawMovieToWindow(int, int, int, int movie, int) { return GetMovieRecord(movie) == nullptr ? -1 : 0; }
int PauseMovieHandle(int movie, int) { return GetMovieRecord(movie) == nullptr ? -1 : 0; }
int RestoreMovieSurfaces(int) { return 0; }

int PauseAllMovies() {
  for (int slot = 0; slot < kMovieSlots; ++slot) {
    MovieRecord* m = gMovieTable.movies[slot];
    if (m != nullptr) PauseMovieHandle(slot | (m->checkNumber | 0x1800) << 16, 1);
  }
  return 0;
}

// No movie is ever playing, and DirectShow movies never open here: these
// find nothing to do.
int ResumeAllMovies() { return 0; }
int ReleaseAllDirectShowMovies() { return 0; }
int ReopenAllDirectShowMovies() { return 0; }
int DrawWindowMovies() { return 0; }
