// Feeds arbitrary bytes to the reader of the replay-log block (after the
// first byte, which picks the save version), then plays the log it took
// back frame by frame to its end.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "gamedata/RandomSeedLog.h"
#include "gamedata/SaveManager.h"
#include "shell/NoticeBox.h"
#include "shell/Replay.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  platform::SetBackend(platform::Backend::Headless);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint8_t first = 0;
  if (!fuzz::BeginSaveBlockRead(data, size, first)) return 0;
  RandomSeedLog log;
  if (!log.LoadRandomSeedLog()) return 0;
  gReplayPlaying = 1;
  gReplayFinished = 0;
  uint8_t keys[8];
  // Every entry lasts at most 249 frames.
  for (size_t frame = 0; !gReplayFinished && frame <= log.codes.size() * 250; ++frame) {
    PlayReplayFrame(log, keys[0], keys[1], keys[2], keys[3], keys[4], keys[5], keys[6], keys[7]);
  }
  gReplayPlaying = 0;
  ClearRecordedNotices();
  return 0;
}
