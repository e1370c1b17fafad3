#include "presentation/ChoiceWindow.h"

#include <algorithm>
#include <cstdlib>

#include "gamedata/Database.h"
#include "gamedata/VariableStore.h"
#include "media/PublicFunctions.h"
#include "presentation/GraphicCache.h"
#include "shell/GameSystem.h"
#include "shell/ShellServices.h"
#include "shell/StartupGlobals.h"

ChoiceWindow* gChoiceWindow = nullptr;

namespace {

int SystemValue(int n) { return gVariableStore.ReadVariable(9000000 + n); }
void WriteSystemValue(int n, int value) { gVariableStore.WriteVariable(9000000 + n, value); }

void PlayWindowSound(int systemValue) { PlaySoundChannel(2, SystemValue(systemValue), 0, 0); }

int Count() { return std::clamp(gGameSystem.choiceCount, 1, 10); }

int CellAt(const std::vector<int>& cells, int k) {
  return k >= 0 && static_cast<size_t>(k) < cells.size() ? cells[static_cast<size_t>(k)] : -1;
}

}  // namespace

ChoiceWindow::ChoiceWindow() : TextBlock(0, 0) {
  choiceMode = 1;
  LoadChoiceWindowGraphics();
  if (gChoiceWindow == nullptr) gChoiceWindow = this;
}

ChoiceWindow::~ChoiceWindow() { DestroyChoiceWindow(*this); }

void DestroyChoiceWindow(ChoiceWindow& window) {
  window.open = 0;
  window.shown = 0;
  if (gChoiceWindow == &window) gChoiceWindow = nullptr;
  // Released lists are emptied, so a second release finds nothing.
  for (int handle : window.skinCells) ReleaseGraph(handle, 0);
  for (int handle : window.cursorCells) ReleaseGraph(handle, 0);
  window.skinCells.clear();
  window.cursorCells.clear();
  window.skinLoaded = window.cursorLoaded = 0;
}

void ChoiceWindow::LoadChoiceWindowGraphics() {
  for (int handle : skinCells) ReleaseGraph(handle, 0);
  for (int handle : cursorCells) ReleaseGraph(handle, 0);
  skinCells.clear();
  cursorCells.clear();
  const std::string skinName = gSystemDatabase.ReadDatabaseString(10, 1, 0);
  const std::string cursorName = gSystemDatabase.ReadDatabaseString(10, 2, 0);
  cursorFrames = std::max(gSystemDatabase.ReadDatabaseInt(10, 2, 1), 1);

  const int skin = LoadGraphicSP(skinName, 3, 3, &skinCells, false);
  skinLoaded = skin != -1;
  skinCellWidth = skinCellHeight = 0;
  if (skinLoaded) {
    int w = 0, h = 0;
    QueryGraphSize(CellAt(skinCells, 0), &w, &h);
    skinCellWidth = w / 3;
    skinCellHeight = h / 3;
  }
  cursorGraph = cursorFrames == 1 ? LoadGraphicSP(cursorName, 3, 3, &cursorCells, false)
                                  : LoadGraphicSP(cursorName, 1, cursorFrames, &cursorCells, false);
  cursorLoaded = cursorGraph != -1;
  cursorCellWidth = cursorCellHeight = 0;
  if (cursorLoaded) {
    int w = 0, h = 0;
    QueryGraphSize(cursorGraph, &w, &h);
    cursorCellWidth = w / 3;
    cursorCellHeight = h / 3;
  }
}

void ChoiceWindow::MoveCursor(int step) {
  const int count = Count();
  cursor = ((cursor + step) % count + count) % count;
  const int first = cursor;
  for (int i = 0; i < count && LineEntry(lineHeights, cursor) == 0; ++i)
    cursor = ((cursor + step) % count + count) % count;
  if (LineEntry(lineHeights, cursor) == 0) cursor = first;
  PlayWindowSound(18);
}

