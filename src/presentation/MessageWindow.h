#pragma once

#include "presentation/TextBlock.h"

// The message window: reveals the message text of gGameSystem character by
// character, waits for a key and releases the runner that owns the message.
// It draws no frame, only its text and, while waiting, the indicator skin.
struct MessageWindow : TextBlock {
  MessageWindow();
  ~MessageWindow();
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;

  void LoadMessageWindowGraphics();
  void UpdateMessageWindow();
  void DrawMessageWindow();
  void CloseMessageWindow();
  void StartMessage();
  void PlaceMessageWindow();

  unsigned char open = 0;
  unsigned char waiting = 0;
  int skinGraph = -1;
  int placed = 0;
  int windowY = 0;
  int startDelay = 0;
  int skinFrame = 0;
  int skinCells = 1;
  int skinWidth = 0;
  int skinHeight = 0;
  unsigned char skinLoaded = 0;
};
extern MessageWindow* gMessageWindow;
