// The drawing interface: argument checks, the common preamble and the
// dispatch to the 2D and software half; the call log of the public entries.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "foundation/Format.h"
#include "media/graphics/Direct3D.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/system/LibrarySystem.h"
#include "media/system/MessageLoop.h"

namespace {

std::string gCallLog;
int gCallLogOn = 0;
int gCallDepth = 0;

using CallScope = DrawCallScope;

bool SoftwareFront() {
  return gScreenState.softwareRendering != 0 && gScreenState.colorDepth != 8 && gDrawState.drawTarget == -4;
}

// The preamble and tail every graph draw shares around its half.
template <class Draw>
int RunDraw(const Rect& rect, Draw draw) {
  if (IsMainWindowActive() == 0) WaitWhileInactive();
  const bool mask = gDrawState.maskActive != 0;
  if (mask) MaskLayerBeforeDraw(rect.left, rect.top, rect.right, rect.bottom);
  if (SoftwareFront() && gScreenState.readBack == 1) ReadBackWindowToFrontScreen();
  const int result = draw();
  if (mask) MaskLayerAfterDraw(rect.left, rect.top, rect.right, rect.bottom);
  if (SoftwareFront()) PresentSoftwareFrontRect(&rect);
  return result;
}

bool BlendGraphRefused(const GraphRecord* g) { return gDrawState.blendGraph != -1 && CheckBlendGraphSize(g) < 0; }

// The 3D half in subtract mode runs between two inversions of its rectangle.
template <class Draw>
int SubtractWrapped(const Rect& rect, Draw draw) {
  if (gDrawState.blendMode != kBlendSubtract) return draw();
  BeginSubtractBlend3D(rect);
  const int result = draw();
  EndSubtractBlend3D(rect);
  return result;
}

// The checks every graph draw makes first: 0 while the draw area is empty,
// -1 for an invalid graph or a blend graph smaller than it, else the result
// of the graph's half over its rectangle.
template <class RectOf, class Draw2D, class Draw3D>
int GraphDraw(GraphRecord* g, RectOf rectOf, Draw2D draw2D, Draw3D draw3D) {
  if (gDrawState.emptyDrawArea != 0) return 0;
  if (g == nullptr || BlendGraphRefused(g)) return -1;
  if (g->movie >= 0) AdvanceGraphMovie(g->handle, 0);
  const Rect rect = rectOf();
  if (g->request.use3D == 0) return RunDraw(rect, draw2D);
  return RunDraw(rect, [&] { return SubtractWrapped(rect, draw3D); });
}

// Boxes take the 3D half while new graphs are texture graphs.
template <class Draw2D, class Draw3D>
int BoxDraw(const Rect& rect, Draw2D draw2D, Draw3D draw3D) {
  if (IsHardware3DActive() == 0) return RunDraw(rect, draw2D);
  return RunDraw(rect, [&] { return SubtractWrapped(rect, draw3D); });
}

}  // namespace

DrawCallScope::DrawCallScope() { ++gCallDepth; }
DrawCallScope::~DrawCallScope() { --gCallDepth; }
bool DrawCallScope::Wanted() { return gCallLogOn != 0 && gCallDepth == 1; }

// Writes one call-log line for the outermost public entry, after its body.
void DrawCallScope::Log(const char* entry, const char* arguments, int result) const {
  if (!Wanted()) return;
  char line[512];
  FormatText(line, sizeof line, "%s(%s) = %d blend=%d,%d tint=%06X\n", entry, arguments, result, gDrawState.blendMode,
             gDrawState.blendParameter, gDrawState.tint & 0xFFFFFF);
  gCallLog += line;
}

void SetDrawAreaRect(const Rect& r) {
  gDrawState.drawArea = r;
  gDrawState.drawAreaF[0] = static_cast<float>(r.left);
  gDrawState.drawAreaF[1] = static_cast<float>(r.top);
  gDrawState.drawAreaF[2] = static_cast<float>(r.right);
  gDrawState.drawAreaF[3] = static_cast<float>(r.bottom);
}

