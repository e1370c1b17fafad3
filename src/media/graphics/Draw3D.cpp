// The draws of texture graphs: every texture piece becomes two triangles of
// pre-transformed vertices in the device's batch; boxes, clearing and the
// draw target of the 3D path; the subtract emulation.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "media/graphics/Direct3D.h"
#include "media/system/LibrarySystem.h"

namespace gpu = platform::gpu;

namespace {

// A quad corner before it is written: screen position, texture and blend coordinates.
struct Corner {
  float x, y, u, v, bu, bv;
};

int Device() { return gDirect3DState.currentDevice; }

const TextureSetRecord* FirstPiece(const GraphRecord* g) {
  return g->storageCount > 0 ? GetTextureSetRecord(g->storage[0]) : nullptr;
}

float FrontX() { return static_cast<float>(gDrawState.frontWindowRect.left); }
float FrontY() { return static_cast<float>(gDrawState.frontWindowRect.top); }

int DrawFlags(int transparent, int keepAlphaTest) {
  return (transparent != 0 ? 1 : 0) | (keepAlphaTest != 0 ? 2 : 0) | (gDrawState.depthBufferUse != 0 ? 4 : 0);
}

// Makes the piece's texture current and the blend states match it.
const SurfaceDataRecord* UsePiece(const TextureSetRecord* p) {
  const SurfaceDataRecord* st = GetSurfaceDataRecord(p->store);
  if (st == nullptr) return nullptr;
  DeviceStateCache* c = CurrentDeviceCache();
  if (c->texture != st->surface) SetDeviceTexture(Device(), st->surface);
  if (c->dirty != 0 || c->textureChanged != 0) ApplyDeviceBlendStates(Device());
  return st;
}

// Writes count vertices of the batch's kind for the corners in the order given.
void WriteVertices(uint8_t* at, int kind, const Corner* corners, const int* order, int count) {
  const float z = gDrawState.flatDrawDepth;
  const uint32_t diffuse = gDirect3DState.packedDiffuse;
  for (int i = 0; i < count; ++i) {
    const Corner& c = corners[order[i]];
    if (kind == 2) {
      BlendVertex v{c.x, c.y, z, 1.0f, diffuse, 0xFFFFFFFFu, c.bu, c.bv, c.u, c.v};
      std::memcpy(at, &v, sizeof v);
      at += sizeof v;
    } else {
      ScreenVertex v{c.x, c.y, z, 1.0f, diffuse, c.u, c.v};
      std::memcpy(at, &v, sizeof v);
      at += sizeof v;
    }
  }
}

constexpr int kQuadOrder[6] = {0, 1, 2, 3, 2, 1};

void AppendQuad(const Corner* corners, const int* order = kQuadOrder) {
  DeviceStateCache* c = CurrentDeviceCache();
  if (c->vertexKind == 0) return;
  uint8_t* at = ReserveBatchVertices(Device(), 6, gpu::kTriangleList);
  WriteVertices(at, c->vertexKind, corners, order, 6);
}

// Draws vertices at once as a strip of the batch's vertex format.
void DrawStrip(const Corner* corners, const int* order, int count) {
  DeviceStateCache* c = CurrentDeviceCache();
  if (c->vertexKind == 0) return;
  FlushCurrentDevicePrimitives();
  if (c->suppressDraw != 0 || HasWindowQuit() != 0) return;
  uint8_t buffer[4 * sizeof(BlendVertex)];
  WriteVertices(buffer, c->vertexKind, corners, order, count);
  gpu::DrawPrimitive(c->device, gpu::kTriangleStrip, c->vertexKind == 2 ? gpu::kFvfTwoTextures : gpu::kFvfOneTexture,
                     buffer, count);
}

// Moves a corner onto the float draw area, its texture and blend coordinates
// with it; stretchX/Y is screen pixels per graph pixel.
void ClampCorner(Corner& k, float textureWidth, float textureHeight, float stretchX, float stretchY) {
  const DrawState& ds = gDrawState;
  const float left = ds.drawAreaF[0] + FrontX(), top = ds.drawAreaF[1] + FrontY();
  const float right = ds.drawAreaF[2] + FrontX(), bottom = ds.drawAreaF[3] + FrontY();
  const Direct3DState& d = gDirect3DState;
  auto move = [&](float& pos, float edge, float& u, float& bu, float size, float stretch, float blendScale) {
    const float delta = edge - pos;
    u += delta / (size * stretch);
    bu += delta / stretch * blendScale;
    pos = edge;
  };
  if (k.x < left) move(k.x, left, k.u, k.bu, textureWidth, stretchX, d.blendScaleX);
  else if (k.x > right) move(k.x, right, k.u, k.bu, textureWidth, stretchX, d.blendScaleX);
  if (k.y < top) move(k.y, top, k.v, k.bv, textureHeight, stretchY, d.blendScaleY);
  else if (k.y > bottom) move(k.y, bottom, k.v, k.bv, textureHeight, stretchY, d.blendScaleY);
}

// The shared frame of the vertex family: checks, scene, preparation.
template <class Piece>
int DrawPieces(GraphRecord* g, int flags, Piece piece) {
  Direct3DState& d = gDirect3DState;
  if (d.object == 0) return -1;
  if (d.targetNotDrawable != 0) return 0;
  const TextureSetRecord* first = FirstPiece(g);
  if (first == nullptr) return -1;
  BeginCurrentDeviceScene();
  PrepareDeviceForDraw(first, flags);
  for (int i = 0; i < g->storageCount; ++i) {
    const TextureSetRecord* p = GetTextureSetRecord(g->storage[i]);
    if (p == nullptr) return -1;
    const SurfaceDataRecord* st = UsePiece(p);
    if (st == nullptr) return -1;
    piece(*p, *st);
  }
  if (d.frontTarget != 0) EndCurrentDeviceScene();
  return 0;
}

Corner CornerAt(const TextureSetRecord& p, int k, float x, float y) {
  const Direct3DState& d = gDirect3DState;
  const ScreenVertex& v = p.corners[k];
  return Corner{x, y, v.u, v.v, v.x * d.blendScaleX, v.y * d.blendScaleY};
}

bool Near(float a, float b, float tolerance) { return std::fabs(a - b) < tolerance; }

bool NearInteger(float a, float tolerance) { return std::fabs(a - std::round(a)) < tolerance; }

}  // namespace

