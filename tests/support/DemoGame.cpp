#include "support/DemoGame.h"

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "gamedata/CommonEvent.h"
#include "gamedata/GameText.h"
#include "gamedata/MapData.h"
#include "gamedata/Tileset.h"
#include "platform/modules/Modules.h"
#include "support/ByteBuilder.h"
#include "support/CommandListBuilder.h"
#include "support/FontFileWriter.h"
#include "support/GameDataWriters.h"
#include "support/GameFolderBuilder.h"
#include "support/ImageFileWriters.h"
#include "support/MovieFixtures.h"
#include "support/SaveFileWriter.h"
#include "support/SoundFixtures.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kClear = 0xFE00FE;  // the transparent colour key

constexpr int32_t Var(int n) { return 2000000 + n; }

// A 24-bit BMP whose every pixel is paint(x, y).
template <typename Paint>
Bytes Picture(int width, int height, Paint paint) {
  std::vector<uint32_t> pixels;
  pixels.reserve(static_cast<size_t>(width * height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(paint(x, y));
  const std::string file = fixtures::BmpFile(fixtures::BmpOptions{}, width, height, pixels);
  return {file.begin(), file.end()};
}

// Cells of 32 pixels, eight to a row: 0 empty, then grass, path, wall, cave floor.
Bytes TileSheet() {
  return Picture(256, 32, [](int x, int y) { return DemoTileColor(x / 32, x % 32, y); });
}

// An autotile of one frame: its five patterns one below the other, each
// a flat colour of its own.
Bytes Water() {
  return Picture(32, 32 * 5, [](int, int y) { return DemoWaterColor(y / 32); });
}

// A walking figure: three patterns by four directions (down, left, right,
// up), on the sheet's left half as an eight-direction sheet keeps them. The
// direction shows in the colour of its hat, the pattern in its feet.
Bytes Figure(uint32_t body) {
  static constexpr uint32_t kHats[4] = {0xF8F8F8, 0xF8C818, 0x18C8F8, 0xF83838};
  return Picture(192, 128, [body](int x, int y) -> uint32_t {
    const int u = x % 32, v = y % 32, direction = y / 32, pattern = (x / 32) % 3;
    const int dx = u - 16;
    if (v >= 3 && v < 11 && dx >= -5 && dx <= 5) return kHats[direction];
    if (v >= 11 && v < 27 && dx >= -8 && dx <= 8) return body;
    const bool leftFoot = pattern != 2 && dx >= -7 && dx <= -2;
    const bool rightFoot = pattern != 0 && dx >= 2 && dx <= 7;
    if (v >= 27 && v < 31 && (leftFoot || rightFoot)) return 0x181818;
    return kClear;
  });
}

// A 3 x 3 window frame of 16-pixel cells.
Bytes Frame(uint32_t border, uint32_t fill) {
  return Picture(48, 48,
                 [border, fill](int x, int y) { return (x < 3 || y < 3 || x >= 45 || y >= 45) ? border : fill; });
}

Bytes Arrow() {
  return Picture(16, 16,
                 [](int x, int y) { return (y >= 4 && y < 12 && x >= y - 4 && x < 20 - y) ? 0xFFFFFFu : kClear; });
}

// An icon: its top half one colour, its bottom half another.
Bytes Icon() {
  return Picture(kDemoIconSize, kDemoIconSize,
                 [](int, int y) { return y < kDemoIconSize / 2 ? kDemoIconTop : kDemoIconBottom; });
}

// The icon list: one file name a line, its number in the name's characters 5 to 7.
Bytes IconList() {
  const std::string list = "icon001.bmp\r\n";
  return {list.begin(), list.end()};
}

Bytes Sun() {
  return Picture(64, 64, [](int x, int y) {
    const int dx = x - 32, dy = y - 32;
    return dx * dx + dy * dy <= kDemoSunRadius * kDemoSunRadius ? kDemoSunColour : kClear;
  });
}

// A screen-sized picture of palette colours (8 bits a pixel keeps it small).
template <typename Paint>
Bytes ScreenPicture(std::vector<uint32_t> palette, Paint paint) {
  fixtures::BmpOptions options;
  options.bitCount = 8;
  options.palette = std::move(palette);
  std::vector<uint32_t> indexes;
  indexes.reserve(640 * 480);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) indexes.push_back(paint(x, y));
  const std::string file = fixtures::BmpFile(options, 640, 480, indexes);
  return {file.begin(), file.end()};
}

// The panorama: a sky of two bands; the fog: light stripes. Each is drawn
// once over the screen, so each is the screen's size.
Bytes Sky() {
  return ScreenPicture({kDemoSkyHigh, kDemoSkyLow}, [](int, int y) { return y < 48 ? 0u : 1u; });
}
Bytes Mist() {
  return ScreenPicture({0xE0E0E0, 0xB0B0B0}, [](int x, int) { return x % 16 < 8 ? 0u : 1u; });
}

// A tiny Theora clip: dark grey first, lighter after; only its first frame
// is ever shown.
Bytes FadeClip() {
  movietest::ClipSpec clip;
  clip.width = 64;
  clip.height = 48;
  clip.frames = {{64, 64, 64}, {128, 128, 128}, {192, 192, 192}, {255, 255, 255}};
  return movietest::EncodeTheoraClip(clip);
}

std::string Text(const char* utf8) { return Cp932Text(utf8); }

// The demo's own font: the title's capitals drawn on 5 x 7 cells of 3 x 3
// pixels, one 24-pixel strike.
constexpr int kTitleCell = 3;
constexpr int kTitleAdvance = 18;
struct Letter {
  char character;
  const char* rows[7];
};
constexpr Letter kTitleLetters[] = {
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
};

std::vector<std::string> TitleGlyph(const Letter& letter) {
  std::vector<std::string> rows;
  for (const char* cells : letter.rows) {
    std::string row;
    for (const char* c = cells; *c != 0; ++c) row.append(kTitleCell, *c);
    rows.insert(rows.end(), kTitleCell, row);
  }
  return rows;
}

const Letter& TitleLetter(char c) {
  for (const Letter& letter : kTitleLetters)
    if (letter.character == c) return letter;
  return kTitleLetters[0];
}

// A bitmap font. The player registers the *.ttf and *.ttc files of a game's
// folder, and FreeType reads a font file by its content, whatever its name.
Bytes TitleFont() {
  BitmapFontSpec font{kDemoTitleFace, 24, 22, kTitleAdvance, {}};
  for (const Letter& letter : kTitleLetters)
    font.glyphs.push_back({static_cast<unsigned char>(letter.character), TitleGlyph(letter)});
  const std::string file = BitmapFontFile(font);
  return {file.begin(), file.end()};
}

DatTypeRecord Type(std::vector<int32_t> codes, std::vector<std::vector<int32_t>> ints,
                   std::vector<std::vector<std::string>> strings) {
  DatTypeRecord type;
  type.codes = std::move(codes);
  type.rowInts = std::move(ints);
  type.rowStrings = std::move(strings);
  return type;
}

// Definitions as the editor writes them: one per type, names empty.
void Define(DatabaseFileSpec& spec) {
  for (const DatTypeRecord& type : spec.types) {
    ProjectTypeRecord definition;
    definition.contentNames.assign(type.codes.size(), "");
    definition.dataNames.assign(type.rowInts.size(), "");
    spec.definitions.push_back(std::move(definition));
  }
}

// Sound rows: file, volume, frequency, loop start (ms).
DatTypeRecord Sounds(std::vector<std::pair<std::string, int>> rows) {
  DatTypeRecord type = Type({2000, 1000, 1001, 1002}, {}, {});
  for (const auto& [file, loop] : rows) {
    type.rowInts.push_back({100, 100, loop});
    type.rowStrings.push_back({file});
  }
  return type;
}

DatabaseFileSpec SystemDatabase() {
  DatabaseFileSpec spec;
  // Type 0, maps: file, BGM, BGS, loop, panorama, three file texts.
  // The field loops both ways and has panorama 0.
  spec.types.push_back(
      Type({2000, 1000, 1001, 1002, 1003, 2001, 2002, 2003}, {{1, -1, 0, -1}, {2, -1, 0, -1}, {1, -1, 3, 0}},
           {{"MapData\\Town.mps", "", "", ""}, {"MapData\\Cave.mps", "", "", ""}, {"MapData\\Field.mps", "", "", ""}}));
  // Types 1-3: BGM (row 0 silent, 1 the theme from Ogg with a loop point, 2
  // the cave's MIDI), BGS (silent), sound effects (0 silent, 1 WAVE, 2 MP3).
  spec.types.push_back(Sounds({{"", 0}, {"BGM\\Theme.ogg", 500}, {"BGM\\Cave.mid", 0}}));
  spec.types.push_back(Sounds({{"", 0}}));
  spec.types.push_back(Sounds({{"", 0}, {"SE\\Chime.wav", 0}, {"SE\\Bell.mp3", 0}}));
  for (int i = 4; i <= 6; ++i) spec.types.push_back(Type({2000}, {{}}, {{""}}));
  // Type 7, start position: map, x, y (cells).
  spec.types.push_back(Type({1000, 1001, 1002}, {{0, kDemoHeroX, kDemoHeroY}}, {{}}));
  for (int i = 8; i <= 9; ++i) spec.types.push_back(Type({2000}, {{}}, {{""}}));
  // Type 10, window graphics (file, cells or frames): the message window's
  // wait arrow, the window frame and the choice cursor.
  spec.types.push_back(Type({2000, 1000}, {{1}, {1}, {1}},
                            {{"SystemFile\\Arrow.bmp"}, {"SystemFile\\Window.bmp"}, {"SystemFile\\Cursor.bmp"}}));
  // Type 11, transition images (a movie).
  spec.types.push_back(Type({2000}, {{}}, {{"Picture\\Fade.ogv"}}));
  // Type 12, text colours (red, green, blue) by colour number: 0 white, on
  // the navy window skin; 2 gold for things found; 10 to 12 the text entry's
  // text, cursor and selection; 13 the ruby.
  std::vector<std::vector<int32_t>> colours(14, {255, 255, 255});
  colours[1] = {255, 112, 112};
  colours[2] = {255, 216, 64};
  colours[3] = {112, 200, 255};
  colours[11] = {255, 224, 64};
  colours[12] = {64, 96, 192};
  colours[13] = {255, 240, 200};
  spec.types.push_back(Type({1000, 1001, 1002}, colours, std::vector<std::vector<std::string>>(colours.size())));
  // Type 13, panorama and fog images: file, scroll speed x and y, follow divisor.
  spec.types.push_back(Type({2000, 1000, 1001, 1002}, {{0, 0, 0}, {kDemoFogSpeed, 0, 0}},
                            {{"Picture\\Sky.bmp"}, {"Picture\\Mist.bmp"}}));
  // Types 14-23: the variable sets, one row per variable.
  spec.types.push_back(
      Type({1000}, std::vector<std::vector<int32_t>>(100, {0}), std::vector<std::vector<std::string>>(100)));
  for (int i = 15; i <= 23; ++i) spec.types.push_back(Type({1000}, {{0}}, {{}}));
  Define(spec);
  return spec;
}

// A variable operation: target = left op right, both plain values when
// `values` (flag bits 2 and 3), assignment asg.
CommandListBuilder& SetVar(CommandListBuilder& list, int target, int left, int right = 0, int asg = 0, int op = 0) {
  return list.Add(121, {Var(target), left, right, 0x0C | (asg << 8) | (op << 12)});
}

// The message window's frame picture behind the messages that follow, and
// its erase.
CommandListBuilder& ShowMessageWindow(CommandListBuilder& list) {
  return list.Add(150,
                  {0x0030, kDemoMessagePicture, 0, kDemoMessageWidth, kDemoMessageHeight, 1, 255, kDemoMessageX,
                   kDemoMessageY, 100, 0, 0},
                  {"SystemFile\\Window.bmp"});
}
CommandListBuilder& EraseMessageWindow(CommandListBuilder& list) {
  return list.Add(150, {0x0002, kDemoMessagePicture, 0});
}

// Play sound entry `row` of a kind (0 BGM, 2 SE).
CommandListBuilder& PlaySound(CommandListBuilder& list, int kind, int row) {
  return list.Add(140, {(kind << 4) | (row << 8), 0, 0, 0});
}

std::vector<CommonEvent> CommonEvents() {
  std::vector<CommonEvent> events(3);
  // 0: the title, automatic while V[0] = 0.
  events[0].name = "Title";
  events[0].triggerFlags = 0x21;
  events[0].conditionId = Var(kDemoVarScene);
  events[0].conditionValue = 0;
  CommandListBuilder title;
  PlaySound(title, 0, 1);
  // Text picture 1, centred above the choice window, in font slot 1.
  title.Add(150, {0x1020, 1, 0, 1, 1, 0, 255, 320, kDemoTitleY, 100, 0, 0},
            {std::string("\\font[1]") + kDemoTitleText});
  title.Add(102, {0x03}, {Text("はじめから"), Text("つづきから"), Text("リプレイ")});
  title.Add(401, {2}).In();
  SetVar(title, kDemoVarScene, 1);
  title.Out().Add(401, {3}).In();
  title.Add(220, {1, 1});
  title.Out().Add(401, {4}).In();
  title.Add(220, {2, kDemoReplaySlot});
  title.Out().Add(499);
  title.Add(150, {0x02, 1, 0});
  events[0].commands = title.Build();
  // 1: parallel while V[0] >= 1: counts the frames played.
  events[1].name = "Clock";
  events[1].triggerFlags = 0x12;
  events[1].conditionId = Var(kDemoVarScene);
  events[1].conditionValue = 1;
  CommandListBuilder clock;
  SetVar(clock, kDemoVarFrames, 1, 0, 1);
  events[1].commands = clock.Build();
  // 2: the reward, called with arguments: gold = number 0 x number 1 into
  // V[5] and the Variable database; the item (string 0) into S[0]; the
  // price of item 1 from the User database into V[6]; the gold read back
  // from the Variable database into V[7]; the start x from the System
  // database into V[8]; S[1] built from a literal with an escape and an
  // append.
  events[2].name = "Reward";
  CommandListBuilder reward;
  reward.Add(121, {Var(kDemoVarGold), 1600000, 1600001, 0x2000});
  reward.Add(121, {3000000 + kDemoStringItem, 0, 1600005, 0});
  reward.Add(121, {Var(kDemoVarPrice), 1000000100, 0, 0x08});
  reward.Add(121, {1100000000, Var(kDemoVarGold), 0, 0x08, 0, 0, 0});
  reward.Add(121, {Var(kDemoVarStoredGold), 1100000000, 0, 0x08});
  reward.Add(121, {Var(kDemoVarStartX), 1307000001, 0, 0x08});
  reward.Add(122, {3000000 + kDemoStringTitle, 0x0000, 0}, {Text("勇者\\v[5]")});
  reward.Add(122, {3000000 + kDemoStringTitle, 0x0100, 0}, {"!"});
  events[2].commands = reward.Build();
  return events;
}

Tileset Tiles() {
  Tileset tileset;
  tileset.name = "Demo";
  tileset.imageNames[0] = "MapChip\\Demo.bmp";
  tileset.imageNames[1] = "MapChip\\Water.bmp";
  // Indexes 0-7 the autotiles (1 water, closed), 8-12: empty, grass, path,
  // wall (closed), cave floor.
  tileset.tileTags = std::vector<uint8_t>(13, 0);
  tileset.tileFlags = {0, 0x0F, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x0F, 0};
  return tileset;
}

MapData EmptyMap(const char* name, int width, int height) {
  MapData map;
  map.header.name = Text(name);
  map.header.width = width;
  map.header.height = height;
  map.ResizeMapLayers(true, 0, 0);
  return map;
}

void AddEvent(MapData& map, MapEvent event) {
  map.events.push_back(std::move(event));
  map.header.eventCount = static_cast<int32_t>(map.events.size());
}

MapData Town() {
  MapData map = EmptyMap("町", 20, 15);
  for (int x = 0; x < 20; ++x)
    for (int y = 0; y < 15; ++y) {
      const bool edge = x == 0 || y == 0 || x == 19 || y == 14;
      map.layers[0][static_cast<size_t>(x)][static_cast<size_t>(y)] = edge              ? kDemoWallCell
                                                                      : y == kDemoHeroY ? kDemoPathCell
                                                                                        : kDemoGrassCell;
    }
  // A pond of autotile 1, three by three, each cell with the quarter codes
  // of its place in the block.
  static constexpr int kPondCodes[3][3] = {{214, 2244, 2041}, {1414, 4444, 4141}, {1402, 4422, 4120}};
  for (int row = 0; row < 3; ++row)
    for (int column = 0; column < 3; ++column)
      map.layers[0][static_cast<size_t>(kDemoPondX + column)][static_cast<size_t>(kDemoPondY + row)] =
          200000 + kPondCodes[row][column];
  // The sign: page 1 on the first talk, page 2 once V[1] >= 1.
  MapEvent sign(0);
  sign.name = "Sign";
  sign.x = kDemoHeroX + kDemoSignSteps;
  sign.y = kDemoHeroY;
  sign.pageCount = 2;
  sign.pages.resize(2);
  for (EventPage& page : sign.pages) {
    page.graphicName = "CharaChip\\Sign.bmp";
    page.conditions.conditionHeader = 0;  // action key
  }
  CommandListBuilder first;
  SetVar(first, kDemoVarTalks, 1, 0, 1);
  PlaySound(first, 2, 1);
  ShowMessageWindow(first);
  // The count through its escape; on a line of its own, icon 1 of the icon list.
  first.Add(101, {}, {Text("ようこそ！ 話した回数：\\v[1]\n\\i[1]")});
  first.Add(102, {0x02}, {Text("はい"), Text("いいえ")});
  first.Add(401, {2}).In();
  SetVar(first, kDemoVarAnswer, 1);
  // "Yes": the reward, called with two numbers and a string.
  first.Add(122, {3000000 + kDemoStringArgument, 0x0000, 0}, {Text("ポーション")});
  first.Add(210, {500000 + kDemoRewardEvent, 0x12, kDemoRewardBase, kDemoRewardTimes, 3000000 + kDemoStringArgument});
  first.Add(101, {}, {Text("\\c[2]\\s[0]\\c[0]を手に入れた！ \\r[金,きん]\\v[5]")});
  // A friend joins the party and follows the hero from here on.
  first.Add(270, {0x01, 2}, {"CharaChip\\Friend.bmp"});
  first.Out().Add(401, {3}).In();
  SetVar(first, kDemoVarAnswer, 2);
  first.Out().Add(499);
  EraseMessageWindow(first);
  sign.pages[0].commands = first.Build();
  sign.pages[1].conditions.conditionFlags[0] = 0x11;  // V[1] >= 1
  sign.pages[1].conditions.conditionLeft[0] = Var(kDemoVarTalks);
  sign.pages[1].conditions.conditionRight[0] = 1;
  CommandListBuilder again;
  SetVar(again, kDemoVarTalks, 1, 0, 1);
  ShowMessageWindow(again);
  again.Add(101, {}, {Text("また会いましたね。")});
  EraseMessageWindow(again);
  sign.pages[1].commands = again.Build();
  AddEvent(map, sign);
  // The door: hero touch, no graphic, into the cave.
  MapEvent door(1);
  door.name = "Door";
  door.x = kDemoDoorX;
  door.y = kDemoDoorY;
  door.pages[0].conditions.conditionHeader = 3;
  CommandListBuilder enter;
  enter.Add(130, {-1, kDemoCaveX, kDemoCaveY, 1, 0});
  door.pages[0].commands = enter.Build();
  AddEvent(map, door);
  return map;
}

MapData Cave() {
  MapData map = EmptyMap("洞窟", 20, 15);
  for (int x = 0; x < 20; ++x)
    for (int y = 0; y < 15; ++y) {
      const bool edge = x == 0 || y == 0 || x == 19 || y == 14;
      map.layers[0][static_cast<size_t>(x)][static_cast<size_t>(y)] = edge ? kDemoWallCell : kDemoFloorCell;
    }
  // Entering: V[4] = 1 (automatic, once: its page ends when V[4] is 1).
  MapEvent entry(0);
  entry.name = "Entry";
  entry.x = 1;
  entry.y = 1;
  entry.pages[0].conditions.conditionHeader = 1;
  entry.pages[0].conditions.conditionFlags[0] = 0x21;  // V[4] = 0
  entry.pages[0].conditions.conditionLeft[0] = Var(kDemoVarVisited);
  entry.pages[0].conditions.conditionRight[0] = 0;
  CommandListBuilder show;
  // The cave fades in through the movie's first frame as the mask.
  show.Add(160, {0, kDemoTransitionFrames});
  show.Add(161);
  SetVar(show, kDemoVarVisited, 1);
  PlaySound(show, 2, 2);
  // The sun: shown at (64, 48), then moved, zoomed, turned and tinted.
  show.Add(150, {0x0000, 2, 0, 1, 1, 1, 255, 64, 48, 100, 0, 0}, {"Picture\\Sun.bmp"});
  show.Add(150, {0x0001, 2, kDemoSunFrames, 1, 1, kDemoKeep, 255, kDemoSunX, kDemoSunY, kDemoSunZoom, kDemoSunAngle, 0,
                 kDemoSunColor, 0});
  // A window-frame picture that stays, and a text picture that is erased.
  show.Add(150, {0x0030, 3, 0, kDemoFrameWidth, kDemoFrameHeight, 1, 255, kDemoFrameX, kDemoFrameY, 100, 0, 0},
           {"SystemFile\\Window.bmp"});
  show.Add(150, {0x0020, 4, 0, 1, 1, 0, 255, 400, 400, 100, 0, 0}, {Text("洞窟")});
  show.Add(162);
  show.Add(151, {kDemoToneWord, 20});
  show.Add(151, {0x1000000 | 0xC8C8C8, 10});
  show.Add(280, {0x011, 30});
  show.Add(141, {100, 100, 100, 0}, {Text("どうくつ")});
  show.Add(180, {kDemoSunFrames + 60});
  show.Add(150, {0x0002, 4, 0});
  // Saved in slot 1 once the effects are done. An erase takes effect at the
  // next picture update, so the save waits a frame for it: saved at once,
  // the label would come back with the save.
  show.Add(180, {1});
  show.Add(220, {0, 1});
  entry.pages[0].commands = show.Build();
  AddEvent(map, entry);
  // A guard walking two steps right and back, for ever.
  MapEvent guard(1);
  guard.name = "Guard";
  guard.x = 10;
  guard.y = 4;
  guard.pages[0].graphicName = "CharaChip\\Guard.bmp";
  guard.pages[0].moveSettings = RouteBuilder().Type(1).Flags(0x03).Step(2).Step(2).Step(1).Step(1);
  AddEvent(map, guard);
  // The way out to the field (hero touch).
  MapEvent exit(2);
  exit.name = "Exit";
  exit.x = kDemoCaveExitX;
  exit.y = kDemoCaveY;
  exit.pages[0].conditions.conditionHeader = 3;
  exit.pages[0].commands = CommandListBuilder().Add(130, {-1, kDemoFieldX, kDemoFieldY, 2, 0}).Build();
  AddEvent(map, exit);
  return map;
}

MapData Field() {
  MapData map = EmptyMap("野原", kDemoFieldWidth, kDemoFieldHeight);
  // Grass, with the top rows left empty so the panorama shows through.
  for (int x = 0; x < kDemoFieldWidth; ++x)
    for (int y = 0; y < kDemoFieldHeight; ++y)
      map.layers[0][static_cast<size_t>(x)][static_cast<size_t>(y)] = y < kDemoSkyRows ? 0 : kDemoGrassCell;
  // A rock right of where the route leaves the hero.
  map.layers[0][static_cast<size_t>(kDemoFieldX + 1)][static_cast<size_t>(kDemoFieldY + 1)] = kDemoWallCell;
  // Arrival (automatic, once): the fog, partly covering; the hero is walked
  // a cell down by a move route that also sets V[11].
  MapEvent arrival(0);
  arrival.name = "Arrival";
  arrival.x = 0;
  arrival.y = kDemoFieldHeight - 1;
  arrival.pages[0].conditions.conditionHeader = 1;
  arrival.pages[0].conditions.conditionFlags[0] = 0x21;  // V[12] = 0
  arrival.pages[0].conditions.conditionLeft[0] = Var(kDemoVarArrived);
  CommandListBuilder arrive;
  SetVar(arrive, kDemoVarArrived, 1);
  arrive.Add(121, {9000061, 1, 0, 0x0C});
  arrive.Add(121, {9000065, kDemoFogOpacity, 0, 0x0C});
  // The map screen zooms in on the screen's centre.
  arrive.Add(290, {0x02, kDemoZoomFrames, 0, 0, 320, 240, kDemoZoom});
  arrive.Add(201, {-2}).WithRoute(RouteBuilder().Flags(0).Step(0).Step(28, {Var(kDemoVarRouted), 1}));
  arrive.Add(202);
  arrival.pages[0].commands = arrive.Build();
  AddEvent(map, arrival);
  // A wanderer in the hero's way (event touch): counts the touches in
  // V[13]; its second page (V[13] >= 1) only talks.
  MapEvent wanderer(1);
  wanderer.name = "Wanderer";
  wanderer.x = kDemoWandererX;
  wanderer.y = kDemoFieldY + 2;
  wanderer.pageCount = 2;
  wanderer.pages.resize(2);
  wanderer.pages[0].graphicName = "CharaChip\\Wanderer.bmp";
  wanderer.pages[0].conditions.conditionHeader = 4;
  wanderer.pages[0].commands = [] {
    CommandListBuilder touch;
    SetVar(touch, kDemoVarTouches, 1, 0, 1);
    PlaySound(touch, 2, 1);
    return touch.Build();
  }();
  wanderer.pages[1].graphicName = "CharaChip\\Wanderer.bmp";
  wanderer.pages[1].conditions.conditionHeader = 0;
  wanderer.pages[1].conditions.conditionFlags[0] = 0x11;  // V[13] >= 1
  wanderer.pages[1].conditions.conditionLeft[0] = Var(kDemoVarTouches);
  wanderer.pages[1].conditions.conditionRight[0] = 1;
  // Talking to it asks for a name (text entry into S[3]) and an age (text
  // entry into S[4], its number into V[14]), waits for a key of the keyboard (V[15] = 100 + its
  // scan code), takes the mouse position (V[16], V[17]) and answers with
  // what it learnt. The entries are typed at the left of the window-frame
  // picture (system variables 40 and 41).
  wanderer.pages[1].commands = [] {
    CommandListBuilder talk;
    talk.Add(121, {9000040, kDemoEntryX, 0, 0x0C})
        .Add(121, {9000041, kDemoEntryY, 0, 0x0C})
        .Add(122, {3000000 + kDemoStringName, 0x0003, 16})
        .Add(122, {3000000 + kDemoStringAge, 0x0003, 3})
        .Add(122, {Var(kDemoVarAge), 0x0001, 3000000 + kDemoStringAge})
        .Add(123, {Var(kDemoVarKey), 0x0180})
        .Add(121, {Var(kDemoVarMouseX), 9000071, 0, 0x08})
        .Add(121, {Var(kDemoVarMouseY), 9000072, 0, 0x08});
    ShowMessageWindow(talk);
    talk.Add(101, {}, {Text("\\s[3]さん、\\v[14]歳ですね。")});
    EraseMessageWindow(talk);
    return talk.Build();
  }();
  AddEvent(map, wanderer);
  // A spring that bubbles in parallel: V[10] + 1 every 10 frames.
  MapEvent spring(2);
  spring.name = "Spring";
  spring.x = kDemoFieldWidth - 2;
  spring.y = kDemoFieldHeight - 2;
  spring.pages[0].conditions.conditionHeader = 2;
  spring.pages[0].commands = [] {
    CommandListBuilder bubble;
    SetVar(bubble, kDemoVarBubbles, 1, 0, 1);
    bubble.Add(180, {9});
    return bubble.Build();
  }();
  AddEvent(map, spring);
  return map;
}

Bytes ToneOgg(double hz, int seconds) {
  return soundtest::EncodeOgg(soundtest::Tone(22050 * seconds, 1, 22050, hz, 6000), 1, 22050);
}

}  // namespace

