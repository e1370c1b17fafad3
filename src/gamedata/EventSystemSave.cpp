// The event system's block in save files. The runner part is not saved: no
// event continues across a load.
#include <array>

#include "gamedata/Database.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/SaveBuffer.h"
#include "media/PublicFunctions.h"

namespace {

// A BGM or BGS entry in the spare rows (the last ten of its System DB type)
// names music given by file; it is stored as this mark and registered again
// from its file text after a load.
constexpr int32_t kFileNamedSound = -3;
constexpr int kSpareSoundRows = 10;

int32_t StoredSoundEntry(int32_t entry, int systemType) {
  return entry >= gSystemDatabase.GetDatabaseDataCount(systemType) - kSpareSoundRows ? kFileNamedSound : entry;
}

// Key codes are stored keyboard and pad in turn per action.
constexpr std::array<size_t, 6> kStoredKeyOrder{0, 3, 1, 4, 2, 5};

template <size_t N>
void WriteInt16s(SaveBuffer& buffer, const std::array<int16_t, N>& values) {
  for (int16_t value : values) WriteInt16(buffer, value);
}

template <size_t N>
bool ReadInt16s(SaveBuffer& buffer, std::array<int16_t, N>& values) {
  for (int16_t& value : values)
    if (!ReadInt16(buffer, value)) return false;
  return true;
}

template <size_t N>
bool ReadInt32s(SaveBuffer& buffer, std::array<int32_t, N>& values) {
  for (int32_t& value : values)
    if (!buffer.ReadInt32(value)) return false;
  return true;
}

// The nine window values in member order.
template <typename System>
auto WindowValues(System& es) {
  return std::array{&es.scriptValue0,    &es.messageWindowX, &es.messageWindowY, &es.choiceWindowX,   &es.choiceWindowY,
                    &es.choiceConfirmSe, &es.choiceMoveSe,   &es.choiceCancelSe, &es.nextChoiceCursor};
}

}  // namespace

bool EventSystem::SaveEventSystemState() const {
  SaveBuffer& buffer = gSaveBuffer;
  buffer.WriteInt8(reservedByte1);
  buffer.WriteInt8(reservedByte2);
  buffer.WriteInt32(playTimeSeconds);
  buffer.WriteInt32(reservedInt);
  buffer.WriteInt32(StoredSoundEntry(currentBgm, 1));
  buffer.WriteInt32(StoredSoundEntry(currentBgs, 2));
  buffer.WriteFloat(drawFactor);
  buffer.WriteInt32(frameSkipMode);
  for (const int32_t* value : WindowValues(*this)) buffer.WriteInt32(*value);
  WriteInt16s(buffer, toneState);
  WriteInt16(buffer, toneFrames);
  WriteInt16(buffer, toneFramesTotal);
  WriteInt16s(buffer, flashColor);
  WriteInt16(buffer, flashFrames);
  WriteInt16(buffer, flashFramesTotal);
  buffer.WriteInt32(fontSize);
  for (int32_t value : panoramaValues) buffer.WriteInt32(value);
  for (int32_t value : fogValues) buffer.WriteInt32(value);
  buffer.WriteInt8(moveDuringEvents);
  WriteInt16(buffer, heroOpacity);
  buffer.WriteInt32(keyRepeatDelay);
  buffer.WriteInt32(keyRepeatInterval);
  WriteInt16(buffer, messageTextOffsetX);
  WriteInt16(buffer, messageTextOffsetY);
  WriteInt16(buffer, keyInputFieldX);
  WriteInt16(buffer, keyInputFieldY);
  buffer.WriteInt32(messageRevealSpeed);
  buffer.WriteInt32(fallbackRevealSpeed);
  buffer.WriteInt32(messageOpenWait);
  buffer.WriteInt8(choiceWindowMode);
  buffer.WriteInt32(scrollLock);
  buffer.WriteInt32(textRendererSwitch);
  buffer.WriteInt32(windowsFollowMouse);
  buffer.WriteInt32(transitionNumber);
  buffer.WriteInt32(transitionFrames);
  buffer.WriteInt8(transitionFlag);
  if (savedPartyNames.size() > 0x7FFFFFFFu || partyOpacities.size() > 0x7FFFFFFFu) buffer.writeFailed = true;
  buffer.WriteInt32(static_cast<int32_t>(savedPartyNames.size()));
  for (const std::string& name : savedPartyNames) buffer.WriteStr32(name);
  buffer.WriteInt32(static_cast<int32_t>(partyOpacities.size()));
  for (int32_t value : partyOpacities) buffer.WriteInt32(value);
  buffer.WriteInt32(choiceCursorMode);
  buffer.WriteInt32(panoramaImage);
  buffer.WriteInt32(fogImage);
  buffer.WriteInt32(keyInputOption1);
  buffer.WriteInt32(keyInputOption2);
  for (size_t index : kStoredKeyOrder) buffer.WriteInt32(keyCodes[index]);
  WriteInt16(buffer, partyTrailDistance);
  buffer.WriteStr16Z(messagePrefix);
  buffer.WriteStr16Z(messageSuffix);
  buffer.WriteInt32(frameCounter);
  buffer.WriteInt32(bgmMasterVolume);
  buffer.WriteInt32(bgsMasterVolume);
  buffer.WriteInt32(seVolume);
  buffer.WriteStr16Z(bgmFileText);
  for (int32_t value : bgmFileValues) buffer.WriteInt32(value);
  buffer.WriteStr16Z(bgsFileText);
  for (int32_t value : bgsFileValues) buffer.WriteInt32(value);
  buffer.WriteStr16Z(panoramaFile);
  buffer.WriteStr16Z(fogFile);
  buffer.WriteInt8(mouseCursorShown);
  buffer.WriteInt8(partyFollowing);
  return true;
}

