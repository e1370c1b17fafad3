#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// The demo game: a whole small game written by code, every picture, sound,
// font and movie in it made here. Its script is fixed so that tests know
// what each replay must lead to.
//
// Title (common event 0, automatic while V[0] = 0): the BGM (Ogg) plays, a
// text picture shows the title in the game's own font (a font file in its
// folder) above a choice that asks "New game" / "Load" / "Replay". New game
// sets V[0] = 1 and takes the player to the town; Load loads slot 1; Replay
// replays the save in slot kDemoReplaySlot, which the generator writes with
// the tour's replay log (the runtime's own saves carry none).
//
// Town (map 0, 20 x 15): the hero starts at (kDemoHeroX, kDemoHeroY) facing
// down. The sign kDemoSignSteps cells to the right (action key) counts the
// talks in V[1], shows a message with escapes (icon 1 of the icon list on
// its second line) and a choice; its second page (V[1] >= 1) says something
// else. Answering yes calls the reward common event with arguments, shows
// what it gave in a second message (with ruby over a word) and adds a
// friend to the party, who follows the hero from then on. Every message has
// a window-frame picture behind it, as the message window draws none. A door at the
// town's right edge (hero touch) a row below the path leads to the cave.
//
// Cave (map 1): the MIDI BGM plays; a guard walks a fixed route.
//
// Entering the cave (an automatic page, once): a transition whose mask is
// the first frame of a Theora movie (System database type 11); the MP3 sound effect; the
// sun (picture 2, from a file) moves to (kDemoSunX, kDemoSunY) over
// kDemoSunFrames frames, zoomed, turned and tinted; a window-frame picture
// (3) of 160 x 64 at (kDemoFrameX, kDemoFrameY); a text picture (4); a tone,
// a white flash and a shake; a spoken line; after the effects picture 4 is
// erased and, once the erase has been drawn, the game is saved in slot 1.
//
// The cave's exit (hero touch, at kDemoCaveExitX on the entry row) leads
// to the field (map 2, looping both ways, panorama 0 behind its empty top
// rows). Arriving (automatic, once): the fog (image 1, opacity
// kDemoFogOpacity), the map zoomed to kDemoZoom % about the screen's centre
// over kDemoZoomFrames frames, and a move route that walks the hero a cell down and
// sets V[11]. A wanderer stands two cells below the arrival point (event
// touch, when the hero walks into it: V[13] + 1, then its second page,
// which asks for a name and an age by text entry at the frame picture's
// left, waits for a key and reads the mouse); a spring runs in parallel (V[10] + 1 every 10 frames).
//
// A parallel common event counts the frames played in V[3] while V[0] >= 1.
enum class DemoForm { Plain, Packed };

void WriteDemoGame(const std::filesystem::path& folder, DemoForm form);

// The key string of the packed form's archive.
inline constexpr const char* kDemoArchiveKey = "demo-key";

// The title's text picture (picture 1), centred at (320, kDemoTitleY) above
// the choice window, in font slot 1: the face kDemoTitleFace of the bitmap
// font file kDemoTitleFontFile in the game's folder.
inline constexpr const char* kDemoTitleText = "DEMO GAME";
inline constexpr const char* kDemoTitleFace = "Demo Blocks";
inline constexpr const char* kDemoTitleFontFile = "DemoBlocks.ttf";
inline constexpr int kDemoTitleY = 72;
// The title as that font draws it: rows from the top of its letters, '#'
// inked, the first letter's left edge at column 0.
std::vector<std::string> DemoTitleInk();

// The message window: a window-frame picture (kDemoMessagePicture) shown
// behind every message and erased after it.
inline constexpr int kDemoMessagePicture = 10;
inline constexpr int kDemoMessageX = 8;
inline constexpr int kDemoMessageY = 284;
inline constexpr int kDemoMessageWidth = 624;
inline constexpr int kDemoMessageHeight = 188;

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
inline constexpr int kDemoVarBubbles = 10;    // the field's parallel spring
inline constexpr int kDemoVarRouted = 11;     // set by the hero's move route
inline constexpr int kDemoVarArrived = 12;    // 1 once the field was entered
inline constexpr int kDemoVarTouches = 13;    // the wanderer's event touches
inline constexpr int kDemoVarAge = 14;        // typed into the number entry
inline constexpr int kDemoVarKey = 15;        // the key pressed: 100 + scan code
inline constexpr int kDemoVarMouseX = 16;     // the mouse position
inline constexpr int kDemoVarMouseY = 17;
// String variables (ids 3,000,000 + n): the reward's item, a title built
// from a literal, and the argument the sign passes.
inline constexpr int kDemoStringItem = 0;
inline constexpr int kDemoStringTitle = 1;
inline constexpr int kDemoStringArgument = 2;
inline constexpr int kDemoStringName = 3;  // typed into the text entry
inline constexpr int kDemoStringAge = 4;   // typed into the second entry
// The reward common event and its arguments.
inline constexpr int kDemoRewardEvent = 2;
inline constexpr int kDemoRewardBase = 30;
inline constexpr int kDemoRewardTimes = 20;
inline constexpr int kDemoPotionPrice = 120;

