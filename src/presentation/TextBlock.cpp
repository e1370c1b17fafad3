#include "presentation/TextBlock.h"

#include <algorithm>
#include <cmath>

#include "gamedata/Database.h"
#include "gamedata/GameInfo.h"
#include "gamedata/VariableStore.h"
#include "media/PublicFunctions.h"
#include "presentation/GraphicCache.h"
#include "presentation/TextCodes.h"
#include "presentation/TextResources.h"
#include "shell/GameSystem.h"
#include "shell/StartupGlobals.h"

std::vector<int> gTextColours;

namespace {

constexpr int kRubyColour = 13;
constexpr double kRevealLimit = 50000000.0;

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

int SystemValue(int n) { return gVariableStore.ReadVariable(9000000 + n); }

int SettingsByte(size_t k) { return k < gGameInfo.settings.size() ? gGameInfo.settings[k] : 0; }

void BuildTextColours() {
  if (!gTextColours.empty()) return;
  const int rows = gSystemDatabase.GetDatabaseDataCount(12);
  for (int row = 0; row < rows; ++row) {
    int rgb[3] = {};
    for (int c = 0; c < 3; ++c) {
      int32_t* cell = gSystemDatabase.GetDatabaseCellPointer(12, row, c, true);
      rgb[c] = cell != nullptr ? std::max(*cell, 0) : 0;
    }
    gTextColours.push_back(PackColor(rgb[0], rgb[1], rgb[2]));
  }
}

// A colour the table cannot hold draws white; a number above it takes the last entry.
int ColourValue(int index) {
  if (gTextColours.empty() || index < 0) return PackColor(255, 255, 255);
  return gTextColours[std::min(static_cast<size_t>(index), gTextColours.size() - 1)];
}

// The characters from `position` up to `stop` (consumed) or the end of the
// text, double-byte characters whole.
std::vector<std::string> TakeCharactersUntil(const std::string& text, int& position, char stop) {
  std::vector<std::string> chars;
  const int length = static_cast<int>(text.size());
  while (position < length) {
    const unsigned char c = static_cast<unsigned char>(text[static_cast<size_t>(position)]);
    if (c == static_cast<unsigned char>(stop)) {
      ++position;
      break;
    }
    const int bytes = IsLeadByte(c) && position + 1 < length ? 2 : 1;
    chars.push_back(text.substr(static_cast<size_t>(position), static_cast<size_t>(bytes)));
    position += bytes;
  }
  return chars;
}

std::string Joined(const std::vector<std::string>& chars) {
  std::string out;
  for (const std::string& c : chars) out += c;
  return out;
}

}  // namespace

// What one pass keeps besides the block's own fields.
struct TextBlock::Pass {
  bool draw;
  double scaleX, scaleY;
  bool unscaled;
  int scale, tile;
  int lineHeight = 0;
  int narrowing = 0;
  int spacingReduction = 0;
  bool extraSpacingSet = false;
  int extraSpacing = 0;
  int alignment = 0;
  bool instantDisplay = false;
  int shadow = 0;

  int AlignOffset(const TextBlock& b) const {
    return static_cast<int>((b.maxLineWidthScaled - LineEntry(b.lineWidthsScaled, b.line)) * alignment * scaleX / 2.0);
  }
  int ScreenX(const TextBlock& b, int pen) const {
    return b.x + (unscaled ? pen : static_cast<int>(pen * scaleX)) + AlignOffset(b);
  }
  int ScreenY(const TextBlock& b, int offset) const {
    return b.y + (unscaled ? offset : static_cast<int>(offset * scaleY));
  }
  bool Visible(int drawX, int drawY, int w, int h) const {
    return drawX > -(w + 2 * tile) * scale && drawX < 20 * tile * scale && drawY > -(h + 2 * tile) * scale &&
           drawY < 15 * tile * scale;
  }
};

TextBlock::TextBlock(int x0, int y0) : x(x0), y(y0) {
  SetDefaultFontType(2);
  SetDefaultFontThickness(0);
}

void TextBlock::PrepareTextBlock() {
  preparedText = pendingText;
  text = pendingText;
  lineWidths.clear();
  lineTops.clear();
  lineHeights.clear();
  maxLineWidth = maxLineWidthScaled = 0;
  if (instant) {
    revealed = 1000000.0;
  } else {
    revealed = previousRevealed = 0.0;
  }
  pauseEnd = pauseFrames = keyWaitPosition = controlBytes = 0;
  keyWait = autoClose = 0;
  const size_t speedCode = text.find("\x01\x0C");
  if (speedCode != std::string::npos) {
    const int step = gFrameStep < 1 ? 1 : gFrameStep;
    revealSpeed = std::max(1.0, std::min(revealSpeed, static_cast<double>(speedCode + 1) * 30.0 / step));
  }
}