bool EventSystem::LoadEventSystemState() {
  SaveBuffer& buffer = gSaveBuffer;
  const int version = buffer.formatNumber;
  if (!buffer.ReadInt8(reservedByte1) || !buffer.ReadInt8(reservedByte2) || !buffer.ReadInt32(playTimeSeconds) ||
      !buffer.ReadInt32(reservedInt) || !buffer.ReadInt32(currentBgm) || !buffer.ReadInt32(currentBgs) ||
      !buffer.ReadFloat(drawFactor) || !buffer.ReadInt32(frameSkipMode)) {
    return false;
  }
  for (int32_t* value : WindowValues(*this))
    if (!buffer.ReadInt32(*value)) return false;
  if (!ReadInt16s(buffer, toneState) || !ReadInt16(buffer, toneFrames) || !ReadInt16(buffer, toneFramesTotal) ||
      !ReadInt16s(buffer, flashColor) || !ReadInt16(buffer, flashFrames) || !ReadInt16(buffer, flashFramesTotal) ||
      !buffer.ReadInt32(fontSize) || !ReadInt32s(buffer, panoramaValues) || !ReadInt32s(buffer, fogValues) ||
      !buffer.ReadInt8(moveDuringEvents) || !ReadInt16(buffer, heroOpacity) || !buffer.ReadInt32(keyRepeatDelay) ||
      !buffer.ReadInt32(keyRepeatInterval) || !ReadInt16(buffer, messageTextOffsetX) ||
      !ReadInt16(buffer, messageTextOffsetY) || !ReadInt16(buffer, keyInputFieldX) ||
      !ReadInt16(buffer, keyInputFieldY) || !buffer.ReadInt32(messageRevealSpeed) ||
      !buffer.ReadInt32(fallbackRevealSpeed) || !buffer.ReadInt32(messageOpenWait) ||
      !buffer.ReadInt8(choiceWindowMode)) {
    return false;
  }
  if (version <= 96) {
    int32_t dropped = 0;
    if (!buffer.ReadInt32(dropped)) return false;
  }
  if (!buffer.ReadInt32(scrollLock)) return false;
  if (version >= 98 && (!buffer.ReadInt32(textRendererSwitch) || !buffer.ReadInt32(windowsFollowMouse))) return false;
  if (version >= 100) {
    if (!buffer.ReadInt32(transitionNumber) || !buffer.ReadInt32(transitionFrames) ||
        !buffer.ReadInt8(transitionFlag)) {
      return false;
    }
    int32_t count = 0;
    // Counts are checked against what is left before anything is sized.
    if (!buffer.ReadInt32(count) || !FitsCount(buffer, count, 4)) return false;
    savedPartyNames.assign(static_cast<size_t>(count), std::string());
    for (std::string& name : savedPartyNames)
      if (!buffer.ReadStr32(name)) return false;
    if (!buffer.ReadInt32(count) || !FitsCount(buffer, count, 4)) return false;
    partyOpacities.assign(static_cast<size_t>(count), 0);
    for (int32_t& value : partyOpacities)
      if (!buffer.ReadInt32(value)) return false;
    if (!buffer.ReadInt32(choiceCursorMode) || !buffer.ReadInt32(panoramaImage) || !buffer.ReadInt32(fogImage) ||
        !buffer.ReadInt32(keyInputOption1) || !buffer.ReadInt32(keyInputOption2)) {
      return false;
    }
  }
  if (version >= 101) {
    for (size_t index : kStoredKeyOrder)
      if (!buffer.ReadInt32(keyCodes[index])) return false;
  }
  if (version >= 102 && !ReadInt16(buffer, partyTrailDistance)) return false;
  if (version >= 103 && (!buffer.ReadStr16Z(messagePrefix) || !buffer.ReadStr16Z(messageSuffix))) return false;
  if (version >= 104 && !buffer.ReadInt32(frameCounter)) return false;
  if (version >= 106 &&
      (!buffer.ReadInt32(bgmMasterVolume) || !buffer.ReadInt32(bgsMasterVolume) || !buffer.ReadInt32(seVolume))) {
    return false;
  }
  if (version >= 108 && (!buffer.ReadStr16Z(bgmFileText) || !ReadInt32s(buffer, bgmFileValues) ||
                         !buffer.ReadStr16Z(bgsFileText) || !ReadInt32s(buffer, bgsFileValues))) {
    return false;
  }
  if (version >= 109) {
    if (!buffer.ReadStr16Z(panoramaFile) || !buffer.ReadStr16Z(fogFile) || !buffer.ReadInt8(mouseCursorShown)) {
      return false;
    }
    ShowMouseCursor(mouseCursorShown);
  }
  if (version >= 110 && !buffer.ReadInt8(partyFollowing)) return false;
  return true;
}
