#include "media/softrender/TriangleDraw.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "foundation/TextFunctions.h"
#include "media/graphics/DrawState.h"
#include "media/softrender/BlendModeContext.h"
#include "media/softrender/BlendModeSpan.h"
#include "media/softrender/BlendTables.h"
#include "media/softrender/TriangleRaster.h"

namespace memimg_triangle {

namespace {

int32_t Gradient(int32_t numerator, int32_t determinant) {
  return DoubleToIntTrunc(static_cast<double>(numerator) * 262144.0 / static_cast<double>(determinant));
}

// A segment from P to Q starting at startX. Rows are counted in 64 bits so
// that coordinates beyond the supported range cannot make a negative count.
bool MakeSegment(int32_t startX, int32_t startY, int32_t endX, int32_t endY, Segment* s) {
  const int64_t rows = (static_cast<int64_t>(endY) - startY) / kOne;
  if (rows <= 0) return false;
  s->x = startX;
  s->rows = static_cast<int32_t>(rows);
  s->step = Wrap(static_cast<uint32_t>((static_cast<int64_t>(endX) - startX) / rows));
  s->row = ToWhole(startY);
  return true;
}

}  // namespace

bool SetUpTriangle(const MemImgVertex* v, TriangleSetup* t) {
  int32_t X[3], Y[3], U[3], V[3];
  for (int i = 0; i < 3; ++i) {
    X[i] = AddWrap(ToFixed(v[i].x), kHalf);
    Y[i] = AddWrap(ToFixed(v[i].y), kHalf);
    U[i] = ToFixed(v[i].u);
    V[i] = ToFixed(v[i].v);
  }
  // Both orders come from the same exchange pass; equal keys stay in
  // memory order.
  int byX[3] = {0, 1, 2};
  int byY[3] = {0, 1, 2};
  for (int i = 0; i < 2; ++i) {
    for (int j = i + 1; j < 3; ++j) {
      if (X[byX[i]] > X[byX[j]]) std::swap(byX[i], byX[j]);
      if (Y[byY[i]] > Y[byY[j]]) std::swap(byY[i], byY[j]);
    }
  }
  const int r = byX[0];
  const int p1 = byX[1];
  const int p2 = byX[2];
  const int32_t dx1 = ToWhole(SubWrap(X[p1], X[r]));
  const int32_t dy1 = ToWhole(SubWrap(Y[p1], Y[r]));
  const int32_t du1 = ToWhole(SubWrap(U[p1], U[r]));
  const int32_t dv1 = ToWhole(SubWrap(V[p1], V[r]));
  const int32_t dx2 = ToWhole(SubWrap(X[p2], X[r]));
  const int32_t dy2 = ToWhole(SubWrap(Y[p2], Y[r]));
  const int32_t du2 = ToWhole(SubWrap(U[p2], U[r]));
  const int32_t dv2 = ToWhole(SubWrap(V[p2], V[r]));
  const int32_t det = SubWrap(MulWrap(dy1, dx2), MulWrap(dy2, dx1));
  if (det == 0) return false;

  t->dudx = Gradient(SubWrap(MulWrap(dy1, du2), MulWrap(dy2, du1)), det);
  t->dudy = Gradient(SubWrap(MulWrap(du1, dx2), MulWrap(dx1, du2)), det);
  t->dvdx = Gradient(SubWrap(MulWrap(dy1, dv2), MulWrap(dy2, dv1)), det);
  t->dvdy = Gradient(SubWrap(MulWrap(dv1, dx2), MulWrap(dx1, dv2)), det);
  t->xr = ToWhole(X[r]);
  t->yr = ToWhole(Y[r]);
  t->ur = U[r];
  t->vr = V[r];

  const int top = byY[0];
  const int mid = byY[1];
  const int bot = byY[2];
  Edge& left = t->left;
  Edge& right = t->right;
  bool ok = true;
  if (Y[top] == Y[mid]) {
    const int rv = X[top] > X[mid] ? top : mid;
    const int lv = rv == top ? mid : top;
    left.count = right.count = 1;
    ok = MakeSegment(X[lv], Y[lv], X[bot], Y[bot], &left.segments[0]) &&
         MakeSegment(X[rv], Y[rv], X[bot], Y[bot], &right.segments[0]);
    t->firstRow = ToWhole(Y[lv]);
  } else if (Y[mid] == Y[bot]) {
    const int lv = X[mid] < X[bot] ? mid : bot;
    const int rv = lv == mid ? bot : mid;
    left.count = right.count = 1;
    ok = MakeSegment(X[top], Y[top], X[lv], Y[lv], &left.segments[0]) &&
         MakeSegment(X[top], Y[top], X[rv], Y[rv], &right.segments[0]);
    t->firstRow = ToWhole(Y[top]);
  } else {
    const double slopeMid =
        (static_cast<double>(X[mid]) - X[top]) / ((static_cast<double>(Y[mid]) - Y[top]) / 262144.0);
    const double slopeBot =
        (static_cast<double>(X[bot]) - X[top]) / ((static_cast<double>(Y[bot]) - Y[top]) / 262144.0);
    if (slopeBot > slopeMid) {
      // The middle vertex lies on the left.
      left.count = 2;
      right.count = 1;
      ok = MakeSegment(X[top], Y[top], X[mid], Y[mid], &left.segments[0]) &&
           MakeSegment(X[mid], Y[mid], X[bot], Y[bot], &left.segments[1]) &&
           MakeSegment(X[top], Y[top], X[bot], Y[bot], &right.segments[0]);
    } else {
      left.count = 1;
      right.count = 2;
      ok = MakeSegment(X[top], Y[top], X[bot], Y[bot], &left.segments[0]) &&
           MakeSegment(X[top], Y[top], X[mid], Y[mid], &right.segments[0]) &&
           MakeSegment(AddWrap(X[mid], 1), Y[mid], X[bot], Y[bot], &right.segments[1]);
    }
    t->firstRow = ToWhole(Y[top]);
  }
  return ok;
}

}  // namespace memimg_triangle