// --- The vertex family ---------------------------------------------------------------------------

int PutGraph3D(int x, int y, float fx, float fy, GraphRecord* g, int transparent, int keepAlphaTest) {
  const Rect& clip = gDrawState.drawArea;
  const bool inside = x >= clip.left && y >= clip.top && x + g->width <= clip.right && y + g->height <= clip.bottom;
  const float ox = fx - 0.5f + FrontX(), oy = fy - 0.5f + FrontY();
  return DrawPieces(g, DrawFlags(transparent, keepAlphaTest),
                    [&](const TextureSetRecord& p, const SurfaceDataRecord& st) {
                      Corner k[4];
                      for (int i = 0; i < 4; ++i) k[i] = CornerAt(p, i, ox + p.corners[i].x, oy + p.corners[i].y);
                      if (!inside)
                        for (Corner& c : k)
                          ClampCorner(c, static_cast<float>(st.width), static_cast<float>(st.height), 1.0f, 1.0f);
                      AppendQuad(k);
                    });
}

int PutGraphStretched3D(int x1, int y1, int x2, int y2, float fx1, float fy1, float fx2, float fy2, GraphRecord* g,
                        int transparent, int keepAlphaTest) {
  if (gDirect3DState.object == 0) return -1;
  if (x1 == x2 || y1 == y2) return -1;
  const Rect& clip = gDrawState.drawArea;
  const int left = std::min(x1, x2), right = std::max(x1, x2), top = std::min(y1, y2), bottom = std::max(y1, y2);
  const bool inside = left >= clip.left && top >= clip.top && right <= clip.right && bottom <= clip.bottom;
  const float sx = (fx2 - fx1) / static_cast<float>(g->width), sy = (fy2 - fy1) / static_cast<float>(g->height);
  const float ox = fx1 - 0.5f + FrontX(), oy = fy1 - 0.5f + FrontY();
  const int keep = gDrawState.samplingMode == 0 ? keepAlphaTest : 0;
  return DrawPieces(g, DrawFlags(transparent, keep), [&](const TextureSetRecord& p, const SurfaceDataRecord& st) {
    Corner k[4];
    for (int i = 0; i < 4; ++i) k[i] = CornerAt(p, i, ox + p.corners[i].x * sx, oy + p.corners[i].y * sy);
    if (!inside)
      for (Corner& c : k) ClampCorner(c, static_cast<float>(st.width), static_cast<float>(st.height), sx, sy);
    AppendQuad(k);
  });
}

