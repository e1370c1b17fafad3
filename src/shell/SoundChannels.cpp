#include "shell/SoundChannels.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "gamedata/GlobalObjects.h"
#include "media/PublicFunctions.h"
#include "shell/MidiLibrary.h"
#include "shell/SoundManager.h"
#include "shell/StartupGlobals.h"

int32_t& gCurrentBgm = gEventSystem.currentBgm;
int32_t& gCurrentBgs = gEventSystem.currentBgs;

int SoundChannelEntryCount(int kind) { return kind == 0 || kind == 1 ? SoundTypeDataCount(kind) : 0; }

int SoundChannelPlayTimeMs(int kind) {
  if (kind != 0 && kind != 1) return 0;
  const int handle = gSoundManager.channels[static_cast<size_t>(kind)].handle;
  return handle ? GetSoundHandlePlayTimeMs(handle) : 0;
}

int SoundChannelEndValue(int kind) {
  if (kind != 0 && kind != 1) return 0;
  const int handle = gSoundManager.channels[static_cast<size_t>(kind)].handle;
  return handle ? GetSoundChannelValue(kind) + GetSoundHandleLengthMs(handle) : 0;
}

namespace {

int ScaledVolume(int content, int master) {
  return static_cast<int>(int64_t{content == 0 ? 100 : content} * master / 100);
}

// An outgoing sound that a channel still plays (the same sound continued, or
// the file the BGM and the BGS share) is neither faded down nor released.
void DropOldHandleStillPlaying(SoundFade& c) {
  const auto& channels = gSoundManager.channels;
  if (c.oldHandle == channels[0].handle || c.oldHandle == channels[1].handle) c.oldHandle = 0;
}

void PlayBgm(int entry, int fade, int position) {
  SoundManager& m = gSoundManager;
  SoundFade& c = m.channels[0];
  if (entry == gCurrentBgm) return;
  DropOldHandleStillPlaying(c);
  if (c.oldHandle) {
    SetSoundHandleVolume(0, c.oldHandle);
    UnloadSoundHandle(0, c.oldHandle);
  }
  if (m.previousBgmWasMidi && !m.bgmIsMidi) GGSStop();
  m.previousBgmWasMidi = m.bgmIsMidi;
  c.oldHandle = c.handle;
  if (entry == -1) {
    m.bgmIsMidi = 0;
    c.fadeOutVolume = c.volume;
    c.volume = 0;
    if (fade == 0 && gCurrentBgm >= 0) {
      // A file BGM in a spare entry is deleted too: once its slot is empty no
      // fade end would find it, and it would stream on unheard. A handle the
      // BGS shares through the file name stays with the BGS. A released handle
      // is no longer the channel's: the fade end must not release it again
      // from another entry that registered the same file.
      const int handle = std::exchange(m.handles[0][gCurrentBgm], 0);
      if (handle && handle != m.channels[1].handle) {
        DeleteLoadedSound(handle);
        c.oldHandle = 0;
      }
    }
    gCurrentBgm = -1;
    c.handle = 0;
    c.fadeLeft = c.fadeTotal = SoundFadeFrames(fade);
    c.fadeInStart = 0;
    gEventSystem.bgmFileText.clear();
    return;
  }
  gCurrentBgm = entry;
  if (entry < -1) return;
  const int flag = SoundListFlag(m.midiFlags, entry);
  if (m.previousBgmWasMidi && flag == 1) GGSStop();
  const int volumeContent = SoundEntryInt(0, entry, 1);
  const int frequencyContent = SoundEntryInt(0, entry, 2);
  if (flag == 1) {
    m.bgmIsMidi = 1;
    c.handle = 0;
    c.fadeOutVolume = c.volume;
    GGSMasterVolume(-2500);
    c.frequency = frequencyContent == 0 ? 100 : frequencyContent;
    GGSTempoDepth(MidiTempoOfFrequency(c.frequency));
    m.tempoCountdown = 20;
    GGSPlay(1, entry + 1, position);
    c.volume = ScaledVolume(volumeContent, gEventSystem.bgmMasterVolume);
    c.fadeInStart = 0;
    c.fadeLeft = c.fadeTotal = SoundFadeFrames(fade);
    gEventSystem.bgmFileText = SoundEntryName(0, entry);
    gEventSystem.bgmFileValues = {volumeContent, c.frequency, 0};
    return;
  }
  if (flag != 0) return;
  m.bgmIsMidi = 0;
  LoadSoundEntry(0, entry);
  const int handle = SoundEntryHandle(0, entry);
  if (!handle) {
    gCurrentBgm = -1;
    c.fadeOutVolume = c.volume;
    c.volume = 0;
    c.handle = 0;
    c.fadeInStart = 0;
    gEventSystem.bgmFileText.clear();
    return;
  }
  c.handle = handle;
  c.fadeOutVolume = c.volume;
  c.volume = ScaledVolume(volumeContent, gEventSystem.bgmMasterVolume);
  c.fadeInStart = 0;
  c.fadeLeft = c.fadeTotal = SoundFadeFrames(fade);
  const int loopStart = SoundEntryInt(0, entry, 3);
  SetLoopPointMs(loopStart, handle);
  c.frequency = frequencyContent > 0 ? frequencyContent : 100;
  SetSoundHandleRatePercent(handle, frequencyContent > 0 ? frequencyContent : 0);
  if (position >= 1) {
    SetSoundHandlePlayTime(position, handle);
    PlaySoundHandle(handle, 3, 0);
  } else if (c.oldHandle != c.handle) {
    PlaySoundHandle(handle, 3, 1);
  }
  if (c.oldHandle != c.handle) SetSoundHandleVolume(0, handle);
  gEventSystem.bgmFileText = SoundEntryName(0, entry);
  gEventSystem.bgmFileValues = {volumeContent, c.frequency, loopStart};
}

void PlayBgs(int entry, int fade, int position) {
  SoundManager& m = gSoundManager;
  SoundFade& c = m.channels[1];
  if (entry == gCurrentBgs) return;
  DropOldHandleStillPlaying(c);
  if (c.oldHandle) UnloadSoundHandle(1, c.oldHandle);
  if (entry >= 0) LoadSoundEntry(1, entry);
  c.oldHandle = c.handle;
  const int handle = entry >= 0 ? SoundEntryHandle(1, entry) : 0;
  c.fadeOutVolume = c.volume;
  c.fadeInStart = 0;
  c.fadeLeft = c.fadeTotal = SoundFadeFrames(fade);
  if (!handle) {
    gCurrentBgs = -1;
    c.volume = 0;
    c.handle = 0;
    gEventSystem.bgsFileText.clear();
    return;
  }
  gCurrentBgs = entry;
  c.handle = handle;
  const int volumeContent = SoundEntryInt(1, entry, 1);
  const int frequencyContent = SoundEntryInt(1, entry, 2);
  const int loopStart = SoundEntryInt(1, entry, 3);
  c.volume = ScaledVolume(volumeContent, gEventSystem.bgsMasterVolume);
  SetLoopPointMs(loopStart, handle);
  c.frequency = frequencyContent != 0 ? frequencyContent : 100;
  SetSoundHandleRatePercent(handle, frequencyContent);
  if (position >= 1) {
    SetSoundHandlePlayTime(position, handle);
    PlaySoundHandle(handle, 3, 0);
  } else {
    PlaySoundHandle(handle, 3, 1);
  }
  SetSoundHandleVolume(0, handle);
  gEventSystem.bgsFileText = SoundEntryName(1, entry);
  gEventSystem.bgsFileValues = {volumeContent, c.frequency, loopStart};
}

void PlaySe(int entry, int delay) {
  SoundManager& m = gSoundManager;
  if (gEventSystem.seVolume <= 0) return;
  if (entry >= 0) LoadSoundEntry(2, entry);
  const int handle = entry == -1 ? -1 : SoundEntryHandle(2, entry);
  // A sound that did not load has nothing to play (and must not read as a stop).
  if (handle == 0) return;
  m.seHandles.push_back(handle);
  m.seDelays.push_back(delay);
  m.seRelease.push_back(SoundEntryInt(2, entry, 3));
  if (handle == -1) return;
  SetSoundHandleVolume(ScaledVolume(SoundEntryInt(2, entry, 1), gEventSystem.seVolume), handle);
  SetSoundHandleRatePercent(handle, SoundEntryInt(2, entry, 2));
}

int Trunc(double value) { return static_cast<int>(std::trunc(value)); }

void FadeOutMidi(const SoundFade& c, int total, int left) {
  GGSMasterVolume(Trunc((c.fadeOutVolume - 100) * 25.0 - (total - left) * 2500.0 / total));
  if (left == 0) GGSStop();
}

void CountDown(SoundFade& c, int left) { c.fadeLeft = left <= 0 ? -1 : std::max(left - gFrameStep, 0); }

void UpdateBgm() {
  SoundManager& m = gSoundManager;
  SoundFade& c = m.channels[0];
  if (c.fadeLeft == -1) return;
  const int total = std::max(c.fadeTotal, 1);
  const int left = std::min(c.fadeLeft, total);
  const double in = static_cast<double>(total - left) / total;
  DropOldHandleStillPlaying(c);
  if (gCurrentBgm == -1) {
    if (m.previousBgmWasMidi) {
      FadeOutMidi(c, total, left);
    } else if (c.oldHandle) {
      SetSoundHandleVolume(Trunc(c.fadeOutVolume * static_cast<double>(left) / total), c.oldHandle);
    }
  } else {
    if (m.previousBgmWasMidi && !m.bgmIsMidi) FadeOutMidi(c, total, left);
    if (!m.previousBgmWasMidi && c.oldHandle)
      SetSoundHandleVolume(Trunc(c.fadeOutVolume * static_cast<double>(left) / total), c.oldHandle);
    if (m.bgmIsMidi) {
      // NOLINTNEXTLINE(bugprone-integer-division): the fade moves in whole steps
      GGSMasterVolume(Trunc(c.volume * in + int64_t{c.fadeInStart} * left / total - 100) * 25);
      if (m.tempoCountdown >= 0 && --m.tempoCountdown == 0) GGSTempoDepth(MidiTempoOfFrequency(c.frequency));
    } else if (c.handle) {
      SetSoundHandleVolume(Trunc(c.volume * in) + static_cast<int>(int64_t{c.fadeInStart} * left / total), c.handle);
    }
  }
  if (c.oldHandle && left == 0) {
    UnloadSoundHandle(0, c.oldHandle);
    c.oldHandle = 0;
  }
  CountDown(c, left);
}

void UpdateBgs() {
  SoundFade& c = gSoundManager.channels[1];
  if (c.fadeLeft == -1) return;
  const int total = std::max(c.fadeTotal, 1);
  const int left = std::min(c.fadeLeft, total);
  DropOldHandleStillPlaying(c);
  if (c.oldHandle) SetSoundHandleVolume(Trunc(c.fadeOutVolume * static_cast<double>(left) / total), c.oldHandle);
  if (c.handle)
    SetSoundHandleVolume(Trunc(c.volume * static_cast<double>(total - left) / total +
                               // NOLINTNEXTLINE(bugprone-integer-division): the fade moves in whole steps
                               static_cast<double>(int64_t{c.fadeInStart} * left / total)),
                         c.handle);
  if (c.oldHandle && left == 0) {
    UnloadSoundHandle(1, c.oldHandle);
    c.oldHandle = 0;
  }
  CountDown(c, left);
}

void UpdateEffects() {
  SoundManager& m = gSoundManager;
  size_t i = 0;
  while (i < m.seHandles.size()) {
    const int handle = m.seHandles[i];
    bool keep = true;
    if (IsSoundHandlePlaying(handle) <= 0) StopSoundHandle(handle);
    if (m.seDelays[i] == 0) {
      if (handle == -1) {
        m.seHandles.clear();
        m.seDelays.clear();
        m.seRelease.clear();
        for (const auto& [entry, slot] : m.handles[2])
          if (slot && entry >= 0 && entry < SoundTypeDataCount(2)) StopSoundHandle(slot);
        return;
      }
      PlaySoundHandle(handle, 1, 1);
      if (m.seRelease[i] <= 0) keep = false;
    } else if (m.seDelays[i] < 0 && IsSoundHandlePlaying(handle) <= 0) {
      UnloadSoundHandle(2, handle);
      keep = false;
    }
    if (!keep) {
      m.seHandles.erase(m.seHandles.begin() + static_cast<std::ptrdiff_t>(i));
      m.seDelays.erase(m.seDelays.begin() + static_cast<std::ptrdiff_t>(i));
      m.seRelease.erase(m.seRelease.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    int32_t& delay = m.seDelays[i];
    delay = delay <= 0 ? -1 : std::max(delay - gFrameStep, 0);
    ++i;
  }
}

}  // namespace

void PlaySoundChannel(int kind, int entry, int fade, int position) {
  // 65535 is a stop also while music is off, so it is never recorded as an entry.
  if (entry == 65535) entry = -1;
  if (kind == 0 || kind == 1) {
    if (gSoundSetting != 2 && gSoundSetting != 3) {
      if (entry >= -1) (kind == 0 ? gCurrentBgm : gCurrentBgs) = entry;
      return;
    }
  } else if (kind == 2) {
    if (gSoundSetting != 1 && gSoundSetting != 3) return;
  } else {
    return;
  }
  if (!gSoundManager.preloadDone) PreloadSounds();
  if (kind == 0) PlayBgm(entry, fade, position);
  if (kind == 1) PlayBgs(entry, fade, position);
  if (kind == 2) PlaySe(entry, fade);
}

void UpdateSounds() {
  UpdateBgm();
  UpdateBgs();
  UpdateEffects();
}