int TextBlock::AdjustFontSize(int size) { return gTileSize == 16 ? std::clamp(size, 2, 80) : std::clamp(size, 7, 129); }

void TextBlock::RecordLineMetrics(int lineHeight) {
  const size_t need = static_cast<size_t>(std::max(line, 0)) + 1;
  for (auto* list : {&lineWidths, &lineTops, &lineHeights, &lineWidthsScaled})
    if (list->size() < need) list->resize(need, 0);
  const size_t l = need - 1;
  const int scale = gScreenScale < 1 ? 1 : gScreenScale;
  if (lineWidths[l] < penX / scale) {
    lineWidths[l] = penX / scale;
    lineWidthsScaled[l] = penX;
    maxLineWidth = std::max(maxLineWidth, lineWidths[l]);
    maxLineWidthScaled = std::max(maxLineWidthScaled, penX);
  }
  lineTops[l] = penY / scale;
  lineHeights[l] = lineHeight;
}

void TextBlock::AdvanceReveal() {
  previousRevealed = revealed;
  const int step = gFrameStep < 1 ? 1 : gFrameStep;
  if (!keyWait && pauseFrames <= 0) revealed = std::min(kRevealLimit, revealed + step * revealSpeed / 30.0);
  if (pauseFrames >= 1) pauseFrames -= step;
}

bool TextBlock::IsFullyRevealed() const {
  return static_cast<long long>(revealed) + controlBytes >= static_cast<long long>(text.size());
}

void TextBlock::MeasureTextBlock(int& width, int& height) {
  RenderTextBlock(false, 1.0, 1.0);
  width = 0;
  height = 0;
  for (int w : lineWidths) width = std::max(width, w);
  for (size_t i = 0; i < lineTops.size(); ++i)
    height = std::max(height, lineTops[i] + LineEntry(lineHeights, static_cast<int>(i)));
}

void TextBlock::DrawGlyph(Pass& pass, const std::string& glyph, bool windowTest) {
  const int font = gTextResources.GetFontHandle(fontSlot, fontSize * pass.scale, 5, fontStyle);
  if (pass.draw) {
    const int drawX = pass.ScreenX(*this, penX);
    const int drawY = pass.ScreenY(*this, penY + pass.lineHeight - fontSize);
    if (!windowTest || pass.Visible(drawX, drawY, fontSize, fontSize)) {
      const int colourValue = ColourValue(colour);
      for (int layer = pass.shadow != 0 ? 0 : 1; layer < 2; ++layer) {
        const int dx = drawX + (layer == 0 ? 1 : 0), dy = drawY + (layer == 0 ? 1 : 0);
        const int c = layer == 0 ? PackColor(0, 0, 0) : colourValue;
        if (pass.unscaled) DrawTextWithFont(dx, dy, glyph.c_str(), c, font, 0, 0);
        else DrawScaledTextWithFont(dx, dy, pass.scaleX, pass.scaleY, glyph.c_str(), c, font, 0, 0);
      }
    }
  }
  AdvancePen(pass, glyph, font);
}

void TextBlock::AdvancePen(Pass& pass, const std::string& glyph, int font) {
  const int bytes = static_cast<int>(glyph.size());
  penX += MeasureTextWithFont(glyph.c_str(), bytes, font, 0) - pass.narrowing * pass.scale -
          (bytes * pass.spacingReduction * pass.scale) / 2;
}

void TextBlock::PlaceImage(Pass& pass, int graph, int width, int height) {
  pass.lineHeight = std::max(pass.lineHeight, height);
  if (pass.draw) {
    const int x1 = pass.ScreenX(*this, penX);
    const int y1 = pass.ScreenY(*this, penY + pass.lineHeight - height);
    const int x2 = x1 + (pass.unscaled ? width * pass.scale : static_cast<int>(width * pass.scale * pass.scaleX));
    const int bottom = penY + pass.lineHeight + (pass.tile == 16 ? height : 0);
    const int y2 = pass.ScreenY(*this, bottom);
    if (pass.Visible(x1, y1, width, height)) PutGraphStretched(x1, y1, x2, y2, graph, 1);
  }
  penX += width * pass.scale - pass.narrowing * pass.scale;
  if (!pass.draw) RecordLineMetrics(pass.lineHeight);
}

