#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

// The sample game the build writes and the README's run command plays: a
// procedurally drawn tile set, hero and sign, the title "Sample Game", one
// 20 x 15 field to walk on and, at the sign (action key, right of the hero's
// start), a message, a choice and a picture.
//
// The hero starts at cell (kSampleHeroX, kSampleHeroY) facing down; the sign
// stands kSampleSignSteps cells to its right.
inline constexpr int kSampleHeroX = 6;
inline constexpr int kSampleHeroY = 7;
inline constexpr int kSampleSignSteps = 3;

void WriteSampleGame(const std::filesystem::path& folder);

// Tile cells of the sample's tile set (0xRRGGBB at (u, v) of the 32-pixel
// cell): 1 grass, 2 path, 3 water, 4 wall.
inline constexpr int kSampleGrassCell = 1;
inline constexpr int kSamplePathCell = 2;
uint32_t SampleTileColor(int cell, int u, int v);
// The hero's body colour.
inline constexpr uint32_t kSampleHeroBody = 0x3050C0;
// The picture the sign shows once its choice is answered: a sun, a disc of
// kSampleSunRadius pixels in kSampleSunColour centred at (kSampleSunX,
// kSampleSunY) of the screen.
inline constexpr int kSampleSunX = 560;
inline constexpr int kSampleSunY = 96;
inline constexpr int kSampleSunRadius = 28;
inline constexpr uint32_t kSampleSunColour = 0xFFD040;

// A replay-log block (Game --replay) that walks the hero right until the sign
// stops it, presses confirm there and waits while the message opens; the
// frames until the message is fully shown.
std::vector<uint8_t> SampleWalkReplay();
inline constexpr int kSampleWalkFrames = 300;
// The name the build gives that replay in the sample game's folder.
inline constexpr const char* kSampleWalkReplayName = "SampleWalk.replay";
