// Software renderer blits beside pixman doing the same work on the same
// sizes: a 640x480 alpha-blended plain draw, a 2x stretched draw and a box fill;
// the plain copy and the box fill in both pixel depths.
#include <benchmark/benchmark.h>
#include <pixman.h>

#include <cstring>
#include <vector>

#include "media/graphics/DrawState.h"
#include "media/softrender/BlendTables.h"
#include "media/softrender/MemImgDraw.h"

namespace {

struct Image {
  MEMIMG view{};
  Image(int w, int h, int alpha, int format = kMemImgRgb32) {
    MemImgCreate(&view, w, h, -1, 0, format, 0, alpha, 0, nullptr);
    const int unit = format == kMemImgRgb32 ? 4 : 2;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        uint32_t v = static_cast<uint32_t>((x * 7 + y * 13) & 0xFF) * 0x010101u;
        if (alpha) v = (v & 0xFFFFFF) | (static_cast<uint32_t>((x + y) & 0xFF) << 24);
        std::memcpy(view.pixels + y * view.base->pitch + x * unit, &v, static_cast<size_t>(unit));
      }
  }
  ~Image() { MemImgRelease(&view); }
};

void Setup(int mode, int p) {
  MemImgBlendTablesBuild();
  gDrawState.drawArea = Rect{0, 0, 640, 480};
  gDrawState.blendMode = mode;
  gDrawState.blendParameter = p;
  gDrawState.tint = 0xFFFFFF;
}

pixman_image_t* Wrap(MEMIMG& img, pixman_format_code_t format) {
  return pixman_image_create_bits(format, img.width, img.height, reinterpret_cast<uint32_t*>(img.pixels),
                                  img.base->pitch);
}

void BM_PlainAlpha_MemImg(benchmark::State& state) {
  Setup(0, 0);
  Image src(640, 480, 1), dst(640, 480, 0);
  for (auto _ : state) {
    MemImgDrawPlain(&dst.view, &src.view, 0, 0, 1, nullptr);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PlainAlpha_MemImg);

// pixman doing the same full-screen plain draw, source with or without alpha.
void PixmanPlainComposite(benchmark::State& state, int alphaSource, pixman_op_t op) {
  Image src(640, 480, alphaSource), dst(640, 480, 0);
  pixman_image_t* s = Wrap(src.view, alphaSource ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8);
  pixman_image_t* d = Wrap(dst.view, PIXMAN_x8r8g8b8);
  for (auto _ : state) {
    pixman_image_composite32(op, s, nullptr, d, 0, 0, 0, 0, 0, 0, 640, 480);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
}

void BM_PlainAlpha_Pixman(benchmark::State& state) { PixmanPlainComposite(state, 1, PIXMAN_OP_OVER); }
BENCHMARK(BM_PlainAlpha_Pixman);

void BM_PlainCopy_MemImg(benchmark::State& state) {
  Setup(0, 0);
  Image src(640, 480, 0), dst(640, 480, 0);
  for (auto _ : state) {
    MemImgDrawPlain(&dst.view, &src.view, 0, 0, 0, nullptr);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PlainCopy_MemImg);

void BM_PlainCopy_Pixman(benchmark::State& state) { PixmanPlainComposite(state, 0, PIXMAN_OP_SRC); }
BENCHMARK(BM_PlainCopy_Pixman);

void BM_PlainCopy16_MemImg(benchmark::State& state) {
  Setup(0, 0);
  Image src(640, 480, 0, kMemImgRgb565), dst(640, 480, 0, kMemImgRgb565);
  for (auto _ : state) {
    MemImgDrawPlain(&dst.view, &src.view, 0, 0, 0, nullptr);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_PlainCopy16_MemImg);

void BM_PlainCopy16_Pixman(benchmark::State& state) {
  Image src(640, 480, 0, kMemImgRgb565), dst(640, 480, 0, kMemImgRgb565);
  pixman_image_t* s = Wrap(src.view, PIXMAN_r5g6b5);
  pixman_image_t* d = Wrap(dst.view, PIXMAN_r5g6b5);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, 640, 480);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
}
BENCHMARK(BM_PlainCopy16_Pixman);

void BM_Stretch2x_MemImg(benchmark::State& state) {
  Setup(0, 0);
  Image src(320, 240, 0), dst(640, 480, 0);
  int rect[4] = {0, 0, 640, 480};
  for (auto _ : state) {
    MemImgDrawStretched(&dst.view, &src.view, rect, 0, nullptr);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_Stretch2x_MemImg);

void BM_Stretch2x_Pixman(benchmark::State& state) {
  Image src(320, 240, 0), dst(640, 480, 0);
  pixman_image_t* s = Wrap(src.view, PIXMAN_x8r8g8b8);
  pixman_image_t* d = Wrap(dst.view, PIXMAN_x8r8g8b8);
  pixman_transform_t t;
  pixman_transform_init_scale(&t, pixman_double_to_fixed(0.5), pixman_double_to_fixed(0.5));
  pixman_image_set_transform(s, &t);
  pixman_image_set_filter(s, PIXMAN_FILTER_NEAREST, nullptr, 0);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, 640, 480);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(s);
  pixman_image_unref(d);
}
BENCHMARK(BM_Stretch2x_Pixman);

void BM_FillBox_MemImg(benchmark::State& state) {
  Setup(0, 0);
  Image dst(640, 480, 0);
  for (auto _ : state) {
    MemImgFillBox(&dst.view, nullptr, 0xFF336699u);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FillBox_MemImg);

void BM_FillBox_Pixman(benchmark::State& state) {
  Image dst(640, 480, 0);
  for (auto _ : state) {
    pixman_fill(reinterpret_cast<uint32_t*>(dst.view.pixels), dst.view.base->pitch / 4, 32, 0, 0, 640, 480,
                0xFF336699u);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FillBox_Pixman);

void BM_FillBox16_MemImg(benchmark::State& state) {
  Setup(0, 0);
  Image dst(640, 480, 0, kMemImgRgb565);
  for (auto _ : state) {
    MemImgFillBox(&dst.view, nullptr, 0x3366u);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FillBox16_MemImg);

void BM_FillBox16_Pixman(benchmark::State& state) {
  Image dst(640, 480, 0, kMemImgRgb565);
  for (auto _ : state) {
    pixman_fill(reinterpret_cast<uint32_t*>(dst.view.pixels), dst.view.base->pitch / 4, 16, 0, 0, 640, 480, 0x3366u);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FillBox16_Pixman);

void BM_FillBoxAlpha_MemImg(benchmark::State& state) {
  Setup(1, 128);
  Image dst(640, 480, 0);
  for (auto _ : state) {
    MemImgFillBox(&dst.view, nullptr, 0xFF336699u);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FillBoxAlpha_MemImg);

void BM_FillBoxAlpha_Pixman(benchmark::State& state) {
  Image dst(640, 480, 0);
  pixman_image_t* d = Wrap(dst.view, PIXMAN_x8r8g8b8);
  pixman_color_t c{0x3333, 0x6666, 0x9999, 0x8080};
  pixman_image_t* solid = pixman_image_create_solid_fill(&c);
  for (auto _ : state) {
    pixman_image_composite32(PIXMAN_OP_OVER, solid, nullptr, d, 0, 0, 0, 0, 0, 0, 640, 480);
    benchmark::ClobberMemory();
  }
  pixman_image_unref(solid);
  pixman_image_unref(d);
}
BENCHMARK(BM_FillBoxAlpha_Pixman);

}  // namespace