void TextBlock::RunRubyGroup(Pass& pass) {
  pass.lineHeight = std::max(pass.lineHeight, fontSize);
  if (!pass.draw) RecordLineMetrics(pass.lineHeight);
  gTextResources.GetFontHandle(fontSlot, fontSize * pass.scale, 5, fontStyle);
  const int savedColour = colour, savedSize = fontSize;
  const int baseStart = penX;
  for (const std::string& glyph : TakeCharactersUntil(text, position, ',')) DrawGlyph(pass, glyph, false);
  const int rubySize = pass.tile == 32 ? 10 : 5;
  const int rubyFont = gTextResources.GetFontHandle(fontSlot, rubySize * pass.scale, 5, fontStyle);
  const int rubyY = y + static_cast<int>((penY + pass.lineHeight - savedSize - rubySize * pass.scale) * pass.scaleY);
  const std::vector<std::string> chars = TakeCharactersUntil(text, position, ']');
  const std::string ruby = Joined(chars);
  if (pass.draw && !chars.empty()) {
    const int rubyColour =
        static_cast<int>(gTextColours.size()) > kRubyColour ? ColourValue(kRubyColour) : PackColor(255, 255, 255);
    auto put = [&](int pen, const std::string& s) {
      const int drawX = pass.ScreenX(*this, pen);
      if (pass.shadow != 0)
        DrawScaledTextWithFont(drawX + 1, rubyY + 1, pass.scaleX, pass.scaleY, s.c_str(), PackColor(0, 0, 0), rubyFont,
                               0, 0);
      if (pass.unscaled) DrawTextWithFont(drawX, rubyY, s.c_str(), rubyColour, rubyFont, 0, 0);
      else DrawScaledTextWithFont(drawX, rubyY, pass.scaleX, pass.scaleY, s.c_str(), rubyColour, rubyFont, 0, 0);
    };
    const int w = MeasureTextWithFont(ruby.c_str(), static_cast<int>(ruby.size()), rubyFont, 0);
    const int baseWidth = penX - baseStart;
    const int n = static_cast<int>(chars.size());
    if (w > baseWidth) {
      put((baseStart + penX) / 2 - w / 2, ruby);
    } else {
      for (int k = 0; k < n; ++k) {
        const std::string& s = chars[static_cast<size_t>(k)];
        const int wk = MeasureTextWithFont(s.c_str(), static_cast<int>(s.size()), rubyFont, 0);
        put(baseStart + static_cast<int>(static_cast<long long>(baseWidth) * k / n) + (baseWidth / n - wk) / 2, s);
      }
    }
  }
  if (pass.draw && revealed < position - controlBytes) revealed = position - controlBytes;
  colour = savedColour;
  fontSize = savedSize;
  if (!pass.draw) RecordLineMetrics(pass.lineHeight);
}

