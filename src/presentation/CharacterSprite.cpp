#include <algorithm>
#include <cstdint>
#include <string>

#include "gamedata/Database.h"
#include "gamedata/GameInfo.h"
#include "gamedata/GlobalObjects.h"
#include "map/CurrentMap.h"
#include "map/MapCharacter.h"
#include "media/PublicFunctions.h"
#include "presentation/GraphicCache.h"
#include "presentation/MapView.h"
#include "presentation/TextCodes.h"
#include "shell/GameSystem.h"
#include "shell/StartupGlobals.h"

namespace {

int Setting(size_t index) {
  return index < gGameInfo.settings.size() ? static_cast<int>(static_cast<uint8_t>(gGameInfo.settings[index])) : 0;
}

int PatternCount() { return Setting(7); }
bool ShadowsOn() { return Setting(5) == 1; }

// The entry of a cached name; -1 when the cache has none (empty names too).
int CacheEntry(const std::string& name) {
  const auto found = gGraphicCache.nameIndex.find(name);
  return found == gGraphicCache.nameIndex.end() || name.empty() ? -1 : found->second;
}

int EntryHandle(int entry, int element) {
  if (entry < 0 || static_cast<size_t>(entry) >= gGraphicCache.cellHandles.size()) return -1;
  const std::vector<int>& handles = gGraphicCache.cellHandles[static_cast<size_t>(entry)];
  return element >= 0 && static_cast<size_t>(element) < handles.size() ? handles[static_cast<size_t>(element)] : -1;
}

void EntrySize(int entry, int& width, int& height) {
  width = height = 0;
  QueryGraphSize(EntryHandle(entry, 0), &width, &height);
}

// The standing-column suffix counts only when its 'T' is a character of its own.
bool HasStandingColumn(const std::string& name) {
  size_t at = name.find("T.png");
  if (at == std::string::npos) at = name.find("T.PNG");
  return at != std::string::npos && ShiftJisByteKind(name, at) == 0;
}

bool Contains(const std::string& name, const char* a, const char* b) {
  return name.find(a) != std::string::npos || name.find(b) != std::string::npos;
}

void LoadSheet(CharacterSprite& s, MapCharacter& owner, bool& reloadedFromFile) {
  const int ts = gTileSize;
  s.tileNumber = owner.graphicNumber;
  s.graphicName = owner.graphicName;
  if (s.tileNumber >= 0) {
    const std::string& image = gCurrentMap.tilesetImageName;
    s.sheetEntry = LoadGraphic(image, ts, ts, 1) ? CacheEntry(image) : -1;
    s.cell = s.tileNumber + 1;
    s.halfWidth = ts / 2;
    s.anchorHeight = s.cellWidth = s.cellHeight = ts;
    s.columns = 8;
    return;
  }
  reloadedFromFile = true;
  const int P = PatternCount();
  s.sheetKind = 0;
  s.columns = 2 * P;
  if (s.graphicName.empty()) {
    s.sheetEntry = -1;
    s.shadowEntry = -1;
    return;
  }
  if (HasStandingColumn(s.graphicName)) {
    s.sheetKind = 1;
    s.columns = 2 * P + 2;
  }
  if (Contains(s.graphicName, "TX.png", "TX.PNG")) {
    s.sheetKind = 2;
    s.columns = 4 * P;
  }
  if (!owner.eightDirectionSheet) s.columns /= 2;
  if (Contains(s.graphicName, "$.png", "$.PNG")) {
    s.sheetKind = -1;
    s.columns = 1;
  }
  if (s.sheetKind < 0) {
    if (!LoadGraphic(s.graphicName, 1, 1, 0)) {
      s.sheetEntry = -1;
      return;
    }
    s.sheetEntry = CacheEntry(s.graphicName);
    int w = 0, h = 0;
    EntrySize(s.sheetEntry, w, h);
    s.cellWidth = w;
    s.cellHeight = h;
    s.halfWidth = w / 2;
    s.anchorHeight = h;
    return;
  }
  if (s.columns < 1 || !LoadGraphic(s.graphicName, s.columns, 4, 0)) {
    s.loadFailed = 1;
    return;
  }
  s.sheetEntry = CacheEntry(s.graphicName);
  int w = 0, h = 0;
  EntrySize(s.sheetEntry, w, h);
  s.cellWidth = w / s.columns;
  s.cellHeight = h / 4;
  s.halfWidth = s.cellWidth / 2;
  s.anchorHeight = s.cellHeight;
}

void LoadShadow(CharacterSprite& s, MapCharacter& owner) {
  const int shadowNumber = owner.ContactRangeBytes.empty() ? 255 : owner.ContactRangeBytes[0];
  owner.loadedExtraGraphic = static_cast<int16_t>(shadowNumber);
  s.shadowColumns = 2 * PatternCount();
  if (!owner.eightDirectionSheet) s.shadowColumns /= 2;
  s.shadowEntry = -1;
  if (shadowNumber == 255 || !ShadowsOn() || s.shadowColumns < 1) return;
  const std::string name = gSystemDatabase.ReadDatabaseString(9, shadowNumber, 0);
  if (name.empty() || !LoadGraphic(name, s.shadowColumns, 4, 0)) return;
  s.shadowEntry = CacheEntry(name);
  int w = 0, h = 0;
  EntrySize(s.shadowEntry, w, h);
  s.shadowHalfWidth = w / s.shadowColumns / 2;
  s.shadowHeight = h / 4;
}

void SelectCells(CharacterSprite& s, MapCharacter& owner) {
  const int D = owner.direction;
  const int p = owner.pattern;
  const int N = s.columns;
  const int M = s.shadowColumns;
  const bool moving = (s.sheetKind == 1 || s.sheetKind == 2) && owner.WasMovingForAnimation();
  int row = 0;
  int shift = 0;  // the cell's column within its row
  int shadowShift = 0;
  if (owner.eightDirectionSheet && D % 2 != 0) {
    row = D < 5 ? (D - 1) / 2 : (D - 3) / 2;
    shadowShift = p + M / 2;
    if (s.sheetKind == 0) shift = p + N / 2;
    if (s.sheetKind == 1) shift = (moving ? p + 1 : 0) + N / 2;
    if (s.sheetKind == 2) shift = p + (moving ? N / 4 : 0) + N / 2;
  } else {
    row = (D - 2) / 2;
    shadowShift = p;
    if (s.sheetKind == 0) shift = p;
    if (s.sheetKind == 1) shift = moving ? p + 1 : 0;
    if (s.sheetKind == 2) shift = p + (moving ? (owner.eightDirectionSheet ? 3 : N / 2) : 0);
  }
  s.shadowCell = row * M + shadowShift + 1;
  s.cell = row * N + shift + 1;
}

struct Placement {
  int64_t zx, zy, zb, zw, zh, zsw, zsh, zcw, zch;
};

void DrawBody(const CharacterSprite& s, const Placement& z, bool halfHidden, bool stretch, bool secondPass) {
  const int ts = gTileSize;
  const int64_t K = gScreenScale;
  const int64_t Z = gCurrentMap.zoom.currentZoom;
  const int sheet = EntryHandle(s.sheetEntry, s.cell);
  const auto upperBlend = [&] { SetBlendState(secondPass ? 2 : s.blendMode + 1, s.opacity); };
  if (!halfHidden) {
    if (!stretch) {
      PutGraph(static_cast<int>(z.zx - z.zw), static_cast<int>(z.zy - z.zh), sheet, 1);
    } else {
      PutGraphStretched(static_cast<int>((z.zx - z.zw) * K), static_cast<int>((z.zy - z.zh) * K),
                        static_cast<int>((z.zx + z.zw) * K), static_cast<int>(z.zy * K), sheet, 1);
    }
    return;
  }
  const int whole = EntryHandle(s.sheetEntry, 0);
  const int srcX = ((s.cell - 1) % s.columns) * s.cellWidth;
  const int srcY = ((s.cell - 1) / s.columns) * s.cellHeight;
  const int half = ts / 2;
  if (!stretch) {
    PutGraphPart(static_cast<int>(z.zx - z.zw), static_cast<int>(z.zy - z.zh + z.zch - half), srcX,
                 srcY + s.cellHeight - half, s.cellWidth, half, whole, 1, 0);
    upperBlend();
    PutGraphPart(static_cast<int>(z.zx - z.zw), static_cast<int>(z.zy - z.zh), srcX, srcY, s.cellWidth,
                 s.cellHeight - half, whole, 1, 0);
    return;
  }
  const int64_t zt = ts * Z / 100;
  const int lower = CreateSubGraph(srcX, srcY + s.cellHeight - half, s.cellWidth, half, whole);
  const int64_t lowerTop = (z.zy - z.zh + z.zch - zt / 2) * K;
  PutGraphStretched(static_cast<int>((z.zx - z.zw) * K), static_cast<int>(lowerTop),
                    static_cast<int>((z.zx - z.zw + z.zcw) * K), static_cast<int>(lowerTop + (zt / 2) * K), lower, 1);
  ReleaseGraph(lower, 0);
  upperBlend();
  const int upper = CreateSubGraph(srcX, srcY, s.cellWidth, s.cellHeight - half, whole);
  PutGraphStretched(static_cast<int>((z.zx - z.zw) * K), static_cast<int>((z.zy - z.zh) * K),
                    static_cast<int>((z.zx - z.zw + z.zcw) * K), static_cast<int>(lowerTop), upper, 1);
  ReleaseGraph(upper, 0);
}

}  // namespace