void SetDrawCallLogEnabled(int on) { gCallLogOn = on; }
int IsDrawCallLogEnabled() { return gCallLogOn; }
void DrawCallLogAppend(const char* line) {
  if (gCallLogOn != 0) gCallLog += line;
}
const char* GetDrawCallLog() { return gCallLog.c_str(); }
void ClearDrawCallLog() { gCallLog.clear(); }

int PutGraph(int x, int y, int graph, int transparent) {
  CallScope scope;
  GraphRecord* g = GetGraphRecord(graph);
  const int result = GraphDraw(
      g,
      [&] {
        return Rect{x, y, x + g->width, y + g->height};
      },
      [&] { return PutGraph2D(x, y, g, transparent); },
      [&] { return PutGraph3D(x, y, static_cast<float>(x), static_cast<float>(y), g, transparent, 1); });
  if (CallScope::Wanted()) {
    char args[128];
    FormatText(args, sizeof args, "%d,%d,%d,%d", x, y, graph, transparent);
    scope.Log("PutGraph", args, result);
  }
  return result;
}

int PutGraphStretched(int x1, int y1, int x2, int y2, int graph, int transparent) {
  CallScope scope;
  GraphRecord* g = GetGraphRecord(graph);
  const int result = GraphDraw(
      g,
      [&] {
        return Rect{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
      },
      [&] { return PutGraphStretched2D(x1, y1, x2, y2, g, transparent, -1); },
      [&] {
        return PutGraphStretched3D(x1, y1, x2, y2, static_cast<float>(x1), static_cast<float>(y1),
                                   static_cast<float>(x2), static_cast<float>(y2), g, transparent, 1);
      });
  if (CallScope::Wanted()) {
    char args[160];
    FormatText(args, sizeof args, "%d,%d,%d,%d,%d,%d", x1, y1, x2, y2, graph, transparent);
    scope.Log("PutGraphStretched", args, result);
  }
  return result;
}

int PutGraphRotatedF(float x, float y, double scale, double angle, int graph, int transparent, int turn) {
  CallScope scope;
  GraphRecord* g = GetGraphRecord(graph);
  // The bounding box of the turned and scaled corners, widened by 5 pixels.
  auto box = [&] {
    const float s = std::sin(static_cast<float>(angle)), c = std::cos(static_cast<float>(angle));
    const int hw = g->width / 2, hh = g->height / 2;
    const float xs[2] = {static_cast<float>(-hw), static_cast<float>(g->width - hw)};
    const float ys[2] = {static_cast<float>(-hh), static_cast<float>(g->height - hh)};
    float minX = 1e30f, minY = 1e30f, maxX = -1e30f, maxY = -1e30f;
    for (float px : xs)
      for (float py : ys) {
        const float rx = static_cast<float>((px * c - py * s) * scale),
                    ry = static_cast<float>((px * s + py * c) * scale);
        minX = std::min(minX, rx);
        maxX = std::max(maxX, rx);
        minY = std::min(minY, ry);
        maxY = std::max(maxY, ry);
      }
    // Summed in 64 bits and held to the int range: a far-off centre or a huge
    // scale gives a box past the screen instead of an overflow.
    const auto whole = [](float v) -> int64_t {
      if (!(v > -4294967296.0f)) return -4294967296;
      return v < 4294967296.0f ? static_cast<int64_t>(v) : 4294967296;
    };
    const auto edge = [&](float centre, float offset, int margin) {
      return static_cast<int>(std::clamp<int64_t>(whole(centre) + whole(offset) + margin, INT32_MIN, INT32_MAX));
    };
    return Rect{edge(x, minX, -5), edge(y, minY, -5), edge(x, maxX, 5), edge(y, maxY, 5)};
  };
  const int result = GraphDraw(
      g, box, [&] { return PutGraphRotated2D(x, y, scale, angle, g, transparent, turn); },
      [&] { return PutGraphRotated3D(x, y, scale, angle, g, transparent, turn); });
  if (CallScope::Wanted()) {
    char args[192];
    FormatText(args, sizeof args, "%g,%g,%g,%g,%d,%d,%d", x, y, scale, angle, graph, transparent, turn);
    scope.Log("PutGraphRotated", args, result);
  }
  return result;
}

int PutGraphRotated(int x, int y, double scale, double angle, int graph, int transparent, int turn) {
  return PutGraphRotatedF(static_cast<float>(x), static_cast<float>(y), scale, angle, graph, transparent, turn);
}

int PutGraphFourCorners(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                        int transparent) {
  GraphRecord* g = GetGraphRecord(graph);
  auto box = [&] {
    const float xs[4] = {x1, x2, x3, x4}, ys[4] = {y1, y2, y3, y4};
    Rect rect{0xFFFFFF, 0xFFFFFF, 0, 0};
    for (int i = 0; i < 4; ++i) {
      rect.left = std::min(rect.left, static_cast<int>(xs[i]));
      rect.top = std::min(rect.top, static_cast<int>(ys[i]));
      rect.right = std::max(rect.right, static_cast<int>(xs[i]));
      rect.bottom = std::max(rect.bottom, static_cast<int>(ys[i]));
    }
    return rect;
  };
  // The halves take top-left, top-right, bottom-left, bottom-right.
  const float corners[8] = {x1, y1, x2, y2, x4, y4, x3, y3};
  return GraphDraw(
      g, box, [&] { return PutGraphFourCorners2D(corners, g, transparent); },
      [&] { return PutGraphFourCorners3D(corners, g, transparent); });
}

int PutGraphTurned(int x, int y, int graph, int transparent) {
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr) return -1;
  return PutGraphStretched(x + g->width, y, x, y + g->height, graph, transparent);
}

