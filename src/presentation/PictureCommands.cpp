#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "gamedata/GameText.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableId.h"
#include "map/CurrentMap.h"
#include "presentation/Picture.h"
#include "presentation/PictureFileCache.h"
#include "presentation/TextBlock.h"
#include "shell/NoticeBox.h"
#include "shell/ShellServices.h"
#include "shell/StartupGlobals.h"

namespace {

constexpr int kNoColorChange = 1 << 24;

// A command colour component (0-200, 100 neutral) as an offset -255..255.
int ColorOffset(int component) { return static_cast<int>((component - 100) * 2.55); }

void TakeColor(std::array<int32_t, 3>& target, int color) {
  target[0] = ColorOffset(color / 65536);
  target[1] = ColorOffset(color % 65536 / 256);
  target[2] = ColorOffset(color % 256);
}

int PackedComponent(int packed, int channel) { return (packed >> (16 - 8 * channel)) & 0xFF; }

int PackClamped(int red, int green, int blue) {
  return std::clamp(red, 0, 200) << 16 | std::clamp(green, 0, 200) << 8 | std::clamp(blue, 0, 200);
}

// target - (target - from) x remaining / total, the total at least 1.
int ShownEffectValue(int target, int from, int remaining, int total) {
  const int64_t shown = target - (static_cast<int64_t>(target) - from) * remaining / std::max(total, 1);
  return static_cast<int>(std::clamp<int64_t>(shown, INT32_MIN, INT32_MAX));
}

// A position sum past the int range stops at its end instead of wrapping.
int SaturatedInt(int64_t value) { return static_cast<int>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

int ScrollPixelsX() { return gCurrentMap.scrollX / 4; }
int ScrollPixelsY() { return gCurrentMap.scrollY / 4; }

// How far the anchor point lies from the top left of a w x h cell.
void AnchorShift(int anchor, int w, int h, int& dx, int& dy) {
  switch (anchor) {
    case 1:
      dx = w / 2;
      dy = h / 2;
      return;
    case 2:
      dx = 0;
      dy = h;
      return;
    case 3:
      dx = w;
      dy = 0;
      return;
    case 4:
      dx = w;
      dy = h;
      return;
    default:
      dx = 0;
      dy = 0;
      return;
  }
}

}  // namespace

bool Picture::StepPictureTransition() {
  remainingFrames = static_cast<int32_t>(std::max<int64_t>(static_cast<int64_t>(remainingFrames) - gFrameStep, -1));
  return true;
}

void Picture::CarryForward(bool withOpacity, bool stringShow) {
  StepPictureTransition();
  if (remainingFrames > 0) {
    const int total = totalFrames;
    const int remaining = remainingFrames;
    fromX = InterpolatePictureValue(targetX, fromX, remaining, total);
    fromY = InterpolatePictureValue(targetY, fromY, remaining, total);
    fromZoomX = InterpolatePictureValue(targetZoomX, fromZoomX, remaining, total);
    fromZoomY = InterpolatePictureValue(targetZoomY, fromZoomY, remaining, total);
    fromAngle = static_cast<int>(targetAngle + static_cast<double>(fromAngle - static_cast<int64_t>(targetAngle)) *
                                                   remaining / std::max(total, 1));
    for (size_t c = 0; c < 3; ++c)
      fromColor[c] = InterpolatePictureValue(targetColor[c], fromColor[c], remaining, total);
    if (withOpacity) fromOpacity = InterpolatePictureValue(targetOpacity, fromOpacity, remaining, total);
    return;
  }
  fromX = targetX;
  fromY = targetY;
  fromOpacity = stringShow ? 0 : targetOpacity;
  fromZoomX = targetZoomX;
  fromZoomY = targetZoomY;
  fromAngle = targetAngle;
  fromColor = targetColor;
}

void Picture::TakeTargets(int pattern, int opacity, int blend, int zoomX, int zoomY, int angle, int color) {
  if (pattern != kPictureKeep) targetPattern = pattern;
  if (opacity != kPictureKeep) targetOpacity = opacity;
  if (blend != kPictureKeepBlend) targetBlend = blend;
  if (zoomX != kPictureKeep && zoomY != kPictureKeep) {
    targetZoomX = zoomX;
    targetZoomY = zoomY;
  }
  if (angle != kPictureKeep) targetAngle = angle;
  if ((color & kNoColorChange) == 0) TakeColor(targetColor, color);
}

bool Picture::CheckPattern() const {
  if (cells.empty() || targetPattern <= static_cast<int64_t>(cells.size())) return true;
  ShowNoticeBox(NoticeText("ｴﾗｰ【ピクチャ】パターン番号が大きすぎます！ >ID%d パターン%d(Max%d)",
                           {Decimal(number), Decimal(targetPattern), Decimal(static_cast<long long>(cells.size()))}),
                Cp932Text("※ディレイが設定されていた場合は、↓の位置とは異なります"), ErrorLocationText());
  return false;
}

// A picture that showed no image fades in at its place: the from values are
// the command's own. A kept zoom or angle starts from the kept target rather
// than from the keep value.
void Picture::StartFromCommand(int x, int y, int color) {
  fromX = x;
  fromY = y;
  fromZoomX = targetZoomX;
  fromZoomY = targetZoomY;
  fromAngle = targetAngle;
  fromOpacity = 0;
  if ((color & kNoColorChange) == 0) TakeColor(fromColor, color);
}

void Picture::StartTransition(int frames) {
  remainingFrames = frames;
  totalFrames = frames;
}

namespace {

void SetPosition(Picture& p, int x, int y, bool relative) {
  if (relative) {
    p.targetX = SaturatedInt(static_cast<int64_t>(p.fromX) + x);
    p.targetY = SaturatedInt(static_cast<int64_t>(p.fromY) + y);
  } else {
    p.targetX = x;
    p.targetY = y;
  }
}

// Adds or removes the map's scroll as the picture becomes or stops being
// map-bound; returns the blend code alone.
int ApplyMapBinding(Picture& p, int blendFlags, int& x, int& y, bool relative) {
  if ((blendFlags & 0x100) != 0) {
    if (!(relative && p.isMapBound)) {
      x = SaturatedInt(static_cast<int64_t>(x) + ScrollPixelsX());
      y = SaturatedInt(static_cast<int64_t>(y) + ScrollPixelsY());
    }
    p.isMapBound = 1;
  } else if (p.isMapBound) {
    p.isMapBound = 0;
    if (relative) {
      x = SaturatedInt(static_cast<int64_t>(x) - ScrollPixelsX());
      y = SaturatedInt(static_cast<int64_t>(y) - ScrollPixelsY());
    }
  }
  return blendFlags & 0x0F;
}

}  // namespace

void Picture::ShowPicture(const std::string& name, int xDiv, int yDiv, int x, int y, int pattern, int opacity,
                          int blendFlags, int frames, int zoomX, int zoomY, int angle, int anchorValue, int color,
                          int delay, bool relative, int kind) {
  if (delay >= 1) {
    delayedTexts.push_back(name);
    delayedCommands.push_back({delay, kind, xDiv, yDiv, x, y, pattern, opacity, blendFlags, frames, zoomX, zoomY, angle,
                               anchorValue, color, relative ? 1 : 0});
    return;
  }
  isHidden = 0;
  isFadingOut = 0;
  isErased = 0;
  isTextPicture = 0;
  // Each show decides anew: an image shown over a window frame is an image.
  isWindowFrame = kind == 4 ? 1 : 0;
  if (!isWindowFrame && (xDiv < 1 || yDiv < 1)) {
    if (gTestPlay) {
      ShowNoticeBox(NoticeText("[ﾃｽﾄ時専用ｴﾗｰ] ﾋﾟｸﾁｬ %d が分割数(ｻｲｽﾞ)0以下です！ > 横%d 縦%d",
                               {Decimal(number), Decimal(xDiv), Decimal(yDiv)}),
                    Cp932Text("ディレイを使用していた場合は↓と位置が変わることがあります"), ErrorLocationText());
    }
    xDiv = std::max(xDiv, 1);
    yDiv = std::max(yDiv, 1);
  }
  const int blend = ApplyMapBinding(*this, blendFlags, x, y, relative);
  previousImageHandle = imageHandle;
  if (!PictureControl(*this, name, isWindowFrame ? 3 : xDiv, isWindowFrame ? 3 : yDiv)) {
    // Erased: the old file goes unless another picture shows it, and this
    // picture holds it no longer.
    ReleasePictureFile(previousFileName, false, number);
    previousFileName.clear();
    fileName.clear();
    isErased = 1;
    return;
  }
  if (isWindowFrame) {
    xDivision = xDiv;
    yDivision = yDiv;
  }
  if (name != fileName) ReleasePictureFile(previousFileName, false, number);
  fileName = name;
  previousFileName = name;
  CarryForward(false, false);
  SetPosition(*this, x, y, relative);
  if (previousImageHandle != 0 && anchorValue != anchor) {
    int oldX = 0, oldY = 0, newX = 0, newY = 0;
    AnchorShift(anchor, cellWidth, cellHeight, oldX, oldY);
    AnchorShift(anchorValue, cellWidth, cellHeight, newX, newY);
    fromX = SaturatedInt(fromX - static_cast<int64_t>(oldX - newX) * (fromZoomX / 100));
    fromY = SaturatedInt(fromY - static_cast<int64_t>(oldY - newY) * (fromZoomY / 100));
  }
  TakeTargets(pattern, opacity, blend, zoomX, zoomY, angle, color);
  anchor = static_cast<int16_t>(anchorValue);
  if (previousImageHandle == 0) StartFromCommand(x, y, color);
  if (!isWindowFrame && !CheckPattern()) return;
  offsetX = 0;
  offsetY = 0;
  StartTransition(frames);
}

void Picture::ShowStringPicture(const std::string& text, int x, int y, int pattern, int opacity, int blendFlags,
                                int frames, int zoomX, int zoomY, int angle, int anchorValue, int color, int delay,
                                bool relative) {
  if (delay >= 1) {
    delayedTexts.push_back(text);
    delayedCommands.push_back({delay, 1, x, y, pattern, opacity, blendFlags, frames, zoomX, zoomY, angle, anchorValue,
                               color, relative ? 1 : 0});
    return;
  }
  isHidden = 0;
  isFadingOut = 0;
  isErased = 0;
  isWindowFrame = 0;
  isTextPicture = 1;
  const int blend = ApplyMapBinding(*this, blendFlags, x, y, relative);
  SetPendingText(text);
  if (!previousFileName.empty()) ReleasePictureFile(previousFileName, false, number);
  previousFileName.clear();
  fileName.clear();
  imageHandle = 0;
  previousImageHandle = 0;
  CarryForward(false, true);
  SetPosition(*this, x, y, relative);
  TakeTargets(pattern, opacity, blend, zoomX, zoomY, angle, color);
  anchor = static_cast<int16_t>(anchorValue);
  StartFromCommand(x, y, color);
  StartTransition(frames);
  StartTextReveal();
  offsetX = 0;
  offsetY = 0;
}

void Picture::ChangePicture(int x, int y, int pattern, int opacity, int blend, int frames, int zoomX, int zoomY,
                            int angle, int color, int delay, bool relative) {
  if (delay >= 1) {
    delayedTexts.emplace_back();
    delayedCommands.push_back(
        {delay, 2, x, y, pattern, opacity, blend, frames, zoomX, zoomY, angle, color, relative ? 1 : 0});
    return;
  }
  CarryForward(true, false);
  SetPosition(*this, x, y, relative);
  TakeTargets(pattern, opacity, blend, zoomX, zoomY, angle, color);
  if (isTextPicture) MeasureText();
  if (!isTextPicture && !isWindowFrame && !CheckPattern()) return;
  StartTransition(frames);
}

void Picture::FadeOutPicture(int frames, int delay, int color) {
  if (delay >= 1) {
    delayedTexts.emplace_back();
    delayedCommands.push_back({delay, 3, frames, color});
    return;
  }
  if (isFadingOut) return;
  remainingFrames = frames;
  totalFrames = frames;
  fromColor = targetColor;
  if ((color & kNoColorChange) == 0) TakeColor(targetColor, color);
  isFadingOut = 1;
}

void Picture::ErasePicture() {
  ReleasePictureFile(fileName, false, number);
  isErased = 1;
  isHidden = 1;
}

void Picture::ApplyPictureEffect(int type, int p1, int p2, int p3, int frames) {
  switch (type) {
    case 0:
      flashColor = PackClamped(p1 + 100, p2 + 100, p3 + 100);
      flashTotal = frames;
      flashRemaining = frames;
      return;
    case 1: {
      int shown[3];
      for (int c = 0; c < 3; ++c) {
        shown[c] =
            ShownEffectValue(PackedComponent(toneTarget, c), PackedComponent(toneFrom, c), toneRemaining, toneTotal);
      }
      toneFrom = PackClamped(shown[0], shown[1], shown[2]);
      toneTarget = PackClamped(p1 + 100, p2 + 100, p3 + 100);
      toneTotal = frames;
      toneRemaining = frames;
      return;
    }
    case 2:
      shiftFromX = ShownEffectValue(shiftTargetX, shiftFromX, shiftRemaining, shiftTotal);
      shiftFromY = ShownEffectValue(shiftTargetY, shiftFromY, shiftRemaining, shiftTotal);
      shiftTargetX = p1;
      shiftTargetY = p2;
      shiftTotal = frames;
      shiftRemaining = frames;
      return;
    case 3:
      shakeAmplitudeX = p1;
      shakeAmplitudeY = p2;
      shakeCount = p3;
      shakePeriod = frames;
      shakeCountdown =
          static_cast<int32_t>(std::clamp<int64_t>(2 * static_cast<int64_t>(frames), INT32_MIN, INT32_MAX));
      return;
    case 4: {
      const int zoom = ShownEffectValue(effectZoomTarget, effectZoomFrom, effectRemaining, effectTotal);
      if (zoom == 100) {
        effectCenterFromX = p1;
        effectCenterFromY = p2;
      } else {
        effectCenterFromX = ShownEffectValue(effectCenterTargetX, effectCenterFromX, effectRemaining, effectTotal);
        effectCenterFromY = ShownEffectValue(effectCenterTargetY, effectCenterFromY, effectRemaining, effectTotal);
      }
      effectZoomFrom = zoom;
      effectCenterTargetX = p1;
      effectCenterTargetY = p2;
      effectZoomTarget = p3;
      effectTotal = frames;
      effectRemaining = frames;
      return;
    }
    default: return;
  }
}

void Picture::UpdatePicture() {
  for (size_t i = 0; i < delayedCommands.size();) {
    std::vector<int32_t>& waiting = delayedCommands[i];
    if (!waiting.empty() && waiting[0] > 0) {
      waiting[0] = static_cast<int32_t>(std::max<int64_t>(static_cast<int64_t>(waiting[0]) - gFrameStep, INT32_MIN));
      ++i;
      continue;
    }
    const std::vector<int32_t> command = std::move(waiting);
    const std::string text = i < delayedTexts.size() ? delayedTexts[i] : std::string();
    delayedCommands.erase(delayedCommands.begin() + static_cast<std::ptrdiff_t>(i));
    if (i < delayedTexts.size()) delayedTexts.erase(delayedTexts.begin() + static_cast<std::ptrdiff_t>(i));
    RunDelayedCommand(command, text);
  }
  if (isTextPicture) AdvanceTextReveal();
  if (isFadingOut) {
    remainingFrames =
        static_cast<int32_t>(std::max<int64_t>(static_cast<int64_t>(remainingFrames) - gFrameStep, INT32_MIN));
    if (remainingFrames <= 0) ErasePicture();
    return;
  }
  if (flashRemaining > 0) --flashRemaining;
  if (toneRemaining > 0) --toneRemaining;
  if (shiftRemaining > 0) --shiftRemaining;
  if (shakeCount > 0) {
    --shakeCountdown;
    if (shakeCountdown <= 0) {
      --shakeCount;
      shakeCountdown =
          static_cast<int32_t>(std::clamp<int64_t>(2 * static_cast<int64_t>(shakePeriod), INT32_MIN, INT32_MAX));
    }
  }
  if (effectRemaining > 0) {
    --effectRemaining;
    if (effectRemaining <= 0) effectZoomFrom = effectZoomTarget;
  }
  StepPictureTransition();
}

// Runs one waiting command now; one too short for its kind, or of an unknown
// kind (a save may hold either), is dropped.
void Picture::RunDelayedCommand(const std::vector<int32_t>& c, const std::string& text) {
  if (c.size() < 2) return;
  const auto has = [&](size_t n) { return c.size() >= n; };
  switch (c[1]) {
    case 0:
    case 4:
      if (has(16)) {
        ShowPicture(text, c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10], c[11], c[12], c[13], c[14], 0,
                    c[15] == 1, c[1]);
      }
      return;
    case 1:
      if (has(14)) {
        ShowStringPicture(text, c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10], c[11], c[12], 0, c[13] == 1);
      }
      return;
    case 2:
      if (has(13)) ChangePicture(c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9], c[10], c[11], 0, c[12] == 1);
      return;
    case 3:
      if (has(4)) FadeOutPicture(c[2], 0, c[3]);
      return;
    default: return;
  }
}

