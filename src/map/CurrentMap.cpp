#include "map/CurrentMap.h"

#include "gamedata/CommonEvent.h"
#include "gamedata/Database.h"
#include "gamedata/GlobalObjects.h"
#include "gamedata/MapFile.h"
#include "map/Hero.h"
#include "shell/GameSystem.h"
#include "shell/SoundChannels.h"

CurrentMap gCurrentMap;
Hero gHero;

namespace {

constexpr int kMapType = 0;
// Contents of a map entry of the System database.
constexpr int kMapFileContent = 0;
constexpr int kBgmContent = 1;
constexpr int kBgsContent = 2;
constexpr int kLoopContent = 3;
constexpr int kPanoramaContent = 4;
constexpr int kBgmFileContent = 5;
constexpr int kPanoramaFileContent = 7;
// PlayMapChannel finds the BGS's contents as the BGM's plus the channel kind.
static_assert(kBgsContent == kBgmContent + 1);

constexpr const char* kTilesetFileName = "BasicData\\TileSetData.dat";

// Plays the map's BGM (kind 0) or BGS (kind 1) as its entry asks: -3 a file
// text, -1 or more an entry (-1 stops), anything else keeps what plays.
void PlayMapChannel(int mapId, int kind) {
  const int value = gSystemDatabase.ReadDatabaseInt(kMapType, mapId, kBgmContent + kind);
  const int fileContent = kBgmFileContent + kind;
  if (value == -3 && gSystemDatabase.GetDatabaseContentCount(kMapType) > fileContent) {
    const std::string text = gSystemDatabase.ReadDatabaseString(kMapType, mapId, fileContent);
    const int entry = RegisterSoundFile(text, kind, 5, 0, 100, 100);
    if (entry != -10) PlaySoundChannel(kind, entry, 5, 0);
  } else if (value >= -1) {
    PlaySoundChannel(kind, value, 5, 0);
  }
}

}  // namespace

CurrentMap::CurrentMap() { ResetState(); }

void CurrentMap::ResetState() {
  mapId = -1;
  scrollX = 0;
  scrollY = 0;
  zoom = MapZoom{};
  pageRefresh = 0;
  frameCounter = 0;
  shakeX = ShakeAxis{};
  shakeY = ShakeAxis{};
  eventCharacters.clear();
  eventPlaces.Clear();
  commonEventRunEntries.clear();
}

void CurrentMap::ResetCurrentMap() {
  ResetState();
  tilesetList.ReadTilesetDataFile(kTilesetFileName);
}

void CurrentMap::ChangeMap(int newMapId) {
  mapId = newMapId;
  const std::string fileName = gSystemDatabase.ReadDatabaseString(kMapType, mapId, kMapFileContent);
  if (!LoadMapFile(mapData, fileName)) {
    gGameSystem.runState = -1;
    return;
  }
  tileset = tilesetList.CopyTileset(mapData.header.tilesetNumber);
  tilesetImageName = tileset.imageNames[0];
  for (size_t i = 0; i < autotileImageNames.size(); ++i) autotileImageNames[i] = tileset.imageNames[i + 1];
  tileFlags = tileset.tileFlags;
  savedTileFlags = tileFlags;
  tileTags = tileset.tileTags;
  scrollX = 0;
  scrollY = 0;
  pageRefresh = 0;

  // The new list may reuse the old one's storage and length.
  eventPlaces.Clear();
  eventCharacters.clear();
  eventCharacters.reserve(mapData.events.size());
  for (const MapEvent& event : mapData.events) eventCharacters.emplace_back(mapId, event);
  BuildCommonEventRunEntries(commonEventRunEntries);

  scrollDirectionX = 0;
  scrollDirectionY = 0;
  scrollRemainingX = 0;
  scrollRemainingY = 0;
  scrollStepX = 4;
  scrollStepY = 4;

  const int contentCount = gSystemDatabase.GetDatabaseContentCount(kMapType);
  if (contentCount > kPanoramaContent) {
    const int panorama = gSystemDatabase.ReadDatabaseInt(kMapType, mapId, kPanoramaContent);
    if (panorama >= -1) {
      gEventSystem.panoramaValues[0] = panorama;
    } else if (panorama == -3 && contentCount > kPanoramaFileContent) {
      gEventSystem.panoramaFile = gSystemDatabase.ReadDatabaseString(kMapType, mapId, kPanoramaFileContent);
      gGameSystem.panoramaByFile = 1;
      if (gEventSystem.panoramaFile.size() <= 1) {
        gGameSystem.panoramaByFile = 0;
        gEventSystem.panoramaValues[0] = -1;
      }
    }
  }

  const int loop = gSystemDatabase.ReadDatabaseInt(kMapType, mapId, kLoopContent);
  loopX = loop == 1 || loop == 3 ? 1 : 0;
  loopY = loop == 2 || loop == 3 ? 1 : 0;
}

void CurrentMap::PlayMapSound() {
  PlayMapChannel(mapId, 0);
  PlayMapChannel(mapId, 1);
}

void CurrentMap::RefreshEventPages() {
  if (mapId >= 0) {
    for (MapEventCharacter& event : eventCharacters) event.SelectEventPage();
    RefreshCommonEventRunEntries(commonEventRunEntries);
  }
  pageRefresh = 0;
}

MapEventCharacter* CurrentMap::FindMapEvent(int eventId) {
  for (MapEventCharacter& event : eventCharacters) {
    if (event.id == eventId) return &event;
  }
  return nullptr;
}

bool CurrentMap::AnyEventBlocksStep(const MapCharacter& mover, int64_t tx, int64_t ty) {
  const int64_t spanX = 2 * int64_t{GetMapWidth()};
  const int64_t spanY = 2 * int64_t{GetMapHeight()};
  if (!walkingEvents || spanX <= 0 || spanY <= 0) return AnyEventBlocksStepByScan(mover, tx, ty);
  // A script of the walk may have replaced the list or resized the map.
  if (!eventPlaces.FiledFor(eventCharacters, spanX, spanY)) eventPlaces.Rebuild(eventCharacters, spanX, spanY);
  return eventPlaces.AnyNear(tx, ty,
                             [&](size_t slot) { return EventBlocksStep(mover, eventCharacters[slot], tx, ty); });
}

void CurrentMap::NoteCharacterMoved(const MapCharacter& character, int32_t oldX, int32_t oldY) {
  if (walkingEvents) eventPlaces.NoteMoved(eventCharacters, character, oldX, oldY);
}

int GetMapWidth() { return gCurrentMap.GetMapWidth(); }
int GetMapHeight() { return gCurrentMap.GetMapHeight(); }
int GetMapTile(int x, int y, int layer) { return gCurrentMap.GetMapTile(x, y, layer); }
int GetCellTileTag(int x, int y) { return gCurrentMap.GetCellTileTag(x, y); }
int TilePassable(int x, int y, int side, int characterId, int stepSize) {
  return gCurrentMap.TilePassable(x, y, side, characterId, stepSize) ? 1 : 0;
}
void RefreshEventPages() { gCurrentMap.RefreshEventPages(); }
bool IsMapScrolling() { return gCurrentMap.IsMapScrolling(); }
void UpdateCurrentMap() { gCurrentMap.UpdateCurrentMap(); }