namespace {

using memimg_pixel::FlatContext;
using memimg_pixel::TexturedDraw;
using memimg_triangle::TriangleSetup;

// The fill colour after the draw brightness, in the destination's format.
uint32_t TintFlatColour(int32_t format, uint32_t colour, uint32_t tint) {
  const int32_t* blue = gBlendScale[tint & 0xFFu];
  const int32_t* green = gBlendScale[(tint >> 8) & 0xFFu];
  const int32_t* red = gBlendScale[(tint >> 16) & 0xFFu];
  if (format == 1) {
    return (colour & 0xFF000000u) | (static_cast<uint32_t>(red[(colour >> 16) & 0xFF]) << 16) |
           (static_cast<uint32_t>(green[(colour >> 8) & 0xFF]) << 8) | static_cast<uint32_t>(blue[colour & 0xFF]);
  }
  // Bits above the 565 word are not part of a 16-bit colour; masking keeps
  // the lookups inside their rows.
  return (static_cast<uint32_t>(red[(colour >> 11) & 0x1F]) << 11) |
         (static_cast<uint32_t>(green[(colour >> 5) & 0x3F]) << 5) | static_cast<uint32_t>(blue[colour & 0x1F]);
}

uint32_t ScaleFlatColour(int32_t format, uint32_t q, int32_t parameter) {
  const int32_t* row = gBlendScale[parameter];
  if (format == 1) {
    return (static_cast<uint32_t>(row[(q >> 16) & 0xFF]) << 16) | (static_cast<uint32_t>(row[(q >> 8) & 0xFF]) << 8) |
           static_cast<uint32_t>(row[q & 0xFF]);
  }
  return (static_cast<uint32_t>(row[(q >> 11) & 0x1F]) << 11) | (static_cast<uint32_t>(row[(q >> 5) & 0x3F]) << 5) |
         static_cast<uint32_t>(row[q & 0x1F]);
}

void DrawFlat(MEMIMG* dest, const TriangleSetup& t, const Rect& area, uint32_t colour) {
  const int32_t format = dest->base->pixelFormat;
  const int32_t parameter = std::clamp(gDrawState.blendParameter, 0, 255);
  FlatContext c;
  c.q = TintFlatColour(format, colour, gDrawState.tint);
  c.scaled = ScaleFlatColour(format == 1 ? 1 : 0, c.q, parameter);
  c.signedA = BlendSignedScaleZero(parameter);
  c.a = parameter;
  uint8_t* const pixels = dest->pixels;
  const ptrdiff_t pitch = dest->base->pitch;
  memimg_pixel::SelectFlat(format, gDrawState.blendMode, parameter, [&]<class Op>(std::type_identity<Op>) {
    memimg_triangle::ScanTriangle(t, area, [&](int32_t row, int32_t x, int32_t count) {
      uint8_t* p = pixels + row * pitch + static_cast<ptrdiff_t>(x) * Op::kDstBytes;
      for (int32_t i = 0; i < count; ++i, p += Op::kDstBytes) Op::Apply(c, p);
    });
  });
}

void DrawTextured(MEMIMG* dest, const TriangleSetup& t, const Rect& area, const TexturedDraw& d) {
  uint8_t* const pixels = dest->pixels;
  const ptrdiff_t pitch = dest->base->pitch;
  const memimg_pixel::SpanSource size{static_cast<uint32_t>(d.sourceWidth) << 18, static_cast<uint32_t>(d.sourceHeight)
                                                                                      << 18};
  const memimg_pixel::PitchRows source{d.sourcePixels, d.sourcePitch};
  const memimg_pixel::PitchRows blend{d.blend.pixels, d.blend.pitch};
  memimg_pixel::SelectTextured(d.selection, [&]<class Op>(std::type_identity<Op>) {
    memimg_triangle::ScanTriangle(t, area, [&](int32_t row, int32_t x, int32_t count) {
      uint32_t u, v;
      memimg_triangle::TexelAt(t, x, row, &u, &v);
      uint8_t* p = pixels + row * pitch + static_cast<ptrdiff_t>(x) * Op::kDstBytes;
      memimg_pixel::DrawSpan<Op>(d.context, size, source, blend, p, u, v, static_cast<uint32_t>(t.dudx),
                                 static_cast<uint32_t>(t.dvdx), count);
    });
  });
}

}  // namespace

void MemImgDrawTriangle(MEMIMG* dest, const MEMIMG* source, const MemImgVertex* vertices, int transparent,
                        const MEMIMG* blendImage, int color) {
  if (vertices == nullptr || !memimg_pixel::DestinationDrawable(dest)) return;
  if (source != nullptr &&
      (!memimg_pixel::ViewUsable(source) || source->base->pixelFormat != dest->base->pixelFormat)) {
    return;
  }
  TriangleSetup setup;
  if (!memimg_triangle::SetUpTriangle(vertices, &setup)) return;
  const Rect area = MemImgDrawableArea(dest);
  if (source == nullptr) {
    DrawFlat(dest, setup, area, static_cast<uint32_t>(color));
    return;
  }
  TexturedDraw draw;
  if (!memimg_pixel::PrepareTexturedDraw(dest, source, transparent, blendImage, &draw)) return;
  DrawTextured(dest, setup, area, draw);
}
