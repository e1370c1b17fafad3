#include "presentation/MessageWindow.h"

#include <algorithm>

#include "gamedata/Database.h"
#include "gamedata/VariableStore.h"
#include "interpreter/EventRunner.h"
#include "media/PublicFunctions.h"
#include "presentation/GraphicCache.h"
#include "shell/GameSystem.h"
#include "shell/ShellServices.h"
#include "shell/StartupGlobals.h"

MessageWindow* gMessageWindow = nullptr;

namespace {

int SystemValue(int n) { return gVariableStore.ReadVariable(9000000 + n); }

}  // namespace

MessageWindow::MessageWindow() : TextBlock(0, 0) {
  LoadMessageWindowGraphics();
  if (gMessageWindow == nullptr) gMessageWindow = this;
}

MessageWindow::~MessageWindow() {
  if (skinGraph >= 0) ReleaseGraph(skinGraph, 0);
  if (gMessageWindow == this) gMessageWindow = nullptr;
}

void MessageWindow::LoadMessageWindowGraphics() {
  if (skinGraph >= 0) ReleaseGraph(skinGraph, 0);
  skinGraph = -1;
  open = waiting = 0;
  placed = windowY = startDelay = skinFrame = 0;
  const std::string name = gSystemDatabase.ReadDatabaseString(10, 0, 0);
  skinCells = std::max(gSystemDatabase.ReadDatabaseInt(10, 0, 1), 1);
  skinGraph = LoadGraphicSP(name, 1, 1, nullptr, false);
  skinLoaded = skinGraph != -1;
  skinWidth = skinHeight = 0;
  if (skinLoaded) QueryGraphSize(skinGraph, &skinWidth, &skinHeight);
}

void MessageWindow::UpdateMessageWindow() {
  GameSystem& gs = gGameSystem;
  gs.messageOpen = open ? 1 : 0;
  gs.messageFullyShown = 0;
  skinFrame = (skinFrame + 1) % (std::max(skinCells, 1) * 5);
  if (startDelay > 0) {
    if (--startDelay == 0) PlaceMessageWindow();
    return;
  }
  AdvanceReveal();
  if (open) {
    if (!gs.choiceFollows && gs.closeMessageRequest) {
      CloseMessageWindow();
      return;
    }
    const bool key =
        gInput.actionPressed[0] || gInput.actionPressed[1] || (SystemValue(73) == 1 && gInput.mouseLeftPressed);
    if (keyWait) {
      waiting = 1;
      if (key) keyWait = 0;
      return;
    }
    if (IsFullyRevealed()) {
      gs.messageFullyShown = 1;
      waiting = 1;
      if (!gs.choiceFollows) {
        if (key || autoClose) CloseMessageWindow();
      } else {
        waiting = 0;
        if (gs.choiceClosed) CloseMessageWindow();
      }
    }
    return;
  }
  if (!gs.messageText.empty()) {
    open = 1;
    gs.windowOpen = 1;
    StartMessage();
    PlaceMessageWindow();
    placed = 1;
  } else if (placed) {
    placed = 0;
    gs.windowOpen = 0;
  }
}

void MessageWindow::StartMessage() {
  revealSpeed = SystemValue(9);
  if (!gGameSystem.messageText.empty()) {
    preparedText.clear();
    pendingText = gGameSystem.messageText;
  }
  startDelay = SystemValue(10);
  RenderTextBlock(false, 1.0, 1.0);
}

void MessageWindow::PlaceMessageWindow() {
  const int scale = gScreenScale < 1 ? 1 : gScreenScale;
  const int sx = SystemValue(1), sy = SystemValue(2);
  x = sx == -1 ? gTileSize * scale / 2 : sx * scale;
  windowY = y = sy == -1 ? static_cast<int>(gTileSize * 9.5) * scale : sy * scale;
  placed = 1;
}

void MessageWindow::DrawMessageWindow() {
  if (skinLoaded && waiting && skinGraph != -1) {
    SetBlendState(0, 255);
    const int cells = std::max(skinCells, 1);
    const int cellHeight = skinHeight / cells;
    const int cell = skinFrame / 5;
    const int left = static_cast<int16_t>(SystemValue(5)) - skinWidth / 2;
    const int sy = SystemValue(2);
    const int top = sy == -1
                        ? static_cast<int>(gTileSize * 14.2)
                        : std::clamp(static_cast<int16_t>(SystemValue(6)) + sy, 0, static_cast<int>(gTileSize * 14.5));
    if (gScreenScale == 2) {
      const int part = CreateSubGraph(0, cell * cellHeight, skinWidth, cellHeight, skinGraph);
      PutGraphStretched(left * 2, top * 2, (left + skinWidth) * 2, (top + cellHeight) * 2, part, 1);
      ReleaseGraph(part, 0);
    } else {
      PutGraphPart(left, top, 0, cell * cellHeight, skinWidth, cellHeight, skinGraph, 1, 0);
    }
  }
  if (startDelay <= 0) {
    SetBlendState(0, 255);
    RenderTextBlock(true, 1.0, 1.0);
  }
}

void MessageWindow::CloseMessageWindow() {
  GameSystem& gs = gGameSystem;
  waiting = 0;
  pendingText.clear();
  open = 0;
  if (gs.messageOwnerState == 1 && gs.messageOwner != nullptr) gs.messageOwner->windowWait = 0;
  gs.closeMessageRequest = 0;
  gs.messageText.clear();
  gs.SetMessageOwner(-1, nullptr);
  gs.windowOpen = 0;
  gs.choiceFollows = 0;
  gs.choiceClosed = 0;
}
