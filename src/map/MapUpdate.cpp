#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "map/CurrentMap.h"
#include "map/MapMath.h"
#include "shell/StartupGlobals.h"

namespace {

constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kFrameCounterPeriod = 2400000;

// 2 to the power e as an int: 0 below 2^0 and saturated above the int range.
int32_t PowerOfTwo(int e) {
  if (e < 0) return 0;
  if (e > 30) return static_cast<int32_t>(kIntMax);
  return int32_t{1} << e;
}

// Units per frame along one axis of a scroll: the share of that axis in the
// straight line, at least 1.
int32_t ScrollStep(int64_t distance, double factor, double length) {
  const double step = std::trunc(static_cast<double>(distance) * factor / length);
  if (!(step >= 1.0)) return 1;
  return step >= static_cast<double>(kIntMax) ? static_cast<int32_t>(kIntMax) : static_cast<int32_t>(step);
}

// target - (target - start) * remaining / total in 64 bits, saturated.
int32_t Interpolate(int32_t target, int32_t start, int32_t remaining, int32_t total) {
  const int64_t span = int64_t{target} - start;
  return SaturateInt(int64_t{target} - SaturatedProduct(span, remaining) / std::max(total, 1));
}

// A scroll position moved forward by amount: on a map that does not loop it
// stops at the limit (the last screen; negative on a map smaller than the
// screen).
int32_t ScrolledForward(int32_t position, int64_t amount, bool loop, int64_t limit) {
  const int64_t moved = int64_t{position} + amount;
  return SaturateInt(loop || moved < limit ? moved : limit);
}

// Moved back by amount: without looping it stops at 0.
int32_t ScrolledBack(int32_t position, int64_t amount, bool loop) {
  const int64_t moved = int64_t{position} - amount;
  return SaturateInt(loop || moved > 0 ? moved : 0);
}

// Marks the walk over the map events for its length.
class EventWalk {
 public:
  explicit EventWalk(bool& walking) : walking_(walking) { walking_ = true; }
  EventWalk(const EventWalk&) = delete;
  EventWalk& operator=(const EventWalk&) = delete;
  ~EventWalk() { walking_ = false; }

 private:
  bool& walking_;
};

}  // namespace

void CurrentMap::ScrollMapRight(int64_t amount) {
  scrollX = ScrolledForward(scrollX, amount, loopX, 4 * int64_t{gTileSize} * (int64_t{GetMapWidth()} - 20));
}

void CurrentMap::ScrollMapLeft(int64_t amount) { scrollX = ScrolledBack(scrollX, amount, loopX); }

void CurrentMap::ScrollMapDown(int64_t amount) {
  scrollY = ScrolledForward(scrollY, amount, loopY, 4 * int64_t{gTileSize} * (int64_t{GetMapHeight()} - 15));
}

void CurrentMap::ScrollMapUp(int64_t amount) { scrollY = ScrolledBack(scrollY, amount, loopY); }

void CurrentMap::StartMapScroll(int64_t dx, int64_t dy, int speed) {
  scrollDirectionX = dx > 0 ? 6 : 4;
  scrollDirectionY = dy > 0 ? 2 : 8;
  const int64_t distanceX = dx < 0 ? -dx : dx;
  const int64_t distanceY = dy < 0 ? -dy : dy;
  scrollRemainingX = SaturateInt(distanceX);
  scrollRemainingY = SaturateInt(distanceY);
  // Nothing to go: no line to share out.
  if (distanceX == 0 && distanceY == 0) return;
  const double length = std::sqrt(static_cast<double>(distanceX) * static_cast<double>(distanceX) +
                                  static_cast<double>(distanceY) * static_cast<double>(distanceY));
  // Speed 8 ends the scroll in one frame.
  const double factor = speed == 8 ? 100000000.0 : std::ldexp(1.0, std::clamp(speed, -64, 62) + 1);
  scrollStepX = ScrollStep(distanceX, factor, length);
  scrollStepY = ScrollStep(distanceY, factor, length);
}

void CurrentMap::StartScreenShake(int amplitudeExp, int speedExp, int axis, int frames) {
  ShakeAxis* shake = axis == 0 ? &shakeY : axis == 1 ? &shakeX : nullptr;
  if (shake == nullptr) return;
  shake->amplitude = PowerOfTwo(amplitudeExp);
  shake->speed = PowerOfTwo(speedExp);
  shake->frames = SaturateInt(int64_t{frames} + 1);
  shake->sign = 1;
}

void CurrentMap::StopScreenShake() {
  shakeX.frames = 0;
  shakeY.frames = 0;
}