CharacterSprite::CharacterSprite(MapCharacter* ownerCharacter) : owner(ownerCharacter) { DrawCharacterSprite(*this); }

void DrawCharacterSprite(CharacterSprite& s) {
  if (s.owner == nullptr || s.loadFailed) return;
  MapCharacter& owner = *s.owner;
  const int ts = gTileSize;
  bool reloadedFromFile = false;
  if (gGameSystem.tilesetChanged || s.tileNumber != owner.graphicNumber || s.graphicName != owner.graphicName) {
    LoadSheet(s, owner, reloadedFromFile);
    if (s.loadFailed) return;
  }
  owner.spriteCellWidth = s.cellWidth;
  owner.spriteCellHeight = s.cellHeight;
  const int shadowNumber = owner.ContactRangeBytes.empty() ? 255 : owner.ContactRangeBytes[0];
  if (reloadedFromFile || (shadowNumber != owner.loadedExtraGraphic && !s.graphicName.empty())) LoadShadow(s, owner);
  if (s.tileNumber < 0 && s.sheetKind >= 0 && s.sheetKind <= 2) SelectCells(s, owner);
  if (s.tileNumber < 0 && s.sheetKind < 0) s.cell = 1;

  s.screenX = owner.GetCharacterScreenX(true) + gCurrentMap.shakeOffsetX;
  s.screenY = owner.GetCharacterScreenY(true) + gCurrentMap.shakeOffsetY;
  s.baseY = owner.GetCharacterScreenBaseY(true) + gCurrentMap.shakeOffsetY;
  s.opacity = owner.opacity;
  s.blendMode = owner.blendKind;
  if (s.opacity == 0) return;
  const bool halfHidden = gCurrentMap.IsHalfHiddenCell(owner.x, owner.y) && owner.jumpTicksLeft == 0;
  const int divisor = halfHidden ? 3 : 1;
  switch (s.blendMode) {
    case 0:
      if (s.opacity == 255 && !halfHidden) {
        SetBlendState(0, 255);
      } else {
        SetBlendState(1, s.opacity / divisor);
      }
      break;
    case 1: SetBlendState(2, s.opacity / divisor); break;
    case 2: SetBlendState(3, s.opacity / divisor); break;
    case 3: SetBlendState(11, s.opacity / divisor); break;
    default: break;
  }
  if (EntryHandle(s.sheetEntry, s.cell) == -1) return;

  int64_t x = s.screenX, y = s.screenY, base = s.baseY;
  const int64_t mapW = static_cast<int64_t>(gCurrentMap.GetMapWidth()) * ts;
  const int64_t mapH = static_cast<int64_t>(gCurrentMap.GetMapHeight()) * ts;
  if (gCurrentMap.loopX && x > int64_t{20} * ts) x -= mapW;
  if (gCurrentMap.loopY) {
    if (y > mapH) {
      y -= mapH;
      base -= mapH;
    }
    if (y <= 0) {
      y += mapH;
      base += mapH;
    }
  }
  if (x + s.halfWidth < -ts || x - s.halfWidth > int64_t{21} * ts) return;

  const int64_t Z = gCurrentMap.zoom.currentZoom;
  const int64_t f = Z - 100;
  const int64_t cx = gCurrentMap.zoom.currentX, cy = gCurrentMap.zoom.currentY;
  const Placement z{x + (x - cx) * f / 100,   y + (y - cy) * f / 100,   base + (base - cy) * f / 100,
                    s.halfWidth * Z / 100,    s.anchorHeight * Z / 100, s.shadowHalfWidth * Z / 100,
                    s.shadowHeight * Z / 100, s.cellWidth * Z / 100,    s.cellHeight * Z / 100};
  const int64_t K = gScreenScale;

  if (s.shadowEntry != -1 && ShadowsOn()) {
    const int shadow = EntryHandle(s.shadowEntry, s.shadowCell);
    if (shadow != -1) {
      const int64_t lift = z.zb - z.zy;
      const int64_t s8 = std::min(lift / 8, z.zsw / 2);
      const int64_t s4 = std::min(lift / 4, z.zsw * 4 / 5);
      PutGraphStretched(static_cast<int>((z.zx - z.zsw + s4) * K), static_cast<int>((z.zb - z.zsh + s8) * K),
                        static_cast<int>((z.zx + z.zsw - s4) * K), static_cast<int>((z.zb - s8) * K), shadow, 1);
    }
  }
  const bool stretch = !(K == 1 && Z == 100);
  const int remaining = owner.colorEffectLeft;
  if (remaining <= 0) {
    DrawBody(s, z, halfHidden, stretch, false);
    return;
  }
  // Tone flash: a darkening tint, then an additive brightening draw.
  const int64_t total = std::max(owner.colorEffectTicks, 1);
  const int64_t k = remaining * int64_t{1000} / total;
  int first[3], second[3];
  for (int c = 0; c < 3; ++c) {
    const int64_t channel = (owner.colorEffect >> (16 - 8 * c)) & 0xFF;
    const int64_t d = k * (channel - 100) / 1000;
    first[c] = static_cast<int>(std::min(255 + d * 2.55, 255.0));
    second[c] = static_cast<int>(std::min(d * 2.55, 255.0));
  }
  SetDrawTint(first[0], first[1], first[2]);
  DrawBody(s, z, halfHidden, stretch, false);
  SetBlendState(2, 255);
  SetDrawTint(second[0], second[1], second[2]);
  DrawBody(s, z, halfHidden, stretch, true);
  ApplyScreenTone(gEventSystem, false, false, nullptr);
}