int PutGraphRotated3D(float cx, float cy, double scale, double angle, GraphRecord* g, int transparent, int turn) {
  if (gDirect3DState.object == 0) return -1;
  if (scale == 0) return -1;
  cx += FrontX();
  cy += FrontY();
  const bool rotate = angle != 0;
  float sine = 0, cosine = 1;
  if (rotate) {
    sine = std::sin(static_cast<float>(angle));
    cosine = std::cos(static_cast<float>(angle));
  }
  const int w = g->width, h = g->height;
  const bool integral = std::fabs(cx - std::trunc(cx)) < 0.00001f && std::fabs(cy - std::trunc(cy)) < 0.00001f;
  float originX = cx, originY = cy, halfX = static_cast<float>(w) / 2, halfY = static_cast<float>(h) / 2;
  bool centred = false;
  const bool oddW = (w & 1) != 0, oddH = (h & 1) != 0;
  if (integral) {
    if (scale != 1) {
      originX = cx - 0.5f, originY = cy - 0.5f;
      centred = true;
    } else if (!oddW && !oddH) {
      // Even sides: the half sizes are whole already.
      originX = cx - 0.5f, originY = cy - 0.5f;
    } else if (oddW && oddH) {
      centred = true;
    } else {
      halfX = static_cast<float>(w) / 2 - (oddW ? 0.0f : 0.5f);
      halfY = static_cast<float>(h) / 2 - (oddH ? 0.0f : 0.5f);
    }
  }
  bool nearAxis = false;
  if (integral && rotate && (oddW || oddH)) {
    const double a = angle;
    nearAxis = (a > -0.0698 && a < 0.0698) || (a > 1.5010 && a < 1.6406) || (a > 3.0718 && a < 3.2114) ||
               (a > 4.6426 && a < 4.7822) || (a > 6.2134 && a < 6.3530) || a <= -0.0698 || a >= 6.3530;
  }
  const float s = static_cast<float>(scale);
  auto map = [&](float px, float py, float& X, float& Y) {
    float dx = (px - halfX) * s;
    if (turn == 1) dx = -dx;
    const float dy = (py - halfY) * s;
    X = rotate ? originX + dx * cosine - dy * sine : originX + dx;
    Y = rotate ? originY + dx * sine + dy * cosine : originY + dy;
  };
  const bool onePiece = g->storageCount == 1;
  return DrawPieces(g, DrawFlags(transparent, 0), [&](const TextureSetRecord& p, const SurfaceDataRecord&) {
    Corner k[4];
    float X[4], Y[4];
    if (onePiece && centred) {
      map(p.corners[0].x, p.corners[0].y, X[0], Y[0]);
      map(p.corners[1].x, p.corners[1].y, X[1], Y[1]);
      X[3] = 2 * originX - X[0], Y[3] = 2 * originY - Y[0];
      X[2] = 2 * originX - X[1], Y[2] = 2 * originY - Y[1];
    } else {
      for (int i = 0; i < 4; ++i) map(p.corners[i].x, p.corners[i].y, X[i], Y[i]);
    }
    for (int i = 0; i < 4; ++i) k[i] = CornerAt(p, i, X[i], Y[i]);
    if (CurrentDeviceCache()->vertexKind == 1 && rotate) {
      // Vertex 0 against vertices 1 and 2: an axis-parallel edge lands on pixel centres.
      auto axisParallel = [&](float a0, float a1, float a2) { return Near(a0, a1, 0.01f) || Near(a0, a2, 0.01f); };
      bool moveX = false, moveY = false;
      if (onePiece && centred && nearAxis) {
        moveX = axisParallel(k[0].x, k[1].x, k[2].x);
        moveY = axisParallel(k[0].y, k[1].y, k[2].y);
      } else if (integral && nearAxis) {
        moveX = oddW && axisParallel(k[0].x, k[1].x, k[2].x) && NearInteger(k[0].x, 0.001f);
        moveY = oddH && axisParallel(k[0].y, k[1].y, k[2].y) && NearInteger(k[0].y, 0.001f);
      } else if (!integral) {
        moveX = axisParallel(k[0].x, k[1].x, k[2].x) && NearInteger(k[0].x, 0.001f);
        moveY = axisParallel(k[0].y, k[1].y, k[2].y) && NearInteger(k[0].y, 0.001f);
      }
      for (Corner& c : k) {
        if (moveX) c.x -= 0.5f;
        if (moveY) c.y -= 0.5f;
      }
    }
    AppendQuad(k);
  });
}

