#include "support/GeometryDrawFixture.h"

#include <cstring>

#include <gtest/gtest.h>

#include "media/graphics/DrawState.h"
#include "media/softrender/BlendTables.h"
#include "media/softrender/RotateDraw.h"
#include "media/softrender/TriangleDraw.h"

namespace geometry_test {

TestImage::TestImage(int width, int height, int format, Kind kind, uint32_t transparentColor) {
  const bool palette = kind == Kind::Palette || kind == Kind::PaletteWithAlphaFlag;
  const bool alpha = kind == Kind::Alpha || kind == Kind::PaletteWithAlphaFlag;
  if (palette) {
    unit_ = 1;
  } else if (format == 1) {
    unit_ = 4;
  } else if (format == 0) {
    unit_ = alpha ? 4 : 2;
  } else {
    unit_ = 1;
  }
  base_.referenceCount = 1;
  base_.width = width;
  base_.height = height;
  base_.pitch = width * unit_ + 6;
  base_.pitchExponent = -1;
  base_.descriptor = nullptr;
  base_.transparentColor = transparentColor;
  base_.pixelFormat = format;
  base_.paletteFlag = palette ? 1 : 0;
  base_.paletteEntriesUsed = palette ? 256 : 0;
  base_.alphaFlag = alpha ? 1 : 0;
  memory_.assign(static_cast<size_t>(base_.pitch) * static_cast<size_t>(height), 0);
  base_.pixelMemory = memory_.data();
  if (palette) {
    palette32_.assign(256, 0);
    palette16_.assign(256, 0);
    base_.palette = format == 1 ? static_cast<void*>(palette32_.data()) : static_cast<void*>(palette16_.data());
  }
  view_.magic = kMemImgMagic;
  view_.width = width;
  view_.height = height;
  view_.pixels = memory_.data();
  view_.alphaPlane = nullptr;
  view_.base = &base_;
}

MEMIMG TestImage::Part(int x, int y, int width, int height) {
  MEMIMG part = view_;
  part.width = width;
  part.height = height;
  part.pixels = At(x, y);
  return part;
}

int TestImage::ChangedOutside(int x, int y, int width, int height, uint32_t value) const {
  int changed = 0;
  for (int py = 0; py < view_.height; ++py) {
    for (int px = 0; px < view_.width; ++px) {
      const bool inside = px >= x && px < x + width && py >= y && py < y + height;
      if (!inside && Get(px, py) != value) ++changed;
    }
  }
  return changed;
}

uint32_t TestImage::Get(int x, int y) const {
  const uint8_t* p = At(x, y);
  if (unit_ == 1) return *p;
  if (base_.pixelFormat == 0) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  }
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

void TestImage::Set(int x, int y, uint32_t value) {
  uint8_t* p = At(x, y);
  if (unit_ == 1) {
    *p = static_cast<uint8_t>(value);
  } else if (base_.pixelFormat == 0) {
    const uint16_t v = static_cast<uint16_t>(value);
    std::memcpy(p, &v, 2);
  } else {
    std::memcpy(p, &value, 4);
  }
}

void TestImage::SetAlpha16(int x, int y, uint8_t alpha) { At(x, y)[2] = alpha; }

void TestImage::Fill(uint32_t value) {
  for (int y = 0; y < height(); ++y) {
    for (int x = 0; x < width(); ++x) Set(x, y, value);
  }
}

void ResetDrawState() {
  MemImgBlendTablesBuild();
  for (int i = 0; i < 256; ++i) gBlendBorder[i] = static_cast<uint8_t>(i);
  gDrawState.drawArea = Rect{0, 0, 1024, 1024};
  gDrawState.blendMode = 0;
  gDrawState.blendParameter = 255;
  gDrawState.tint = 0xFFFFFF;
}

const char* PathName(Path path) { return path == Path::Triangle ? "triangle" : "rotated"; }

BlendResult RunBlendCase(const BlendCase& c, Path path) {
  ResetDrawState();
  gDrawState.blendMode = c.mode;
  gDrawState.blendParameter = c.parameter;
  gDrawState.tint = c.tint;

  const bool palette = c.kind == Kind::Palette || c.kind == Kind::PaletteWithAlphaFlag;
  TestImage source(1, 1, c.format, c.kind, c.key);
  if (palette) {
    source.Set(0, 0, 7);
    // Another index holds the same colour, so keying by colour would show.
    for (int i : {3, 7}) {
      source.palette32()[i] = c.src;
      source.palette16()[i] = static_cast<uint16_t>(c.src);
    }
  } else {
    source.Set(0, 0, c.src);
    if (c.kind == Kind::Alpha && c.format == 0) source.SetAlpha16(0, 0, static_cast<uint8_t>(c.alpha));
  }
  TestImage blend(1, 1, 2);
  blend.Set(0, 0, static_cast<uint32_t>(c.coverage < 0 ? 0 : c.coverage));
  const MEMIMG* blendView = c.coverage < 0 ? nullptr : blend.view();

  TestImage dest(4, 4, c.format);
  dest.Fill(c.dst);
  int tx = 0;
  int ty = 0;
  if (path == Path::Triangle) {
    // Only pixel (0, 0) maps inside the one-texel source.
    const MemImgVertex v[3] = {{0, 0, 0, 0}, {2, 0, 2, 0}, {0, 2, 0, 2}};
    MemImgDrawTriangle(dest.view(), source.view(), v, c.flag ? 1 : 0, blendView, 0);
  } else {
    tx = 2;
    ty = 1;
    MemImgDrawRotated(dest.view(), source.view(), tx, ty, 0.0f, 1.0f, c.flag ? 1 : 0, 0, blendView);
  }
  BlendResult result{dest.Get(tx, ty), true};
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      if ((x != tx || y != ty) && dest.Get(x, y) != (c.format == 1 ? c.dst : (c.dst & 0xFFFF))) {
        result.othersUnchanged = false;
      }
    }
  }
  return result;
}

void ExpectBlendCases(const std::vector<BlendCase>& cases) {
  for (const BlendCase& c : cases) {
    for (Path path : {Path::Triangle, Path::Rotated}) {
      const BlendResult r = RunBlendCase(c, path);
      EXPECT_EQ(r.pixel, c.expected) << c.name << " (" << PathName(path) << "): got 0x" << std::hex << r.pixel
                                     << ", expected 0x" << c.expected;
      EXPECT_TRUE(r.othersUnchanged) << c.name << " (" << PathName(path) << ")";
    }
  }
}

}  // namespace geometry_test
