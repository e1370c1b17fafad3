#include "support/SampleGame.h"

#include <cstdint>
#include <string>
#include <vector>

#include "gamedata/GameText.h"
#include "gamedata/MapData.h"
#include "gamedata/Tileset.h"
#include "support/ByteBuilder.h"
#include "support/CommandListBuilder.h"
#include "support/GameDataWriters.h"
#include "support/GameFolderBuilder.h"
#include "support/ImageFileWriters.h"

namespace {

constexpr uint32_t kKey = 0xFE00FE;  // the transparent colour

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

// A picture drawn by a function of the pixel position.
template <typename Paint>
std::vector<uint8_t> Paint24(int width, int height, Paint paint) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width * height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels[static_cast<size_t>(y * width + x)] = paint(x, y);
  return Bytes(fixtures::BmpFile(fixtures::BmpOptions{}, width, height, pixels));
}

// Tiles of 32 pixels, eight to a row: an empty cell (the upper layers' 0),
// grass, path, water, wall.
std::vector<uint8_t> TileImage() {
  return Paint24(256, 32, [](int x, int y) { return SampleTileColor(x / 32, x % 32, y % 32); });
}

// Three patterns, twice (the diagonal half of an eight-direction sheet), by
// four directions of a 32 x 32 figure on the transparent colour; each
// direction has its own cap colour.
std::vector<uint8_t> CharacterImage(uint32_t body) {
  static const uint32_t kCaps[4] = {0xF0F0F0, 0xF0C020, 0x20C0F0, 0xF04040};
  return Paint24(192, 128, [body](int x, int y) -> uint32_t {
    const int u = x % 32, v = y % 32, row = y / 32, pattern = (x / 32) % 3;
    const int dx = u - 16;
    if (v >= 4 && v < 12 && dx * dx + (v - 8) * (v - 8) <= 16) return kCaps[row];
    if (v >= 12 && v < 28 && dx >= -7 && dx <= 7) return body;
    if (v >= 28 && v < 31 && ((pattern != 2 && dx >= -6 && dx <= -2) || (pattern != 0 && dx >= 2 && dx <= 6)))
      return 0x202020;
    return kKey;
  });
}

// A 3 x 3 frame of 16-pixel cells: border colour around a filled middle.
std::vector<uint8_t> FrameImage(uint32_t border, uint32_t fill) {
  return Paint24(48, 48, [border, fill](int x, int y) -> uint32_t {
    const bool edge = x < 2 || y < 2 || x >= 46 || y >= 46;
    return edge ? border : fill;
  });
}

std::vector<uint8_t> IndicatorImage() {
  return Paint24(16, 16, [](int x, int y) -> uint32_t {
    return (y >= 4 && y < 12 && x >= y - 4 && x < 20 - y) ? 0xFFFFFF : kKey;
  });
}

std::vector<uint8_t> SunImage() {
  return Paint24(64, 64, [](int x, int y) -> uint32_t {
    const int dx = x - 32, dy = y - 32;
    return dx * dx + dy * dy <= kSampleSunRadius * kSampleSunRadius ? kSampleSunColour : kKey;
  });
}

DatTypeRecord Type(std::vector<int32_t> codes, std::vector<std::vector<int32_t>> ints,
                   std::vector<std::vector<std::string>> strings) {
  DatTypeRecord type;
  type.codes = std::move(codes);
  type.rowInts = std::move(ints);
  type.rowStrings = std::move(strings);
  return type;
}

ProjectTypeRecord Definition(const std::string& name, size_t contents, size_t rows) {
  ProjectTypeRecord definition;
  definition.typeName = name;
  definition.contentNames.assign(contents, "");
  definition.dataNames.assign(rows, "");
  return definition;
}

DatabaseFileSpec SystemDatabase() {
  DatabaseFileSpec spec;
  // Type 0, maps: file, BGM, BGS, loop, panorama (-1: none), three file texts.
  spec.types.push_back(
      Type({2000, 1000, 1001, 1002, 1003, 2001, 2002, 2003}, {{-1, -1, 0, -1}}, {{"MapData\\Field.mps", "", "", ""}}));
  // Types 1-3, sounds (file, volume, frequency, loop start): one silent row
  // each, the runtime adds the ten spare rows; 4-6 one empty row each.
  for (int i = 1; i <= 3; ++i) spec.types.push_back(Type({2000, 1000, 1001, 1002}, {{100, 100, 0}}, {{""}}));
  for (int i = 4; i <= 6; ++i) spec.types.push_back(Type({2000}, {{}}, {{""}}));
  // Type 7, start position: map, x, y (cells).
  spec.types.push_back(Type({1000, 1001, 1002}, {{0, kSampleHeroX, kSampleHeroY}}, {{}}));
  for (int i = 8; i <= 9; ++i) spec.types.push_back(Type({2000}, {{}}, {{""}}));
  // Type 10, window graphics (file, cells or frames): the message window's
  // wait indicator, the choice window's frame and its cursor.
  spec.types.push_back(Type({2000, 1000}, {{1}, {1}, {1}},
                            {{"SystemFile\\Indicator.bmp"}, {"SystemFile\\Window.bmp"}, {"SystemFile\\Cursor.bmp"}}));
  spec.types.push_back(Type({2000}, {{}}, {{""}}));
  // Type 12, colours (red, green, blue): rows 10-12 a text entry's text,
  // cursor and selection.
  std::vector<std::vector<int32_t>> colours(13, std::vector<int32_t>{255, 255, 255});
  colours[12] = {64, 96, 192};
  spec.types.push_back(Type({1000, 1001, 1002}, colours, std::vector<std::vector<std::string>>(13)));
  for (size_t i = 0; i < spec.types.size(); ++i)
    spec.definitions.push_back(Definition("", spec.types[i].codes.size(), spec.types[i].rowInts.size()));
  return spec;
}

