#include <gtest/gtest.h>

#include "gamedata/CommonEvent.h"
#include "gamedata/GlobalObjects.h"
#include "presentation/PictureFileCache.h"
#include "shell/StartupGlobals.h"
#include "support/CommandListBuilder.h"

namespace {

class GlobalObjects : public ::testing::Test {
 protected:
  void TearDown() override {
    gTileSize = 32;
    gCommonEventList = CommonEventList();
    gEventSystem = EventSystem();
    gPictureList = PictureList();
  }
};

TEST_F(GlobalObjects, TileSizeLayout) {
  struct Case {
    int tile, font, offsetX, offsetY, fieldX, fieldY;
  } cases[] = {{16, 12, 160, 68, 75, 200}, {32, 22, 320, 137, 150, 400}};
  for (const Case& c : cases) {
    gTileSize = c.tile;
    const EventSystem fresh;
    EXPECT_EQ(fresh.fontSize, c.font) << c.tile;
    EXPECT_EQ(fresh.messageTextOffsetX, c.offsetX) << c.tile;
    EXPECT_EQ(fresh.messageTextOffsetY, c.offsetY) << c.tile;
    EXPECT_EQ(fresh.keyInputFieldX, c.fieldX) << c.tile;
    EXPECT_EQ(fresh.keyInputFieldY, c.fieldY) << c.tile;
  }
}

TEST_F(GlobalObjects, FreshEventSystemHoldsTheStartValues) {
  const EventSystem fresh;
  EXPECT_EQ(fresh.currentBgm, -1);
  EXPECT_EQ(fresh.messageWindowX, -1);
  EXPECT_EQ(fresh.toneFrames, -1);
  EXPECT_EQ(fresh.flashFramesTotal, -1);
  EXPECT_EQ(fresh.fogValues[4], 255);
  EXPECT_EQ(fresh.panoramaValues[0], -1);
  EXPECT_EQ(fresh.keyRepeatDelay, 16);
  EXPECT_EQ(fresh.keyRepeatInterval, 5);
  EXPECT_EQ(fresh.lastSlotNumber, -1);
  EXPECT_EQ(fresh.partyTrailDistance, 2);
  EXPECT_EQ(fresh.messageRevealSpeed, 120);
  EXPECT_EQ(fresh.fallbackRevealSpeed, 1000000);
  EXPECT_EQ(fresh.transitionFrames, 20);
  EXPECT_EQ(fresh.partyOpacities, std::vector<int32_t>(5, -1));
  EXPECT_EQ(fresh.keyCodes, (std::array<int32_t, 6>{144, 145, 146, 16, 32, 64}));
  EXPECT_EQ(fresh.bgmMasterVolume, 100);
  EXPECT_EQ(fresh.mouseCursorShown, 1);
  EXPECT_EQ(fresh.partyFollowing, 1);
  EXPECT_EQ(fresh.mainRunner, 1);
  EXPECT_EQ(fresh.depth, 0);
  EXPECT_FALSE(fresh.IsEventRunnerBusy());
}

TEST_F(GlobalObjects, ResetByAssignmentStartsTheMainRunnerAfresh) {
  gCommonEventList.ResizeCommonEventList(3);
  gCommonEventList.events[2].triggerFlags = 0x21;  // automatic start
  gEventSystem.messagePrefix = "old";
  gEventSystem.partyOpacities[0] = 7;
  gEventSystem.SetupOwnEventCall(CommandListBuilder().Add(121).Build(), 4, -1);
  gEventSystem.loopIndents.push_back(1);

  gEventSystem = EventSystem();

  EXPECT_EQ(gEventSystem.messagePrefix, "");
  EXPECT_EQ(gEventSystem.partyOpacities[0], -1);
  EXPECT_FALSE(gEventSystem.IsEventRunnerBusy());
  EXPECT_TRUE(gEventSystem.loopIndents.empty());
  EXPECT_EQ(gEventSystem.mapEventId, -1);
  EXPECT_EQ(gEventSystem.autoStartList, std::vector<int>{2});
}

TEST_F(GlobalObjects, SnapshotCopyIsDeep) {
  gEventSystem.messagePrefix = "before";
  gEventSystem.savedPartyNames = {"a", "b"};
  gEventSystem.SetupOwnEventCall(CommandListBuilder().Add(121).Add(180, {3}).Build(), 4, -1);
  gEventSystem.children.emplace_back();
  gEventSystem.children.front().SetupOwnEventCall(CommandListBuilder().Add(101).Build(), -1, 2);

  EventSystem snapshot;
  snapshot = gEventSystem;
  gEventSystem.messagePrefix = "after";
  gEventSystem.savedPartyNames.push_back("c");
  gEventSystem.ownCommandList.clear();
  gEventSystem.children.front().ownCommandList.clear();

  EXPECT_EQ(snapshot.messagePrefix, "before");
  EXPECT_EQ(snapshot.savedPartyNames.size(), 2u);
  ASSERT_EQ(snapshot.commandList, &snapshot.ownCommandList);
  EXPECT_EQ(snapshot.ownCommandList.size(), 3u);
  ASSERT_EQ(snapshot.children.size(), 1u);
  EXPECT_EQ(snapshot.children.front().commandList, &snapshot.children.front().ownCommandList);
  EXPECT_EQ(snapshot.children.front().ownCommandList.size(), 2u);
  EXPECT_EQ(snapshot.mapEventId, 4);

  const EventSystem copied(snapshot);
  EXPECT_EQ(copied.commandList, &copied.ownCommandList);
}

TEST_F(GlobalObjects, RunnerOfAnOutsideListKeepsPointingAtIt) {
  const EventCommandList outside = CommandListBuilder().Add(121).Build();
  gEventSystem.SetupEventCall(&outside, -1, 0);
  const EventSystem copy = gEventSystem;
  EXPECT_EQ(copy.commandList, &outside);
}

TEST_F(GlobalObjects, PictureListStartsEmptyAndClears) {
  const PictureList fresh;
  EXPECT_EQ(fresh.count, 0);
  EXPECT_TRUE(fresh.pictures.empty());

  gPictureFileCache.fileNames = {"a.png"};
  for (int n : {1, 2, 3}) gPictureList.pictures.try_emplace(n, n);
  gPictureList.count = 3;
  PictureList snapshot = gPictureList;
  gPictureList.ClearPictureList(false);
  EXPECT_EQ(gPictureFileCache.fileNames.size(), 1u);
  EXPECT_EQ(snapshot.pictures.size(), 3u);
  gPictureList = snapshot;
  gPictureList.ClearPictureList(true);
  EXPECT_TRUE(gPictureList.pictures.empty());
  EXPECT_EQ(gPictureList.count, 0);
  EXPECT_TRUE(gPictureFileCache.fileNames.empty());
}

}  // namespace
