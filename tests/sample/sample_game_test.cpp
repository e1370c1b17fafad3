#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "map/Hero.h"
#include "media/PublicFunctions.h"
#include "platform/input/Input.h"
#include "shell/GameSystem.h"
#include "shell/NoticeBox.h"
#include "support/PngReader.h"
#include "support/SampleGame.h"
#include "support/StartedGame.h"

namespace {

// The sun's pixels on the screen last drawn, within the picture's square.
int SunPixels(const StartedGame& game) {
  const std::string file = (game.Folder().Path() / "screen.png").string();
  if (SaveScreenAreaPng(0, 0, 640, 480, file.c_str(), 1) != 0) return -1;
  int width = 0, height = 0;
  const std::vector<uint32_t> screen = ReadPngFile(file, &width, &height);
  if (width != 640 || height != 480) return -1;
  int count = 0;
  for (int y = kSampleSunY - 32; y < kSampleSunY + 32; ++y)
    for (int x = kSampleSunX - 32; x < kSampleSunX + 32; ++x)
      count += screen[static_cast<size_t>(y * width + x)] == kSampleSunColour ? 1 : 0;
  return count;
}

// What the sample's header promises: at the sign a message and a choice,
// and, once the choice is answered, the picture, whole.
TEST(SampleGameTest, TheSignShowsAMessageAChoiceAndThenThePicture) {
  StartedGame game;
  ASSERT_TRUE(game.Started());
  constexpr int kRight = 205, kConfirm = 44;  // scan codes of the Right and Z keys
  const auto hold = [&game](int key, int frames) {
    if (key != 0) platform::SetScriptedKey(key, true);
    for (int i = 0; i < frames; ++i) game.Pass();
    if (key != 0) platform::SetScriptedKey(key, false);
  };
  // Right until the sign stops the hero, confirm, and the message is shown.
  hold(0, 19);
  hold(kRight, 150);
  hold(0, 10);
  hold(kConfirm, 4);
  hold(0, 116);
  ASSERT_EQ(gHero.x, 2 * (kSampleHeroX + kSampleSignSteps - 1));
  EXPECT_FALSE(gGameSystem.messageText.empty());
  EXPECT_FALSE(gGameSystem.choiceText.empty());
  EXPECT_EQ(SunPixels(game), 0);

  // Confirm answers the choice; the picture follows.
  hold(kConfirm, 4);
  hold(0, 20);
  EXPECT_TRUE(gGameSystem.choiceText.empty());
  int disc = 0;
  for (int dy = -32; dy < 32; ++dy)
    for (int dx = -32; dx < 32; ++dx) disc += dx * dx + dy * dy <= kSampleSunRadius * kSampleSunRadius ? 1 : 0;
  EXPECT_EQ(SunPixels(game), disc);
  EXPECT_TRUE(RecordedNotices().empty());
}

}  // namespace