// The cave's exit; the field: its size, the arrival cell, the wanderer's
// column, the rows of sky, the fog.
inline constexpr int kDemoCaveExitX = 16;
inline constexpr int kDemoFieldWidth = 25;
inline constexpr int kDemoFieldHeight = 20;
inline constexpr int kDemoFieldX = 4;
inline constexpr int kDemoFieldY = 5;
inline constexpr int kDemoWandererX = kDemoFieldX;
inline constexpr int kDemoSkyRows = 3;
inline constexpr uint32_t kDemoSkyHigh = 0x80B0F0;
inline constexpr uint32_t kDemoSkyLow = 0xA0C8F8;
inline constexpr int kDemoFogSpeed = 8;
inline constexpr int kDemoFogOpacity = 96;

// The cave's pictures and screen tone.
inline constexpr int kDemoKeep = -1000000;
inline constexpr int kDemoSunFrames = 30;
inline constexpr int kDemoSunX = 320;
inline constexpr int kDemoSunY = 160;
inline constexpr int kDemoSunZoom = 150;
inline constexpr int kDemoSunAngle = 450;       // tenths of a degree
inline constexpr int kDemoSunColor = 0x966432;  // red 150 %, green 100 %, blue 50 %
inline constexpr uint32_t kDemoSunColour = 0xFFD040;
inline constexpr int kDemoSunRadius = 30;  // of the sun's disc in its 64-pixel picture
inline constexpr int kDemoFrameX = 40;
inline constexpr int kDemoFrameY = 360;
inline constexpr int kDemoFrameWidth = 160;
inline constexpr int kDemoFrameHeight = 64;
// Where the wanderer's text entries are typed: at the frame picture's left.
inline constexpr int kDemoEntryX = kDemoFrameX + 12;
inline constexpr int kDemoEntryY = kDemoFrameY + 20;
// The window skin (message and choice windows, the frame picture).
inline constexpr uint32_t kDemoFrameBorder = 0xE8E8F8;
inline constexpr uint32_t kDemoFrameFill = 0x183060;
inline constexpr int kDemoTransitionFrames = 20;  // the movie-masked fade into the cave
inline constexpr int kDemoToneWord = 0x786450;    // red 80 %, green 100 %, blue 120 %

// Icon 1 of the icon list, shown on the sign's message's second line.
inline constexpr int kDemoIconSize = 24;
inline constexpr uint32_t kDemoIconTop = 0xF0A020;
inline constexpr uint32_t kDemoIconBottom = 0x20C0A0;
// The field's map zoom (percent, about the screen's centre) and its frames.
inline constexpr int kDemoZoom = 200;
inline constexpr int kDemoZoomFrames = 30;

// The hero's body colour and the tile colours (0xRRGGBB at (u, v) of a
// 32-pixel cell): 1 grass, 2 path, 3 wall, 4 cave floor.
inline constexpr uint32_t kDemoHeroBody = 0x2848B8;
inline constexpr uint32_t kDemoFriendBody = 0xC87820;
inline constexpr int kDemoGrassCell = 1;
inline constexpr int kDemoPathCell = 2;
inline constexpr int kDemoWallCell = 3;
inline constexpr int kDemoFloorCell = 4;
uint32_t DemoTileColor(int cell, int u, int v);
// The town's pond: autotile 1, three by three cells from (kDemoPondX,
// kDemoPondY); the colour of each of the autotile's five patterns.
inline constexpr int kDemoPondX = 2;
inline constexpr int kDemoPondY = 2;
uint32_t DemoWaterColor(int pattern);

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
// The tour: New game; right to the sign and talk; answer yes and close the
// reward's message; a step down and right into the door; the cave's entry
// runs; right to the cave's exit; in the field the arrival's route runs,
// then a step down into the wanderer; talk to it (its entries wait for
// typed text, which a replay does not carry); close its answer.
const DemoInput& DemoTour();
inline constexpr int kDemoReplaySlot = 3;
// The name the build gives the tour's replay file in the demo's folders.
inline constexpr const char* kDemoTourReplayName = "DemoTour.replay";
// The replay-log block (as a save ends with, and as Game --replay reads):
// the seed entry, then the runs (longer runs split at 240 frames).
std::vector<uint8_t> DemoReplayLog(const DemoInput& runs);
