#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gamedata/MapData.h"
#include "gamedata/Tileset.h"
#include "interpreter/CommonEventTriggers.h"
#include "map/EventPlaceIndex.h"
#include "map/MapCharacter.h"

// One axis of the screen shake: amplitude A, speed S, frames left F, value V
// and its direction D (1 or -1).
struct ShakeAxis {
  int32_t amplitude = 0;
  int32_t speed = 0;
  int32_t frames = 0;
  int32_t value = 0;
  int32_t sign = 0;
};

// The map zoom: centre (screen pixels) and percent, each as target, start and
// current value, moving over total frames.
struct MapZoom {
  int32_t targetX = 0, targetY = 0, targetZoom = 100;
  int32_t startX = 0, startY = 0, startZoom = 100;
  int32_t currentX = 0, currentY = 0, currentZoom = 100;
  int32_t totalFrames = 0;
  int32_t remainingFrames = 0;
};

// The map being played. Positions are in half cells (cell (cx, cy) covers
// half cells 2cx..2cx+1 and 2cy..2cy+1); the scroll position is in quarter
// pixels, 4T per cell at tile size T.
class CurrentMap {
 public:
  // Built members and reset values; the tile-set list stays the built-in one
  // until ResetCurrentMap reads the game's (nothing may be read before the
  // start-up has set the data folder).
  CurrentMap();

  // Map id -1, scroll, shake, zoom, refresh request and frame counter back to
  // their start values, events, run entries and reserved values emptied, and
  // the tile-set list read again from "BasicData\\TileSetData.dat".
  void ResetCurrentMap();

  // Enters map mapId of the System database's map type (see CurrentMap.cpp).
  void ChangeMap(int newMapId);
  // Starts the map's BGM and BGS as its map entry asks.
  void PlayMapSound();
  // Page selection of every map event and refresh of every run entry when a
  // map is loaded; clears the request in every case.
  void RefreshEventPages();

  int32_t GetMapWidth() const { return mapData.header.width; }
  int32_t GetMapHeight() const { return mapData.header.height; }

  // Tile queries, in half cells.
  // Tile index (0 the empty tile, 1-7 autotiles, 8 + n tileset cell n) in the
  // layer, every coordinate wrapped into the map; -1 on a map without cells.
  int GetMapTile(int x, int y, int layer) const;
  bool IsInsideMap(int x, int y) const;
  // Whether a character at (x, y) may pass through the side (2, 4, 6, 8;
  // other values test only closed tiles and quarters); stepSize in half cells.
  bool TilePassable(int x, int y, int side, int characterId, int stepSize) const;
  bool IsHalfHiddenCell(int x, int y) const;
  bool IsCounterCell(int x, int y) const;
  // The larger of the two tags under the feet, top layer first; 0 none.
  uint8_t GetCellTileTag(int x, int y) const;
  // The id of the first event standing at (x, y), -1 when none.
  int FindMapEventAt(int x, int y) const;
  // Flag word and tag of a tile index; 0 for an index the lists lack.
  int32_t TileFlags(int tileIndex) const;
  uint8_t TileTag(int tileIndex) const;

  // Scrolling (amounts in scroll units).
  void ScrollMapRight(int64_t amount);
  void ScrollMapLeft(int64_t amount);
  void ScrollMapDown(int64_t amount);
  void ScrollMapUp(int64_t amount);
  void StartMapScroll(int64_t dx, int64_t dy, int speed);
  bool IsMapScrolling() const { return scrollRemainingX > 0 || scrollRemainingY > 0; }
  // axis 0 vertical, 1 horizontal; amplitude and speed are exponents of 2.
  void StartScreenShake(int amplitudeExp, int speedExp, int axis, int frames);
  void StopScreenShake();
  void StartMapScreenEffect(int centreX, int centreY, int zoom, int frames);
  // Once per frame: page refresh when asked, scroll, shake, zoom, every map
  // event, every parallel common event, frame counter.
  void UpdateCurrentMap();

  // The save block of the map, through gSaveBuffer; its format number is the
  // version of the block being read.
  bool SaveMapState() const;
  bool LoadMapState(bool reload);

  // The map event with that id, or null.
  MapEventCharacter* FindMapEvent(int eventId);

  // Whether any map event keeps `mover` out of half cell (tx, ty), a target
  // already wrapped on a looping axis.
  bool AnyEventBlocksStep(const MapCharacter& mover, int64_t tx, int64_t ty);
  // Told of every change of a character's place, from (oldX, oldY).
  void NoteCharacterMoved(const MapCharacter& character, int32_t oldX, int32_t oldY);

  Tileset tileset;
  MapData mapData;
  int32_t mapId = -1;   // -1: no map loaded
  int32_t scrollX = 0;  // quarter pixels
  int32_t scrollY = 0;
  int32_t scrollDirectionX = 0;  // 4 left, 6 right
  int32_t scrollDirectionY = 0;  // 8 up, 2 down
  int32_t scrollRemainingX = 0;
  int32_t scrollRemainingY = 0;
  int32_t scrollStepX = 4;
  int32_t scrollStepY = 4;
  std::string tilesetImageName;
  std::array<std::string, 7> autotileImageNames;
  // Set before every command; event pages are selected again while it is set.
  uint8_t pageRefresh = 0;
  std::vector<uint8_t> tileTags;
  std::vector<int32_t> tileFlags;
  // The tile set's flags as the map was entered.
  std::vector<int32_t> savedTileFlags;
  // One character per map event, in the order of the map's event list.
  std::vector<MapEventCharacter> eventCharacters;
  // One per common event of trigger kind 2 or 3, in list order.
  std::vector<CommonEventRunEntry> commonEventRunEntries;
  int32_t frameCounter = 0;  // modulo 2,400,000
  uint8_t loopX = 0;
  uint8_t loopY = 0;
  int32_t shakeOffsetX = 0;  // pixels
  int32_t shakeOffsetY = 0;
  ShakeAxis shakeX;
  ShakeAxis shakeY;
  TilesetList tilesetList;
  MapZoom zoom;

 private:
  // The events' places, trusted only while the frame's update walks the
  // events: it is brought up to date as the walk starts, and every place
  // change during the walk goes through NoteCharacterMoved. Elsewhere any
  // code may have set a place, and a step check scans the events.
  EventPlaceIndex eventPlaces;
  bool walkingEvents = false;

  bool IsInsideMap64(int64_t x, int64_t y) const;
  // The reset values of ResetCurrentMap, without the tile-set list.
  void ResetState();
  void UpdateScreenShake(ShakeAxis& axis) const;
  void UpdateZoom();
};

extern CurrentMap gCurrentMap;

// What the runtime asks of the current map.
int GetMapWidth();
int GetMapHeight();
int GetMapTile(int x, int y, int layer);
// First nonzero tile tag under the place; 0 when none.
int GetCellTileTag(int x, int y);
// 1 when a character may pass the place through the side.
int TilePassable(int x, int y, int side, int characterId, int stepSize);
// Page selection for every map event, then the common events' run entries;
// clears the page-refresh byte.
void RefreshEventPages();
// True while a started scroll still has distance to go.
bool IsMapScrolling();
// The frame's map update.
void UpdateCurrentMap();
