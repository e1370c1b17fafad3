#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "gamedata/GameInfo.h"
#include "presentation/MapView.h"
#include "presentation/PictureFixture.h"

namespace {

// Cell (cx, cy) of a 32-pixel map in quarter pixels.
void PlaceAt(MapCharacter& c, int cx, int cy) {
  c.x = 2 * cx;
  c.y = 2 * cy;
  c.fineX = 128 * cx;
  c.fineY = 128 * cy;
}

class MapViewTest : public PictureTest {
 protected:
  void SetUp() override {
    PictureTest::SetUp();
    gGameInfo.settings[0] = 32;
    gGameInfo.settings[7] = 3;
    gCurrentMap.mapId = 1;
    SetMapSize(20, 15);
    gCurrentMap.tileFlags.assign(8 + 16, 0);
    gEventSystem = EventSystem();
  }

  static void SetMapSize(int width, int height) {
    gCurrentMap.mapData.header.width = width;
    gCurrentMap.mapData.header.height = height;
    gCurrentMap.mapData.ResizeMapLayers(true, 0, 0);
    for (auto& layer : gCurrentMap.mapData.layers)
      for (auto& column : layer) std::fill(column.begin(), column.end(), 100000);
  }

  // The log with each graph handle replaced by the name of the cached file
  // (or picture number) it belongs to; blend and tint are kept.
  static std::vector<std::string> Labelled(const std::vector<std::string>& lines) {
    std::map<int, std::string> names;
    for (const auto& [name, entry] : gGraphicCache.nameIndex) {
      const auto& handles = gGraphicCache.cellHandles[static_cast<size_t>(entry)];
      for (size_t i = 0; i < handles.size(); ++i) names[handles[i]] = name + "#" + std::to_string(i);
    }
    for (const auto& [number, p] : gPictureList.pictures)
      for (int cell : p.cells) names[cell] = "pic" + std::to_string(p.number);
    std::vector<std::string> out;
    for (const std::string& line : lines) {
      const size_t open = line.find('(');
      std::string label = line.substr(0, open);
      std::string args = line.substr(open + 1, line.find(')') - open - 1);
      for (const auto& [handle, name] : names) {
        const std::string h = std::to_string(handle);
        if (args.find("," + h + ",") != std::string::npos || args.rfind(h + ",", 0) == 0) label += " " + name;
      }
      out.push_back(label);
    }
    return out;
  }
};

TEST_F(MapViewTest, TilePrioritiesFromTheFlags) {
  gCurrentMap.tileFlags = {0x110, 0x10, 0x40, 0x100, 0};
  TileMapView view;
  EXPECT_EQ(view.priorities, (std::vector<uint8_t>{1, 2, 0, 1, 0}));
}

TEST_F(MapViewTest, AutotilePiecesAndEmptyValues) {
  WriteImage("auto2.bmp", 128, 160);
  gCurrentMap.autotileImageNames[1] = "auto2.bmp";
  gCurrentMap.frameCounter = 120;  // animation step 6: frame 2 of 4
  for (int value : {301234, 100000, 900000, 950000}) {
    gCurrentMap.mapData.layers[0][0][0] = value;
    TileMapView view;
    const auto log = LogOf([&] { view.DrawTileLayers(0, -1); });
    if (value != 301234) {
      EXPECT_TRUE(log.empty()) << value;
      continue;
    }
    const auto& cells = gGraphicCache.cellHandles[static_cast<size_t>(gGraphicCache.nameIndex["auto2.bmp"])];
    // Rows are not tested against the map height: screen row 15 shows map row 0 again.
    ASSERT_EQ(log.size(), 8u);
    const int expected[4][3] = {{0, 0, 21}, {16, 0, 38}, {0, 16, 61}, {16, 16, 78}};
    for (size_t i = 0; i < 4; ++i) {
      EXPECT_EQ(log[i].substr(0, log[i].find(')') + 1),
                "PutGraph(" + std::to_string(expected[i][0]) + "," + std::to_string(expected[i][1]) + "," +
                    std::to_string(cells[static_cast<size_t>(expected[i][2])]) + ",1)");
    }
  }
  // An autotile image narrower than a tile is not drawn.
  ReleaseAllGraphics();
  WriteImage("thin.bmp", 16, 160);
  gCurrentMap.autotileImageNames[1] = "thin.bmp";
  gCurrentMap.mapData.layers[0][0][0] = 301234;
  TileMapView thin;
  EXPECT_TRUE(LogOf([&] { thin.DrawTileLayers(0, -1); }).empty());
}

TEST_F(MapViewTest, ScrollWalksTheVisibleColumns) {
  WriteImage("tiles.bmp", 256, 64);
  gCurrentMap.tilesetImageName = "tiles.bmp";
  SetMapSize(25, 30);
  for (int x = 0; x < 25; ++x) gCurrentMap.mapData.layers[0][static_cast<size_t>(x)][0] = 0;
  const struct {
    bool loop;
    int scrollX;
    size_t drawn;
    std::string firstX;
  } rows[] = {{false, 325, 16, "PutGraph(-37,"},
              {true, 325, 22, "PutGraph(-37,"},
              {false, 0, 21, "PutGraph(0,"},
              {true, -40, 22, "PutGraph(-24,"},
              {true, -100000, 22, "PutGraph(-32,"}};
  for (const auto& row : rows) {
    gCurrentMap.loopX = row.loop;
    TileMapView view;
    view.scrollX = row.scrollX;
    const auto log = LogOf([&] { view.DrawTileLayers(0, -1); });
    ASSERT_EQ(log.size(), row.drawn) << row.scrollX << " loop " << row.loop;
    EXPECT_EQ(log[0].rfind(row.firstX, 0), 0u) << log[0];
  }
  // Zoom 200 about (320, 240): the tile at (320, 240) covers (320, 240)-(384, 304).
  SetMapSize(30, 30);
  gCurrentMap.mapData.layers[0][10][8] = 0;
  gCurrentMap.loopX = 0;
  gCurrentMap.zoom.currentZoom = 200;
  gCurrentMap.zoom.currentX = 320;
  gCurrentMap.zoom.currentY = 240;
  TileMapView zoomed;
  zoomed.scrollY = 16;
  const auto log = LogOf([&] { zoomed.DrawTileLayers(0, -1); });
  ASSERT_EQ(log.size(), 1u);
  EXPECT_EQ(log[0].rfind("PutGraphStretched(320,240,384,304,", 0), 0u) << log[0];
  // A map without cells draws nothing and sorts nothing.
  SetMapSize(0, 0);
  TileMapView empty;
  EXPECT_TRUE(LogOf([&] { empty.DrawTileLayers(0, -1); }).empty());
  DrawOrderList order;
  BuildDrawOrder(order);
  EXPECT_EQ(order.bucketCount, 0);
  EXPECT_EQ(NextDrawOrderEntry(order, 0), -1);
}

TEST_F(MapViewTest, SheetLayoutsAndCells) {
  for (const char* name : {"heroT.png", "heroTX.png", "npc$.png", "plain.png", "a\x83T.png"}) WriteImage(name, 96, 128);
  const struct {
    const char* name;
    bool eight;
    int direction, pattern;
    bool moving;
    int columns, cell;
  } rows[] = {
      {"heroT.png", false, 4, 0, false, 4, 5},  {"heroT.png", false, 4, 2, true, 4, 8},
      {"heroTX.png", true, 9, 1, true, 12, 47}, {"heroTX.png", true, 8, 1, true, 12, 41},
      {"npc$.png", false, 2, 2, false, 1, 1},   {"plain.png", false, 6, 1, false, 3, 8},
      {"a\x83T.png", false, 2, 0, false, 3, 1},  // the 'T' is a trail byte: a plain sheet
  };
  for (const auto& row : rows) {
    MapCharacter owner;
    owner.graphicName = row.name;
    owner.eightDirectionSheet = row.eight;
    owner.direction = static_cast<int16_t>(row.direction);
    owner.pattern = static_cast<int16_t>(row.pattern);
    owner.movingNow = row.moving;
    CharacterSprite sprite(&owner);
    EXPECT_EQ(sprite.columns, row.columns) << row.name << " " << row.direction;
    EXPECT_EQ(sprite.cell, row.cell) << row.name << " " << row.direction;
    EXPECT_EQ(owner.spriteCellHeight, sprite.cellHeight);
  }
  // Opacity 0: nothing drawn, the cell size still written.
  MapCharacter hidden;
  hidden.graphicName = "plain.png";
  hidden.opacity = 0;
  CharacterSprite sprite(nullptr);
  sprite.owner = &hidden;
  EXPECT_TRUE(LogOf([&] { DrawCharacterSprite(sprite); }).empty());
  EXPECT_EQ(hidden.spriteCellWidth, 32);
  EXPECT_EQ(hidden.spriteCellHeight, 32);
}

TEST_F(MapViewTest, PanoramaAndFogOffsetsAfterSteps) {
  WriteImage("sky.bmp", 640, 480);
  const struct {
    bool fog;
    int step, steps, offset8;
  } rows[] = {{false, 1, 3, 6}, {false, 1, 4, 8}, {false, 2, 1, 4}, {true, 2, 1, 1}, {true, 1, 1000000, 3200}};
  for (const auto& row : rows) {
    gEventSystem = EventSystem();
    gFrameStep = row.step;
    MapView view;
    int32_t* values = row.fog ? gEventSystem.fogValues.data() : gEventSystem.panoramaValues.data();
    std::string& file = row.fog ? gEventSystem.fogFile : gEventSystem.panoramaFile;
    values[0] = -2;
    values[1] = 2;
    file = "sky.bmp";
    ImageLayer& layer = row.fog ? static_cast<ImageLayer&>(view.fog) : view.panorama;
    if (row.fog) ChangeFogByNumber(view.fog);
    else ChangePanoramaByNumber(view.panorama);
    layer.offsetX8 = layer.travelX8 = 0;
    for (int i = 0; i < row.steps; ++i) UpdatePanoramaAndFog(view);
    EXPECT_EQ(layer.offsetX8 % 5120, row.offset8 % 5120) << row.fog << " " << row.steps;
    EXPECT_GE(layer.travelX8, 0);
  }
  // The first draw after 4 steps puts the image 1 pixel right, wrapped.
  gFrameStep = 1;
  gEventSystem = EventSystem();
  MapView view;
  gEventSystem.panoramaValues = {-2, 2, 0};
  gEventSystem.panoramaFile = "sky.bmp";
  ChangePanoramaByNumber(view.panorama);
  view.panorama.offsetX8 = view.panorama.travelX8 = 0;
  for (int i = 0; i < 4; ++i) UpdatePanoramaAndFog(view);
  const auto log = LogOf([&] { DrawPanorama(view.panorama); });
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(log[0].rfind("PutGraphPart(1,0,0,0,639,480,", 0), 0u) << log[0];
  EXPECT_EQ(log[1].rfind("PutGraphPart(0,0,639,480,1,0,", 0), 0u) << log[1];
  // Follow divisor 2 with the map 100 pixels right: 50 pixels left.
  gCurrentMap.scrollX = 400;
  gEventSystem.panoramaImage = 2;
  view.panorama.travelX8 = 0;
  gEventSystem.panoramaValues[1] = 0;
  StepPanoramaScroll(view.panorama);
  EXPECT_EQ(view.panorama.offsetX8, 5120 - 400);
}

TEST_F(MapViewTest, FileStringsAndMissingImages) {
  WriteImage("sky.png", 64, 64);
  MapView view;
  gEventSystem.panoramaFile = "sky.png\n-3\n1\n5";
  gGameSystem.panoramaByFile = 1;
  ChangePanoramaByFile(view.panorama);
  EXPECT_EQ(gEventSystem.panoramaFile, "sky.png");
  EXPECT_EQ(gEventSystem.panoramaValues, (std::array<int32_t, 3>{-2, -3, 1}));
  EXPECT_EQ(gEventSystem.panoramaImage, 1);
  EXPECT_EQ(gGameSystem.panoramaByFile, 0);
  gEventSystem.panoramaFile = "sky.png\n4";
  ChangePanoramaByFile(view.panorama);
  EXPECT_EQ(gEventSystem.panoramaValues, (std::array<int32_t, 3>{-2, 4, 1}));
  // A missing panorama records its number like the fog: one notice.
  for (bool fog : {false, true}) {
    ClearRecordedNotices();
    MapView fresh;
    int32_t* values = fog ? gEventSystem.fogValues.data() : gEventSystem.panoramaValues.data();
    (fog ? gEventSystem.fogFile : gEventSystem.panoramaFile) = "none.png";
    values[0] = -2;
    for (int frame = 0; frame < 3; ++frame) {
      if (fog) DrawFog(fresh.fog);
      else DrawPanorama(fresh.panorama);
    }
    EXPECT_EQ(RecordedNotices().size(), 1u) << fog;
  }
  // Requested -1: nothing drawn, no step.
  gEventSystem.panoramaValues[0] = -1;
  MapView none;
  EXPECT_TRUE(LogOf([&] { DrawPanorama(none.panorama); }).empty());
}

TEST_F(MapViewTest, ScreenTonePasses) {
  gEventSystem.toneState[0] = -50;
  gEventSystem.toneState[2] = 30;
  int values[3] = {0, 0, 0};
  ApplyScreenTone(gEventSystem, false, false, values);
  EXPECT_EQ((std::vector<int>{values[0], values[1], values[2]}), (std::vector<int>{205, 255, 255}));
  EXPECT_EQ(LogOf([] { ApplyScreenTone(gEventSystem, true, false, nullptr); }),
            (std::vector<std::string>{"PutBox(0,0,640,480,0x" + [] {
              char hex[16];
              std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(PackColor(0, 0, 30)));
              return std::string(hex);
            }() + ",1) = 0 blend=2,255 tint=FFFFFF"}));
  gEventSystem.toneState = {10, 20, 30};
  int untouched[3] = {-7, -7, -7};
  ApplyScreenTone(gEventSystem, false, false, untouched);
  EXPECT_EQ(untouched[0], -7);
}

