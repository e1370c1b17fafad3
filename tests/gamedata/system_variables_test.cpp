#include <gtest/gtest.h>

#include "gamedata/GlobalObjects.h"
#include "gamedata/VariableStore.h"
#include "map/CurrentMap.h"
#include "map/Hero.h"
#include "platform/text/Text.h"
#include "platform/time/Time.h"
#include "shell/GameSystem.h"
#include "shell/ShellServices.h"
#include "shell/StartupGlobals.h"

namespace {

constexpr int kSystem = 9000000;
constexpr int kSystemString = 9900000;

class SystemVariables : public ::testing::Test {
 protected:
  void SetUp() override {
    gTileSize = 32;
    gEventSystem = EventSystem();
    gVariableStore = VariableStore();
    gVariableStore.context = &gEventSystem;
    gCurrentMap = CurrentMap();
    gHero = Hero();
    gGameSystem = GameSystem();
    gSoundManager = SoundManager();
  }

  int Read(int index) { return gVariableStore.ReadVariable(kSystem + index); }
  void Write(int index, int value) { gVariableStore.WriteVariable(kSystem + index, value); }
};

TEST_F(SystemVariables, WritesClampAndKeepTheirWidth) {
  struct Case {
    int index, written, read;
  } cases[] = {{15, 0, 1},    {16, -5, 1},   {22, 7, 3},   {22, -2, 0},  {36, 65537, 1}, {5, 70000, 4464}, {14, 257, 1},
               {1, 123, 123}, {87, -7, 255}, {88, -1, -1}, {100, -3, 0}, {33, 9, 2},     {25, 4, 4}};
  for (const Case& c : cases) {
    Write(c.index, c.written);
    EXPECT_EQ(Read(c.index), c.read) << "index " << c.index;
  }
}

TEST_F(SystemVariables, UnlistedAndReadOnlyIndexes) {
  for (int index : {26, 27, 34, 38, 58, 83, 99, 103, 106, 99999}) {
    EXPECT_EQ(Read(index), -1) << index;
    Write(index, 5);
    EXPECT_EQ(Read(index), -1) << index;
  }
  Write(39, 5);
  EXPECT_EQ(Read(39), 0);
  Write(13, 5);
  EXPECT_EQ(Read(13), 0);
}

TEST_F(SystemVariables, StoreWithoutContextReadsZero) {
  gVariableStore.context = nullptr;
  for (int index : {0, 1, 15, 26, 80, 106}) EXPECT_EQ(Read(index), 0) << index;
  Write(1, 44);
  EXPECT_EQ(gEventSystem.messageWindowX, -1);
}

TEST_F(SystemVariables, SnapshotStoreWritesItsOwnEventSystemButTheRendererSwitchIsGlobal) {
  EventSystem snapshotEvents;
  VariableStore snapshot;
  snapshot.context = &snapshotEvents;
  snapshot.WriteVariable(kSystem + 1, 77);
  snapshot.WriteVariable(kSystem + 21, 5);
  EXPECT_EQ(snapshotEvents.messageWindowX, 77);
  EXPECT_EQ(gEventSystem.messageWindowX, -1);
  EXPECT_EQ(gEventSystem.textRendererSwitch, 5);
  EXPECT_EQ(snapshotEvents.textRendererSwitch, 0);
}

TEST_F(SystemVariables, MapScrollIsClampedToTheMap) {
  gCurrentMap.mapData.header.width = 30;
  gCurrentMap.mapData.header.height = 20;
  Write(104, 500);
  EXPECT_EQ(gCurrentMap.scrollX, 1280);
  EXPECT_EQ(Read(104), 320);
  Write(104, -9);
  EXPECT_EQ(Read(104), 0);
  Write(105, 9999);
  EXPECT_EQ(Read(105), (20 - 15) * 32 + 1);
  gCurrentMap.loopX = 1;
  Write(104, -9999);
  EXPECT_EQ(Read(104), 1 - 320);
  gCurrentMap.loopY = 1;
  Write(105, -9999);
  EXPECT_EQ(Read(105), -241);

  // Only the live store moves the map.
  VariableStore snapshot;
  snapshot.context = &gEventSystem;
  snapshot.WriteVariable(kSystem + 104, 0);
  EXPECT_EQ(Read(104), 1 - 320);
}

TEST_F(SystemVariables, MasterVolumeSetsTheCurrentVolume) {
  gEventSystem.bgmFileValues[0] = 80;
  gSoundManager.channels[0].volume = 10;
  Write(100, 60);
  EXPECT_EQ(gSoundManager.channels[0].volume, 60);
  EXPECT_EQ(gSoundManager.channels[0].fadeLeft, 2);
  EXPECT_EQ(Read(100), 60);
  Write(95, 50);
  EXPECT_EQ(Read(95), 30);  // 50 x 60 / 100
}

TEST_F(SystemVariables, LocalTimeAndTileSize) {
  platform::LocalTime time{2024, 3, 9, 14, 5, 9, 0, 6};
  platform::SetVirtualLocalTime(time);
  EXPECT_EQ(Read(80), 14);
  EXPECT_EQ(Read(77), 2024);
  EXPECT_EQ(Read(82), 9);
  EXPECT_EQ(Read(84), 1);
  gTileSize = 16;
  EXPECT_EQ(Read(84), 0);
}

TEST_F(SystemVariables, GameSystemValues) {
  gCurrentMap.mapId = 3;
  EXPECT_EQ(Read(23), 3);
  gGameSystem.transferPending = 1;
  gGameSystem.transferMapId = 8;
  EXPECT_EQ(Read(23), 8);
  EXPECT_EQ(Read(20), -1);
  EXPECT_EQ(Read(13), 0);
  gEventSystem.SetupEventCall(&gEventSystem.ownCommandList, -1, -1);
  EXPECT_EQ(Read(13), 1);
  EXPECT_EQ(Read(48), -1);
}

TEST_F(SystemVariables, KeyConfiguration) {
  EXPECT_EQ(Read(52), 144);
  EXPECT_EQ(Read(55), 301);
  EXPECT_EQ(Read(57), 303);
  Write(56, 315);
  EXPECT_EQ(Read(56), 315);
  EXPECT_EQ(gEventSystem.keyCodes[4], 0x10 << 14);
  EXPECT_EQ(gVariableStore.ReadStringVariable(kSystemString + 5), platform::Utf8ToCp932("ボタン15"));
  Write(53, 170);
  EXPECT_EQ(Read(53), 170);
}

TEST_F(SystemVariables, SystemStrings) {
  gVariableStore.WriteStringVariable(kSystemString + 26, "pre");
  EXPECT_EQ(gEventSystem.messagePrefix, "pre");
  EXPECT_EQ(gVariableStore.ReadStringVariable(kSystemString + 26), "pre");
  gVariableStore.WriteStringVariable(kSystemString + 30, "pano.png");
  EXPECT_EQ(gEventSystem.panoramaFile, "pano.png");
  EXPECT_EQ(gGameSystem.panoramaByFile, 1);
  gVariableStore.WriteStringVariable(kSystemString + 10, "hero.png");
  EXPECT_EQ(gHero.graphicName, "hero.png");
  gHero.party.clear();
  gVariableStore.WriteStringVariable(kSystemString + 11, "nobody.png");  // no party member
  EXPECT_EQ(gVariableStore.ReadStringVariable(kSystemString + 11), "");
  gHero.party.resize(1);
  gVariableStore.WriteStringVariable(kSystemString + 11, "member.png");
  EXPECT_EQ(gHero.party[0].graphicName, "member.png");
  gGameSystem.choiceTexts[2] = "third";
  EXPECT_EQ(gVariableStore.ReadStringVariable(kSystemString + 42), "third");
  gVariableStore.WriteStringVariable(kSystemString + 33, "x");  // read-only
  EXPECT_EQ(gEventSystem.bgmFileText, "");
  EXPECT_EQ(gVariableStore.ReadStringVariable(kSystemString + 99), "");
}

}  // namespace