void CurrentMap::UpdateScreenShake(ShakeAxis& axis) const {
  if (axis.frames <= 0 && axis.value == 0) return;
  // A * S * 64 reaches 2^36 with the largest exponents of the shake command.
  const int64_t push = SaturatedProduct(SaturatedProduct(int64_t{axis.amplitude} * axis.speed, axis.sign), 64);
  const int64_t step = push / std::max(gFrameStep, 1) / 10;
  const int64_t value = axis.value;
  const int64_t moved = value + step;
  const bool sameSide = (moved > 0 && value > 0) || (moved < 0 && value < 0);
  axis.value = axis.frames > 1 || sameSide ? SaturateInt(moved) : 0;
  const int64_t bound = int64_t{axis.amplitude} * 128;
  if (axis.value > bound) axis.sign = -1;
  if (axis.value < -bound) axis.sign = 1;
  if (axis.frames >= 1) axis.frames -= 1;
}

void CurrentMap::StartMapScreenEffect(int centreX, int centreY, int zoomPercent, int frames) {
  const int32_t total = std::max(zoom.totalFrames, 1);
  zoom.startZoom = Interpolate(zoom.targetZoom, zoom.startZoom, zoom.remainingFrames, total);
  if (zoom.startZoom == 100) {
    zoom.startX = centreX;
    zoom.startY = centreY;
  } else {
    zoom.startX = Interpolate(zoom.targetX, zoom.startX, zoom.remainingFrames, total);
    zoom.startY = Interpolate(zoom.targetY, zoom.startY, zoom.remainingFrames, total);
  }
  zoom.targetX = centreX;
  zoom.targetY = centreY;
  zoom.targetZoom = zoomPercent;
  zoom.remainingFrames = frames;
  zoom.totalFrames = frames;
}

void CurrentMap::UpdateZoom() {
  if (zoom.remainingFrames > 0) {
    zoom.remainingFrames -= 1;
    if (zoom.remainingFrames == 0) zoom.startZoom = zoom.targetZoom;
    zoom.currentX = Interpolate(zoom.targetX, zoom.startX, zoom.remainingFrames, zoom.totalFrames);
    zoom.currentY = Interpolate(zoom.targetY, zoom.startY, zoom.remainingFrames, zoom.totalFrames);
    zoom.currentZoom = Interpolate(zoom.targetZoom, zoom.startZoom, zoom.remainingFrames, zoom.totalFrames);
  } else {
    zoom.currentX = zoom.targetX;
    zoom.currentY = zoom.targetY;
    zoom.currentZoom = zoom.targetZoom;
  }
}

void CurrentMap::UpdateCurrentMap() {
  if (pageRefresh) RefreshEventPages();

  if (scrollRemainingX > 0) {
    const int32_t move = std::min(scrollStepX, scrollRemainingX);
    if (scrollDirectionX == 4) ScrollMapLeft(move);
    if (scrollDirectionX == 6) ScrollMapRight(move);
    scrollRemainingX = std::max(scrollRemainingX - scrollStepX, 0);
  }
  if (scrollRemainingY > 0) {
    const int32_t move = std::min(scrollStepY, scrollRemainingY);
    if (scrollDirectionY == 2) ScrollMapDown(move);
    if (scrollDirectionY == 8) ScrollMapUp(move);
    scrollRemainingY = std::max(scrollRemainingY - scrollStepY, 0);
  }

  UpdateScreenShake(shakeX);
  UpdateScreenShake(shakeY);
  shakeOffsetX = static_cast<int32_t>(int64_t{gTileSize} * shakeX.value / 2048);
  shakeOffsetY = static_cast<int32_t>(int64_t{gTileSize} * shakeY.value / 2048);

  UpdateZoom();

  {
    const int64_t spanX = 2 * int64_t{GetMapWidth()};
    const int64_t spanY = 2 * int64_t{GetMapHeight()};
    // The walk's step checks look events up by place.
    if (spanX > 0 && spanY > 0) eventPlaces.Sync(eventCharacters, spanX, spanY);
    const EventWalk walk(walkingEvents);
    // Indexes, not iterators: an event's commands may touch the lists.
    for (size_t i = 0; i < eventCharacters.size(); ++i) eventCharacters[i].UpdateMapEvent();
  }
  for (size_t i = 0; i < commonEventRunEntries.size(); ++i) RunCommonEventParallel(commonEventRunEntries[i]);

  frameCounter = static_cast<int32_t>((int64_t{frameCounter} + 1) % kFrameCounterPeriod);
}