TEST_F(MapViewTest, DrawOrderBuckets) {
  gCurrentMap.eventCharacters.resize(3);
  // Event 0 at ground line -8 (bucket 0), event 1 at -16 (left out), event 2
  // in the hero's band.
  PlaceAt(gCurrentMap.eventCharacters[0], 0, 0);
  gCurrentMap.eventCharacters[0].fineY = -4 * 40;
  PlaceAt(gCurrentMap.eventCharacters[1], 0, 0);
  gCurrentMap.eventCharacters[1].fineY = -4 * 48;
  PlaceAt(gCurrentMap.eventCharacters[2], 5, 5);
  PlaceAt(gHero, 5, 5);
  for (MapCharacter& member : gHero.party) PlaceAt(member, 0, 0), member.fineY = -4 * 72;
  DrawOrderList order;
  BuildDrawOrder(order);
  EXPECT_EQ(order.bucketCount, 68);  // 15 rows: 60 + 8
  EXPECT_EQ(order.buckets[1][0], (std::vector<int32_t>{0}));
  EXPECT_EQ(order.buckets[1][25], (std::vector<int32_t>{2, -10}));
  // Party members with ground lines above the screen land in bucket 1.
  EXPECT_EQ(order.buckets[1][1], (std::vector<int32_t>{-11, -12, -13, -14, -15}));
  for (const auto& bucket : order.buckets[1]) EXPECT_EQ(std::count(bucket.begin(), bucket.end(), 1), 0);

  // Upper-tile rows: the bucket on whose entry each of the first three rows
  // comes, and the rows, for every phase of the scroll.
  const struct {
    int tile, scroll;
    std::vector<int> buckets, rows;
  } rows[] = {
      {32, 0, {2, 6, 10}, {-1, 0, 1}},  {32, 8, {1, 5, 9}, {-1, 0, 1}},    {32, 20, {4, 8, 12}, {0, 1, 2}},
      {32, 28, {2, 6, 10}, {0, 1, 2}},  {32, -16, {1, 5, 9}, {-2, -1, 0}}, {32, -4, {2, 6, 10}, {-1, 0, 1}},
      {32, -8, {3, 7, 11}, {-1, 0, 1}}, {16, 0, {2, 4, 6}, {-1, 0, 1}},    {16, 4, {1, 3, 5}, {-1, 0, 1}},
      {16, 12, {2, 4, 6}, {0, 1, 2}},   {16, -8, {1, 3, 5}, {-2, -1, 0}},  {16, -2, {2, 4, 6}, {-1, 0, 1}},
  };
  for (const auto& row : rows) {
    gTileSize = row.tile;
    gGameInfo.settings[0] = static_cast<int8_t>(row.tile);
    gCurrentMap.eventCharacters.clear();
    gHero.fineY = -4 * 100000;
    for (MapCharacter& member : gHero.party) member.fineY = -4 * 100000;
    BuildDrawOrder(order);
    std::vector<int> tileRows, buckets;
    for (int e = NextDrawOrderEntry(order, row.scroll); e != -1 && tileRows.size() < 3;
         e = NextDrawOrderEntry(order, row.scroll)) {
      if (e <= -20) {
        tileRows.push_back(-e - 1000);
        // The reader stands on the bucket it has just entered.
        EXPECT_EQ(order.group, 1);
        buckets.push_back(order.bucket);
      }
    }
    EXPECT_EQ(buckets, row.buckets) << row.tile << " " << row.scroll;
    EXPECT_EQ(tileRows, row.rows) << row.tile << " " << row.scroll;
  }
}