// --- Four corners ----------------------------------------------------------------------------------

int DrawTextureGrid3D(int device, int columns, int rows, const ScreenVertex* vertices) {
  if (columns < 2 || rows < 2) return -1;
  DeviceStateCache* c = CurrentDeviceCache();
  if (c == nullptr) return -1;
  FlushDevicePrimitives(device);
  if (c->suppressDraw != 0 || HasWindowQuit() != 0) return 0;
  uint16_t indices[1100];
  int count = 0;
  auto draw = [&] {
    if (count > 0)
      gpu::DrawIndexedPrimitive(c->device, gpu::kTriangleStrip, gpu::kFvfOneTexture, vertices, columns * rows, indices,
                                count);
    count = 0;
  };
  for (int r = 0; r + 1 < rows; ++r) {
    const int strip = 2 * columns + (count > 0 ? 2 : 0);
    if (count + strip > 1000) draw();
    for (int col = 0; col < columns; ++col) {
      const auto lower = static_cast<uint16_t>((r + 1) * columns + col),
                 upper = static_cast<uint16_t>(r * columns + col);
      if (col == 0 && count > 0) {
        indices[count] = indices[count - 1];
        ++count;
        indices[count++] = lower;
      }
      indices[count++] = lower;
      indices[count++] = upper;
    }
  }
  draw();
  return 0;
}

namespace {

int DrawTexturePieceQuad(const TextureSetRecord& p, const float* P) {
  if (UsePiece(&p) == nullptr) return -1;
  const float x1 = P[0], y1 = P[1], x2 = P[2], y2 = P[3], x3 = P[4], y3 = P[5], x4 = P[6], y4 = P[7];
  const bool parallelogram = std::fabs((x2 - x1) - (x4 - x3)) < 1 && std::fabs((y2 - y1) - (y4 - y3)) < 1 &&
                             std::fabs((x3 - x1) - (x4 - x2)) < 1 && std::fabs((y3 - y1) - (y4 - y2)) < 1;
  if (parallelogram) {
    Corner k[4];
    for (size_t i = 0; i < 4; ++i) k[i] = CornerAt(p, static_cast<int>(i), P[2 * i], P[2 * i + 1]);
    const float cross1 = (x2 - x1) * (y3 - y1) - (y2 - y1) * (x3 - x1);
    const float cross2 = (x3 - x4) * (y2 - y4) - (y3 - y4) * (x2 - x4);
    static constexpr int kSwapped[6] = {0, 2, 1, 3, 1, 2};
    AppendQuad(k, (cross1 <= 0 && cross2 <= 0) ? kSwapped : kQuadOrder);
    return 0;
  }
  ScreenVertex grid[64];
  const ScreenVertex& tl = p.corners[0];
  const ScreenVertex& br = p.corners[3];
  for (int j = 0; j < 8; ++j) {
    const float t = static_cast<float>(j) / 7;
    const float ax = x1 + (x3 - x1) * t, ay = y1 + (y3 - y1) * t;
    const float bx = x2 + (x4 - x2) * t, by = y2 + (y4 - y2) * t;
    for (int i = 0; i < 8; ++i) {
      const float s = static_cast<float>(i) / 7;
      grid[(j * 8) + i] =
          ScreenVertex{ax + (bx - ax) * s,           ay + (by - ay) * s,       gDrawState.flatDrawDepth, 1.0f,
                       gDirect3DState.packedDiffuse, tl.u + (br.u - tl.u) * s, tl.v + (br.v - tl.v) * t};
    }
  }
  return DrawTextureGrid3D(Device(), 8, 8, grid);
}

}  // namespace

