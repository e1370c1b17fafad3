#pragma once

#include <cstdint>
#include <filesystem>
#include <utility>
#include <vector>

// The demo game: a whole small game written by code, every picture, sound,
// font and movie in it made here. Its script is fixed so that tests know
// what each replay must lead to.
//
// Title (common event 0, automatic while V[0] = 0): the BGM (Ogg) plays, a
// text picture shows the title and a choice asks "New game" / "Load". New
// game sets V[0] = 1 and takes the player to the town; Load loads slot 1.
//
// Town (map 0, 20 x 15): the hero starts at (kDemoHeroX, kDemoHeroY) facing
// down. The sign kDemoSignSteps cells to the right (action key) counts the
// talks in V[1], shows a message with escapes and a choice; its second page
// (V[1] >= 1) says something else. Answering yes calls the reward common
// event with arguments and shows what it gave in a second message. Answering yes calls the reward common
// event with arguments and shows what it gave in a second message. A door at the town's right edge (hero
// touch) a row below the path leads to the cave.
//
// Cave (map 1): the MIDI BGM plays; a guard walks a fixed route.
//
// Entering the cave (an automatic page, once): a transition whose mask is
// the first frame of a Theora movie (System database type 11); the MP3 sound effect; the
// sun (picture 2, from a file) moves to (kDemoSunX, kDemoSunY) over
// kDemoSunFrames frames, zoomed, turned and tinted; a window-frame picture
// (3) of 160 x 64 at (kDemoFrameX, kDemoFrameY); a text picture (4); a tone,
// a white flash and a shake; a spoken line; after the effects picture 4 is
// erased and the game is saved in slot 1.
//
// A parallel common event counts the frames played in V[3] while V[0] >= 1.
enum class DemoForm { Plain, Packed };

void WriteDemoGame(const std::filesystem::path& folder, DemoForm form);

// The key string of the packed form's archive.
inline constexpr const char* kDemoArchiveKey = "demo-key";

// The hero's start cell in the town and the sign's distance to its right.
inline constexpr int kDemoHeroX = 5;
inline constexpr int kDemoHeroY = 7;
inline constexpr int kDemoSignSteps = 3;
// The door (hero touch) at the town's east side, one row below the path,
// and where it leads.
inline constexpr int kDemoDoorX = 15;
inline constexpr int kDemoDoorY = kDemoHeroY + 1;
inline constexpr int kDemoCaveX = 3;
inline constexpr int kDemoCaveY = 7;

// Normal variables the script sets (ids 2,000,000 + n).
inline constexpr int kDemoVarScene = 0;       // 0 title, 1 playing
inline constexpr int kDemoVarTalks = 1;       // talks with the sign
inline constexpr int kDemoVarAnswer = 2;      // the sign's choice: 1 yes, 2 no
inline constexpr int kDemoVarFrames = 3;      // frames counted while playing
inline constexpr int kDemoVarVisited = 4;     // 1 once the cave was entered
inline constexpr int kDemoVarGold = 5;        // the reward: base x times
inline constexpr int kDemoVarPrice = 6;       // User database, item 1's price
inline constexpr int kDemoVarStoredGold = 7;  // the gold read back from the Variable database
inline constexpr int kDemoVarStartX = 8;      // System database, the start x
// String variables (ids 3,000,000 + n): the reward's item, a title built
// from a literal, and the argument the sign passes.
inline constexpr int kDemoStringItem = 0;
inline constexpr int kDemoStringTitle = 1;
inline constexpr int kDemoStringArgument = 2;
// The reward common event and its arguments.
inline constexpr int kDemoRewardEvent = 2;
inline constexpr int kDemoRewardBase = 30;
inline constexpr int kDemoRewardTimes = 20;
inline constexpr int kDemoPotionPrice = 120;

// The cave's pictures and screen tone.
inline constexpr int kDemoKeep = -1000000;
inline constexpr int kDemoSunFrames = 30;
inline constexpr int kDemoSunX = 320;
inline constexpr int kDemoSunY = 160;
inline constexpr int kDemoSunZoom = 150;
inline constexpr int kDemoSunAngle = 450;       // tenths of a degree
inline constexpr int kDemoSunColor = 0x966432;  // red 150 %, green 100 %, blue 50 %
inline constexpr uint32_t kDemoSunColour = 0xFFD040;
inline constexpr int kDemoFrameX = 40;
inline constexpr int kDemoFrameY = 360;
inline constexpr int kDemoTransitionFrames = 20;  // the movie-masked fade into the cave
inline constexpr int kDemoToneWord = 0x786450;    // red 80 %, green 100 %, blue 120 %

// The hero's body colour and the tile colours (0xRRGGBB at (u, v) of a
// 32-pixel cell): 1 grass, 2 path, 3 wall, 4 cave floor.
inline constexpr uint32_t kDemoHeroBody = 0x2848B8;
inline constexpr int kDemoGrassCell = 1;
inline constexpr int kDemoPathCell = 2;
inline constexpr int kDemoWallCell = 3;
inline constexpr int kDemoFloorCell = 4;
uint32_t DemoTileColor(int cell, int u, int v);

// Input for a replay log: runs of (frames, frame value), the value's bits
// as the log stores them.
enum DemoKey : int {
  kDemoUp = 1,
  kDemoDown = 2,
  kDemoLeft = 4,
  kDemoRight = 8,
  kDemoConfirm = 16,
  kDemoCancel = 32,
  kDemoSub = 64,
  kDemoButton11 = 128,
};
using DemoInput = std::vector<std::pair<int, int>>;
// The replay-log block (as a save ends with, and as Game --replay reads):
// the seed entry, then the runs (longer runs split at 240 frames).
std::vector<uint8_t> DemoReplayLog(const DemoInput& runs);