TEST_F(MapViewTest, DrawMapDrawsItsLayersInOrder) {
  for (const char* name : {"hero.bmp", "party.bmp", "ev0.bmp", "ev1.bmp", "ev2.bmp"}) WriteImage(name, 96, 128);
  WriteImage("tiles.bmp", 256, 64);
  WriteImage("auto2.bmp", 128, 160);
  WriteImage("pano.bmp", 64, 64);
  WriteImage("fog.bmp", 64, 64);
  WriteImage("pic.bmp", 16, 16);
  gCurrentMap.tilesetImageName = "tiles.bmp";
  gCurrentMap.autotileImageNames[1] = "auto2.bmp";
  gCurrentMap.tileFlags[8 + 2] = 0x100;  // tile 2: priority 1
  gCurrentMap.tileFlags[8 + 3] = 0x10;   // tile 3: above all
  auto& layers = gCurrentMap.mapData.layers;
  layers[0][1][1] = 1;
  layers[0][2][2] = 301234;
  layers[1][5][4] = 2;
  layers[2][8][8] = 3;
  gCurrentMap.eventCharacters.resize(3);
  const char* eventFiles[] = {"ev0.bmp", "ev1.bmp", "ev2.bmp"};
  const int eventCells[][2] = {{3, 3}, {5, 5}, {7, 7}};
  for (size_t i = 0; i < 3; ++i) {
    MapEventCharacter& e = gCurrentMap.eventCharacters[i];
    e.graphicName = eventFiles[i];
    PlaceAt(e, eventCells[i][0], eventCells[i][1]);
  }
  gCurrentMap.eventCharacters[0].passThrough = 1;
  gCurrentMap.eventCharacters[2].aboveAll = 1;
  gHero.graphicName = "hero.bmp";
  PlaceAt(gHero, 5, 5);
  for (MapCharacter& member : gHero.party) PlaceAt(member, 0, 0), member.fineY = -4 * 100000;
  gHero.party[0].graphicName = "party.bmp";
  PlaceAt(gHero.party[0], 6, 6);
  gEventSystem.toneState[0] = -50;
  gEventSystem.panoramaValues = {-2, 0, 0};
  gEventSystem.panoramaFile = "pano.bmp";
  gEventSystem.fogValues = {-2, 0, 0, 1, 128};
  gEventSystem.fogFile = "fog.bmp";
  WriteImage("pic2.bmp", 16, 16);
  for (int n : {-100000, -5}) {
    gPictureList.ShowPictures(n, n, n == -5 ? "pic2.bmp" : "pic.bmp", 1, 1, 0, 0, 1, 255, 0, 0, 100, 0, 0, 0, 0x646464,
                              0, false, false);
  }
  gPictureList.UpdatePictures();
  MapView view;
  const auto log = LogOf([&] { DrawMap(view); });
  EXPECT_EQ(Labelled(log), (std::vector<std::string>{
                               "PutGraphPart pano.bmp#0", "PutGraphPart pano.bmp#0",      "PutGraphPart pano.bmp#0",
                               "PutGraphPart pano.bmp#0", "PutGraphStretched pic-100000", "PutGraph tiles.bmp#2",
                               "PutGraph auto2.bmp#17",   "PutGraph auto2.bmp#34",        "PutGraph auto2.bmp#57",
                               "PutGraph auto2.bmp#74",   "PutGraphStretched pic-5",      "PutGraph ev0.bmp#2",
                               "PutGraph tiles.bmp#3",    "PutGraph ev1.bmp#2",           "PutGraph hero.bmp#2",
                               "PutGraph party.bmp#2",    "PutGraph ev2.bmp#2",           "PutGraph tiles.bmp#4",
                               "PutGraphPart fog.bmp#0",  "PutGraphPart fog.bmp#0",       "PutGraphPart fog.bmp#0",
                               "PutGraphPart fog.bmp#0"}));
  // The screen tone's brightness tints everything of the map.
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log[0].find("blend=0,255 tint=CDFFFF"), std::string::npos) << log[0];
  EXPECT_NE(log.back().find("blend=2,128 tint=CDFFFF"), std::string::npos) << log.back();
}

}  // namespace