Picture::Picture(int pictureNumber) {
  ResetPicture();
  number = pictureNumber;
}

void Picture::ResetPicture() {
  const int keptNumber = number;
  *this = Picture();
  number = keptNumber;
}

int InterpolatePictureValue(int target, int from, int remaining, int total) {
  const int64_t shown =
      static_cast<int64_t>(target) + (static_cast<int64_t>(from) - target) * remaining / std::max(total, 1);
  return static_cast<int>(std::clamp<int64_t>(shown, INT32_MIN, INT32_MAX));
}

int Picture::GetPictureProperty(int code) const {
  const int total = std::max(totalFrames, 1);
  const int remaining = std::max(remainingFrames, 0);
  const int scrollX = isMapBound ? gCurrentMap.scrollX / 4 : 0;
  const int scrollY = isMapBound ? gCurrentMap.scrollY / 4 : 0;
  switch (code) {
    case 0:
      return SaturatedInt(static_cast<int64_t>(InterpolatePictureValue(targetX, fromX, remaining, total)) + offsetX -
                          scrollX);
    case 1:
      return SaturatedInt(static_cast<int64_t>(InterpolatePictureValue(targetY, fromY, remaining, total)) + offsetY -
                          scrollY);
    case 2: return isWindowFrame ? static_cast<int>(static_cast<int64_t>(xDivision) * targetZoomX / 100) : cellWidth;
    case 3: return isWindowFrame ? static_cast<int>(static_cast<int64_t>(yDivision) * targetZoomY / 100) : cellHeight;
    case 4: return targetPattern;
    case 5: return InterpolatePictureValue(targetOpacity, fromOpacity, remaining, total);
    case 6: return InterpolatePictureValue(targetAngle, fromAngle, remaining, total);
    case 7: {
      const int zoomX = InterpolatePictureValue(targetZoomX, fromZoomX, remaining, total);
      return zoomX == 100 ? InterpolatePictureValue(targetZoomY, fromZoomY, remaining, total) : zoomX;
    }
    case 8: {
      const bool inside =
          gInput.mouseX > hitLeft && gInput.mouseX < hitRight && gInput.mouseY > hitTop && gInput.mouseY < hitBottom;
      return inside ? 1 : 0;
    }
    case 9: return isErased ? 0 : 1;
    default: return -1;
  }
}

void Picture::SetPendingText(const std::string& text) {
  textBlock.pendingText = text;
  textBlock.preparedText.clear();
  textBlock.instant = 0;
}

void Picture::StartTextReveal() {
  textBlock.x = fromX;
  textBlock.y = fromY;
  textBlock.revealSpeed = gEventSystem.messageRevealSpeed;
  MeasureText();
}

void Picture::MeasureText() {
  int width = 0, height = 0;
  textBlock.MeasureTextBlock(width, height);
  cellWidth = width;
  cellHeight = height;
}

void Picture::AdvanceTextReveal() { textBlock.AdvanceReveal(); }