void ChoiceWindow::UpdateChoiceWindow() {
  GameSystem& gs = gGameSystem;
  blinkPhase = (blinkPhase + 3) % 140;
  blinkAlpha = std::abs(blinkPhase - 70) + 185;
  cursorFrame = (cursorFrame + 1) % (std::max(cursorFrames, 1) * 5);
  if (gs.choiceFollows != gs.messageFullyShown) {
    gs.lastChoiceResult = -1;
    return;
  }
  if (openDelay > 0) {
    openDelay -= alpha == 255 ? 3 : 1;
    return;
  }
  AdvanceReveal();
  alpha = shown && fadeIn ? std::min(alpha + 64, 255) : std::max(alpha - 60, 0);
  if (open) {
    if (!IsFullyRevealed()) return;
    if (gs.closeChoiceRequest) {
      if (gs.choiceExits & 4) cursor = 100;
      CloseChoiceWindow();
      return;
    }
    const int t = gTileSize * 4 / 10;
    if (gInput.repeatDirection4 == 8) MoveCursor(-1);
    if (gInput.repeatDirection4 == 2) MoveCursor(1);
    if (gInput.actionPressed[0]) {
      CloseChoiceWindow();
      PlayWindowSound(17);
    }
    if (gs.cancelResult != -1 && gInput.actionPressed[1]) {
      cursor = gs.cancelResult;
      CloseChoiceWindow();
      PlayWindowSound(19);
    }
    if ((gs.choiceExits & 1) && gInput.leftPressed) {
      cursor = 98;
      CloseChoiceWindow();
      PlayWindowSound(19);
    }
    if ((gs.choiceExits & 2) && gInput.rightPressed) {
      cursor = 99;
      CloseChoiceWindow();
      PlayWindowSound(19);
    }
    if (SystemValue(73) == 1) {
      const int rightEdge = gTileSize == 16 ? -9 : 14;
      for (int i = 0; i < static_cast<int>(lineHeights.size()); ++i) {
        const int top = LineEntry(lineTops, i);
        if (gInput.mouseX > windowX + t - 3 && gInput.mouseY > windowY + top + t + 1 &&
            gInput.mouseX < windowX + windowWidth - t + rightEdge &&
            gInput.mouseY < windowY + top + LineEntry(lineHeights, i) + t + 1) {
          cursor = i;
          break;
        }
      }
      if (gInput.mouseLeftPressed) {
        CloseChoiceWindow();
        PlayWindowSound(17);
      }
      if (gs.cancelResult != -1 && gInput.mouseRightPressed) {
        cursor = gs.cancelResult;
        CloseChoiceWindow();
        PlayWindowSound(19);
      }
    }
    gs.lastChoiceResult = cursor;
    return;
  }
  if (!gs.choiceText.empty()) {
    open = 1;
    gs.windowOpen = 1;
    shown = 1;
    openDelay = 4;
    StartChoice();
    PlaceChoiceWindow();
  } else if (shown) {
    shown = 0;
    gs.windowOpen = 0;
  }
  gs.lastChoiceResult = -1;
}

void ChoiceWindow::StartChoice() {
  GameSystem& gs = gGameSystem;
  const int count = Count();
  cursor = std::clamp(SystemValue(7), 0, count - 1);
  WriteSystemValue(7, 0);
  if (gs.choiceFollows) openDelay = SystemValue(10);
  if (!gs.choiceText.empty()) {
    preparedText.clear();
    pendingText = gs.choiceText;
  }
  const unsigned char oldInstant = instant;
  instant = 1;
  RenderTextBlock(false, 1.0, 1.0);
  instant = oldInstant;
  for (int i = 0; i < count && LineEntry(lineHeights, cursor) == 0; ++i) cursor = (cursor + 1) % count;
  windowWidth = 25;
  if (!lineWidths.empty()) windowWidth = *std::max_element(lineWidths.begin(), lineWidths.end()) + 26;
  // Without any line the frame is as high as its margins.
  const int last = static_cast<int>(lineTops.size()) - 1;
  windowHeight = last < 0 ? 26 : LineEntry(lineTops, last) + LineEntry(lineHeights, last) + 26;
}

