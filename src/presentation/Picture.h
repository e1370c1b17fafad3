#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "presentation/TextBlock.h"

// The keep value of a picture command argument: the current target stays.
inline constexpr int kPictureKeep = -1000000;
// The keep value of a blend code.
inline constexpr int kPictureKeepBlend = 15;

// A numbered image, text or window frame that scripts put on the screen.
// Each changing value is a pair: the target and the value the transition
// started from; the value shown is target + (from - target) x remaining / total.
struct Picture {
  Picture() = default;
  explicit Picture(int pictureNumber);

  // Back to the reset values; the delayed queue is emptied.
  void ResetPicture();

  // kind 0 a picture file, 4 a window frame (xDiv, yDiv its size in pixels).
  // blendFlags: blend code in bits 0-3 (15 keeps it), map binding in bit 8.
  void ShowPicture(const std::string& name, int xDiv, int yDiv, int x, int y, int pattern, int opacity, int blendFlags,
                   int frames, int zoomX, int zoomY, int angle, int anchorValue, int color, int delay, bool relative,
                   int kind);
  void ShowStringPicture(const std::string& text, int x, int y, int pattern, int opacity, int blendFlags, int frames,
                         int zoomX, int zoomY, int angle, int anchorValue, int color, int delay, bool relative);
  void ChangePicture(int x, int y, int pattern, int opacity, int blend, int frames, int zoomX, int zoomY, int angle,
                     int color, int delay, bool relative);
  void FadeOutPicture(int frames, int delay, int color);
  void ErasePicture();
  void ApplyPictureEffect(int type, int p1, int p2, int p3, int frames);
  int GetPictureProperty(int code) const;
  bool StepPictureTransition();
  void UpdatePicture();
  void DrawPicture();

  int32_t imageHandle = 0;
  int32_t previousImageHandle = 0;
  TextBlock textBlock;
  std::vector<int32_t> cells;
  std::string previousFileName;
  std::string fileName;
  int32_t targetX = 0, fromX = 0, targetY = 0, fromY = 0;
  int32_t targetPattern = 1;
  int32_t targetOpacity = 0, fromOpacity = 0;
  int32_t targetBlend = 0;
  int32_t remainingFrames = 0;
  int32_t totalFrames = 0;
  int32_t targetZoomX = 100, fromZoomX = 100, targetZoomY = 100, fromZoomY = 100;
  int32_t targetAngle = 0, fromAngle = 0;
  int32_t cellWidth = 0, cellHeight = 0;
  // Red, green, blue offsets -255..255.
  std::array<int32_t, 3> targetColor{};
  std::array<int32_t, 3> fromColor{};
  int32_t offsetX = 0, offsetY = 0;
  std::vector<std::string> delayedTexts;
  std::vector<std::vector<int32_t>> delayedCommands;
  uint8_t isTextPicture = 0;
  uint8_t isWindowFrame = 0;
  uint8_t isMapBound = 0;
  // 0 top left, 1 centre, 2 bottom left, 3 top right, 4 bottom right.
  int16_t anchor = 0;
  int32_t number = -1;
  // Cells across and down; a window frame's width and height in pixels.
  int32_t xDivision = 1, yDivision = 1;
  uint8_t isFadingOut = 0;
  uint8_t isErased = 0;
  uint8_t isHidden = 1;
  int32_t hitLeft = -100, hitRight = -100, hitTop = -100, hitBottom = -100;
  // Packed colours: red bits 16-23, green 8-15, blue 0-7, each 0-200, 100 neutral.
  int32_t flashColor = 0;
  int32_t flashTotal = 0, flashRemaining = 0;
  int32_t toneTarget = 0x646464, toneFrom = 0x646464;
  int32_t toneTotal = 0, toneRemaining = 0;
  int32_t shiftTargetX = 0, shiftFromX = 0, shiftTargetY = 0, shiftFromY = 0;
  int32_t shiftTotal = 0, shiftRemaining = 0;
  int32_t shakeAmplitudeX = 0, shakeAmplitudeY = 0;
  // Half-swings left, frames per quarter swing, frames left of this half-swing.
  int32_t shakeCount = 0, shakePeriod = 0, shakeCountdown = 0;
  int32_t effectCenterTargetX = 0, effectCenterFromX = 0, effectCenterTargetY = 0, effectCenterFromY = 0;
  int32_t effectZoomTarget = 100, effectZoomFrom = 100;
  int32_t effectTotal = 0, effectRemaining = 0;

 private:
  // Steps the transition and carries its shown values into the from values.
  void CarryForward(bool withOpacity, bool stringShow);
  // The keep rules: pattern, opacity, angle unless kept, blend unless 15, the
  // zooms when neither is kept, the colour unless bit 24 is set.
  void TakeTargets(int pattern, int opacity, int blend, int zoomX, int zoomY, int angle, int color);
  // False (after the notice) when the pattern is past the cells.
  bool CheckPattern() const;
  // Coordinates already times the screen scale.
  void DrawWindowFrame(int64_t left, int64_t top, int64_t right, int64_t bottom) const;
  void StartFromCommand(int x, int y, int color);
  void StartTransition(int frames);
  void RunDelayedCommand(const std::vector<int32_t>& command, const std::string& text);
  // The text picture's text block.
  void SetPendingText(const std::string& text);
  void StartTextReveal();
  void MeasureText();
  void AdvanceTextReveal();
};

// The shown value of a transition pair, in 64 bits with the total at least 1.
int InterpolatePictureValue(int target, int from, int remaining, int total);
