// Drawing the key-input strings: the visible text with its selection and
// cursor, wrapped inside the draw area, and the composition of the input
// method with its candidate box.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Format.h"
#include "foundation/TextFunctions.h"
#include "media/graphics/GraphicsSystem.h"
#include "media/image/FontSystem.h"
#include "media/system/KeyInput.h"
#include "media/system/LibrarySystem.h"
#include "platform/ime/Ime.h"

namespace {

enum EntryColor {
  kText = 0,
  kCursor = 1,
  kCompositionBox = 2,
  kImeCursor = 3,
  kClauseLine = 4,
  kConvertingClause = 5,
  kTextEdge = 7,
  kSelectedCandidateEdge = 8,
  kCandidateFrame = 10,
  kCandidateBackground = 11,
  kSelectionBackground = 12,
  kSelectionText = 13,
  kSelectionEdge = 14,
};

// New graphs made while drawing stay 2D.
class No3DScope {
 public:
  No3DScope() : saved_(gDrawState.newGraphUse3D) { gDrawState.newGraphUse3D = 0; }
  ~No3DScope() { gDrawState.newGraphUse3D = saved_; }
  No3DScope(const No3DScope&) = delete;
  No3DScope& operator=(const No3DScope&) = delete;

 private:
  int saved_;
};

int EntryFont() {
  if (IsFontHandleValid(gTextEntry.fontHandle) != 0) return gTextEntry.fontHandle;
  SyncDefaultFont();
  return QueryDefaultFontHandle();
}

int Width(const char* text, int bytes, int font) {
  if (bytes <= 0) return 0;
  return std::max(MeasureTextWithFont(text, bytes, font, 0), 0);
}

int CharSize(const char* text, int at) {
  return IsDoubleByteLead(static_cast<unsigned char>(text[at])) && text[at + 1] != '\0' ? 2 : 1;
}

// Moves a start point into the draw area, wrapping past its right edge.
// False when the area has no width.
bool FitStart(int* x, int* y, int lineHeight) {
  const Rect& area = gDrawState.drawArea;
  const int width = area.right - area.left;
  if (width <= 0) return false;
  *x = std::max(*x, area.left);
  *y = std::max(*y, area.top);
  if (*x >= area.right) {
    const int lines = (*x - area.left) / width;
    *x -= lines * width;
    *y += lines * lineHeight;
  }
  return true;
}

struct CandidateView {
  int count = 0, selection = 0;
  std::vector<const char*> items;
};

bool ReadCandidates(CandidateView* view) {
  const auto* block = static_cast<const uint8_t*>(gTextEntry.candidateList);
  const int size = gTextEntry.candidateListSize;
  if (block == nullptr || size < 24) return false;
  uint32_t header[6];
  std::memcpy(header, block, sizeof header);
  const uint32_t count = header[2];
  if (count == 0 || count > static_cast<uint32_t>((size - 24) / 4)) return false;
  view->count = static_cast<int>(count);
  view->selection = std::clamp(static_cast<int>(header[3]), 0, view->count - 1);
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t offset;
    std::memcpy(&offset, block + 24 + size_t{i} * 4, sizeof offset);
    if (offset >= static_cast<uint32_t>(size) || std::memchr(block + offset, 0, size - offset) == nullptr) return false;
    view->items.push_back(reinterpret_cast<const char*>(block + offset));
  }
  return true;
}

}  // namespace

int SetDefaultTextEntryColors() {
  int* c = gTextEntry.colors;
  c[0] = PackColor(255, 255, 255);
  c[1] = PackColor(255, 255, 255);
  c[2] = PackColor(255, 255, 0);
  c[3] = PackColor(0, 255, 255);
  c[4] = PackColor(255, 255, 255);
  c[5] = PackColor(255, 0, 0);
  c[6] = PackColor(255, 255, 20);
  c[7] = PackColor(0, 0, 0);
  c[8] = PackColor(0, 0, 0);
  c[9] = PackColor(0, 0, 0);
  c[10] = c[2];
  c[11] = PackColor(0, 0, 0);
  c[12] = PackColor(255, 255, 255);
  c[13] = PackColor(0, 0, 0);
  c[14] = PackColor(128, 128, 128);
  return 0;
}

int SetTextEntryColors(int64_t c0, int64_t c1, int64_t c2, int64_t c3, int64_t c4, int64_t c5, int64_t c6, int64_t c7,
                       int64_t c8, int64_t c9, int64_t c10, int64_t c11, int64_t c12, int64_t c13, int64_t c14) {
  int* c = gTextEntry.colors;
  const int64_t given[10] = {c0, c1, c2, c3, c4, c5, c6, c7, c8, c9};
  for (int i = 0; i < 10; ++i)
    if (given[i] != -1) c[i] = static_cast<int>(given[i]);
  if (c10 != -1) c[10] = static_cast<int>(c10);
  else if (c2 != -1) c[10] = static_cast<int>(c2);
  c[11] = c11 != -1 ? static_cast<int>(c11) : PackColor(0, 0, 0);
  c[12] = c12 != -1 ? static_cast<int>(c12) : PackColor(255, 255, 255);
  c[13] = c13 != -1 ? static_cast<int>(c13) : PackColor(0, 0, 0);
  c[14] = c14 != -1 ? static_cast<int>(c14) : PackColor(128, 128, 128);
  return 0;
}