void TextBlock::RenderTextBlock(bool draw, double scaleX, double scaleY) {
  if (pendingText.empty()) return;
  if (pendingText != preparedText) PrepareTextBlock();
  BuildTextColours();
  Pass pass{draw,
            scaleX,
            scaleY,
            scaleX == 1.0 && scaleY == 1.0,
            gScreenScale < 1 ? 1 : gScreenScale,
            gTileSize == 16 ? 16 : 32};
  position = penX = penY = line = colour = fontSlot = fontStyle = controlBytes = 0;
  fontSize = AdjustFontSize(SystemValue(8));
  gTextResources.GetFontHandle(fontSlot, fontSize * pass.scale, 5, fontStyle);
  pass.spacingReduction = SettingsByte(10);
  pass.shadow = SystemValue(21);
  const int length = static_cast<int>(text.size());
  const int choiceCount = std::clamp(gGameSystem.choiceCount, 1, 10);

  auto argument = [&]() -> int {
    if (position >= length) return 0;
    return (static_cast<unsigned char>(text[static_cast<size_t>(position++)]) - 14) & 0xFF;
  };
  auto rawArgument = [&]() -> int {
    if (position >= length) return 0;
    return static_cast<unsigned char>(text[static_cast<size_t>(position++)]);
  };
  auto extendScaledWidths = [&] {
    if (lineWidthsScaled.size() <= static_cast<size_t>(line)) lineWidthsScaled.resize(static_cast<size_t>(line) + 1, 0);
  };

  while (position < length) {
    const unsigned char c = static_cast<unsigned char>(text[static_cast<size_t>(position)]);
    const int start = position;
    const int end = IsLeadByte(c) && position + 1 < length ? position + 2 : position + 1;
    if (draw) {
      if (pass.instantDisplay) {
        if (end - controlBytes > revealed) revealed = end - controlBytes;
      } else if (end > static_cast<long long>(revealed) + controlBytes) {
        break;
      }
    }
    if (keyWait && keyWaitPosition < end) break;
    if (pauseFrames > 0 && pauseEnd - 1 < end) break;
    position = end;

    if (c == 0x0A) {
      penX = 0;
      penY += pass.lineHeight * pass.scale;
      if (choiceMode && lineHeights.size() <= static_cast<size_t>(line))
        lineHeights.resize(static_cast<size_t>(line) + 1, 0);
      if (LineEntry(lineHeights, line) != 0) {
        penY += pass.extraSpacingSet ? pass.extraSpacing * pass.scale * pass.tile / 32
                                     : SettingsByte(choiceMode ? 12 : 11) * pass.tile / 32 * pass.scale;
      }
      ++line;
      pass.lineHeight = choiceMode ? 0 : fontSize;
      if (!choiceMode) {
        if (lineHeights.size() <= static_cast<size_t>(line)) lineHeights.resize(static_cast<size_t>(line) + 1, 0);
        if (!draw) lineHeights[static_cast<size_t>(line)] = fontSize * pass.scale;
      }
      continue;
    }
    if (c == 0x0D) continue;
    if (c != 0x01) {
      pass.lineHeight = std::max(pass.lineHeight, fontSize);
      DrawGlyph(pass, text.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)), true);
      if (!draw) RecordLineMetrics(pass.lineHeight);
      if (choiceMode) lineHeights.resize(static_cast<size_t>(choiceCount), 0);
      continue;
    }
    if (position >= length) break;
    // The wait codes mark the place of their code byte.
    const int codeAt = position++;
    const int code = static_cast<unsigned char>(text[static_cast<size_t>(codeAt)]);
    controlBytes += 2;
    switch (code) {
      case 1:
        pass.lineHeight = std::max(pass.lineHeight, fontSize);
        DrawGlyph(pass, "\\", true);
        if (!draw) RecordLineMetrics(pass.lineHeight);
        if (choiceMode) lineHeights.resize(static_cast<size_t>(choiceCount), 0);
        break;
      case 2: {
        const int high = argument();
        const int value = high * 112 + argument();
        controlBytes += 2;
        colour = gTextColours.empty() ? value : std::min(value, static_cast<int>(gTextColours.size()) - 1);
        break;
      }
      case 3:
        fontSize = AdjustFontSize(argument());
        controlBytes += 1;
        pass.lineHeight = std::max(pass.lineHeight, fontSize);
        break;
      case 4:
        pass.lineHeight = argument();
        controlBytes += 1;
        break;
      case 5: fontStyle = 1; break;
      case 6: fontStyle = 0; break;
      case 7: {
        const int raw = rawArgument();
        controlBytes += 1;
        pass.narrowing = raw == 255 ? 0 : static_cast<signed char>(raw);
        break;
      }
      case 9: RunRubyGroup(pass); break;
      case 10: pass.instantDisplay = true; break;
      case 11: pass.instantDisplay = false; break;
      case 12: {
        const int high = argument();
        const int value = high * 256 + argument();
        controlBytes += 2;
        if (draw) revealSpeed = value == 0 || value == 65535 ? SystemValue(11) : value;
        break;
      }
      case 14:
        if (draw && codeAt > pauseEnd) {
          pauseEnd = codeAt + 1;
          pauseFrames = 16;
        }
        break;
      case 15:
        if (draw && codeAt > keyWaitPosition && !choiceMode) {
          keyWaitPosition = codeAt + 1;
          keyWait = 1;
        }
        break;
      case 16:
        if (draw) autoClose = 1;
        break;
      case 17:
        fontSlot = std::clamp(static_cast<signed char>(rawArgument()) - 14, 0, 3);
        controlBytes += 1;
        break;
      case 18: {
        const int high = argument();
        pass.extraSpacing = high * 256 + argument() - 32000;
        pass.extraSpacingSet = true;
        controlBytes += 2;
        break;
      }
      case 19:
      case 20:
      case 21: pass.alignment = code - 19; break;
      case 22: {
        const int high = argument();
        const int number = high * 256 + argument();
        extendScaledWidths();
        const auto& icons = gTextResources;
        if (number < 0 || number > 999 || number >= static_cast<int>(icons.iconHandles.size())) break;
        const int handle = icons.iconHandles[static_cast<size_t>(number)];
        if (handle <= 0) break;
        PlaceImage(pass, handle, LineEntry(icons.iconWidths, number), LineEntry(icons.iconHeights, number));
        break;
      }
      case 23: {
        extendScaledWidths();
        const std::string name = EscapesFromControlCodes(Joined(TakeCharactersUntil(text, position, ']')));
        if (!LoadGraphic(name, 1, 1, 0)) break;
        const int graph = CachedWholeGraph(name);
        if (graph <= 0) break;
        int width = 0, height = 0;
        QueryGraphSize(graph, &width, &height);
        PlaceImage(pass, graph, width, height);
        break;
      }
      case 24:
      case 25:
        argument();
        argument();
        break;
      default: break;
    }
  }
}
