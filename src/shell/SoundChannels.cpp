#include "shell/SoundChannels.h"

#include "gamedata/Database.h"
#include "shell/GameSystem.h"

int gCurrentBgm = -1;
int gCurrentBgs = -1;

int SoundChannelEntryCount(int kind) {
  if (kind != 0 && kind != 1) return 0;
  const int count = gSystemDatabase.GetDatabaseDataCount(1 + kind);
  return count < 0 ? 0 : count;
}

// The sound family of the public functions brings the handle queries of a
// playing sound; until then no sound plays and both read 0.
int SoundChannelPlayTimeMs(int) { return 0; }

int SoundChannelEndValue(int) { return 0; }

// The sound manager brings playing and registering; until then a channel only
// remembers the entry it was asked to play, and a registered file takes the
// first spare entry of its kind.
void PlaySoundChannel(int kind, int entry, int, int) {
  if (entry == 65535) entry = -1;
  if (kind == 0) gCurrentBgm = entry;
  if (kind == 1) gCurrentBgs = entry;
}

int RegisterSoundFile(const std::string& text, int kind, int, int, int, int) {
  if (text.empty() || kind < 0 || kind > 2) return -1;
  return gGameSystem.soundListSizes[static_cast<size_t>(kind)];
}