uint32_t DemoTileColor(int cell, int u, int v) {
  switch (cell) {
    case kDemoGrassCell: return ((u * 5 + v * 11) % 13 == 0) ? 0x2A8A2Au : 0x40A440u;
    case kDemoPathCell: return ((u + 2 * v) % 10 == 0) ? 0x9C7C4Cu : 0xCCAC74u;
    case kDemoWallCell: return (u % 16 == 0 || v % 8 == 0) ? 0x383838u : 0x7C8088u;
    case kDemoFloorCell: return ((u ^ v) & 8) ? 0x504030u : 0x5C4C3Cu;
    default: return kClear;
  }
}

uint32_t DemoWaterColor(int pattern) {
  static constexpr uint32_t kPatterns[5] = {0x102880, 0x1838A0, 0x2048B8, 0x2858D0, 0x3068E8};
  return kPatterns[pattern];
}

void WriteDemoGame(const std::filesystem::path& folder, DemoForm form) {
  GameDatSpec gameDat;
  // Tile size 32, no MIDI library, 60 frames a second, steps of whole cells.
  gameDat.settings = {32, 8, 8, 0, 60, 1, 0, 3, 1, 0, 0, 6, 6, 0, 0, 4, 4, 0};
  // Font slot 1 (the title's) is the demo's own font.
  gameDat.texts = {Text("デモゲーム"), "", "", "", kDemoTitleFace, "", "", "CharaChip\\Hero.bmp"};
  // The User database: item prices and weights; the Variable database:
  // the party's gold.
  DatabaseFileSpec user;
  user.types.push_back(Type({1000, 1001}, {{50, 5}, {kDemoPotionPrice, 12}}, {{}, {}}));
  Define(user);
  DatabaseFileSpec variables;
  variables.types.push_back(Type({1000}, {{0}}, {{}}));
  Define(variables);
  const std::vector<soundtest::MidiNote> melody = {{60, 0, 480}, {64, 480, 480}, {67, 960, 480}, {72, 1440, 960}};
  GameFolderBuilder game;
  game.GameDat(gameDat)
      .Database("BasicData\\SysDataBase", SystemDatabase())
      .Database("BasicData\\DataBase", user)
      .Database("BasicData\\CDataBase", variables)
      .CommonEvents(CommonEvents())
      .Tilesets({Tiles()})
      .Without(GameFolderBuilder::kDefaultMapName)
      .Map("MapData\\Town.mps", Town())
      .Map("MapData\\Cave.mps", Cave())
      .Map("MapData\\Field.mps", Field())
      .DataFile("MapChip\\Demo.bmp", TileSheet())
      .DataFile("MapChip\\Water.bmp", Water())
      .DataFile("CharaChip\\Hero.bmp", Figure(kDemoHeroBody))
      .DataFile("CharaChip\\Sign.bmp", Figure(0x8C5C2C))
      .DataFile("CharaChip\\Guard.bmp", Figure(0xB02020))
      .DataFile("CharaChip\\Wanderer.bmp", Figure(0x20A060))
      .DataFile("CharaChip\\Friend.bmp", Figure(kDemoFriendBody))
      .DataFile("Picture\\Sky.bmp", Sky())
      .DataFile("Picture\\Mist.bmp", Mist())
      .DataFile("Picture\\Sun.bmp", Sun())
      .DataFile("Picture\\Fade.ogv", FadeClip())
      .DataFile("BasicData\\EncodedIconList.xxxxx", IconList())
      .DataFile("BasicData\\icon001.bmp", Icon())
      .DataFile("SystemFile\\Arrow.bmp", Arrow())
      .DataFile("SystemFile\\Window.bmp", Frame(kDemoFrameBorder, kDemoFrameFill))
      .DataFile("SystemFile\\Cursor.bmp", Frame(0xFFFFFF, kClear))
      .DataFile("BGM\\Theme.ogg", ToneOgg(330.0, 2))
      .DataFile("BGM\\Cave.mid", soundtest::MidiFile(melody))
      .DataFile("SE\\Chime.wav",
                soundtest::PcmWave(1, 22050, 16, soundtest::ToBytes(soundtest::Tone(4410, 1, 22050, 880.0))))
      .DataFile("SE\\Bell.mp3", soundtest::EncodeMp3(soundtest::Tone(11025, 1, 22050, 660.0), 1, 22050, 64));
  // A save that carries the tour's replay log, for the title's replay.
  SaveFileSpec replay;
  replay.title = gameDat.texts[0];
  replay.replayLog = DemoReplayLog(DemoTour());
  game.GameFile("Save\\SaveData0" + std::to_string(kDemoReplaySlot) + ".sav", WriteSaveFileImage(replay));
  // The title's font, beside Game.dat (in the packed form too).
  game.GameFile(kDemoTitleFontFile, TitleFont());
  // The speech module is built in; a file of its name tells the runtime to use it.
  game.GameFile(platform::kSpeechModuleName, Bytes{'M', 'Z'});
  if (form == DemoForm::Packed) game.PackData(kDemoArchiveKey);
  game.Write(folder);
}