namespace {

// Cuts the draw area to a rectangle for one draw, without touching the
// empty flag; restored when the scope ends.
class AreaCut {
 public:
  explicit AreaCut(const Rect& r) : saved_(gDrawState.drawArea) {
    for (int i = 0; i < 4; ++i) savedF_[i] = gDrawState.drawAreaF[i];
    Rect cut = r;
    ClipRectangle(&cut, &saved_);
    SetDrawAreaRect(cut);
  }
  ~AreaCut() {
    gDrawState.drawArea = saved_;
    for (int i = 0; i < 4; ++i) gDrawState.drawAreaF[i] = savedF_[i];
  }

 private:
  Rect saved_;
  float savedF_[4];
};

}  // namespace

int PutGraphPart(int x, int y, int sourceX, int sourceY, int width, int height, int graph, int transparent, int turn) {
  CallScope scope;
  int result;
  GraphRecord* g = GetGraphRecord(graph);
  if (turn != 0 && g == nullptr) {
    result = -1;
  } else {
    AreaCut cut(Rect{x, y, x + width, y + height});
    if (turn == 1) result = PutGraphTurned(x + sourceX + width - g->width, y - sourceY, graph, transparent);
    else result = PutGraph(x - sourceX, y - sourceY, graph, transparent);
  }
  if (CallScope::Wanted()) {
    char args[192];
    FormatText(args, sizeof args, "%d,%d,%d,%d,%d,%d,%d,%d,%d", x, y, sourceX, sourceY, width, height, graph,
               transparent, turn);
    scope.Log("PutGraphPart", args, result);
  }
  return result;
}

int PutGraphPartStretched(int x1, int y1, int x2, int y2, int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                          int graph, int transparent) {
  GraphRecord* g = GetGraphRecord(graph);
  if (g == nullptr || sourceWidth == 0 || sourceHeight == 0) return -1;
  const int mx = std::min(x1, x2), Mx = std::max(x1, x2), my = std::min(y1, y2), My = std::max(y1, y2);
  AreaCut cut(Rect{mx, my, Mx, My});
  const double sx = static_cast<double>(Mx - mx) / sourceWidth, sy = static_cast<double>(My - my) / sourceHeight;
  int ax, bx, ay, by;
  if (x1 <= x2) {
    ax = mx - static_cast<int>(sourceX * sx);
    bx = mx + static_cast<int>(sx * (g->width - sourceX));
  } else {
    ax = Mx + static_cast<int>(sourceX * sx);
    bx = Mx - static_cast<int>(sx * (g->width - sourceX));
  }
  if (y1 <= y2) {
    ay = my - static_cast<int>(sourceY * sy);
    by = my + static_cast<int>(sy * (g->height - sourceY));
  } else {
    ay = My + static_cast<int>(sourceY * sy);
    by = My - static_cast<int>(sy * (g->height - sourceY));
  }
  return PutGraphStretched(ax, ay, bx, by, graph, transparent);
}