void ChoiceWindow::PlaceChoiceWindow() {
  const int skinMode = SystemValue(14);
  if (skinMode == 0) {
    fadeIn = 0;
    alpha = 0;
  } else if (skinMode == 1) {
    fadeIn = 1;
  }
  const int cx = SystemValue(3), top = SystemValue(4);
  windowX = cx == -1 ? gTileSize * 10 - windowWidth / 2 : cx - windowWidth / 2;
  windowY = top == -1 ? 170 - windowHeight / 2 : top;
  const int t = gTileSize * 4 / 10;
  const int scale = gScreenScale < 1 ? 1 : gScreenScale;
  x = (windowX + t + 2) * scale;
  y = (windowY + t + 2) * scale;
  shown = 1;
}

void ChoiceWindow::DrawNineCells(const std::vector<int>& cells, int cw, int ch, int left, int top, int right,
                                 int bottom) {
  const int s = gScreenScale < 1 ? 1 : gScreenScale;
  const int xs[4] = {left, left + cw, right - cw, right};
  const int ys[4] = {top, top + ch, bottom - ch, bottom};
  for (int row = 0; row < 3; ++row)
    for (int col = 0; col < 3; ++col) {
      const int cell = CellAt(cells, row * 3 + col + 1);
      if (cell < 0) continue;
      PutGraphStretched(xs[col] * s, ys[row] * s, xs[col + 1] * s, ys[row + 1] * s, cell, 1);
    }
}

void ChoiceWindow::DrawChoiceWindow() {
  if (!shown) return;
  const bool small = gTileSize == 16;
  const int t = gTileSize * 4 / 10;
  if (alpha != 0 && skinLoaded && (gTileSize == 32 || gTileSize == 16)) {
    SetBlendState(alpha == 255 ? 0 : 1, alpha);
    const int left = small ? windowX - 1 : windowX;
    const int right = windowX + windowWidth + (small ? -8 : 3);
    const int bottom = windowY + windowHeight + (small ? -10 : 2);
    DrawNineCells(skinCells, skinCellWidth, skinCellHeight, left, windowY, right, bottom);
  }
  if ((fadeIn == 0 || alpha == 255) && cursor >= 0 && cursorLoaded) {
    const int top = LineEntry(lineTops, cursor), height = LineEntry(lineHeights, cursor);
    const int mode = SystemValue(22) + 1;
    if (cursorFrames != 1) {
      SetBlendState(mode, 255);
      const int s = gScreenScale < 1 ? 1 : gScreenScale;
      const int x1 = windowX + t - 3;
      const int y1 = windowY + top + t + (small ? 1 : -1);
      const int x2 = windowX + windowWidth - t + (small ? -9 : 14);
      const int y2 = windowY + top + height + t + (small ? 3 : 2);
      const int cell = CellAt(cursorCells, cursorFrame / 5 + 1);
      if (cell >= 0) PutGraphStretched(x1 * s, y1 * s, x2 * s, y2 * s, cell, 1);
    } else {
      SetBlendState(mode, blinkAlpha);
      const int left = windowX + gTileSize * 2 / 10 + t - (small ? 3 : 8);
      const int boxTop = windowY + top + t + (small ? 1 : 0);
      const int right = windowX + windowWidth - t + (small ? -9 : 3);
      const int bottom = windowY + top + height + t + 3;
      DrawNineCells(cursorCells, cursorCellWidth, cursorCellHeight, left, boxTop, right, bottom);
    }
  }
  SetBlendState(0, 255);
  if (openDelay <= 0) RenderTextBlock(true, 1.0, 1.0);
}

void ChoiceWindow::CloseChoiceWindow() {
  GameSystem& gs = gGameSystem;
  pendingText.clear();
  const bool wasOpen = open != 0;
  open = 0;
  shown = 0;
  // Only the first close of an update delivers.
  if (wasOpen && gs.choiceResultSlot != -1) gs.DeliverChoiceResult(cursor + 2);
  gs.choiceText.clear();
  gs.SetChoiceResultTarget(-1, nullptr);
  gs.windowOpen = 0;
  gs.closeChoiceRequest = 0;
  gs.closeMessageRequest = 0;
  gs.choiceClosed = gs.choiceFollows;
}