std::vector<std::string> DemoTitleInk() {
  const std::string text = kDemoTitleText;
  const size_t height = 7 * kTitleCell;
  std::vector<std::string> ink(height, std::string((text.size() - 1) * kTitleAdvance + 5 * kTitleCell, '.'));
  for (size_t i = 0; i < text.size(); ++i) {
    const std::vector<std::string> glyph = TitleGlyph(TitleLetter(text[i]));
    for (size_t y = 0; y < height; ++y) ink[y].replace(i * kTitleAdvance, glyph[y].size(), glyph[y]);
  }
  return ink;
}

const DemoInput& DemoTour() {
  static const DemoInput tour = {{30, 0},
                                 {3, kDemoConfirm},
                                 {30, 0},
                                 {80, kDemoRight},
                                 {5, 0},
                                 {3, kDemoConfirm},
                                 {60, 0},
                                 {3, kDemoConfirm},
                                 {40, 0},
                                 {3, kDemoConfirm},
                                 {20, 0},
                                 {4, kDemoDown},
                                 {100, kDemoRight},
                                 {120, 0},
                                 {120, kDemoRight},
                                 {60, 0},
                                 {6, kDemoDown},
                                 {30, 0},
                                 {3, kDemoConfirm},
                                 {70, 0},
                                 {3, kDemoConfirm},
                                 {60, 0}};
  return tour;
}

std::vector<uint8_t> DemoReplayLog(const DemoInput& runs) {
  std::vector<std::pair<int, int>> codes;
  for (const auto& [frames, value] : runs)
    for (int left = frames; left > 0; left -= 240) codes.emplace_back(left > 240 ? 240 : left, value);
  ByteBuilder out;
  out.Uint8(1);
  out.Int32(static_cast<int32_t>(codes.size() + 1));
  out.Uint8(250);
  out.Int32(0);
  for (const auto& [frames, value] : codes) {
    out.Uint8(static_cast<uint8_t>(frames));
    out.Uint8(static_cast<uint8_t>(value));
  }
  return out.Take();
}
