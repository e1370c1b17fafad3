#include <algorithm>
#include <array>
#include <cstdint>

#include "map/CurrentMap.h"
#include "media/PublicFunctions.h"
#include "presentation/Picture.h"
#include "shell/StartupGlobals.h"

namespace {

// Picture blend codes 0-4 as drawing blend modes; other codes draw as 0.
constexpr std::array<int, 5> kBlendModes{1, 2, 3, 11, 10};

int BlendModeOf(int code) { return code >= 0 && code < 5 ? kBlendModes[static_cast<size_t>(code)] : kBlendModes[0]; }

int PackedComponent(int packed, int channel) { return (packed >> (16 - 8 * channel)) & 0xFF; }

double AnchorX(int anchor, double w) { return anchor == 1 ? w / 2 : (anchor == 3 || anchor == 4) ? w : 0.0; }
double AnchorY(int anchor, double h) { return anchor == 1 ? h / 2 : (anchor == 2 || anchor == 4) ? h : 0.0; }

int Truncate(double v) { return static_cast<int>(std::clamp(v, -2147483648.0, 2147483647.0)); }

// A screen coordinate for the draw calls: one past the int range stays at its
// end, so a far-off picture never wraps round onto the screen.
int ScreenInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

// target - (target - from) x remaining / total in 64 bits.
int64_t Approach(int64_t target, int64_t from, int64_t remaining, int64_t total) {
  return target - (target - from) * remaining / std::max<int64_t>(total, 1);
}

// One axis of the shake: a half-swing rises from 0 to the amplitude and back.
int64_t ShakeOffset(int64_t amplitude, int64_t countdown, int64_t period) {
  if (countdown >= period) return amplitude - (countdown - period) * amplitude / period;
  return amplitude * countdown / period;
}

struct Box {
  int64_t left = 0, top = 0, right = 0, bottom = 0;
};

}  // namespace

