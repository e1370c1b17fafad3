// A 256 x 256 alpha sprite turned by 30 degrees and zoomed to 150 % onto a
// 640 x 480 32-bit target: the software renderer's rotated draw beside
// pixman's transformed composite (nearest filter) of the same sprite.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "media/graphics/DrawState.h"
#include "media/softrender/BlendTables.h"
#include "media/softrender/MemImg.h"
#include "media/softrender/RotateDraw.h"

#if __has_include(<pixman.h>)
#include <pixman.h>
#define ROTATE_BENCH_PIXMAN 1
#endif

namespace {

constexpr int kSprite = 256;
constexpr int kTargetWidth = 640;
constexpr int kTargetHeight = 480;
constexpr int kCentreX = 320;
constexpr int kCentreY = 240;
constexpr float kAngle = 0.52359878f;  // 30 degrees
constexpr float kZoom = 1.5f;

// A round sprite: opaque inside, a soft rim, transparent corners.
uint32_t SpritePixel(int x, int y) {
  const double dx = x - 127.5;
  const double dy = y - 127.5;
  const double r = std::sqrt(dx * dx + dy * dy);
  const uint32_t alpha = r < 110 ? 255u : (r < 126 ? uint32_t((126 - r) * 255 / 16) : 0u);
  return (alpha << 24) | (uint32_t(x) << 16) | (uint32_t(y) << 8) | uint32_t((x + y) & 0xFF);
}

void BM_MemImgDrawRotated(benchmark::State& state) {
  MemImgBlendTablesBuild();
  MEMIMG sprite{};
  MEMIMG target{};
  MemImgCreate(&sprite, kSprite, kSprite, -1, 0, kMemImgRgb32, 0, 1, 0, nullptr);
  MemImgCreate(&target, kTargetWidth, kTargetHeight, -1, 0, kMemImgRgb32, 0, 0, 0, nullptr);
  for (int y = 0; y < kSprite; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(sprite.pixels + y * sprite.base->pitch);
    for (int x = 0; x < kSprite; ++x) row[x] = SpritePixel(x, y);
  }
  MemImgFillRaw(&target, nullptr, 0x00204060);
  gDrawState.drawArea = Rect{0, 0, kTargetWidth, kTargetHeight};
  gDrawState.blendMode = kBlendNone;
  gDrawState.blendParameter = 255;
  gDrawState.tint = 0xFFFFFF;
  for (auto _ : state) {
    MemImgDrawRotated(&target, &sprite, kCentreX, kCentreY, kAngle, kZoom, 1, 0, nullptr);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  MemImgRelease(&sprite);
  MemImgRelease(&target);
}
BENCHMARK(BM_MemImgDrawRotated)->Unit(benchmark::kMicrosecond);

#ifdef ROTATE_BENCH_PIXMAN
void BM_PixmanRotatedNearest(benchmark::State& state) {
  std::vector<uint32_t> spriteBits(kSprite * kSprite);
  for (int y = 0; y < kSprite; ++y) {
    for (int x = 0; x < kSprite; ++x) {
      // pixman takes premultiplied colour.
      const uint32_t p = SpritePixel(x, y);
      const uint32_t a = p >> 24;
      const uint32_t r = ((p >> 16) & 0xFF) * a / 255;
      const uint32_t g = ((p >> 8) & 0xFF) * a / 255;
      const uint32_t b = (p & 0xFF) * a / 255;
      spriteBits[y * kSprite + x] = (a << 24) | (r << 16) | (g << 8) | b;
    }
  }
  std::vector<uint32_t> targetBits(kTargetWidth * kTargetHeight, 0x00204060);
  pixman_image_t* source = pixman_image_create_bits(PIXMAN_a8r8g8b8, kSprite, kSprite, spriteBits.data(), kSprite * 4);
  pixman_image_t* target =
      pixman_image_create_bits(PIXMAN_x8r8g8b8, kTargetWidth, kTargetHeight, targetBits.data(), kTargetWidth * 4);
  // Destination to sprite: about the centre, turned back and shrunk.
  pixman_f_transform f;
  pixman_f_transform_init_translate(&f, -kCentreX, -kCentreY);
  pixman_f_transform_rotate(&f, nullptr, std::cos(kAngle), -std::sin(kAngle));
  pixman_f_transform_scale(&f, nullptr, 1.0 / kZoom, 1.0 / kZoom);
  pixman_f_transform_translate(&f, nullptr, kSprite / 2.0, kSprite / 2.0);
  pixman_transform_t t;
  pixman_transform_from_pixman_f_transform(&t, &f);
  pixman_image_set_transform(source, &t);
  pixman_image_set_filter(source, PIXMAN_FILTER_NEAREST, nullptr, 0);
  pixman_image_set_repeat(source, PIXMAN_REPEAT_NONE);
  // The turned sprite's bounding box, clipped to the target.
  const double half = kSprite * kZoom * 0.5 * (std::cos(kAngle) + std::sin(kAngle));
  const int left = std::max(0, int(kCentreX - half) - 1);
  const int top = std::max(0, int(kCentreY - half) - 1);
  const int right = std::min(kTargetWidth, int(kCentreX + half) + 2);
  const int bottom = std::min(kTargetHeight, int(kCentreY + half) + 2);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, source, nullptr, target, left, top, 0, 0, left, top, right - left,
                             bottom - top);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
  pixman_image_unref(source);
  pixman_image_unref(target);
}
BENCHMARK(BM_PixmanRotatedNearest)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