int PutGraphFourCorners3D(const float* corners, GraphRecord* g, int transparent) {
  Direct3DState& d = gDirect3DState;
  if (d.object == 0) return -1;
  if (gDrawState.blendGraph != -1) {
    int ints[8];
    for (int i = 0; i < 8; ++i) ints[i] = static_cast<int>(corners[i]);
    return PutGraphFourCornersSplit3D(ints, g, transparent);
  }
  float P[8];
  for (size_t i = 0; i < 4; ++i) {
    P[2 * i] = corners[2 * i] + FrontX();
    P[2 * i + 1] = corners[2 * i + 1] + FrontY();
  }
  const double w = g->width, h = g->height;
  int result = 0;
  const int draw = DrawPieces(g, DrawFlags(transparent, 0), [&](const TextureSetRecord& p, const SurfaceDataRecord&) {
    if (g->storageCount == 1) {
      result = DrawTexturePieceQuad(p, P);
      return;
    }
    float Q[8];
    for (size_t k = 0; k < 4; ++k) {
      const double x = p.corners[k].x, y = p.corners[k].y;
      const double lx = P[0] + (P[4] - P[0]) * y / h, ly = P[1] + (P[5] - P[1]) * y / h;
      const double rx = P[2] + (P[6] - P[2]) * y / h, ry = P[3] + (P[7] - P[3]) * y / h;
      Q[2 * k] = static_cast<float>(lx + (rx - lx) * x / w);
      Q[2 * k + 1] = static_cast<float>(ly + (ry - ly) * x / w);
    }
    if (DrawTexturePieceQuad(p, Q) < 0) result = -1;
  });
  return draw < 0 ? draw : result;
}

int PutGraphFourCornersSplit3D(const int* P, GraphRecord* g, int transparent) {
  if (gDirect3DState.object == 0) return -1;
  if (P[0] == P[4] && P[2] == P[6] && P[1] == P[3] && P[5] == P[7])
    return PutGraphStretched3D(P[0], P[1], P[6], P[7], static_cast<float>(P[0]), static_cast<float>(P[1]),
                               static_cast<float>(P[6]), static_cast<float>(P[7]), g, transparent, 1);
  float F[8];
  for (size_t i = 0; i < 4; ++i) {
    F[2 * i] = static_cast<float>(P[2 * i]) - 0.5f + FrontX();
    F[2 * i + 1] = static_cast<float>(P[2 * i + 1]) - 0.5f + FrontY();
  }
  const float w = static_cast<float>(g->width), h = static_cast<float>(g->height);
  return DrawPieces(g, DrawFlags(transparent, 1), [&](const TextureSetRecord& p, const SurfaceDataRecord&) {
    Corner k[4];
    for (int i = 0; i < 4; ++i) {
      const float x = p.corners[i].x, y = p.corners[i].y;
      float X, Y;
      if (p.cornerFlags[i] != 0) {
        X = F[0] + x * (F[2] - F[0]) / w + y * (F[4] - F[0]) / h;
        Y = F[1] + x * (F[3] - F[1]) / w + y * (F[5] - F[1]) / h;
      } else {
        X = F[6] + (x - w) * (F[6] - F[4]) / w + (y - h) * (F[6] - F[2]) / h;
        Y = F[7] + (x - w) * (F[7] - F[5]) / w + (y - h) * (F[7] - F[3]) / h;
      }
      k[i] = CornerAt(p, i, X, Y);
    }
    const float cross0 = (k[1].x - k[0].x) * (k[2].y - k[0].y) - (k[1].y - k[0].y) * (k[2].x - k[0].x);
    const float cross3 = (k[2].x - k[3].x) * (k[1].y - k[3].y) - (k[2].y - k[3].y) * (k[1].x - k[3].x);
    static constexpr int kStrip[4] = {0, 1, 2, 3}, kSwapped[4] = {0, 2, 1, 3};
    DrawStrip(k, (cross0 < 0 || (cross0 == 0 && cross3 <= 0)) ? kSwapped : kStrip, 4);
  });
}