void Picture::DrawPicture() {
  if (isErased || isHidden) return;
  if (totalFrames == 0) totalFrames = 1;
  const bool fading = isFadingOut != 0;
  const bool atRest = remainingFrames == -1 || fading;
  const int64_t total = std::max(totalFrames, 1);
  const int64_t remaining = std::max(remainingFrames, 0);
  const int S = gScreenScale;
  const auto lerp = [&](double target, double from) { return target + (from - target) * remaining / total; };
  const auto lerpInt = [&](int64_t target, int64_t from) { return target + (from - target) * remaining / total; };

  // Colour offsets of the flash and the tone.
  std::array<int, 3> effect{};
  for (int c = 0; c < 3; ++c) {
    double e = 0;
    if (flashRemaining > 0) {
      e = Truncate((PackedComponent(flashColor, c) - 100) * 2.55 * flashRemaining / std::max(flashTotal, 1));
    }
    const double toneT = (PackedComponent(toneTarget, c) - 100) * 2.55;
    const double toneF = (PackedComponent(toneFrom, c) - 100) * 2.55;
    if (toneRemaining > 0) {
      effect[static_cast<size_t>(c)] = Truncate(e + toneT + (toneF - toneT) * toneRemaining / std::max(toneTotal, 1));
    } else {
      effect[static_cast<size_t>(c)] = Truncate(e + toneT);
    }
  }

  // Shift and shake.
  int64_t shiftX = Approach(shiftTargetX, shiftFromX, shiftRemaining, shiftTotal);
  int64_t shiftY = Approach(shiftTargetY, shiftFromY, shiftRemaining, shiftTotal);
  if (shakeCount > 0 && shakePeriod != 0) {
    const int64_t sign = shakeCount % 2 != 0 ? 1 : -1;
    shiftX += sign * ShakeOffset(shakeAmplitudeX, shakeCountdown, shakePeriod);
    shiftY += sign * ShakeOffset(shakeAmplitudeY, shakeCountdown, shakePeriod);
  }

  // Zoom effect.
  int64_t centreX = 0, centreY = 0, zoom = 100;
  if (effectZoomTarget != 100 || effectZoomFrom != 100) {
    if (effectRemaining < 1) {
      centreX = effectCenterTargetX;
      centreY = effectCenterTargetY;
      zoom = effectZoomTarget;
    } else {
      centreX = Approach(effectCenterTargetX, effectCenterFromX, effectRemaining, effectTotal);
      centreY = Approach(effectCenterTargetY, effectCenterFromY, effectRemaining, effectTotal);
      zoom = Approach(effectZoomTarget, effectZoomFrom, effectRemaining, effectTotal);
    }
  }
  const auto zoomedX = [&](int64_t v) { return (v - centreX) * (zoom - 100) / 100 + v + shiftX; };
  const auto zoomedY = [&](int64_t v) { return (v - centreY) * (zoom - 100) / 100 + v + shiftY; };

  const int64_t zoomAcross = atRest ? targetZoomX : lerpInt(targetZoomX, fromZoomX);
  const int64_t zoomDown = atRest ? targetZoomY : lerpInt(targetZoomY, fromZoomY);
  const bool rotated = !(targetAngle == fromAngle && targetAngle % 3600 == 0) && !isTextPicture && !isWindowFrame;
  const double r = S == 1 ? 0.5 : 0.0;

  Box box;
  int64_t rotatedScale = 0;
  int64_t angleShown = 0;
  int64_t textX = 0, textY = 0;
  if (isTextPicture) {
    const auto origin = [&](int x, int y, int zx, int zy, double& ox, double& oy) {
      ox = x - AnchorX(anchor, cellWidth * static_cast<double>(zx) / 100);
      oy = y - AnchorY(anchor, cellHeight * static_cast<double>(zy) / 100);
    };
    double tx = 0, ty = 0, fx = 0, fy = 0;
    origin(targetX, targetY, targetZoomX, targetZoomY, tx, ty);
    origin(fromX, fromY, fromZoomX, fromZoomY, fx, fy);
    textX = static_cast<int64_t>(Truncate(atRest ? tx : lerp(tx, fx))) * S;
    textY = static_cast<int64_t>(Truncate(atRest ? ty : lerp(ty, fy))) * S;
  } else if (rotated) {
    const auto uniform = [](int zx, int zy) { return zx != 100 ? zx : zy; };
    const int64_t zt = uniform(targetZoomX, targetZoomY);
    const int64_t zf = uniform(fromZoomX, fromZoomY);
    const auto centre = [&](int x, int y, int64_t z, double& cx, double& cy) {
      const double w = cellWidth * static_cast<double>(z) / 100;
      const double h = cellHeight * static_cast<double>(z) / 100;
      cx = x - AnchorX(anchor, w) + w / 2;
      cy = y - AnchorY(anchor, h) + h / 2;
    };
    double tx = 0, ty = 0, fx = 0, fy = 0;
    centre(targetX, targetY, zt, tx, ty);
    centre(fromX, fromY, zf, fx, fy);
    box.left = Truncate(atRest ? tx : lerp(tx, fx));
    box.top = Truncate(atRest ? ty : lerp(ty, fy));
    rotatedScale = atRest ? zt * zoom / 100 : lerpInt(zt * zoom / 100, zf * zoom / 100);
    angleShown = atRest ? targetAngle : lerpInt(targetAngle, fromAngle);
  } else {
    const int64_t sourceW = isWindowFrame ? xDivision : cellWidth;
    const int64_t sourceH = isWindowFrame ? yDivision : cellHeight;
    const auto corner = [&](int x, int y, int zx, int zy, double& left, double& top) {
      left = x - AnchorX(anchor, sourceW * static_cast<double>(zx) / 100);
      top = y - AnchorY(anchor, sourceH * static_cast<double>(zy) / 100);
    };
    double tl = 0, tt = 0;
    corner(targetX, targetY, targetZoomX, targetZoomY, tl, tt);
    if (atRest) {
      box.left = Truncate(tl);
      box.top = Truncate(tt);
      box.right = Truncate(tl + sourceW * static_cast<double>(targetZoomX) / 100 + r);
      box.bottom = Truncate(tt + sourceH * static_cast<double>(targetZoomY) / 100 + r);
    } else {
      double fl = 0, ft = 0;
      corner(fromX, fromY, fromZoomX, fromZoomY, fl, ft);
      const double left = lerp(tl, fl);
      const double top = lerp(tt, ft);
      box.left = Truncate(left);
      box.top = Truncate(top);
      box.right = Truncate(left + static_cast<double>(sourceW * zoomAcross) / 100 + r);
      box.bottom = Truncate(top + static_cast<double>(sourceH * zoomDown) / 100 + r);
    }
  }

  // Map binding: the scroll, then one loop width when the picture left the
  // screen on a looping map.
  if (isMapBound) {
    offsetX = 0;
    offsetY = 0;
    const int64_t scrollX = gCurrentMap.scrollX / 4;
    const int64_t scrollY = gCurrentMap.scrollY / 4;
    if (isTextPicture) {
      textX -= static_cast<int64_t>(gCurrentMap.scrollX) * S / 4;
      textY -= static_cast<int64_t>(gCurrentMap.scrollY) * S / 4;
      // A text origin off a looping screen comes back one screen over.
      const auto wrapText = [&](int64_t& origin, int32_t& offset, int64_t span) {
        if (origin < 0) {
          origin += span;
          offset = static_cast<int32_t>(offset + span / 2 * S);
        } else if (origin > span) {
          origin -= span;
          offset = static_cast<int32_t>(offset - span / 2 * S);
        }
      };
      if (gCurrentMap.loopX) wrapText(textX, offsetX, 640);
      if (gCurrentMap.loopY) wrapText(textY, offsetY, 480);
    } else {
      box.left -= scrollX;
      box.right -= scrollX;
      box.top -= scrollY;
      box.bottom -= scrollY;
      const int64_t loopWidth = static_cast<int64_t>(gCurrentMap.GetMapWidth()) * gTileSize;
      const int64_t loopHeight = static_cast<int64_t>(gCurrentMap.GetMapHeight()) * gTileSize;
      if (gCurrentMap.loopX) {
        const int64_t step = box.left < 0 ? loopWidth : box.left > int64_t{gTileSize} * 20 ? -loopWidth : 0;
        box.left += step;
        box.right += step;
        offsetX = static_cast<int32_t>(offsetX + step);
      }
      if (gCurrentMap.loopY) {
        const int64_t step = box.top < 0 ? loopHeight : box.top > int64_t{gTileSize} * 15 ? -loopHeight : 0;
        box.top += step;
        box.bottom += step;
        offsetY = static_cast<int32_t>(offsetY + step);
      }
    }
  }

  // Effects on the geometry, and the box the mouse test reads.
  if (isTextPicture) {
    textX = (textX - centreX * S) * (zoom - 100) / 100 + textX + shiftX * S;
    textY = (textY - centreY * S) * (zoom - 100) / 100 + textY + shiftY * S;
    hitLeft = static_cast<int32_t>(textX / S);
    hitRight = static_cast<int32_t>((int64_t{cellWidth} * S * zoomAcross / 100 + textX) / S);
    hitTop = static_cast<int32_t>(textY / S);
    hitBottom = static_cast<int32_t>((int64_t{cellHeight} * S * zoomDown / 100 + textY) / S);
    textBlock.x = ScreenInt(textX);
    textBlock.y = ScreenInt(textY);
  } else if (rotated) {
    // The box of the unturned cell around the centre.
    box.left = zoomedX(box.left);
    box.top = zoomedY(box.top);
    const int64_t halfW = cellWidth * rotatedScale / 200;
    const int64_t halfH = cellHeight * rotatedScale / 200;
    hitLeft = static_cast<int32_t>(box.left - halfW);
    hitRight = static_cast<int32_t>(box.left + halfW);
    hitTop = static_cast<int32_t>(box.top - halfH);
    hitBottom = static_cast<int32_t>(box.top + halfH);
  } else {
    box = {zoomedX(box.left), zoomedY(box.top), zoomedX(box.right), zoomedY(box.bottom)};
    hitLeft = static_cast<int32_t>(box.left);
    hitRight = static_cast<int32_t>(box.right);
    hitTop = static_cast<int32_t>(box.top);
    hitBottom = static_cast<int32_t>(box.bottom);
  }

  // Opacity, blend and the first tint.
  int64_t opacity = targetOpacity;
  if (fading) {
    opacity = targetOpacity * remaining / total;
  } else if (!atRest) {
    opacity = Truncate(lerp(targetOpacity, fromOpacity));
  }
  const int blendCode = targetBlend >= 0 && targetBlend < 5 ? targetBlend : 0;
  std::array<int64_t, 3> colour{};
  bool brightens = false;
  for (size_t c = 0; c < 3; ++c) {
    colour[c] = atRest && !fading ? targetColor[c] : Truncate(lerp(targetColor[c], fromColor[c]));
    if (fading) {
      brightens = brightens || targetColor[c] > 0 || fromColor[c] > 0;
    } else if (atRest) {
      brightens = brightens || colour[c] + effect[c] > 0;
    } else {
      brightens = brightens || targetColor[c] + effect[c] > 0 || fromColor[c] + effect[c] > 0;
    }
  }
  const int O = static_cast<int>(opacity);
  if (!(atRest && !fading && O == 0)) {
    if (atRest && !fading && O == 255 && blendCode == 0) {
      SetBlendState(0, 255);
    } else {
      SetBlendState(BlendModeOf(blendCode), O);
    }
    const auto tint = [&](size_t c, bool second) {
      const int64_t k = colour[c] + effect[c];
      return static_cast<int>(second ? std::max<int64_t>(k, 0) : std::min<int64_t>(255 + k, 255));
    };
    const auto draw = [&] {
      if (isTextPicture) {
        textBlock.RenderTextBlock(true, zoomAcross * 0.01 * zoom / 100, zoomDown * 0.01 * zoom / 100);
      } else if (isWindowFrame) {
        DrawWindowFrame(box.left * S, box.top * S, box.right * S, box.bottom * S);
      } else if (targetPattern >= 1 && targetPattern <= static_cast<int64_t>(cells.size())) {
        const int cell = cells[static_cast<size_t>(targetPattern - 1)];
        if (rotated) {
          PutGraphRotated(ScreenInt(box.left * S), ScreenInt(box.top * S), rotatedScale * 0.01 * S,
                          angleShown * 3.1415926535 / 1800, cell, gDrawTransparent, 0);
        } else {
          PutGraphStretched(ScreenInt(box.left * S), ScreenInt(box.top * S), ScreenInt(box.right * S),
                            ScreenInt(box.bottom * S), cell, gDrawTransparent);
        }
      }
    };
    SetDrawTint(tint(0, false), tint(1, false), tint(2, false));
    draw();
    if (brightens) {
      SetDrawTint(tint(0, true), tint(1, true), tint(2, true));
      SetBlendState(2, O);
      draw();
    }
  }
  SetBlendState(0, 255);
  SetDrawTint(255, 255, 255);
}

// Nine skin cells: corners at their own size, edges and middle stretched.
void Picture::DrawWindowFrame(int64_t left, int64_t top, int64_t right, int64_t bottom) const {
  if (cells.size() < 9) return;
  const int64_t S = gScreenScale;
  const int64_t cw = static_cast<int64_t>(cellWidth) * S;
  const int64_t ch = static_cast<int64_t>(cellHeight) * S;
  const auto put = [&](size_t cell, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    PutGraphStretched(ScreenInt(x1), ScreenInt(y1), ScreenInt(x2), ScreenInt(y2), cells[cell], gDrawTransparent);
  };
  put(0, left, top, left + cw, top + ch);
  put(2, right - cw, top, right, top + ch);
  put(1, left + cw, top, right - cw, top + ch);
  put(3, left, top + ch, left + cw, bottom - ch);
  put(5, right - cw, top + ch, right, bottom - ch);
  put(4, left + cw, top + ch, right - cw, bottom - ch);
  put(6, left, bottom - ch, left + cw, bottom);
  put(8, right - cw, bottom - ch, right, bottom);
  put(7, left + cw, bottom - ch, right - cw, bottom);
}
