// One 640x480x32 frame through the public drawing entries on the headless
// backend (clear, a 320x240 background stretched to the screen, 200 64x64
// alpha sprites, 20 boxes at alpha 128, presentation into the window image)
// beside pixman doing the same composites.
#include <benchmark/benchmark.h>
#include <pixman.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "BenchLibrary.h"
#include "media/PublicFunctions.h"
#include "media/graphics/GraphicsSystem.h"  // graphs from pictures in memory
#include "media/image/GraphImage.h"
#include "platform/Backend.h"
#include "platform/window/Window.h"

namespace {

constexpr int kSprites = 200;
constexpr int kBoxes = 20;

uint32_t BackgroundColour(int x, int y) { return 0xFF000000u | ((x * 3) & 0xFF) << 16 | ((y * 5) & 0xFF) << 8 | 0x40; }
uint32_t SpriteColour(int x, int y) {
  const int dx = x - 32, dy = y - 32;
  const int alpha = dx * dx + dy * dy < 900 ? 255 - (dx * dx + dy * dy) / 4 : 0;
  return static_cast<uint32_t>(alpha) << 24 | 0xE08020u | (x & 0xF);
}
int SpriteX(int i) { return (i * 97) % 600 - 20; }
int SpriteY(int i) { return (i * 57) % 440 - 10; }

struct Library {
  int background = -1;
  int sprite = -1;
  Library() {
    StartHeadlessBenchLibrary("player-bench-");
    background = MakeBenchGraph(320, 240, false, BackgroundColour);
    sprite = MakeBenchGraph(64, 64, true, SpriteColour);
  }
};

Library& TheLibrary() {
  static Library library;
  return library;
}

void BM_Frame_PublicEntries(benchmark::State& state) {
  Library& lib = TheLibrary();
  const int boxColour = PackColor(30, 200, 120);
  for (auto _ : state) {
    ClearDrawTarget();
    PutGraphStretched(0, 0, 640, 480, lib.background, 0);
    for (int i = 0; i < kSprites; ++i) PutGraph(SpriteX(i), SpriteY(i), lib.sprite, 1);
    SetBlendState(1, 128);
    for (int i = 0; i < kBoxes; ++i) PutBox(i * 30, i * 20, i * 30 + 80, i * 20 + 60, boxColour, 1);
    SetBlendState(0, 0);
    PresentFrame();
  }
}
BENCHMARK(BM_Frame_PublicEntries)->Unit(benchmark::kMillisecond);

void BM_Frame_Pixman(benchmark::State& state) {
  std::vector<uint32_t> screen(640 * 480), window(640 * 480), background(320 * 240), sprite(64 * 64);
  for (int y = 0; y < 240; ++y)
    for (int x = 0; x < 320; ++x) background[y * 320 + x] = BackgroundColour(x, y);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      // pixman works on premultiplied pixels.
      const uint32_t c = SpriteColour(x, y), a = c >> 24;
      const uint32_t r = ((c >> 16) & 0xFF) * a / 255, g = ((c >> 8) & 0xFF) * a / 255, b = (c & 0xFF) * a / 255;
      sprite[y * 64 + x] = a << 24 | r << 16 | g << 8 | b;
    }
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_x8r8g8b8, 640, 480, screen.data(), 640 * 4);
  pixman_image_t* out = pixman_image_create_bits(PIXMAN_x8r8g8b8, 640, 480, window.data(), 640 * 4);
  pixman_image_t* bg = pixman_image_create_bits(PIXMAN_x8r8g8b8, 320, 240, background.data(), 320 * 4);
  pixman_image_t* sp = pixman_image_create_bits(PIXMAN_a8r8g8b8, 64, 64, sprite.data(), 64 * 4);
  pixman_transform_t half;
  pixman_transform_init_scale(&half, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
  pixman_image_set_transform(bg, &half);
  pixman_image_set_filter(bg, PIXMAN_FILTER_NEAREST, nullptr, 0);
  const pixman_color_t black{0, 0, 0, 0xFFFF};
  const pixman_color_t box{0x0F0F, 0x6464, 0x3C3C, 0x8080};  // premultiplied at alpha 128
  pixman_image_t* clear = pixman_image_create_solid_fill(&black);
  pixman_image_t* fill = pixman_image_create_solid_fill(&box);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, clear, nullptr, dst, 0, 0, 0, 0, 0, 0, 640, 480);
    pixman_image_composite32(PIXMAN_OP_SRC, bg, nullptr, dst, 0, 0, 0, 0, 0, 0, 640, 480);
    for (int i = 0; i < kSprites; ++i)
      pixman_image_composite32(PIXMAN_OP_OVER, sp, nullptr, dst, 0, 0, 0, 0, SpriteX(i), SpriteY(i), 64, 64);
    for (int i = 0; i < kBoxes; ++i)
      pixman_image_composite32(PIXMAN_OP_OVER, fill, nullptr, dst, 0, 0, 0, 0, i * 30, i * 20, 80, 60);
    pixman_image_composite32(PIXMAN_OP_SRC, dst, nullptr, out, 0, 0, 0, 0, 0, 0, 640, 480);
    benchmark::ClobberMemory();
  }
  for (pixman_image_t* i : {dst, out, bg, sp, clear, fill}) pixman_image_unref(i);
}
BENCHMARK(BM_Frame_Pixman)->Unit(benchmark::kMillisecond);

}  // namespace