// --- Boxes -------------------------------------------------------------------------------------------

namespace {

void AppendBoxes(const Rect* rects, int count, uint32_t colour) {
  uint8_t* at = ReserveBatchVertices(Device(), 6 * count, gpu::kTriangleList);
  const float z = gDrawState.flatDrawDepth;
  for (int r = 0; r < count; ++r) {
    const float x1 = static_cast<float>(rects[r].left) + FrontX(), x2 = static_cast<float>(rects[r].right) + FrontX();
    const float y1 = static_cast<float>(rects[r].top) + FrontY(), y2 = static_cast<float>(rects[r].bottom) + FrontY();
    const float xs[4] = {x1, x2, x1, x2}, ys[4] = {y1, y1, y2, y2};
    for (int i : kQuadOrder) {
      UntexturedVertex v{xs[i], ys[i], z, 1.0f, colour};
      std::memcpy(at, &v, sizeof v);
      at += sizeof v;
    }
  }
}

// Opens the scene and sets the device up for untextured vertices.
uint32_t PrepareBox(int color) {
  DeviceStateCache* c = CurrentDeviceCache();
  BeginCurrentDeviceScene();
  if (c->texture != 0 || c->force != 0) {
    FlushCurrentDevicePrimitives();
    SetDeviceTexture(Device(), 0);
  }
  PrepareDeviceForDraw(nullptr, 32 | (gDrawState.depthBufferUse != 0 ? 4 : 0));
  int red = 0, green = 0, blue = 0;
  UnpackColor(color, &red, &green, &blue);
  const uint32_t packed = gDirect3DState.packedDiffuse;
  const uint32_t tr = (packed >> 16) & 0xFF, tg = (packed >> 8) & 0xFF, tb = packed & 0xFF;
  return (packed & 0xFF000000u) | (static_cast<uint32_t>(red) * tr / 255) << 16 |
         (static_cast<uint32_t>(green) * tg / 255) << 8 | static_cast<uint32_t>(blue) * tb / 255;
}

}  // namespace

