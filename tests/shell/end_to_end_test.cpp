#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window/Window.h"
#include "shell/NoticeBox.h"
#include "shell/Startup.h"
#include "support/PngReader.h"
#include "support/SampleGame.h"
#include "support/ScratchFolder.h"

namespace {

struct Screen {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y * width + x)]; }
  template <typename Test>
  int CountWhere(int x0, int y0, int x1, int y1, Test test) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += test(At(x, y)) ? 1 : 0;
    return n;
  }
  int Count(int x0, int y0, int x1, int y1, uint32_t colour) const {
    return CountWhere(x0, y0, x1, y1, [colour](uint32_t c) { return c == colour; });
  }
};

// Headless, the build's replay walks the sample's hero right to the sign and
// presses confirm: the screenshot shows the start cell as bare path, the hero
// beside the sign, the message text and the choice window.
TEST(EndToEndTest, ReplayWalksTheHeroToTheSignAndOpensTheMessage) {
  ScratchFolder folder(true);
  platform::ResetHeadlessWindowing();
  platform::SetInstanceLockFolder(folder.Path().string());
  WriteSampleGame(folder.Path());
  const std::vector<uint8_t> replay = SampleWalkReplay();
  folder.Write("walk.replay", std::string(replay.begin(), replay.end()));
  std::vector<std::string> arguments = {"--headless",
                                        std::to_string(kSampleWalkFrames - 1),
                                        "--replay",
                                        (folder.Path() / "walk.replay").string(),
                                        "--screenshot",
                                        std::to_string(kSampleWalkFrames - 1) + ":shot.png",
                                        folder.Path().string()};
  GameOptions options;
  std::string error;
  ASSERT_TRUE(ParseGameArguments(arguments, options, error)) << error;
  ClearRecordedNotices();
  ASSERT_EQ(GameMain(options), 0);
  EXPECT_TRUE(RecordedNotices().empty());

  Screen screen;
  screen.pixels = ReadPngFile((folder.Path() / "shot.png").string(), &screen.width, &screen.height);
  ASSERT_EQ(screen.width, 640);
  ASSERT_EQ(screen.height, 480);

  // The start cell (6, 7) is the path tile alone, pixel for pixel.
  for (int v = 0; v < 32; ++v)
    for (int u = 0; u < 32; ++u)
      ASSERT_EQ(screen.At(kSampleHeroX * 32 + u, kSampleHeroY * 32 + v), SampleTileColor(kSamplePathCell, u, v))
          << u << "," << v;
  // The hero stands in the cell before the sign.
  const int heroX = (kSampleHeroX + kSampleSignSteps - 1) * 32;
  EXPECT_GT(screen.Count(heroX, kSampleHeroY * 32 - 16, heroX + 32, kSampleHeroY * 32 + 32, kSampleHeroBody), 40);
  // A grass row far from the message and the window stays the grass tile.
  for (int u = 0; u < 32; ++u) ASSERT_EQ(screen.At(64 + u, 400), SampleTileColor(kSampleGrassCell, u, 400 % 32));
  // The message text is drawn in white across the grass below the path.
  const auto light = [](uint32_t c) {
    return (c >> 16 & 0xFF) >= 0xE0 && (c >> 8 & 0xFF) >= 0xE0 && (c & 0xFF) >= 0xE0;
  };
  EXPECT_GT(screen.CountWhere(0, 290, 640, 340, light), 200);
  // The choice window's frame fill is on screen.
  EXPECT_GT(screen.Count(200, 100, 440, 224, 0x203070), 1000);
}

}  // namespace
