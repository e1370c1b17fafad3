#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct MapCharacter;
class EventSystem;

// Draws one map character from its sheet. Keeps a pointer to the character
// (not owned) and only what it derived from the sheet.
struct CharacterSprite {
  // Loads the sheet at once (one draw), so the owner's cell size is known.
  explicit CharacterSprite(MapCharacter* ownerCharacter = nullptr);

  int32_t sheetEntry = -1;
  int32_t cell = 0;
  int32_t shadowCell = 0;
  int32_t shadowEntry = -1;
  MapCharacter* owner = nullptr;
  int32_t screenX = 0, screenY = 0;
  int32_t baseY = 0;
  int32_t opacity = 0;
  int32_t blendMode = 0;
  int32_t tileNumber = -1;
  std::string graphicName;
  int32_t halfWidth = 0, anchorHeight = 0;
  int32_t shadowHalfWidth = 0, shadowHeight = 0;
  int32_t cellWidth = 0, cellHeight = 0;
  // 0 plain, 1 standing column ("T"), 2 walking set ("TX"), -1 single image ("$").
  int32_t sheetKind = 0;
  int32_t columns = 6;
  int32_t shadowColumns = 0;
  uint8_t loadFailed = 0;
};

// Loads what changed and draws the sprite, its shadow and its tone flash.
void DrawCharacterSprite(CharacterSprite& sprite);

// The three tile layers of the current map from the tileset image and the
// seven autotile images.
struct TileMapView {
  TileMapView();

  // Priority per entry of the map's tile flags: 1 for bit 0x100, else 2 for
  // bit 0x10, else 0.
  void UpdateTilePriorities();
  // mode 0: priority 0 (and the shake); 1: one map row of priority 1; 2: priority 2.
  void DrawTileLayers(int mode, int row);

  std::string tilesetImage;
  std::array<std::string, 7> autotileImages;
  int32_t tilesetEntry = -1;
  std::array<int32_t, 7> autotileEntries{};
  std::array<int32_t, 7> autotileFrames{};
  std::vector<uint8_t> priorities;
  std::array<uint8_t, 7> autotileLoaded{};
  int32_t animationStep = 0;
  // Map scroll in screen pixels; the frame sets them before drawing.
  int32_t scrollX = 0, scrollY = 0;

 private:
  void LoadImages();
  void DrawTile(int value, int64_t x, int64_t y) const;
};

// A background (panorama) or overlay (fog) image repeated with a wrapping,
// scrolling offset. Both kinds share fields and steps.
struct ImageLayer {
  int32_t number = -1;
  int32_t imageEntry = -1;
  int32_t imageWidth = 0, imageHeight = 0;
  // Eighths of a pixel.
  int32_t offsetX8 = 0, offsetY8 = 0;
  // Kept modulo the image's period, so it never overflows.
  int32_t travelX8 = 0, travelY8 = 0;
};
struct PanoramaLayer : ImageLayer {};
struct FogLayer : ImageLayer {};

void ResetPanoramaLayer(PanoramaLayer& layer);
void ResetFogLayer(FogLayer& layer);
void ChangePanoramaByNumber(PanoramaLayer& layer);
void ChangeFogByNumber(FogLayer& layer);
void ChangePanoramaByFile(PanoramaLayer& layer);
void ChangeFogByFile(FogLayer& layer);
void StepPanoramaScroll(PanoramaLayer& layer);
void StepFogScroll(FogLayer& layer);
void DrawPanorama(PanoramaLayer& layer);
void DrawFog(FogLayer& layer);

// Characters sorted into 8-pixel bands by their ground line, in three groups
// (pass-through, normal with hero and party, above all).
struct DrawOrderList {
  std::array<std::vector<std::vector<int32_t>>, 3> buckets;
  std::array<std::vector<int32_t>, 3> bucketSizes;
  int32_t bucketCount = 0;
  int32_t group = 0, bucket = 0, position = 0;
};

// Entries: a map event's index, -10 the hero, -11 - i party slot i; -998 and
// below an upper-tile row; -1 the end.
void BuildDrawOrder(DrawOrderList& order);
int NextDrawOrderEntry(DrawOrderList& order, int scrollY);

// The map-drawing part of the scene.
struct MapView {
  MapView();

  CharacterSprite heroSprite;
  std::vector<CharacterSprite> partySprites;
  TileMapView tileView;
  PanoramaLayer panorama;
  FogLayer fog;
  std::vector<CharacterSprite> eventSprites;
  DrawOrderList drawOrder;
};

// Replaces every sprite and the tile, panorama and fog layers.
void RebuildCharacterSprites(MapView& view);
// The screen tone of the owner: reset sets a white tint; positivePass adds
// the positive components as a full-screen box; otherwise the negative
// components darken through the tint (stored in values when given).
void ApplyScreenTone(const EventSystem& owner, bool positivePass, bool reset, int* values);
void DrawMap(MapView& view);
// One scroll step of the panorama, then of the fog; every frame.
void UpdatePanoramaAndFog(MapView& view);
