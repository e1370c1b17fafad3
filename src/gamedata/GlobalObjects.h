#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "interpreter/EventRunner.h"
#include "presentation/Picture.h"

// The global event system: the main event runner followed by the screen,
// window, sound and key settings that scripts reach through the system
// variables. A value type: copies are deep (runner part, lists and strings),
// and the restart point and a load reset it by assigning a fresh object.
class EventSystem : public EventRunner {
 public:
  // Built before the entry function: the common events are not loaded then,
  // so the runner starts with an empty auto-start list.
  struct StaticInit {};

  EventSystem();
  explicit EventSystem(StaticInit);
  EventSystem(const EventSystem&) = default;
  EventSystem& operator=(const EventSystem&) = default;
  EventSystem(EventSystem&&) = default;
  EventSystem& operator=(EventSystem&&) = default;
  ~EventSystem() = default;

  // Values that depend on the tile size; the start-up applies them again once
  // the tile size is known.
  void ApplyTileSizeLayout();

  // The save block (the runner part is not saved). Load: false on short data
  // (the buffer's flag is then set); fields of later save formats keep their
  // values; a stored cursor flag shows or hides the mouse cursor.
  bool SaveEventSystemState() const;
  bool LoadEventSystemState();

  int8_t reservedByte1 = 0;
  int8_t reservedByte2 = 0;
  int32_t playTimeSeconds = 0;
  int32_t reservedInt = 0;
  int32_t msInSecond = 0;
  int32_t currentBgm = -1;
  int32_t currentBgs = -1;
  float drawFactor = 1.0f;
  int32_t framesPerSecond = 0;
  int32_t debugTimeValue = 0;
  int32_t scriptValue0 = 0;
  int32_t messageWindowX = -1;
  int32_t messageWindowY = -1;
  int32_t choiceWindowX = -1;
  int32_t choiceWindowY = -1;
  int32_t choiceConfirmSe = -1;
  int32_t choiceMoveSe = -1;
  int32_t choiceCancelSe = -1;
  int32_t nextChoiceCursor = 0;
  // Current r, g, b, start r, g, b, target r, g, b.
  std::array<int16_t, 9> toneState{};
  int16_t toneFrames = -1;
  int16_t toneFramesTotal = -1;
  std::array<int16_t, 3> flashColor{};
  int16_t flashFrames = -1;
  int16_t flashFramesTotal = -1;
  // 1 in a snapshot written to or read from its file; the live object keeps 0.
  int32_t savedStateFlag = 0;
  int32_t frameSkipMode = 0;
  int32_t fontSize = 22;
  std::array<int32_t, 3> panoramaValues{-1, 0, 0};
  std::array<int32_t, 5> fogValues{-1, 0, 0, 0, 255};
  int16_t heroOpacity = 0;
  int32_t keyRepeatDelay = 16;
  int32_t keyRepeatInterval = 5;
  int32_t lastSlotNumber = -1;
  int8_t moveDuringEvents = 0;
  int16_t messageTextOffsetX = 0;
  int16_t messageTextOffsetY = 0;
  int8_t mapDrawn = 1;
  int16_t partyTrailDistance = 2;
  // 1 while a string entry runs, 0 when it finished, -1 when it was cancelled.
  int32_t keyInputState = 0;
  int16_t keyInputFieldX = 0;
  int16_t keyInputFieldY = 0;
  int32_t messageRevealSpeed = 120;
  int32_t fallbackRevealSpeed = 1000000;
  int32_t messageOpenWait = 1;
  int8_t choiceWindowMode = 1;
  int32_t scrollLock = 0;
  int32_t textRendererSwitch = 0;
  int32_t windowsFollowMouse = 0;
  int32_t transitionNumber = -1;
  int32_t transitionFrames = 20;
  int8_t transitionFlag = 0;
  std::vector<std::string> savedPartyNames;
  std::vector<int32_t> partyOpacities = std::vector<int32_t>(5, -1);
  int32_t choiceCursorMode = 0;
  int32_t panoramaImage = 0;
  int32_t fogImage = 0;
  int32_t keyInputOption1 = 0;
  int32_t keyInputOption2 = 0;
  // Confirm, cancel and sub: keyboard codes and pad masks.
  std::array<int32_t, 6> keyCodes{144, 145, 146, 16, 32, 64};
  int32_t frameCounter = 0;
  std::string messagePrefix;
  std::string messageSuffix;
  int32_t bgmMasterVolume = 100;
  int32_t bgsMasterVolume = 100;
  int32_t seVolume = 100;
  std::string bgmFileText;
  std::string bgsFileText;
  std::array<int32_t, 3> bgmFileValues{};
  std::array<int32_t, 3> bgsFileValues{};
  std::string panoramaFile;
  std::string fogFile;
  int8_t mouseCursorShown = 1;
  int8_t partyFollowing = 1;
};

// The pictures by number, so that a show of any number finds or makes its
// picture without moving the others, with the count as last counted.
class PictureList {
 public:
  explicit PictureList(bool releaseImages = false);

  // Empties the list; with releaseImages also the shared picture file cache.
  void ClearPictureList(bool releaseImages);

  // The range operations of the picture commands; first and last inclusive.
  // zoomMode 1: across 100, down the zoom; 2: across the zoom, down 100;
  // otherwise both the zoom.
  void ShowPictures(int first, int last, const std::string& fileName, int xDiv, int yDiv, int x, int y, int pattern,
                    int opacity, int blendFlags, int frames, int zoom, int zoomMode, int angle, int anchor, int color,
                    int delay, bool relative, bool windowFrame);
  void ShowStringPictures(int first, int last, const std::string& text, int x, int y, int pattern, int opacity,
                          int blendFlags, int frames, int zoom, int zoomMode, int angle, int anchor, int color,
                          int delay, bool relative);
  void ChangePicturesInRange(int first, int last, int x, int y, int pattern, int opacity, int blend, int frames,
                             int zoom, int zoomMode, int angle, int color, int delay, bool relative);
  void FadeOutPicturesInRange(int first, int last, int frames, int delay, int color);
  void CancelPictureDelaysInRange(int first, int last);
  void ApplyPictureEffectInRange(int first, int last, int type, int p1, int p2, int p3, int frames);
  // The property of the picture with that number; -1 when there is none (0
  // for code 9).
  int GetPictureValue(int number, int code) const;
  // Once per frame: every picture's step; erased pictures without waiting
  // commands leave the list.
  void UpdatePictures();
  // Layer -2: numbers up to -100000; -1: -99999..-1; 0: 0..99999; 1: 100000 up.
  void DrawPictureLayer(int layer);

  // The save block. Load: the list becomes the stored pictures (a number
  // stored twice keeps its first record); false on short data (the buffer's
  // flag is set) or on a negative count (it is not); applyLive makes the
  // loaded pictures ready to draw.
  bool SavePictureList() const;
  bool LoadPictureList(bool applyLive);

  // Keyed by each picture's own number; iteration runs in number order.
  std::map<int32_t, Picture> pictures;
  int32_t count = 0;

 private:
  template <typename Operation>
  void ForEachInRange(int first, int last, Operation operation);
};

// One picture's record in the picture block.
void SavePictureState(const Picture& picture);
bool LoadPictureState(Picture& picture, bool applyLive);

extern EventSystem gEventSystem;
extern PictureList gPictureList;
