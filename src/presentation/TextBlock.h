#pragma once

#include <string>
#include <vector>

// A text in control-code form placed on the screen, with its reveal state and
// per-line metrics. The owner sets pendingText (and x, y), runs a measure pass
// after a change, a draw pass per drawn frame and AdvanceReveal per game frame.
struct TextBlock {
  TextBlock(int x = 0, int y = 0);

  // draw false: the measure pass; true: the draw pass.
  void RenderTextBlock(bool draw, double scaleX, double scaleY);
  void MeasureTextBlock(int& width, int& height);
  void PrepareTextBlock();
  static int AdjustFontSize(int size);
  void RecordLineMetrics(int lineHeight);
  void AdvanceReveal();
  bool IsFullyRevealed() const;

  std::string text;
  std::string pendingText;
  std::string preparedText;
  int x = 0;
  int y = 0;
  int penX = 0;
  int penY = 0;
  int line = 0;
  int position = 0;
  int colour = 0;
  int fontSize = 24;
  int fontStyle = 0;
  double revealSpeed = 240.0;
  double revealed = 0.0;
  double previousRevealed = 0.0;
  unsigned char instant = 0;
  std::vector<int> lineWidths;
  std::vector<int> lineTops;
  std::vector<int> lineHeights;
  std::vector<int> lineWidthsScaled;
  int fontSlot = 0;
  unsigned char choiceMode = 0;
  unsigned char keyWait = 0;
  unsigned char autoClose = 0;
  int pauseEnd = 0;
  int pauseFrames = 0;
  int keyWaitPosition = 0;
  int maxLineWidth = 0;
  int maxLineWidthScaled = 0;
  int controlBytes = 0;

 private:
  struct Pass;
  void DrawGlyph(Pass& pass, const std::string& glyph, bool windowTest);
  void AdvancePen(Pass& pass, const std::string& glyph, int font);
  void RunRubyGroup(Pass& pass);
  void PlaceImage(Pass& pass, int graph, int width, int height);
};

// The text colours: system database type 12, one packed colour per row; built
// at the first pass of the run.
extern std::vector<int> gTextColours;

// An entry of a line list; a missing entry reads 0.
inline int LineEntry(const std::vector<int>& list, int index) {
  return index >= 0 && static_cast<size_t>(index) < list.size() ? list[static_cast<size_t>(index)] : 0;
}