int DrawWrappedBox(int x1, int y1, int x2, int y2, int lineHeight, int color, int fill) {
  int width = x2 - x1;
  const int height = y2 - y1;
  int x = x1, y = y1;
  if (width <= 0 || !FitStart(&x, &y, lineHeight)) return -1;
  const Rect& area = gDrawState.drawArea;
  // Every pass draws at least one column, so the remainder always shrinks.
  while (width > 0) {
    PutBox(x, y, x + width, y + height, color, fill);
    const int visible = std::max(std::min(x + width, area.right) - x, 1);
    width -= visible;
    x = area.left;
    y += lineHeight;
  }
  return 0;
}

int DrawWrappedText(int x, int y, int lineHeight, const char* text, int color, int edgeColor, int font,
                    int selectionBackground, int selectionText, int selectionEdge, int selectionStart,
                    int selectionEnd) {
  if (text == nullptr || !FitStart(&x, &y, lineHeight)) return -1;
  const Rect& area = gDrawState.drawArea;
  const int areaWidth = area.right - area.left;
  const int length = static_cast<int>(std::strlen(text));
  if (selectionStart < 0 && selectionEnd < 0) {
    const int width = Width(text, length, font);
    DrawTextWithFont(x, y, text, color, font, edgeColor, 0);
    // The part beyond the right edge continues at the left edge below.
    while (x + width > area.right) {
      x -= areaWidth;
      y += lineHeight;
      DrawTextWithFont(x, y, text, color, font, edgeColor, 0);
    }
    return 0;
  }
  const int lo = std::min(selectionStart, selectionEnd), hi = std::max(selectionStart, selectionEnd);
  const int f = QueryFontHandleSize(font);
  char one[3] = {};
  for (int at = 0; at < length;) {
    const int n = CharSize(text, at);
    const int width = Width(text + at, n, font);
    if (x + width > area.right && x > area.left) {
      x = area.left;
      y += lineHeight;
    }
    std::memcpy(one, text + at, static_cast<size_t>(n));
    one[n] = '\0';
    if (at >= lo && at < hi) {
      PutBox(x, y, x + width, y + f, selectionBackground, 1);
      DrawTextWithFont(x, y, one, selectionText, font, selectionEdge, 0);
    } else {
      DrawTextWithFont(x, y, one, color, font, edgeColor, 0);
    }
    x += width;
    at += n;
  }
  return 0;
}

int DrawImeInput(int x, int y, int pageSize) {
  TextEntrySystem& t = gTextEntry;
  if (t.imeEnabled == 0 || t.imeOpen == 0) return -1;
  No3DScope no3D;
  const int font = EntryFont();
  const int f = QueryFontHandleSize(font);
  if (f <= 0 || t.composition[0] == '\0') return 0;
  const int* c = t.colors;
  const Rect& area = gDrawState.drawArea;
  x = std::max(x, area.left);
  y = std::max(y, area.top);
  const int d = f / 10;
  const char* comp = t.composition;
  const int compBytes = static_cast<int>(std::strlen(comp));
  PutBox(x, y, x + Width(comp, compBytes, font), y + f + 3 * d, c[kCompositionBox], 1);
  const int clauses = std::clamp(t.clauseCount, 0, 256);
  const int cursorBytes = CharsToBytes(comp, t.imeCursor);
  auto clauseX = [&](int i) {
    return x + Width(comp, std::min(static_cast<int>(t.clauseOffsets[i]), compBytes), font);
  };
  if (clauses != 2)
    for (int i = 0; i + 1 < clauses; ++i)
      if (static_cast<int>(t.clauseOffsets[i]) == cursorBytes)
        PutBox(clauseX(i), y, clauseX(i + 1), y + f, c[kConvertingClause], 1);
  DrawTextWithFont(x, y, comp, 0, font, c[kCompositionBox], 0);
  const int cursorX = x + Width(comp, cursorBytes, font);
  if (t.candidateList == nullptr && t.cursorVisible != 0) PutBox(cursorX, y, cursorX + 2, y + f, c[kImeCursor], 1);
  for (int i = 0; i + 1 < clauses; ++i)
    PutBox(clauseX(i) + 2 * d, y + f + d, clauseX(i + 1) - 2 * d, y + f + 2 * d, c[kClauseLine], 1);
  CandidateView list;
  if (pageSize <= 0 || !ReadCandidates(&list)) return 0;
  const int pageStart = pageSize * (list.selection / pageSize);
  const int n = std::min(pageSize, list.count - pageStart);
  std::vector<std::string> labels;
  int widest = 0;
  for (int i = 0; i < n; ++i) {
    char label[300];
    FormatText(label, sizeof label, "%d:%.250s", i + 1,
               list.items[static_cast<size_t>(pageStart) + static_cast<size_t>(i)]);
    labels.emplace_back(label);
    widest = std::max(widest, Width(label, static_cast<int>(std::strlen(label)), font));
  }
  char page[32];
  FormatText(page, sizeof page, "%d/%d", list.selection + 1, list.count);
  const int pageWidth = Width(page, static_cast<int>(std::strlen(page)), font);
  widest = std::max(widest, pageWidth);
  const int a = f / 3;
  int left = cursorX, top = y + f + f / 2;
  int right = left + widest + 2 * a, bottom = y + f * (n + 2) + f / 2 + 2 * a;
  if (bottom > area.bottom) {
    const int height = bottom - top;
    const int shift = y - f / 2 - height >= area.top ? bottom - (y - f / 2) : bottom - area.bottom;
    top -= shift;
    bottom -= shift;
  }
  if (right > area.right) {
    left -= right - area.right;
    right = area.right;
  }
  PutBox(left, top, right, bottom, c[kCandidateBackground], 1);
  PutBox(left, top, right, bottom, c[kCandidateFrame], 0);
  for (int i = 0; i < n; ++i) {
    const bool selected = pageStart + i == list.selection;
    DrawTextWithFont(left + a, top + a + i * f, labels[static_cast<size_t>(i)].c_str(),
                     selected ? c[kConvertingClause] : c[kText], font,
                     selected ? c[kSelectedCandidateEdge] : c[kTextEdge], 0);
  }
  DrawTextWithFont(left + a + widest - pageWidth, top + a + n * f, page, c[kText], font, c[kTextEdge], 0);
  platform::SetImeCandidatePage(pageSize, pageStart);
  return 0;
}