int DrawBlendGraph(int x, int y, int graph, int transparent, int blendGraph, int border, int range) {
  CallScope scope;
  const int previous = gDrawState.blendGraph;
  const int previousBorder = gDrawState.borderParameter, previousRange = gDrawState.borderRange;
  SelectBlendGraph(blendGraph, border, range);
  PutGraph(x, y, graph, transparent);
  if (CallScope::Wanted()) {
    char args[192];
    FormatText(args, sizeof args, "%d,%d,%d,%d,%d,%d,%d", x, y, graph, transparent, blendGraph, border, range);
    scope.Log("DrawBlendGraph", args, 0);
  }
  SelectBlendGraph(previous, previousBorder, previousRange);
  return 0;
}

int FillBox(int x1, int y1, int x2, int y2, int color) {
  if (gDrawState.emptyDrawArea != 0) return 0;
  return BoxDraw(
      Rect{x1, y1, x2, y2}, [&] { return FillBox2D(x1, y1, x2, y2, color); },
      [&] { return FillBox3D(x1, y1, x2, y2, color); });
}

int FrameBox(int x1, int y1, int x2, int y2, int color) {
  if (gDrawState.emptyDrawArea != 0) return 0;
  return BoxDraw(
      Rect{x1, y1, x2, y2}, [&] { return FrameBox2D(x1, y1, x2, y2, color); },
      [&] { return FrameBox3D(x1, y1, x2, y2, color); });
}

int PutBox(int x1, int y1, int x2, int y2, int color, int fill) {
  CallScope scope;
  const int result = fill != 0 ? FillBox(x1, y1, x2, y2, color) : FrameBox(x1, y1, x2, y2, color);
  if (CallScope::Wanted()) {
    char args[160];
    FormatText(args, sizeof args, "%d,%d,%d,%d,0x%X,%d", x1, y1, x2, y2, static_cast<unsigned>(color), fill);
    scope.Log("PutBox", args, result);
  }
  return result;
}

int ClearDrawTarget() {
  CallScope scope;
  int result = 0;
  if (gDrawState.suspended == 0) {
    WaitWhileInactive();
    if (gGraphManager.direct3DUsable != 0) ClearDrawTarget3D();
    result = ClearDrawTarget2D();
    if (SoftwareFront()) {
      Rect whole{0, 0, 0, 0};
      QueryScreenSize(&whole.right, &whole.bottom);
      PresentSoftwareFrontRect(&whole);
    }
  }
  scope.Log("ClearDrawTarget", "", result);
  return result;
}

int CaptureScreenToGraph(int x1, int y1, int x2, int y2, int graph, int flag) {
  CallScope scope;
  int result = 0;
  if (gDrawState.suspended == 0) {
    GraphRecord* g = GetGraphRecord(graph);
    if (g == nullptr) {
      result = -1;
    } else {
      WaitWhileInactive();
      FlushCurrentDevicePrimitives();
      result = g->request.use3D != 0 ? CaptureScreenToGraph3D(x1, y1, x2, y2, g, flag)
                                     : CaptureScreenToGraph2D(x1, y1, x2, y2, g);
    }
  }
  if (CallScope::Wanted()) {
    char args[160];
    FormatText(args, sizeof args, "%d,%d,%d,%d,%d,%d", x1, y1, x2, y2, graph, flag);
    scope.Log("CaptureScreenToGraph", args, result);
  }
  return result;
}