int FillBox3D(int x1, int y1, int x2, int y2, int color) {
  Direct3DState& d = gDirect3DState;
  if (d.object == 0) return -1;
  if (d.targetNotDrawable != 0) return FillBox2D(x1, y1, x2, y2, color);
  FlushCurrentDevicePrimitives();
  Rect r{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  ClipRectangle(&r, &gDrawState.drawArea);
  if (r.right <= r.left || r.bottom <= r.top) return 0;
  const uint32_t colour = PrepareBox(color);
  AppendBoxes(&r, 1, colour);
  if (d.frontTarget != 0) EndCurrentDeviceScene();
  return 0;
}

int FrameBox3D(int x1, int y1, int x2, int y2, int color) {
  Direct3DState& d = gDirect3DState;
  if (d.object == 0) return -1;
  if (d.targetNotDrawable != 0) return FrameBox2D(x1, y1, x2, y2, color);
  if (x2 < x1 || y2 < y1) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const uint32_t colour = PrepareBox(color);
  const Rect sides[4] = {
      {x1, y1, x2, y1 + 1}, {x2 - 1, y1 + 1, x2, y2}, {x1, y1 + 1, x1 + 1, y2}, {x1 + 1, y2 - 1, x2 - 1, y2}};
  AppendBoxes(sides, 4, colour);
  if (d.frontTarget != 0) EndCurrentDeviceScene();
  return 0;
}

// --- Draw target and clearing --------------------------------------------------------------------------

int ClearDrawTarget3D() {
  if (gDirect3DState.object == 0) return 0;
  FlushCurrentDevicePrimitives();
  EndCurrentDeviceScene();
  const int target = gDrawState.drawTarget;
  if (target == -4 || target == -2) return 0;
  GraphRecord* g = GetGraphRecord(target);
  if (g == nullptr || g->request.use3D == 0) return 0;
  const TextureSetRecord* p = FirstPiece(g);
  if (p == nullptr) return -1;
  const SurfaceDataRecord* st = GetSurfaceDataRecord(p->store);
  if (st == nullptr) return -1;
  if (st->depthSurface != 0) platform::FillSurface(st->depthSurface, nullptr, 0xFFFF);
  platform::FillSurface(st->surface, nullptr, EncodePixel(GetTextureColorFormat(st->surfaceFormat), 0, 0, 0, 0));
  return 0;
}

int SelectDrawTarget3D(int target) {
  Direct3DState& d = gDirect3DState;
  if (d.object == 0) return 0;
  const int device = d.currentDevice;
  FlushDevicePrimitives(device);
  EndDeviceScene(device);
  SetDeviceRenderTarget(0, device);
  SetDeviceTexture(device, 0);
  ScreenState& ss = gScreenState;
  platform::SurfaceHandle surface = 0;
  if (target == -4) {
    surface = ss.useFrontWorkSurface != 0 ? ss.frontWork : ss.primary;
    d.frontTarget = 1;
  } else if (target == -2) {
    surface = ss.back;
    d.frontTarget = 0;
  } else {
    GraphRecord* g = GetGraphRecord(target);
    if (g == nullptr) return -1;
    if (g->storageCount > 1) return 0;
    if (g->request.use3D != 0) {
      const TextureSetRecord* p = FirstPiece(g);
      const SurfaceDataRecord* st = p != nullptr ? GetSurfaceDataRecord(p->store) : nullptr;
      if (st == nullptr || st->request.drawValid == 0) return -1;
      surface = st->surface;
    } else {
      const Surface2DRecord* v = GetSurface2DRecord(g->storage[0]);
      const SurfaceDataRecord* st = v != nullptr ? GetSurfaceDataRecord(v->store) : nullptr;
      if (st == nullptr) return -1;
      if (st->softwareImage != 0) {
        d.targetNotDrawable = 1;
        return -1;
      }
      surface = st->surface;
    }
    d.frontTarget = 0;
  }
  d.targetNotDrawable = 0;
  SetDeviceRenderTarget(surface, device);
  return 0;
}

// --- Subtract emulation --------------------------------------------------------------------------------
// White drawn with mode 3 inverts the destination; adding the source to the
// inverted destination and inverting again leaves d - s p / 255.

namespace {

void InvertRect(const Rect& rect) {
  const uint32_t tint = gDrawState.tint;
  if ((tint & 0xFFFFFF) != 0xFFFFFF) SetDrawTint(255, 255, 255);
  SetBlendState(kBlendSubtract, 255);
  FillBox3D(rect.left, rect.top, rect.right, rect.bottom, PackColor(255, 255, 255));
  SetDrawTintPacked(static_cast<int>(tint));
}

}  // namespace

int BeginSubtractBlend3D(const Rect& rect) {
  const int parameter = gDrawState.blendParameter;
  InvertRect(rect);
  SetBlendState(5, parameter);
  return 0;
}

int EndSubtractBlend3D(const Rect& rect) {
  const int parameter = gDrawState.blendParameter;
  InvertRect(rect);
  SetBlendState(kBlendSubtract, parameter);
  return 0;
}