MapData FieldMap() {
  MapData map;
  map.header.name = "Field";
  map.header.tilesetNumber = 0;
  map.header.width = 20;
  map.header.height = 15;
  map.ResizeMapLayers(true, 0, 0);
  for (int x = 0; x < 20; ++x)
    for (int y = 0; y < 15; ++y) {
      const bool edge = x == 0 || y == 0 || x == 19 || y == 14;
      const bool pond = x >= 14 && x <= 16 && y >= 2 && y <= 4;
      map.layers[0][static_cast<size_t>(x)][static_cast<size_t>(y)] = edge ? 4 : pond ? 3 : y == kSampleHeroY ? 2 : 1;
    }
  MapEvent sign(1);
  sign.name = "Sign";
  sign.x = kSampleHeroX + kSampleSignSteps;
  sign.y = kSampleHeroY;
  EventPage& page = sign.pages[0];
  page.graphicName = "CharaChip\\Sign.bmp";
  // A sign does not step in place: the map stands still once the hero does.
  page.moveSettings.optionBits = 2;
  page.conditions.conditionHeader = 0;  // action key
  page.commands = CommandListBuilder()
                      .Add(101, {}, {Cp932Text("ようこそ、サンプルゲームへ！")})
                      .Add(102, {0x02}, {Cp932Text("はい"), Cp932Text("いいえ")})
                      // Picture 1, centred, its one cell (pattern 1).
                      .Add(150, {0x1000, 1, 0, 1, 1, 1, 255, kSampleSunX, kSampleSunY, 100, 0}, {"Picture\\Sun.bmp"})
                      .Build();
  map.events.push_back(sign);
  map.header.eventCount = 1;
  return map;
}

}  // namespace

uint32_t SampleTileColor(int cell, int u, int v) {
  switch (cell) {
    case 1: return ((u * 7 + v * 13) % 11 == 0) ? 0x2F8F2F : 0x3CA03C;
    case 2: return ((u + v) % 9 == 0) ? 0xA08050 : 0xC8A870;
    case 3: return (v % 8 < 2) ? 0x6090F0 : 0x3060D0;
    case 4: return (u % 16 == 0 || v % 16 == 0) ? 0x404040 : 0x808890;
    default: return kKey;
  }
}

void WriteSampleGame(const std::filesystem::path& folder) {
  GameDatSpec gameDat;
  // Tile size 32, no MIDI, 60 frames a second.
  gameDat.settings = {32, 8, 8, 0, 60, 1, 0, 3, 0, 0, 0, 6, 6, 0, 0, 4, 4, 0};
  gameDat.texts = {"Sample Game", "", "", "", "", "", "", "CharaChip\\Hero.bmp"};
  Tileset tileset;
  tileset.name = "Field";
  tileset.imageNames[0] = "MapChip\\Field.bmp";
  // Tile indexes 8-12 (cells 0-4): empty, grass, path, water and wall (the
  // last two closed).
  tileset.tileTags = std::vector<uint8_t>(13, 0);
  tileset.tileFlags = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0F, 0x0F};
  GameFolderBuilder game;
  game.GameDat(gameDat)
      .Database("BasicData\\SysDataBase", SystemDatabase())
      .CommonEvents({})
      .Tilesets({tileset})
      .Without(GameFolderBuilder::kDefaultMapName)
      .Map("MapData\\Field.mps", FieldMap())
      .DataFile("MapChip\\Field.bmp", TileImage())
      .DataFile("CharaChip\\Hero.bmp", CharacterImage(kSampleHeroBody))
      .DataFile("CharaChip\\Sign.bmp", CharacterImage(0x8B5A2B))
      .DataFile("Picture\\Sun.bmp", SunImage())
      .DataFile("SystemFile\\Indicator.bmp", IndicatorImage())
      .DataFile("SystemFile\\Window.bmp", FrameImage(0xE0E0F0, 0x203070))
      .DataFile("SystemFile\\Cursor.bmp", FrameImage(0xFFFFFF, kKey));
  game.Write(folder);
}

std::vector<uint8_t> SampleWalkReplay() {
  // (frames, key bits): bit 3 right, bit 4 confirm.
  const std::vector<std::pair<int, int>> runs = {{20, 0}, {150, 8}, {10, 0}, {4, 16}, {116, 0}};
  ByteBuilder out;
  out.Uint8(1);
  out.Int32(static_cast<int32_t>(runs.size() + 1));
  out.Uint8(250);
  out.Int32(0);
  for (const auto& [frames, bits] : runs) {
    out.Uint8(static_cast<uint8_t>(frames));
    out.Uint8(static_cast<uint8_t>(bits));
  }
  return out.Take();
}