namespace {

int DrawTextEntryBody(int x, int y, int handle) {
  TextEntrySystem& t = gTextEntry;
  TextEntryRecord* e = FindTextEntry(handle);
  if (e == nullptr || e->finished != 0) return -1;
  No3DScope no3D;
  const int font = EntryFont();
  const int f = QueryFontHandleSize(font);
  const Rect& area = gDrawState.drawArea;
  const int areaWidth = area.right - area.left;
  // No font or no room: nothing can be laid out.
  if (f <= 0 || areaWidth <= 0) return -1;
  const int lineHeight = f + (f / 10) * 3;
  if (t.blinkMode != 0) {
    const int now = MillisecondClock();
    if (now - t.blinkTime > t.blinkPeriod) {
      t.cursorVisible ^= 1;
      t.blinkTime = now;
    }
  } else {
    t.cursorVisible = 1;
  }
  if (!FitStart(&x, &y, lineHeight)) return -1;
  const int linesBelow = lineHeight > 0 ? (area.bottom - y) / lineHeight : 0;
  const int available = (area.right - x) + (linesBelow != 0 ? areaWidth * (linesBelow - 1) : 0);
  const char* text = e->text;
  e->drawStart = std::clamp(e->drawStart, 0, e->length);
  if (Width(text, e->length, font) < available - 4) {
    e->drawStart = 0;
  } else if (e->cursor < e->drawStart) {
    e->drawStart = e->cursor;
  } else if (Width(text + e->drawStart, e->cursor - e->drawStart, font) > available) {
    // Back from the cursor until the characters no longer fit.
    int start = e->cursor, sum = 0;
    while (start > 0) {
      int previous = 0;
      for (int at = 0; at < start; at += CharSize(text, at)) previous = at;
      const int w = Width(text + previous, start - previous, font);
      if (sum + w > available) break;
      sum += w;
      start = previous;
    }
    e->drawStart = start;
  }
  const int cursorX = x + Width(text + e->drawStart, e->cursor - e->drawStart, font);
  const bool active = t.activeHandle == handle;
  if (t.cursorVisible != 0 && active) DrawWrappedBox(cursorX, y, cursorX + 2, y + f, lineHeight, t.colors[kCursor], 1);
  // Selection ends are offsets into the whole text; the drawn text starts at
  // the draw start.
  int selectionStart = -1, selectionEnd = -1;
  if (e->selectionStart != -1) {
    selectionStart = e->selectionStart - e->drawStart;
    selectionEnd = e->selectionEnd - e->drawStart;
  }
  DrawWrappedText(x, y, lineHeight, text + e->drawStart, t.colors[kText], t.colors[kTextEdge], font,
                  t.colors[kSelectionBackground], t.colors[kSelectionText], t.colors[kSelectionEdge], selectionStart,
                  selectionEnd);
  if (active) DrawImeInput(cursorX, y, 5);
  return 0;
}

}  // namespace

int DrawTextEntry(int x, int y, int handle) {
  DrawCallScope scope;
  const int result = DrawTextEntryBody(x, y, handle);
  if (DrawCallScope::Wanted()) {
    char args[64];
    FormatText(args, sizeof args, "%d,%d,%d", x, y, handle);
    scope.Log("DrawTextEntry", args, result);
  }
  return result;
}
