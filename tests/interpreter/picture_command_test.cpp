#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gamedata/GlobalObjects.h"
#include "platform/dialogs/MessageBox.h"
#include "shell/NoticeBox.h"
#include "support/ScriptWorld.h"

namespace {

constexpr int kKeep = -1000000;

// Pictures n.. that exist at rest without a file.
void Existing(std::initializer_list<int> numbers) {
  gPictureList = PictureList();
  for (int n : numbers) {
    Picture picture(n);
    picture.isHidden = 0;
    picture.remainingFrames = -1;
    picture.targetOpacity = 255;
    gPictureList.pictures.try_emplace(n, picture);
  }
  gPictureList.count = static_cast<int32_t>(gPictureList.pictures.size());
}

std::vector<int> Numbers() {
  std::vector<int> numbers;
  for (const auto& [number, p] : gPictureList.pictures) numbers.push_back(p.number);
  return numbers;
}

class PictureCommand : public testing::Test {
 protected:
  void SetUp() override {
    ResetScriptWorld(1);
    gPictureList = PictureList();
    platform::ClearRecordedMessageBoxes();
  }
  void TearDown() override { gPictureList = PictureList(); }
  void Run(std::vector<EventCommand> commands) {
    EventRunner runner;
    StartScript(runner, std::move(commands));
    RunUntilIdle(runner);
  }
};

TEST_F(PictureCommand, MoveDecodesItsOperandsAndRange) {
  struct Case {
    std::vector<int32_t> params;
    std::vector<int> moved;
    int color0;
  } cases[] = {
      // Move picture 6 to (40, 50); 13 int parameters: neutral colour, no delay.
      {{0x01, 6, 0, 0, 0, kKeep, kKeep, 40, 50, kKeep, kKeep, 0}, {6}, 0},
      // Bit 24, number 10 and range end 5: pictures 5 to 10 (6 and 9 exist).
      {{0x1000001, 10, 0, 0, 0, kKeep, kKeep, 40, 50, kKeep, kKeep, 0, 0x966464, 0, 5}, {6, 9}, 127},
      // Bit 24 without the range end parameter: the number alone.
      {{0x1000001, 9, 0, 0, 0, kKeep, kKeep, 40, 50, kKeep, kKeep, 0, 0x966464, 0}, {9}, 127},
  };
  for (const Case& c : cases) {
    Existing({1, 6, 9});
    EventCommand command = MakeCommand(150);
    command.ints.insert(command.ints.end(), c.params.begin(), c.params.end());
    Run({command});
    for (const auto& [number, p] : gPictureList.pictures) {
      const bool moved = std::find(c.moved.begin(), c.moved.end(), p.number) != c.moved.end();
      EXPECT_EQ(p.targetX, moved ? 40 : 0) << p.number;
      if (moved) {
        EXPECT_EQ(p.targetColor[0], c.color0) << p.number;
      }
    }
    EXPECT_EQ(Numbers(), (std::vector<int>{1, 6, 9}));
  }
}

TEST_F(PictureCommand, ShowCreatesTheRangeAndOddSourcesDoNothing) {
  // A file that does not load: the pictures are made and erased.
  Run({MakeCommand(150, {0x1000000, 10, 0, 1, 1, 1, 255, 0, 0, 100, 0, 0, 0x646464, 0, 5}, {"none.png"})});
  EXPECT_EQ(Numbers(), (std::vector<int>{5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(gPictureList.GetPictureValue(7, 9), 0);
  gPictureList = PictureList();
  Run({MakeCommand(150, {0x50, 3, 0, 1, 1, 1, 255, 0, 0, 100, 0, 0}, {"none.png"})});
  EXPECT_TRUE(gPictureList.pictures.empty());
}

TEST_F(PictureCommand, ColourChangeFadesAndEraseDropsWaitingCommands) {
  Existing({1, 2, 3});
  Run({MakeCommand(150, {0x02, 2, 12, 0, 0x326464})});
  EXPECT_EQ(gPictureList.pictures.at(2).isFadingOut, 1);
  EXPECT_EQ(gPictureList.pictures.at(2).totalFrames, 12);
  EXPECT_EQ(gPictureList.pictures.at(2).targetColor[0], -127);
  EXPECT_EQ(gPictureList.pictures.at(1).isFadingOut, 0);
  for (auto& [number, p] : gPictureList.pictures)
    p.ChangePicture(5, 5, kKeep, kKeep, 15, 0, kKeep, kKeep, kKeep, 1 << 24, 9, false);
  // Erase with bit 24 and range end 20: the waiting commands of 2 up go, no picture is erased.
  Run({MakeCommand(150, {0x1000003, 2, 20})});
  EXPECT_EQ(gPictureList.pictures.at(1).delayedCommands.size(), 1u);
  EXPECT_TRUE(gPictureList.pictures.at(2).delayedCommands.empty());
  EXPECT_TRUE(gPictureList.pictures.at(3).delayedTexts.empty());
  EXPECT_EQ(gPictureList.pictures.at(3).isErased, 0);
}

TEST_F(PictureCommand, ShowOverAHundredMillionNumbersCreatesNothing) {
  // The range end is variable 3 of the first set.
  gVariableStore.WriteVariable(2000003, 100000000);
  ClearRecordedNotices();
  Run({MakeCommand(150, {0x1000000, 1, 0, 1, 1, 1, 255, 0, 0, 100, 0, 0, 0x646464, 0, 2000003}, {"none.png"})});
  EXPECT_TRUE(gPictureList.pictures.empty());
  EXPECT_EQ(RecordedNotices().size(), 1u);
  EXPECT_TRUE(platform::RecordedMessageBoxes().empty());
}

}  // namespace
