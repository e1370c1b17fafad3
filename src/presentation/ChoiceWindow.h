#pragma once

#include <vector>

#include "presentation/TextBlock.h"

// The choice window: one line per choice, a cursor moved by keys or mouse,
// and the chosen line handed back to the runner that waits for it.
struct ChoiceWindow : TextBlock {
  ChoiceWindow();
  ~ChoiceWindow();
  ChoiceWindow(const ChoiceWindow&) = delete;
  ChoiceWindow& operator=(const ChoiceWindow&) = delete;

  void LoadChoiceWindowGraphics();
  void UpdateChoiceWindow();
  void DrawChoiceWindow();
  void CloseChoiceWindow();
  void StartChoice();
  void PlaceChoiceWindow();

  int fadeIn = 0;
  unsigned char open = 0;
  std::vector<int> skinCells;
  std::vector<int> cursorCells;
  int skinCellWidth = 0;
  int cursorCellWidth = 0;
  int skinCellHeight = 0;
  int cursorCellHeight = 0;
  int cursorFrames = 1;
  int cursorFrame = 0;
  int cursorGraph = -1;
  int alpha = 0;
  int blinkPhase = 0;
  int blinkAlpha = 0;
  int cursor = 0;
  int shown = 0;
  int windowX = 0;
  int windowY = 0;
  int windowWidth = 0;
  int windowHeight = 0;
  int openDelay = 0;
  unsigned char skinLoaded = 0;
  unsigned char cursorLoaded = 0;

 private:
  void ReleaseSkins();
  void MoveCursor(int step);
  void DrawNineCells(const std::vector<int>& cells, int cw, int ch, int left, int top, int right, int bottom);
};
extern ChoiceWindow* gChoiceWindow;

// The scene's choice window going away: its skins are released.
void DestroyChoiceWindow(ChoiceWindow& window);
